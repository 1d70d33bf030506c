// CheckReferences: every text of the installation information ends inside
// its array, and every record number and root lies inside its range, so no
// later pass reads past a table or a field.
#include <cstring>

#include "package/name_rules.h"
#include "package/package.h"

namespace {

template <std::size_t N>
bool Terminated(const char (&text)[N]) {
    return std::memchr(text, 0, N) != nullptr;
}

// A list of names separated by NULs and ended by an empty name; an empty
// first name is the empty list.
template <std::size_t N>
bool MultiStringTerminated(const char (&text)[N]) {
    std::size_t i = 0;
    while (i < N) {
        if (text[i] == 0) return true;  // the empty name that ends the list
        while (i < N && text[i] != 0) ++i;
        ++i;  // past the NUL of this name
    }
    return false;
}

bool HeaderTextsTerminated(const InstallHeader& h) {
    return Terminated(h.MainDialogText) && Terminated(h.HelpText) && Terminated(h.HelpTextNT) &&
           Terminated(h.FinishedText) && Terminated(h.UninstallQuestion) &&
           Terminated(h.RestartText) && Terminated(h.InstallTitle) &&
           Terminated(h.UninstallTitle) && Terminated(h.UninstallDisplayName) &&
           Terminated(h.DefaultSubdir) && Terminated(h.UninstallItemName) &&
           Terminated(h.UninstallerName) && Terminated(h.RunAfterInstall) &&
           Terminated(h.RunParameters);
}

// The uninstaller is one file directly in the destination; a package
// without one may leave the name empty. The trail byte of a two-byte
// character may be 0x5C and is no separator.
bool PlainFileName(os::Platform& os, const char* name) {
    if (name[0] == '\0') return true;
    if (!IsNameBelowBase(name)) return false;
    for (const char* p = name; *p != 0; ++p) {
        if (os.IsDBCSLeadByte(static_cast<unsigned char>(*p)) && p[1] != 0) ++p;
        else if (*p == '\\' || *p == '/') return false;
    }
    return true;
}

// What the installation runs is found below the destination.
bool RunsBelowDestination(const char* name) {
    return name[0] == '\0' || IsNameBelowBase(name);
}

bool InRange(std::uint32_t number, std::uint32_t low, std::uint32_t high) {
    return number >= low && number <= high;
}

// 0 when the information is sound, else the error number to show.
int FirstFault(const Run& run) {
    const InstallHeader& h = *run.Header;
    if (!HeaderTextsTerminated(h)) return UnterminatedText;
    if (!PlainFileName(run.os, h.UninstallerName) || !RunsBelowDestination(h.RunAfterInstall) ||
        !IsEntryName(h.UninstallDisplayName))
        return UnsafeName;
    if (h.HelpFileNumber < 0 || static_cast<std::uint32_t>(h.HelpFileNumber) > h.FileCount)
        return BadReference;
    for (std::uint32_t i = 0; i < h.FileCount; ++i) {
        const FileRecord& f = run.Files[i];
        if (!Terminated(f.FileName) || !Terminated(f.ServiceName) ||
            !Terminated(f.ServiceDisplayName) || !MultiStringTerminated(f.ServiceDependencies))
            return UnterminatedText;
        if (f.DirNumber > h.DirCount) return BadReference;
        if (!IsNameBelowBase(f.FileName)) return UnsafeName;
    }
    for (std::uint32_t i = 0; i < h.DirCount; ++i) {
        if (!Terminated(run.Dirs[i].Name)) return UnterminatedText;
        if (!IsNameBelowBase(run.Dirs[i].Name)) return UnsafeName;
    }
    for (std::uint32_t i = 0; i < h.GroupCount; ++i)
        if (!Terminated(run.Groups[i].Name)) return UnterminatedText;
    for (std::uint32_t i = 0; i < h.ItemCount; ++i) {
        const ItemRecord& item = run.Items[i];
        if (!Terminated(item.Name) || !Terminated(item.Arguments)) return UnterminatedText;
        if (item.GroupNumber > h.GroupCount || !InRange(item.FileNumber, 1, h.FileCount))
            return BadReference;
    }
    for (std::uint32_t i = 0; i < h.RegKeyCount; ++i) {
        const RegKeyRecord& key = run.RegKeys[i];
        if (!Terminated(key.SubKey)) return UnterminatedText;
        if (!InRange(key.Root, 0x80000000u, 0x80000006u)) return BadReference;
    }
    for (std::uint32_t i = 0; i < h.RegValueCount; ++i) {
        const RegValueRecord& value = run.RegValues[i];
        if (!Terminated(value.ValueName)) return UnterminatedText;
        if (!InRange(value.KeyNumber, 1, h.RegKeyCount)) return BadReference;
        if (value.DataSize > sizeof value.Data) return BadDataSize;
    }
    return 0;
}

}  // namespace

bool CheckReferences(Run& run) {
    const int fault = run.Header ? FirstFault(run) : BadHeaderSize;
    if (fault != 0) {
        ShowInfoError(run, fault);
        return false;
    }
    return true;
}
