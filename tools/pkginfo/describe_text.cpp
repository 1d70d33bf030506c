// The installation information in a readable form: the header's settings,
// then each table with one block per record and references resolved.
#include <cstdio>
#include <ctime>

#include "pkgbuild/names.h"
#include "pkginfo/pkginfo.h"

namespace pkginfo {

namespace {

std::string Quoted(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else if (c == '"') out += "\\\"";
        else if (c < 0x20) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\x%02x", c);
            out += buffer;
        } else out += static_cast<char>(c);
    }
    return out + "\"";
}

std::string YesNo(std::uint32_t v) { return v ? "yes" : "no"; }

std::string Line(const std::string& label, const std::string& value) {
    std::string out = "  " + label + ":";
    if (label.size() < 22) out += std::string(22 - label.size(), ' ');
    return out + " " + value + "\n";
}

std::string Version(std::uint32_t ms, std::uint32_t ls) {
    return std::to_string(ms >> 16) + "." + std::to_string(ms & 0xFFFF) + "." +
           std::to_string(ls >> 16) + "." + std::to_string(ls & 0xFFFF);
}

std::string Time(const os::FileTime& t) {
    std::uint64_t ticks = static_cast<std::uint64_t>(t.High) << 32 | t.Low;
    const std::uint64_t epoch = 116444736000000000ULL;
    if (ticks < epoch) return "before 1970 (" + std::to_string(ticks) + ")";
    std::time_t seconds = static_cast<std::time_t>((ticks - epoch) / 10000000ULL);
    std::tm tm{};
    if (!gmtime_r(&seconds, &tm)) return std::to_string(ticks);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S UTC", &tm);
    return buffer;
}

std::string Attributes(std::uint32_t a) {
    std::string out;
    std::uint32_t known = 0;
    for (const names::Number& n : names::Attributes)
        if (a & n.value) {
            out += (out.empty() ? "" : " ") + std::string(n.name);
            known |= n.value;
        }
    if (a & ~known) {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "0x%x", a & ~known);
        out += (out.empty() ? "" : " ") + std::string(buffer);
    }
    return out.empty() ? "none" : out;
}

template <class Record, std::size_t N>
std::string FlagWords(const names::Flag<Record> (&table)[N], const Record& r) {
    std::string out;
    for (const names::Flag<Record>& f : table)
        if (r.*(f.field)) out += (out.empty() ? "" : " ") + std::string(f.name);
    return out.empty() ? "none" : out;
}

std::string RootName(std::uint32_t root) {
    if (root >= names::FirstRoot && root < names::FirstRoot + names::RootCount)
        return names::RootNames[root - names::FirstRoot];
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "root 0x%08x", root);
    return buffer;
}

std::string BaseOf(std::uint32_t inSystem, std::uint32_t inWindows) {
    return inSystem ? "<system>" : inWindows ? "<windows>" : "<destination>";
}

std::string FileTarget(const pkg::PackageContents& c, const FileRecord& f) {
    std::string base;
    if (f.DirNumber == 0) {
        base = BaseOf(f.InSystemDir, f.InWindowsDir);
    } else if (f.DirNumber <= c.dirs.size()) {
        const DirRecord& d = c.dirs[f.DirNumber - 1];
        base = BaseOf(d.InSystemDir, d.InWindowsDir) + "\\" + FieldText(d.Name);
    } else {
        base = "<missing directory " + std::to_string(f.DirNumber) + ">";
    }
    return base + "\\" + FieldText(f.FileName);
}

std::string FileRef(const pkg::PackageContents& c, std::uint32_t number) {
    if (number == 0) return "none";
    if (number > c.files.size()) return std::to_string(number) + " (no such file)";
    return std::to_string(number) + " (" + FieldText(c.files[number - 1].FileName) + ")";
}

std::string ValueData(const RegValueRecord& v) {
    std::size_t size = v.DataSize < sizeof v.Data ? v.DataSize : sizeof v.Data;
    if ((v.ValueType == 1 || v.ValueType == 2) && size > 0)
        return Quoted(FieldText(reinterpret_cast<const char*>(v.Data), size));
    if (v.ValueType == 4 && size == 4)
        return std::to_string(static_cast<std::uint32_t>(v.Data[0]) | v.Data[1] << 8 |
                              v.Data[2] << 16 | static_cast<std::uint32_t>(v.Data[3]) << 24);
    std::string out;
    char buffer[4];
    for (std::size_t i = 0; i < size; ++i) {
        std::snprintf(buffer, sizeof buffer, "%s%02x", i ? " " : "", v.Data[i]);
        out += buffer;
    }
    return out.empty() ? "(no data)" : out;
}

std::string TypeName(std::uint32_t type) {
    for (const names::Number& n : names::ValueTypes)
        if (n.value == type) return n.name;
    return "type " + std::to_string(type);
}

}  // namespace

std::string DescribePackage(const Package& p) {
    const pkg::PackageContents& c = p.contents;
    const InstallHeader& h = c.header;
    std::uint64_t dataSize = 0;
    for (const pkg::Bytes& d : c.fileData) dataSize += d.size();
    std::string out;
    out += "Package: " + std::to_string(p.fileSize) + " bytes; stub " +
           std::to_string(p.infoOffset) + " bytes; installation information at " +
           std::to_string(p.infoOffset) + ", " + std::to_string(p.infoSize) + " bytes; file data " +
           std::to_string(dataSize) + " bytes";
    if (!c.trailing.empty()) out += "; " + std::to_string(c.trailing.size()) + " bytes after the data";
    out += std::string("\nchecksum: ") + ChecksumName(p.checksum);
    if (p.uninstaller) {
        // F there before, f made by the installation, R there and replaced,
        // K/k keys, G/g groups, S shared reference counted.
        out += "\n\nInstallation record (" + std::to_string(p.record.size()) + " entries)\n";
        for (const std::string& entry : p.record) out += "  " + entry + "\n";
    }
    out += "\n\nHeader\n";
    for (const names::HeaderText& t : names::HeaderTexts)
        out += Line(t.field, Quoted(FieldText(reinterpret_cast<const char*>(&h) + t.offset, t.size)));
    out += Line("MinWindows", std::to_string(h.MinWindowsMajor) + "." + std::to_string(h.MinWindowsMinor));
    out += Line("HelpFileNumber", h.HelpFileNumber < 0 ? std::to_string(h.HelpFileNumber)
                                                       : FileRef(c, static_cast<std::uint32_t>(h.HelpFileNumber)));
    out += Line("HelpContext", std::to_string(h.HelpContext));
    for (const names::HeaderSwitch& s : names::HeaderSwitches) out += Line(s.key, YesNo(h.*(s.field)));
    std::string refused;
    for (const names::HeaderSwitch& r : names::RefuseWords)
        if (h.*(r.field)) refused += (refused.empty() ? "" : " ") + std::string(r.key);
    out += Line("Refuse", refused.empty() ? "none" : refused);
    if (h.IniStringCount || h.IniOptions)
        out += Line("IniStrings", std::to_string(h.IniStringCount) + ", options " + std::to_string(h.IniOptions));

    out += "\nFiles (" + std::to_string(c.files.size()) + ")\n";
    for (std::size_t i = 0; i < c.files.size(); ++i) {
        const FileRecord& f = c.files[i];
        out += "  " + std::to_string(i + 1) + ". " + FileTarget(c, f) + "\n";
        out += "       installed " + std::to_string(f.InstalledSize) + " bytes, stored " +
               std::to_string(f.StoredSize) + (f.Compressed ? " compressed" : " plain") +
               ", version " + Version(f.FileVersionMS, f.FileVersionLS) + "\n";
        out += "       written " + Time(f.LastWriteTime) + ", created " + Time(f.CreationTime) +
               ", accessed " + Time(f.LastAccessTime) + "\n";
        std::string overwrite = "mode " + std::to_string(f.OverwriteMode);
        for (const names::Number& n : names::OverwriteModes)
            if (n.value == f.OverwriteMode) overwrite = n.name;
        out += "       attributes " + Attributes(f.Attributes) + "; overwrite " + overwrite +
               "; flags " + FlagWords(names::FileFlags, f) + "\n";
        if (f.ServiceName[0])
            out += "       service " + Quoted(FieldText(f.ServiceName)) + " shown as " +
                   Quoted(FieldText(f.ServiceDisplayName)) + "\n";
        if (f.AppendTrailer) {
            std::string trailer;
            char buffer[4];
            for (std::uint8_t b : f.Trailer) {
                std::snprintf(buffer, sizeof buffer, "%02x", b);
                trailer += buffer;
            }
            out += "       trailer " + trailer + "\n";
        }
    }
    out += "\nDirs (" + std::to_string(c.dirs.size()) + ")\n";
    for (std::size_t i = 0; i < c.dirs.size(); ++i) {
        const DirRecord& d = c.dirs[i];
        out += "  " + std::to_string(i + 1) + ". " + BaseOf(d.InSystemDir, d.InWindowsDir) + "\\" +
               FieldText(d.Name) + "  attributes " + Attributes(d.Attributes) + "; flags " +
               FlagWords(names::DirFlags, d) + "\n";
    }
    out += "\nGroups (" + std::to_string(c.groups.size()) + ")\n";
    for (std::size_t i = 0; i < c.groups.size(); ++i)
        out += "  " + std::to_string(i + 1) + ". " + Quoted(FieldText(c.groups[i].Name)) +
               "  flags " + FlagWords(names::GroupFlags, c.groups[i]) + "\n";
    out += "\nItems (" + std::to_string(c.items.size()) + ")\n";
    for (std::size_t i = 0; i < c.items.size(); ++i) {
        const ItemRecord& it = c.items[i];
        std::string group = it.GroupNumber == 0 ? "the previous item's"
                            : it.GroupNumber <= c.groups.size()
                                ? Quoted(FieldText(c.groups[it.GroupNumber - 1].Name))
                                : std::to_string(it.GroupNumber) + " (no such group)";
        out += "  " + std::to_string(i + 1) + ". " + Quoted(FieldText(it.Name)) + " in group " +
               group + ": file " + FileRef(c, it.FileNumber) + " " + Quoted(FieldText(it.Arguments)) +
               ", icon " + std::to_string(it.IconNumber) + "; flags " +
               FlagWords(names::ItemFlags, it) + "\n";
    }
    out += "\nRegKeys (" + std::to_string(c.regKeys.size()) + ")\n";
    for (std::size_t i = 0; i < c.regKeys.size(); ++i) {
        const RegKeyRecord& k = c.regKeys[i];
        out += "  " + std::to_string(i + 1) + ". " + RootName(k.Root) + "\\" + FieldText(k.SubKey) +
               "  flags " + FlagWords(names::RegKeyFlags, k) + "\n";
    }
    out += "\nRegValues (" + std::to_string(c.regValues.size()) + ")\n";
    for (std::size_t i = 0; i < c.regValues.size(); ++i) {
        const RegValueRecord& v = c.regValues[i];
        std::string key = v.KeyNumber >= 1 && v.KeyNumber <= c.regKeys.size()
                              ? RootName(c.regKeys[v.KeyNumber - 1].Root) + "\\" +
                                    FieldText(c.regKeys[v.KeyNumber - 1].SubKey)
                              : "<key " + std::to_string(v.KeyNumber) + " missing>";
        std::string name = v.ValueName[0] ? FieldText(v.ValueName) : "(default)";
        out += "  " + std::to_string(i + 1) + ". " + key + "\\" + name + " = " + TypeName(v.ValueType) +
               " " + ValueData(v) + " (" + std::to_string(v.DataSize) + " bytes); flags " +
               FlagWords(names::RegValueFlags, v) + "\n";
    }
    return out;
}

}  // namespace pkginfo
