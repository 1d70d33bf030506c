// The few C library routines the program uses, so that it needs no C
// runtime DLL: Windows 95 and NT 3.51 do not all have one. The linker takes
// these before any library's, and the build drops the ones nobody calls.
#include <cstddef>

// Keep the compiler from turning these loops back into calls of themselves.
#pragma GCC optimize("no-tree-loop-distribute-patterns")

extern "C" {

void* memcpy(void* to, const void* from, std::size_t count) {
    unsigned char* t = static_cast<unsigned char*>(to);
    const unsigned char* f = static_cast<const unsigned char*>(from);
    while (count--) *t++ = *f++;
    return to;
}

void* memmove(void* to, const void* from, std::size_t count) {
    unsigned char* t = static_cast<unsigned char*>(to);
    const unsigned char* f = static_cast<const unsigned char*>(from);
    if (t < f) {
        while (count--) *t++ = *f++;
    } else {
        while (count--) t[count] = f[count];
    }
    return to;
}

void* memset(void* to, int value, std::size_t count) {
    unsigned char* t = static_cast<unsigned char*>(to);
    while (count--) *t++ = static_cast<unsigned char>(value);
    return to;
}

int memcmp(const void* a, const void* b, std::size_t count) {
    const unsigned char* x = static_cast<const unsigned char*>(a);
    const unsigned char* y = static_cast<const unsigned char*>(b);
    for (; count; --count, ++x, ++y)
        if (*x != *y) return *x < *y ? -1 : 1;
    return 0;
}

void* memchr(const void* block, int value, std::size_t count) {
    const unsigned char* p = static_cast<const unsigned char*>(block);
    for (; count; --count, ++p)
        if (*p == static_cast<unsigned char>(value)) return const_cast<unsigned char*>(p);
    return nullptr;
}

std::size_t strlen(const char* text) {
    const char* end = text;
    while (*end) ++end;
    return static_cast<std::size_t>(end - text);
}

char* strcpy(char* to, const char* from) {
    char* t = to;
    while ((*t++ = *from++) != '\0') {
    }
    return to;
}

char* strncpy(char* to, const char* from, std::size_t count) {
    std::size_t i = 0;
    for (; i < count && from[i]; ++i) to[i] = from[i];
    for (; i < count; ++i) to[i] = '\0';
    return to;
}

char* strcat(char* to, const char* from) {
    strcpy(to + strlen(to), from);
    return to;
}

int strcmp(const char* a, const char* b) {
    for (; *a && *a == *b; ++a, ++b) {
    }
    return static_cast<unsigned char>(*a) - static_cast<unsigned char>(*b);
}

int strncmp(const char* a, const char* b, std::size_t count) {
    for (; count; --count, ++a, ++b) {
        if (*a != *b) return static_cast<unsigned char>(*a) - static_cast<unsigned char>(*b);
        if (!*a) return 0;
    }
    return 0;
}

char* strchr(const char* text, int c) {
    for (;; ++text) {
        if (*text == static_cast<char>(c)) return const_cast<char*>(text);
        if (!*text) return nullptr;
    }
}

char* strpbrk(const char* text, const char* set) {
    for (; *text; ++text)
        if (strchr(set, *text) != nullptr) return const_cast<char*>(text);
    return nullptr;
}

char* strrchr(const char* text, int c) {
    const char* found = nullptr;
    for (;; ++text) {
        if (*text == static_cast<char>(c)) found = text;
        if (!*text) return const_cast<char*>(found);
    }
}

}  // extern "C"
