// UnsignImage: the uninstaller copied from a signed package is the stub and
// the information without the signature, which lies after the file data.
// Its header would still name that certificate table, past the copy's end,
// and carry the PE checksum of the whole signed file. The entry is cleared
// and the checksum computed for the copy; nothing else changes, and a copy
// from an unsigned package is left exactly as it is.
#include <cstring>

#include "install/install.h"

namespace {

std::uint32_t WordAt(const unsigned char* p) {
    std::uint32_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

}  // namespace

// The image is at least the 3772 bytes of the header long.
void UnsignImage(unsigned char* image, long size) {
    const std::uint32_t pe = WordAt(image + 60);
    if (pe > static_cast<std::uint32_t>(size - 160) || WordAt(image + pe) != 0x4550) return;
    unsigned char* certificates = image + pe + 152;  // data directory entry 4
    if ((WordAt(certificates) | WordAt(certificates + 4)) == 0) return;
    std::memset(certificates, 0, 8);
    // The PE checksum: the file's 16-bit words summed with the carries
    // folded back in, the checksum field counting as zero, plus the length.
    unsigned char* checksum = image + pe + 88;
    std::memset(checksum, 0, 4);
    std::uint32_t sum = 0;
    for (long i = 0; i < size; i += 2) {
        sum += image[i] | (i + 1 < size ? image[i + 1] << 8 : 0);
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum += static_cast<std::uint32_t>(size);
    std::memcpy(checksum, &sum, 4);
}
