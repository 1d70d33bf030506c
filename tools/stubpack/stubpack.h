// stubpack: stores setup.exe with its code and constant data compressed, to
// be expanded in place by the program's start-up code (src/platform/unpack.h
// describes the stream).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace stubpack {

using Bytes = std::vector<std::uint8_t>;

// The compressed stream that unpack::Expand turns back into `data`: relative
// call targets made absolute, then the cheapest sequence of literals and
// matches the stream can say.
Bytes Compress(const Bytes& data);

// The image rewritten with its first section compressed: that section keeps
// its place in memory but takes no room in the file, the section named
// .unpack (the start-up code, which ends in a zero word) receives the size
// and the stream in place of that word, and the other sections stay as they
// are. Returns an empty result and says why in `error` when the image is not
// one the program's link makes.
Bytes PackImage(const Bytes& image, std::string& error);

}  // namespace stubpack
