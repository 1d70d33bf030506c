// FindInfoMarker: the scan of the package for the start of the installation
// information.
#include <cstring>

#include "package/package.h"
#include "log/log.h"
#include "text/boxes.h"
#include "text/messages.h"

namespace {

constexpr long ScanBlockSize = 8192;
// One block and eight bytes that are never written and stay zero.
constexpr std::size_t ScanBufferSize = 8200;

std::uint32_t WordAt(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// First position in the block where the marker starts with all eight bytes
// inside the bytes of this read, or -1. A short read leaves the bytes of the
// previous block behind it in the buffer, so nothing past `count` is looked at.
long FindInBlock(const unsigned char* block, long count) {
    const unsigned char first = static_cast<unsigned char>(MarkerWord & 0xFF);
    for (long p = 0; p + 8 <= count; ++p) {
        const void* hit = std::memchr(block + p, first, static_cast<std::size_t>(count - 8 - p + 1));
        if (!hit) return -1;
        p = static_cast<const unsigned char*>(hit) - block;
        if (WordAt(block + p) == MarkerWord && WordAt(block + p + 4) == MarkerWord) return p;
    }
    return -1;
}

}  // namespace

bool FindInfoMarker(Run& run) {
    run.ScanBuffer = static_cast<unsigned char*>(run.os.Alloc(ScanBufferSize));
    if (!run.ScanBuffer) {
        ShowError(run, 0, MessageId::OutOfMemory);
        return false;
    }
    std::uint32_t scanned = 0;
    for (;;) {
        long count = run.os.HRead(run.Package, run.ScanBuffer, ScanBlockSize);
        if (count < 0) break;
        long p = FindInBlock(run.ScanBuffer, count);
        if (p >= 0) {
            run.InfoOffset = scanned + static_cast<std::uint32_t>(p);
            run.os.Free(run.ScanBuffer);
            run.ScanBuffer = nullptr;
            return true;
        }
        if (count != ScanBlockSize) break;
        scanned += ScanBlockSize;
    }
    // The scan buffer stays until the end of the run releases it.
    ShowError(run, 0, MessageId::NoInstallInfo);
    return false;
}
