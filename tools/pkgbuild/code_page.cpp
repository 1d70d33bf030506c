#include "pkgbuild/code_page.h"

#include <iconv.h>

namespace pkgbuild {

namespace {

// The length of the UTF-8 sequence at `s[i]`, or 0 when it is not one
// (overlong forms, surrogates and values past U+10FFFF included).
std::size_t SequenceLength(const std::string& s, std::size_t i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    std::size_t length;
    std::uint32_t value;
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
        value = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        value = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        value = c & 0x07;
    } else {
        return 0;
    }
    if (i + length > s.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const unsigned char t = static_cast<unsigned char>(s[i + k]);
        if ((t & 0xC0) != 0x80) return 0;
        value = (value << 6) | (t & 0x3F);
    }
    if ((length == 3 && value < 0x800) || (length == 4 && value < 0x10000) || value > 0x10FFFF ||
        (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    return length;
}

}  // namespace

bool IsSupportedCodePage(std::uint32_t codePage) {
    return codePage == 874 || (codePage >= 1250 && codePage <= 1258);
}

bool ToCodePage(const std::string& utf8, std::uint32_t codePage, std::string& out,
                std::string& bad) {
    out.clear();
    bad.clear();
    bool plain = true;
    for (std::size_t i = 0; i < utf8.size();) {
        std::size_t length = SequenceLength(utf8, i);
        if (length == 0) return false;
        if (length > 1) plain = false;
        i += length;
    }
    if (plain) {
        out = utf8;
        return true;
    }
    if (!IsSupportedCodePage(codePage)) return false;
    const std::string name = "CP" + std::to_string(codePage);
    iconv_t cd = iconv_open(name.c_str(), "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    bool ok = true;
    // One character at a time, so that the one that fails can be named.
    for (std::size_t i = 0; i < utf8.size() && ok;) {
        std::size_t length = SequenceLength(utf8, i);
        if (length == 1) {
            out += utf8[i++];
            continue;
        }
        std::string one = utf8.substr(i, length);
        char result[8];
        char* in = &one[0];
        std::size_t inLeft = one.size();
        char* to = result;
        std::size_t toLeft = sizeof result;
        bool converted = iconv(cd, &in, &inLeft, &to, &toLeft) != static_cast<std::size_t>(-1) &&
                         inLeft == 0 &&
                         iconv(cd, nullptr, nullptr, &to, &toLeft) != static_cast<std::size_t>(-1);
        if (!converted || to == result) {
            bad = one;
            ok = false;
            break;
        }
        out.append(result, static_cast<std::size_t>(to - result));
        i += length;
    }
    iconv_close(cd);
    return ok;
}

}  // namespace pkgbuild
