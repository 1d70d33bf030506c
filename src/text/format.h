// Text formatting (src/text, the floor above the platform) with the wsprintf
// rules the messages are written for: %s (text), %i and %d (signed
// decimal), %u (unsigned decimal), %% (percent).
// The output is always terminated and never passes `size` bytes; it returns
// the length written. Package texts are only ever arguments, never formats.
#pragma once

#include <cstdarg>
#include <cstddef>

std::size_t FormatText(char* out, std::size_t size, const char* format, ...);
std::size_t FormatTextV(char* out, std::size_t size, const char* format, va_list args);
// Copies at most size-1 bytes of a text field that may lack its NUL.
std::size_t CopyText(char* out, std::size_t size, const char* text, std::size_t textSize);
// Length of a text inside an array of `size` bytes (size when no NUL).
std::size_t FieldLength(const char* text, std::size_t size);
