// SetPeChecksum: the checksum field of a PE header, for a file in memory.
#include <cstring>

#include "package/package.h"

void SetPeChecksum(unsigned char* image, long size) {
    std::uint32_t pe;
    std::memcpy(&pe, image + 60, sizeof pe);
    if (pe > static_cast<std::uint32_t>(size - 92)) return;
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
