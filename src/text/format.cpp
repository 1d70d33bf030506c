// FormatText: the wsprintf rules the message texts are written for, with an
// output that never passes its buffer.
#include "text/format.h"

#include <cstdarg>
#include <cstdint>

namespace {

struct Output {
    char* out;
    std::size_t size;
    std::size_t length;

    void Put(char c) {
        if (length + 1 < size) out[length++] = c;
    }
};

// Writes the digits of a value, with the field rules of wsprintf: a minimum
// width, padded with blanks (or zeros) on the left unless left-aligned.
void PutNumber(Output& o, std::uint32_t magnitude, bool negative, unsigned base, bool upper,
               unsigned width, bool leftAlign, bool zeroPad) {
    char digits[12];
    unsigned count = 0;
    do {
        unsigned d = magnitude % base;
        digits[count++] = static_cast<char>(d < 10 ? '0' + d : (upper ? 'A' : 'a') + d - 10);
        magnitude /= base;
    } while (magnitude != 0);
    unsigned length = count + (negative ? 1 : 0);
    if (!leftAlign && !zeroPad)
        for (unsigned i = length; i < width; ++i) o.Put(' ');
    if (negative) o.Put('-');
    if (!leftAlign && zeroPad)
        for (unsigned i = length; i < width; ++i) o.Put('0');
    while (count > 0) o.Put(digits[--count]);
    if (leftAlign)
        for (unsigned i = length; i < width; ++i) o.Put(' ');
}

}  // namespace

std::size_t FormatTextV(char* out, std::size_t size, const char* format, va_list args) {
    if (out == nullptr || size == 0) return 0;
    Output o{out, size, 0};
    for (const char* p = format; *p != '\0'; ++p) {
        if (*p != '%') {
            o.Put(*p);
            continue;
        }
        const char* start = p;
        ++p;
        bool leftAlign = false;
        bool zeroPad = false;
        for (;; ++p) {
            if (*p == '-') leftAlign = true;
            else if (*p == '0') zeroPad = true;
            else break;
        }
        unsigned width = 0;
        while (*p >= '0' && *p <= '9' && width < 1024) width = width * 10 + static_cast<unsigned>(*p++ - '0');
        if (*p == 'l' || *p == 'h') ++p;
        switch (*p) {
        case 's': {
            const char* text = va_arg(args, const char*);
            if (text == nullptr) text = "(null)";
            unsigned length = 0;
            while (text[length] != '\0') ++length;
            if (!leftAlign)
                for (unsigned i = length; i < width; ++i) o.Put(' ');
            for (unsigned i = 0; i < length; ++i) o.Put(text[i]);
            if (leftAlign)
                for (unsigned i = length; i < width; ++i) o.Put(' ');
            break;
        }
        case 'i':
        case 'd': {
            std::int32_t value = va_arg(args, std::int32_t);
            bool negative = value < 0;
            std::uint32_t magnitude = negative ? 0u - static_cast<std::uint32_t>(value)
                                               : static_cast<std::uint32_t>(value);
            PutNumber(o, magnitude, negative, 10, false, width, leftAlign, zeroPad);
            break;
        }
        case 'u':
            PutNumber(o, va_arg(args, std::uint32_t), false, 10, false, width, leftAlign, zeroPad);
            break;
        case 'x':
        case 'X':
            PutNumber(o, va_arg(args, std::uint32_t), false, 16, *p == 'X', width, leftAlign, zeroPad);
            break;
        case 'c':
            o.Put(static_cast<char>(va_arg(args, int)));
            break;
        case '%':
            o.Put('%');
            break;
        case '\0':
            // A lone percent at the end is written as it stands.
            for (const char* q = start; q < p; ++q) o.Put(*q);
            --p;
            break;
        default:
            // An unknown conversion is copied as it stands, without its
            // percent sign, as wsprintf does.
            o.Put(*p);
            break;
        }
    }
    out[o.length] = '\0';
    return o.length;
}

std::size_t FormatText(char* out, std::size_t size, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::size_t length = FormatTextV(out, size, format, args);
    va_end(args);
    return length;
}

std::size_t FieldLength(const char* text, std::size_t size) {
    std::size_t length = 0;
    while (length < size && text[length] != '\0') ++length;
    return length;
}

std::size_t CopyText(char* out, std::size_t size, const char* text, std::size_t textSize) {
    if (out == nullptr || size == 0) return 0;
    std::size_t length = text == nullptr ? 0 : FieldLength(text, textSize);
    if (length > size - 1) length = size - 1;
    for (std::size_t i = 0; i < length; ++i) out[i] = text[i];
    out[length] = '\0';
    return length;
}
