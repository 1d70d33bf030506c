// FindInfoMarker: the scan of the package for the start of the installation
// information.
#include <cstring>

#include "package/package.h"
#include "log/log.h"
#include "text/boxes.h"
#include "text/messages.h"

namespace {

// One block and eight bytes that are never written and stay zero.
constexpr std::size_t ScanBufferSize = InfoScanBlock + 8;

std::uint32_t WordAt(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

}  // namespace

// A short read leaves the bytes of the previous block behind it in the
// buffer, so nothing past `count` is looked at.
long FindMarkerInBlock(const unsigned char* block, long count) {
    const unsigned char first = static_cast<unsigned char>(MarkerWord & 0xFF);
    for (long p = 0; p + 8 <= count; ++p) {
        const void* hit = std::memchr(block + p, first, static_cast<std::size_t>(count - 8 - p + 1));
        if (!hit) return -1;
        p = static_cast<const unsigned char*>(hit) - block;
        if (WordAt(block + p) == MarkerWord && WordAt(block + p + 4) == MarkerWord) return p;
    }
    return -1;
}

bool FindInfoMarker(Run& run) {
    run.ScanBuffer = static_cast<unsigned char*>(run.os.Alloc(ScanBufferSize));
    if (!run.ScanBuffer) {
        ShowError(run, 0, MessageId::OutOfMemory);
        return false;
    }
    std::uint32_t scanned = 0;
    for (;;) {
        long count = run.os.HRead(run.Package, run.ScanBuffer, InfoScanBlock);
        if (count < 0) break;
        long p = FindMarkerInBlock(run.ScanBuffer, count);
        if (p >= 0) {
            run.InfoOffset = scanned + static_cast<std::uint32_t>(p);
            run.os.Free(run.ScanBuffer);
            run.ScanBuffer = nullptr;
            return true;
        }
        if (count != InfoScanBlock) break;
        scanned += InfoScanBlock;
    }
    // The scan buffer stays until the end of the run releases it.
    ShowError(run, 0, MessageId::NoInstallInfo);
    return false;
}
