// Scripts are UTF-8; the stub shows and writes 8-bit ANSI texts. Every text
// and name of a script is converted into the Windows code page its
// CodePage= setting names.
#pragma once

#include <cstdint>
#include <string>

namespace pkgbuild {

constexpr std::uint32_t DefaultCodePage = 1252;

// The single-byte Windows code pages: 874 and 1250 to 1258. (In the
// double-byte ones a character's second byte may be a backslash, which the
// stub would take for a path separator.)
bool IsSupportedCodePage(std::uint32_t codePage);

// UTF-8 text into the code page. On failure `bad` holds the first character
// the code page cannot hold (as UTF-8), or is empty when `utf8` is not UTF-8.
bool ToCodePage(const std::string& utf8, std::uint32_t codePage, std::string& out,
                std::string& bad);

}  // namespace pkgbuild
