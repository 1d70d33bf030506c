// Where Windows starts the stored program. setup.exe is stored with its code
// and constant data compressed (tools/stubpack), in a section of its own
// placed last; the code's section takes no room in the file and the loader
// hands it over filled with zeros. This start-up code, kept as it is, expands
// the code into place and then starts the program. Nothing here may call into
// the code section before the expansion, so it is built apart from the rest:
// no link-time inlining across it, no library calls made of its loops.
//
// The packer puts the size and the stream where the link leaves one zero
// word; a program straight from the link, not packed, starts at once.
#pragma GCC optimize("no-tree-loop-distribute-patterns")

#include <cstdint>

#include "platform/unpack.h"

extern "C" {
// The link's names for the start of the code section and for the zero word.
extern std::uint8_t codeStart[] __asm__("__code_start");
extern const std::uint32_t packedCode[] __asm__("__packed_code");
void WinMainCRTStartup();

__attribute__((section(".unpack"), used, externally_visible)) void StartPacked() {
    if (packedCode[0])
        unpack::Expand(reinterpret_cast<const std::uint8_t*>(packedCode + 1), codeStart, packedCode[0]);
    WinMainCRTStartup();
}
}
