// The installation record: lookups, additions and its place in the
// uninstaller file.
#include "package/record.h"
#include "package/package.h"

#include <cstring>

#include "log/log.h"
#include "text/boxes.h"
#include "text/format.h"
#include "text/messages.h"

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameNoCase(const char* a, const char* b) {
    for (;; ++a, ++b) {
        if (Lower(*a) != Lower(*b)) return false;
        if (*a == '\0') return true;
    }
}

// Room for `more` bytes and a footer after the entries.
bool Reserve(Run& run, std::uint32_t more) {
    const std::uint32_t need = run.RecordUsed + more + RecordFooterSize;
    if (need <= run.RecordCapacity) return true;
    std::uint32_t capacity = run.RecordCapacity < 1024 ? 1024 : run.RecordCapacity;
    while (capacity < need) capacity *= 2;
    char* block = static_cast<char*>(run.os.Alloc(capacity));
    if (block == nullptr) return false;
    if (run.Record != nullptr) {
        std::memcpy(block, run.Record, run.RecordUsed);
        run.os.Free(run.Record);
    }
    run.Record = block;
    run.RecordCapacity = capacity;
    return true;
}

}  // namespace

void RecordFooter(char* at, std::uint32_t length) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<char>(length >> (8 * i));
    std::memcpy(at + 4, RecordTag, sizeof RecordTag);
}

bool RecordHas(const Run& run, char kind, const char* text) {
    for (std::uint32_t i = 0; i < run.RecordUsed;) {
        const char* entry = run.Record + i;
        const std::uint32_t length = static_cast<std::uint32_t>(std::strlen(entry));
        if (length != 0 && entry[0] == kind && SameNoCase(entry + 1, text)) return true;
        i += length + 1;
    }
    return false;
}

void RecordAdd(Run& run, char kind, const char* text) {
    const std::uint32_t length = static_cast<std::uint32_t>(std::strlen(text));
    if (!Reserve(run, length + 2)) {
        run.RecordLost = true;
        return;
    }
    run.Record[run.RecordUsed] = kind;
    std::memcpy(run.Record + run.RecordUsed + 1, text, length + 1);
    run.RecordUsed += length + 2;
}

bool RecordFinding(Run& run, char found, const char* text, bool existsNow) {
    const char absent = Lower(found);
    if (run.RecordFile == os::InvalidFile) return existsNow;
    if (RecordHas(run, found, text)) return true;
    if (RecordHas(run, absent, text)) return false;
    RecordAdd(run, existsNow ? found : absent, text);
    return existsNow;
}

bool RecordWrite(Run& run, os::Window owner) {
    if (run.RecordFile == os::InvalidFile) return true;
    if (run.RecordWritten == run.RecordUsed) {
        if (!run.RecordLost) return true;
    } else {
        const long start = static_cast<long>(run.InfoOffset + run.InfoSize);
        const long count = static_cast<long>(run.RecordUsed - run.RecordWritten);
        RecordFooter(run.Record + run.RecordUsed,
                     static_cast<std::uint32_t>(run.RecordEnd + count - start));
        // One write for the entries and the footer: a run killed around it
        // leaves the old footer or the new one, never a record without its end.
        if (!run.RecordLost &&
            run.os.LSeek(run.RecordFile, run.RecordEnd, os::SEEK_FROM_BEGIN) == run.RecordEnd &&
            run.os.HWrite(run.RecordFile, run.Record + run.RecordWritten,
                          count + RecordFooterSize) == count + RecordFooterSize) {
            run.RecordEnd += count;
            run.RecordWritten = run.RecordUsed;
            return true;
        }
    }
    // The work it would describe is not done: an incomplete record could
    // have the uninstallation take what was there before.
    char path[PathSize];
    char name[sizeof(InstallHeader::UninstallerName) + 1];
    CopyText(name, sizeof name, run.Header->UninstallerName, sizeof run.Header->UninstallerName);
    FormatText(path, sizeof path, "%s\\%s", run.DestinationDir, name);
    ShowError(run, owner, MessageId::CouldntWriteData, path);
    return false;
}

bool RecordKeepsPath(const Run& run, const char* path) {
    return RecordHas(run, FoundPath, path) && !RecordHas(run, ReplacedPath, path);
}

void RecordKeyText(char* out, std::uint32_t root, const char* subKey) {
    FormatText(out, LogLineSize, "%u\\%s", root & 7u, subKey);
}

bool ReadRecord(Run& run, os::FileHandle file, long start, long end, bool absentIsFine) {
    unsigned char footer[RecordFooterSize];
    if (end - (start < 0 ? 0 : start) < RecordFooterSize ||
        run.os.LSeek(file, end - RecordFooterSize, os::SEEK_FROM_BEGIN) < 0 ||
        run.os.HRead(file, footer, RecordFooterSize) != RecordFooterSize ||
        std::memcmp(footer + 4, RecordTag, sizeof RecordTag) != 0)
        return absentIsFine;
    const std::uint32_t length = footer[0] | (footer[1] << 8) | (footer[2] << 16) |
                                 (static_cast<std::uint32_t>(footer[3]) << 24);
    if (start < 0 && length <= static_cast<std::uint32_t>(end - RecordFooterSize))
        start = end - RecordFooterSize - static_cast<long>(length);
    if (start < 0 || length != static_cast<std::uint32_t>(end - start - RecordFooterSize))
        return false;
    // A record that is there but cannot be read leaves this one incomplete.
    run.RecordLost = !Reserve(run, length + 1);
    if (run.RecordLost) return false;
    char* body = run.Record + run.RecordUsed;
    run.RecordLost = run.os.LSeek(file, start, os::SEEK_FROM_BEGIN) != start ||
                     run.os.HRead(file, body, static_cast<long>(length)) != static_cast<long>(length);
    if (run.RecordLost) return false;
    // Padding is dropped, and a last entry cut short is ended.
    std::uint32_t kept = 0;
    for (std::uint32_t i = 0; i < length; ++i)
        if (body[i] != '\0' || (kept != 0 && body[kept - 1] != '\0')) body[kept++] = body[i];
    if (kept != 0 && body[kept - 1] != '\0') body[kept++] = '\0';
    run.RecordUsed += kept;
    return true;
}

void RecordDirectory(Run& run, const char* directory, const char* spare) {
    if (run.RecordFile == os::InvalidFile || RecordHas(run, FoundPath, directory) ||
        RecordHas(run, NewPath, directory))
        return;
    if (run.os.GetFileAttributes(directory) == os::INVALID_FILE_ATTRIBUTES) {
        RecordAdd(run, NewPath, directory);
        return;
    }
    char pattern[PathSize];
    if (FormatText(pattern, sizeof pattern, "%s\\*.*", directory) + 1 >= sizeof pattern) return;
    os::FindData entry;
    const os::FindHandle search = run.os.FindFirstFile(pattern, &entry);
    if (search != os::InvalidFind) {
        do {
            if (entry.Attributes & os::FILE_ATTRIBUTE_DIRECTORY) continue;
            char path[PathSize];
            char name[sizeof entry.Name + 1];
            CopyText(name, sizeof name, entry.Name, sizeof entry.Name);
            if (FormatText(path, sizeof path, "%s\\%s", directory, name) + 1 >= sizeof path) continue;
            // The uninstaller and the log are the installation's own files.
            if ((spare != nullptr && SameNoCase(path, spare)) ||
                (run.LogFilePath != nullptr && SameNoCase(path, run.LogFilePath)))
                continue;
            RecordFinding(run, FoundPath, path, true);
        } while (run.os.FindNextFile(search, &entry));
        run.os.FindClose(search);
    }
    RecordAdd(run, FoundPath, directory);
}

namespace {

// The checksum in the header covers the whole file, the record included.
void ChecksumWholeFile(Run& run, os::FileHandle file) {
    const long size = run.os.LSeek(file, 0, os::SEEK_FROM_END);
    unsigned char* image = size > 64 ? static_cast<unsigned char*>(run.os.Alloc(static_cast<std::size_t>(size)))
                                     : nullptr;
    if (image == nullptr) return;
    if (run.os.LSeek(file, 0, os::SEEK_FROM_BEGIN) == 0 && run.os.HRead(file, image, size) == size) {
        SetPeChecksum(image, size);
        std::uint32_t pe;
        std::memcpy(&pe, image + 60, sizeof pe);
        const long at = static_cast<long>(pe) + 88;
        if (pe < static_cast<std::uint32_t>(size) && at + 4 <= size &&
            run.os.LSeek(file, at, os::SEEK_FROM_BEGIN) == at)
            run.os.HWrite(file, image + at, 4);
    }
    run.os.Free(image);
}

}  // namespace

void ReleaseRecord(Run& run) {
    if (run.RecordFile != os::InvalidFile) {
        if (run.UnsignedCopy) ChecksumWholeFile(run, run.RecordFile);
        run.os.LClose(run.RecordFile);
        run.RecordFile = os::InvalidFile;
        // Hidden once the record is complete: every write marks the file
        // for archiving again.
        char path[PathSize];
        char name[sizeof(InstallHeader::UninstallerName) + 1];
        CopyText(name, sizeof name, run.Header->UninstallerName, sizeof run.Header->UninstallerName);
        FormatText(path, sizeof path, "%s\\%s", run.DestinationDir, name);
        if (run.WindowsMajor >= 4) run.os.SetFileAttributes(path, os::FILE_ATTRIBUTE_HIDDEN);
    }
    if (run.Record != nullptr) run.os.Free(run.Record);
    run.Record = nullptr;
    run.RecordUsed = run.RecordCapacity = run.RecordWritten = 0;
}
