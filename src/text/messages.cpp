// The MessageTable: every fixed text of the program, indexed by MessageId.
// The texts are the program's own, byte for byte, spelling included.
//
// The program stores them packed: pieces that recur (below the table) are
// stored once, and a text refers to piece n by the byte 0x80 + n (the texts
// themselves are plain ASCII). The packing is done by the compiler from the
// table as written; the first Msg call unpacks the whole table once.
#include "text/messages.h"

#include <array>
#include <cstddef>

namespace {

constexpr const char* MessageTable[MessageCount] = {
    /* 0 */ "Couldn't create log file.",
    /* 1 */ "The file '%s' is currently used by an application or by Windows. Make sure the file isn't in use before uninstalling.",
    /* 2 */ "Do you want to abort the uninstallation?",
    /* 3 */ "Uninstallation is finished.",
    /* 4 */ "Uninstalling:",
    /* 5 */ "The system indicates that the shared file '%s' is no longer used by any programs. If any programs are still using this file and it is removed, those programs may not function.\r\n\r\nAre you sure you want to remove the shared file?",
    /* 6 */ "Couldn't create directory '%s'.",
    /* 7 */ "Creating directory:",
    /* 8 */ "Couldn't create/access registry key '%s\\%s', Error code: %i",
    /* 9 */ "Adding registry key:",
    /* 10 */ "Couldn't create/access registry value '%s\\%s\\%s', Error code: %i",
    /* 11 */ "Adding registry value:",
    /* 12 */ "Installing service:",
    /* 13 */ "Couldn't install the service '%s'. Error code: %i.",
    /* 14 */ "Couldn't start the service '%s'. Error code: %i.",
    /* 15 */ "Starting service:",
    /* 16 */ "Couldn't stop the service '%s'. Error code: %i.",
    /* 17 */ "Stopping service: (Be patient. This can take up to several minutes.)",
    /* 18 */ "Couldn't remove the service '%s'. Error code: %i.",
    /* 19 */ "Removing service:",
    /* 20 */ "Initializing...",
    /* 21 */ "Adding program group:",
    /* 22 */ "Removing program group:",
    /* 23 */ "Adding icon:",
    /* 24 */ "Adding shortcut:",
    /* 25 */ "Removing icon:",
    /* 26 */ "Removing shortcut:",
    /* 27 */ "Extracting:",
    /* 28 */ "Decompressing:",
    /* 29 */ "Couldn't initialize DDE.",
    /* 30 */ "The file '%s' is currently used by an application or by Windows. Make sure the file isn't in use before starting the installation again.",
    /* 31 */ "Unable to execute OleServer application '%s'.",
    /* 32 */ "Unable to register OleServer '%s'. Error code %i",
    /* 33 */ "Unable to execute OleServer application '%s'.",
    /* 34 */ "Unable to unregister OleServer '%s'. Error code %i",
    /* 35 */ "Unable to load library '%s'.",
    /* 36 */ "Unable to get address of DllRegisterServer function in '%s'.",
    /* 37 */ "Unable to get address of DllUnRegisterServer function in '%s'.",
    /* 38 */ "Error when calling function DllUnRegisterServer in '%s'. Error code %i",
    /* 39 */ "Error when calling function DllRegisterServer in '%s'. Error code %i",
    /* 40 */ "Message",
    /* 41 */ "Error",
    /* 42 */ "Out of memory.",
    /* 43 */ "Couldn't find the installation information.",
    /* 44 */ "Couldn't open the main dialog.",
    /* 45 */ "Couldn't open the progress dialog.",
    /* 46 */ "Do you want to abort the installation?",
    /* 47 */ "Couldn't open the program.",
    /* 48 */ "This software requires Windows %i.%i or later.",
    /* 49 */ "Sorry, but this software wont run on Win 32s.",
    /* 50 */ "Sorry, but this software wont run on Windows 95.",
    /* 51 */ "Sorry, but this software wont run on Windows NT.",
    /* 52 */ "Not enough space left on the destination drive.",
    /* 53 */ "Couldn't write to the system directory.\r\nThe installation program needs write access rights to the system directory to complete the installation.",
    /* 54 */ "Couldn't communicate with shell. Error code %i.\r\nNo program group or items are added.",
    /* 55 */ "Couldn't communicate with shell. Error code %i.\r\nNo program group or items will be uninstalled.",
    /* 56 */ "Couldn't create the program group '%s'.",
    /* 57 */ "Couldn't add the item '%s' to the program group '%s'.",
    /* 58 */ "Couldn't create the destination directory.",
    /* 59 */ "Illegal path.",
    /* 60 */ "Couldn't position to installation info.",
    /* 61 */ "Couldn't read installation info.",
    /* 62 */ "Error %i in installation info.",
    /* 63 */ "Ini-strings are not enabled in the installer.",
    /* 64 */ "Couldn't get the version info of '%s'.",
    /* 65 */ "Couldn't get the fixed file version info of '%s'.",
    /* 66 */ "The file '%s' is currently used by another application or by Windows.\r\nMake sure the file isn't in use before starting the installation again.",
    /* 67 */ "Couldn't create file '%s'. Error code %i.",
    /* 68 */ "Couldn't skip file.",
    /* 69 */ "Couldn't read data from '%s'.",
    /* 70 */ "Couldn't write data to '%s'.",
    /* 71 */ "Couldn't create the file '%s' during decompression.",
    /* 72 */ "An error occured during decompression of '%s'.",
    /* 73 */ "Install &to:",
    /* 74 */ "&Install",
    /* 75 */ "Cancel",
    /* 76 */ "Help",
    /* 77 */ "Installing:",
    /* 78 */ "An error occured during the installation.",
    /* 79 */ "The installation was aborted.",
    /* 80 */ "\rThe software may not run properly.\r\rRun the installation program again to complete the installation.",
    /* 81 */ "",
    /* 82 */ "Couldn't find the Windows directory.",
    /* 83 */ "This directory cannot hold the installation.",
    /* 84 */ "Invalid command line.",
    /* 85 */ "The installation package is damaged. Please get a new copy.",
};

// Pieces that recur in the texts, shortest first: a piece may itself use
// the shorter pieces before it.
constexpr const char* Pieces[] = {
    "in", "re", "s ", "e ", "er", "st", "or", "t ", "to", "at", "al", "un", "ed", "on", "y ",
    "Th", "th", "le", "ic", "an", "ad", " d", "og", "Un", "ll", "en", "of", "em", "ing", " %i",
    "is ", " in", " us", ".\r\n", "art", " to", "com", "tion", "ing ", "are ", " or ", "gist",
    " the ", " '%s'", " file", "rror ", " info", "remov", " you ", " '%s'.", "system", "Window",
    "write ", "Server", "program", "service", "Adding ", "access ", "Install", "install",
    "itializ", "function", "may not ", "Couldn't ", "registry ", "Removing ", "software ",
    "shortcut:", "ecompress", "Make sure", "Unable to ", " directory", " Error cod",
    " used by an", "installation", " application", "ing service:", " you want to ",
    "program group", "installation ", "RegisterServer ", "Couldn't create", "An error occured",
    " the shared file", " the destination", " '%s'. Error code", "Couldn't get the ",
    "Couldn't open the ", "Couldn't find the ", " installation info.", " during decompression",
    "version info of '%s'.", "%s\\%s', Error code: %i", "Do you want to abort the ",
    " application or by Windows.", "Unable to get address of Dll",
    " the file isn't in use before ", " to complete the installation.",
    "Error when calling function Dll", " the service '%s'. Error code: %i.",
    "The file '%s' is currently used by an", "register OleServer '%s'. Error code %i",
    "Sorry, but this software wont run on Win", "Unable to execute OleServer application '%s'.",
    "Sorry, but this software wont run on Windows ",
    " the file isn't in use before starting the installation again.",
    "The file '%s' is currently used by an application or by Windows. Make sure",
    "Couldn't communicate with shell. Error code %i.\r\nNo program group or items ",
};
constexpr int PieceCount = sizeof Pieces / sizeof Pieces[0];
static_assert(PieceCount <= 128, "a piece is referred to by one byte from 0x80 up");

constexpr std::size_t Length(const char* text) {
    std::size_t length = 0;
    while (text[length] != '\0') ++length;
    return length;
}

constexpr bool StartsWith(const char* text, const char* piece) {
    for (; *piece != '\0'; ++text, ++piece)
        if (*text != *piece) return false;
    return true;
}

constexpr std::size_t LongestText = 300;

// The shortest packing of `text` with the first `usable` pieces: at each
// position either one character or one piece, chosen from the end backwards
// so that the bytes left to pack are fewest. Writes the packed bytes and a
// closing NUL to `out` when it is given; returns their count.
constexpr std::size_t Pack(const char* text, int usable, char* out) {
    const std::size_t length = Length(text);
    std::size_t cost[LongestText + 1] = {};
    int choice[LongestText + 1] = {};  // -1: the character itself
    for (std::size_t i = length; i-- > 0;) {
        cost[i] = cost[i + 1] + 1;
        choice[i] = -1;
        for (int n = 0; n < usable; ++n) {
            const std::size_t pieceLength = Length(Pieces[n]);
            if (i + pieceLength <= length && StartsWith(text + i, Pieces[n]) &&
                cost[i + pieceLength] + 1 < cost[i]) {
                cost[i] = cost[i + pieceLength] + 1;
                choice[i] = n;
            }
        }
    }
    if (out != nullptr) {
        std::size_t written = 0;
        for (std::size_t i = 0; i < length;) {
            if (choice[i] < 0) {
                out[written++] = text[i++];
            } else {
                out[written++] = static_cast<char>(0x80 + choice[i]);
                i += Length(Pieces[choice[i]]);
            }
        }
        out[written] = '\0';
    }
    return cost[0] + 1;
}

constexpr bool PlainAsciiAndShortEnough() {
    for (const char* text : MessageTable) {
        if (Length(text) > LongestText) return false;
        for (const char* c = text; *c != '\0'; ++c)
            if (static_cast<unsigned char>(*c) >= 0x80) return false;
    }
    return true;
}
static_assert(PlainAsciiAndShortEnough(), "a text holds a byte the packing uses");

// The packed pieces, then the packed texts, each ending in a NUL.
constexpr std::size_t PackedSize() {
    std::size_t size = 0;
    for (int n = 0; n < PieceCount; ++n) size += Pack(Pieces[n], n, nullptr);
    for (const char* text : MessageTable) size += Pack(text, PieceCount, nullptr);
    return size;
}

constexpr std::size_t UnpackedSize() {
    std::size_t size = 0;
    for (const char* text : MessageTable) size += Length(text) + 1;
    return size;
}

constexpr std::array<char, PackedSize()> PackTable() {
    std::array<char, PackedSize()> packed{};
    std::size_t at = 0;
    for (int n = 0; n < PieceCount; ++n) at += Pack(Pieces[n], n, &packed[at]);
    for (const char* text : MessageTable) at += Pack(text, PieceCount, &packed[at]);
    return packed;
}

constexpr std::array<char, PackedSize()> Packed = PackTable();

const char* PieceStart[PieceCount];
char Unpacked[UnpackedSize()];
const char* Texts[MessageCount];

char* Unpack(const char* packed, char* out) {
    for (unsigned char c; (c = static_cast<unsigned char>(*packed++)) != 0;) {
        if (c >= 0x80) out = Unpack(PieceStart[c - 0x80], out);
        else *out++ = static_cast<char>(c);
    }
    return out;
}

void UnpackTable() {
    const char* packed = Packed.data();
    for (const char*& start : PieceStart) {
        start = packed;
        while (*packed++ != '\0') {
        }
    }
    char* out = Unpacked;
    for (const char*& text : Texts) {
        text = out;
        out = Unpack(packed, out);
        *out++ = '\0';
        while (*packed++ != '\0') {
        }
    }
}

}  // namespace

const char* Msg(MessageId id) {
    if (Texts[0] == nullptr) UnpackTable();
    int index = static_cast<int>(id);
    // Every id is in the table; an id outside it reads as the empty text.
    if (index < 0 || index >= MessageCount) return Texts[static_cast<int>(MessageId::Empty)];
    return Texts[index];
}

const char* MessageAsWritten(MessageId id) {
    return MessageTable[static_cast<int>(id)];
}
