// UnsignImage: the uninstaller copied from a signed package is the stub and
// the information without the signature, which lies after the file data.
// Its header would still name that certificate table, past the copy's end,
// and carry the PE checksum of the whole signed file. The entry is cleared
// and the checksum computed for the copy; nothing else changes, and a copy
// from an unsigned package is left exactly as it is.
#include <cstring>

#include "install/install.h"
#include "package/package.h"

namespace {

std::uint32_t WordAt(const unsigned char* p) {
    std::uint32_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

}  // namespace

// The image is at least the 3772 bytes of the header long. True when it
// named a certificate table.
bool UnsignImage(unsigned char* image, long size) {
    const std::uint32_t pe = WordAt(image + 60);
    if (pe > static_cast<std::uint32_t>(size - 160) || WordAt(image + pe) != 0x4550) return false;
    unsigned char* certificates = image + pe + 152;  // data directory entry 4
    if ((WordAt(certificates) | WordAt(certificates + 4)) == 0) return false;
    std::memset(certificates, 0, 8);
    SetPeChecksum(image, size);
    return true;
}
