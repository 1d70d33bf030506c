// ReadInstallInfo and Unscramble: the header and the six tables, read from
// the package into memory, unscrambled and checked.
#include <cstring>

#include "package/package.h"
#include "log/log.h"
#include "text/boxes.h"
#include "text/format.h"
#include "text/messages.h"

void Unscramble(unsigned char* buffer, long length) {
    for (long i = 0; i < length; ++i) buffer[i] = static_cast<unsigned char>(buffer[i] - (i & 0xFF));
}

void ShowInfoError(Run& run, int number) {
    ShowError(run, 0, MessageId::InfoError, number);
}

namespace {

struct Reader {
    Run& run;
    std::uint32_t position;  // file position of the next table
    std::uint32_t length;    // length of the package file
};

std::uint32_t FirstWord(const unsigned char* block) {
    std::uint32_t word;
    std::memcpy(&word, block, sizeof word);
    return word;
}

// Reads one table of `count` records into its own block of exactly
// count * recordSize bytes. A table that could not be held or that the file
// cannot hold is refused before anything is allocated. The block is handed
// out before its checks, so that the end of the run releases it.
bool ReadBlock(Reader& reader, std::uint32_t count, std::uint32_t recordSize, int errorNumber,
               unsigned char*& table) {
    if (count == 0) return true;
    Run& run = reader.run;
    const std::uint64_t size = static_cast<std::uint64_t>(count) * recordSize;
    const std::uint64_t left = reader.length > reader.position ? reader.length - reader.position : 0;
    if (size > left || size > 0x7FFFFFFFu) {
        ShowInfoError(run, BadCount);
        return false;
    }
    table = static_cast<unsigned char*>(run.os.Alloc(static_cast<std::size_t>(size)));
    if (!table) {
        ShowError(run, 0, MessageId::OutOfMemory);
        return false;
    }
    if (run.os.HRead(run.Package, table, static_cast<long>(size)) != static_cast<long>(size)) {
        ShowError(run, 0, MessageId::CouldntReadInfo);
        return false;
    }
    Unscramble(table, static_cast<long>(size));
    reader.position += static_cast<std::uint32_t>(size);
    run.InfoSize += static_cast<std::uint32_t>(size);
    // Only the first record's size word is compared.
    if (FirstWord(table) != recordSize) {
        ShowInfoError(run, errorNumber);
        return false;
    }
    return true;
}

template <typename Record>
bool ReadTable(Reader& reader, std::uint32_t count, std::uint32_t recordSize, int errorNumber,
               Record*& table) {
    unsigned char* block = nullptr;
    const bool read = ReadBlock(reader, count, recordSize, errorNumber, block);
    table = reinterpret_cast<Record*>(block);
    return read;
}

// The length of the package, leaving the file position where it was.
bool PackageLength(Run& run, std::uint32_t position, std::uint32_t& length) {
    long end = run.os.LSeek(run.Package, 0, os::SEEK_FROM_END);
    if (end < 0 || run.os.LSeek(run.Package, static_cast<long>(position), os::SEEK_FROM_BEGIN) < 0) {
        ShowError(run, 0, MessageId::CouldntPositionInfo);
        return false;
    }
    length = static_cast<std::uint32_t>(end);
    return true;
}

}  // namespace

bool ReadInstallInfo(Run& run) {
    if (run.os.LSeek(run.Package, static_cast<long>(run.InfoOffset), os::SEEK_FROM_BEGIN) < 0) {
        ShowError(run, 0, MessageId::CouldntPositionInfo);
        return false;
    }
    if (!run.Header) {
        run.Header = static_cast<InstallHeader*>(run.os.Alloc(HeaderRecordSize));
        if (!run.Header) {
            ShowError(run, 0, MessageId::OutOfMemory);
            return false;
        }
    }
    unsigned char* header = reinterpret_cast<unsigned char*>(run.Header);
    if (run.os.HRead(run.Package, header, HeaderRecordSize) != static_cast<long>(HeaderRecordSize)) {
        ShowError(run, 0, MessageId::CouldntReadInfo);
        return false;
    }
    Unscramble(header + 8, HeaderRecordSize - 8);
    if (run.Header->HeaderSize != HeaderRecordSize) {
        ShowInfoError(run, BadHeaderSize);
        return false;
    }
    run.InfoSize = HeaderRecordSize;

    Reader reader{run, run.InfoOffset + HeaderRecordSize, 0};
    if (!PackageLength(run, reader.position, reader.length)) return false;

    const InstallHeader& h = *run.Header;
    if (!ReadTable(reader, h.FileCount, FileRecordSize, BadFileRecord, run.Files)) return false;
    if (h.IniStringCount != 0 && (h.IniOptions & 6) != 0) {
        ShowError(run, 0, MessageId::IniStringsNotEnabled);
        return false;
    }
    return ReadTable(reader, h.DirCount, DirRecordSize, BadDirRecord, run.Dirs) &&
           ReadTable(reader, h.GroupCount, GroupRecordSize, BadGroupRecord, run.Groups) &&
           ReadTable(reader, h.ItemCount, ItemRecordSize, BadItemRecord, run.Items) &&
           ReadTable(reader, h.RegKeyCount, RegKeyRecordSize, BadRegKeyRecord, run.RegKeys) &&
           ReadTable(reader, h.RegValueCount, RegValueRecordSize, BadRegValueRecord, run.RegValues);
}
