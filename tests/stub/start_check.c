/* Runs the stored setup.exe's start-up code on a real (or emulated) x86 and
 * checks what it leaves: the program's code and constant data, byte for byte
 * as the link made them, before the program's first call to Windows.
 *
 *   start_check <stored setup.exe> <linked setup-linked.exe>
 *
 * A 32-bit Linux program without a C library. It lays the stored image out
 * at its base address as a loader does, points every imported function at
 * Reached, and calls the entry point. The start-up code expands the code
 * and jumps to the program, whose first call to Windows lands in Reached,
 * which compares the expanded code with the linked image's and exits: 0 when
 * they are equal, 1 when not, 2 when the images cannot be read. A start-up
 * code that called into the code before expanding it would fault instead. */
typedef unsigned char u8;
typedef unsigned int u32;

/* A Linux system call; a sixth argument, where there is one, is zero. */
static long Call(long number, long a, long b, long c, long d, long e) {
    long result;
    __asm__ volatile("push %%ebp\n\txor %%ebp, %%ebp\n\tint $0x80\n\tpop %%ebp"
                     : "=a"(result)
                     : "a"(number), "b"(a), "c"(b), "d"(c), "S"(d), "D"(e)
                     : "memory");
    return result;
}

static void Exit(int code) {
    for (;;) Call(1, code, 0, 0, 0, 0);
}

static void Say(const char* text) {
    long n = 0;
    while (text[n]) ++n;
    Call(4, 2, (long)text, n, 0, 0);
}

static void Fail(int code, const char* text) {
    Say("start_check: ");
    Say(text);
    Say("\n");
    Exit(code);
}

enum { MaxFile = 1 << 20 };
static u8 stored[MaxFile], linked[MaxFile];

static u32 ReadFile(const char* path, u8* into) {
    long fd = Call(5, (long)path, 0, 0, 0, 0);
    if (fd < 0) Fail(2, "cannot open an image");
    u32 size = 0;
    for (;;) {
        long n = Call(3, fd, (long)(into + size), MaxFile - size, 0, 0);
        if (n < 0) Fail(2, "cannot read an image");
        if (n == 0) break;
        size += (u32)n;
        if (size == MaxFile) Fail(2, "an image is too large");
    }
    Call(6, fd, 0, 0, 0, 0);
    return size;
}

static u32 Get32(const u8* p) { return p[0] | p[1] << 8 | p[2] << 16 | (u32)p[3] << 24; }

struct Image {
    const u8* file;
    u32 size, optional, table, count;
};

static struct Image Parse(const u8* file, u32 size) {
    struct Image image = {file, size, 0, 0, 0};
    if (size < 0x40 || file[0] != 'M' || file[1] != 'Z') Fail(2, "not an MZ file");
    u32 pe = Get32(file + 0x3C);
    if (pe > size - 248 || Get32(file + pe) != 0x4550) Fail(2, "not a PE file");
    image.optional = pe + 24;
    image.count = file[pe + 6] | file[pe + 7] << 8;
    image.table = image.optional + (file[pe + 20] | file[pe + 21] << 8);
    if (image.table + 40 * image.count > size) Fail(2, "section table outside the file");
    return image;
}

static u8* const Base = (u8*)0x400000;
static u32 codeSize;
static const u8* linkedCode;

/* Every imported function: the program has made its first call to Windows. */
static void __attribute__((stdcall)) Reached(void) {
    for (u32 i = 0; i < codeSize; ++i)
        if (Base[0x1000 + i] != linkedCode[i]) Fail(1, "the expanded code differs from the linked code");
    Say("start_check: the start-up code expanded the linked code and started the program\n");
    Exit(0);
}

void _start_c(long* stack) {
    if (stack[0] != 3) Fail(2, "usage: start_check <stored setup.exe> <linked setup-linked.exe>");
    struct Image s = Parse(stored, ReadFile((const char*)stack[2], stored));
    struct Image l = Parse(linked, ReadFile((const char*)stack[3], linked));
    if (Get32(s.file + s.optional + 28) != (u32)Base) Fail(2, "the image base is not 0x400000");
    /* The linked code section: the first, at 0x1000. */
    if (Get32(l.file + l.table + 12) != 0x1000) Fail(2, "the linked code is not at 0x1000");
    codeSize = Get32(l.file + l.table + 8);
    linkedCode = l.file + Get32(l.file + l.table + 20);
    if (Get32(l.file + l.table + 16) < codeSize) Fail(2, "the linked code is not all in the file");
    /* Laid out as a loader does: zeros, then each section's bytes. */
    u32 imageSize = Get32(s.file + s.optional + 56);
    long at = Call(192, (long)Base, imageSize, 7, 0x32, -1); /* mmap2: rwx, private, anonymous, fixed */
    if (at != (long)Base) Fail(2, "cannot map the image at its base");
    for (u32 n = 0; n < s.count; ++n) {
        const u8* h = s.file + s.table + 40 * n;
        u32 virtualSize = Get32(h + 8), address = Get32(h + 12), raw = Get32(h + 16), rawAt = Get32(h + 20);
        if (raw > virtualSize) raw = virtualSize;
        if (address + virtualSize > imageSize || rawAt + raw > s.size) Fail(2, "a section lies outside");
        for (u32 i = 0; i < raw; ++i) Base[address + i] = s.file[rawAt + i];
    }
    /* The imports: each directory entry's address table, until its zero. */
    u32 imports = Get32(s.file + s.optional + 104);
    if (!imports) Fail(2, "no imports");
    for (u8* entry = Base + imports; Get32(entry + 12); entry += 20)
        for (u32* slot = (u32*)(Base + Get32(entry + 16)); *slot; ++slot) *slot = (u32)&Reached;
    ((void (*)(void))(Base + Get32(s.file + s.optional + 16)))();
    Fail(1, "the program returned without calling Windows");
}

__asm__(".globl _start\n_start:\n\tmov %esp, %eax\n\tpush %eax\n\tcall _start_c\n");
