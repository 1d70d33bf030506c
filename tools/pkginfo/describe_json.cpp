// The installation information as JSON: every header setting and every
// record field by its record's field name, texts escaped (bytes above 127
// are given as \u00XX, that is read as Latin-1).
#include <cstdio>

#include "pkgbuild/names.h"
#include "pkginfo/pkginfo.h"

namespace pkginfo {

namespace {

std::string Quote(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\r': out += "\\r"; break;
            case '\n': out += "\\n"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20 || c >= 0x7F) {
                    char buffer[8];
                    std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
                    out += buffer;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

std::string Hex(const std::uint8_t* data, std::size_t size) {
    std::string out;
    char buffer[4];
    for (std::size_t i = 0; i < size; ++i) {
        std::snprintf(buffer, sizeof buffer, "%02x", data[i]);
        out += buffer;
    }
    return out;
}

// Members are rendered as they are added; the object's indent is known then.
class Object {
public:
    explicit Object(int indent) : indent_(indent) {}
    void Text(const char* key, const std::string& value) { Add(key, Quote(value)); }
    void Number(const char* key, std::uint64_t value) { Add(key, std::to_string(value)); }
    void Signed(const char* key, std::int64_t value) { Add(key, std::to_string(value)); }
    void Raw(const char* key, const std::string& json) { Add(key, json); }
    std::string Render() const {
        if (body_.empty()) return "{}";
        return "{\n" + body_ + "\n" + std::string(indent_, ' ') + "}";
    }

private:
    void Add(const char* key, const std::string& value) {
        if (!body_.empty()) body_ += ",\n";
        body_ += std::string(indent_ + 2, ' ') + Quote(key) + ": " + value;
    }
    int indent_;
    std::string body_;
};

std::string Array(const std::vector<std::string>& rendered, int indent) {
    if (rendered.empty()) return "[]";
    std::string out = "[\n";
    for (std::size_t i = 0; i < rendered.size(); ++i) {
        out += std::string(indent + 2, ' ') + rendered[i];
        out += i + 1 < rendered.size() ? ",\n" : "\n";
    }
    return out + std::string(indent, ' ') + "]";
}

std::uint64_t Ticks(const os::FileTime& t) {
    return static_cast<std::uint64_t>(t.High) << 32 | t.Low;
}

std::string Header(const InstallHeader& h, int indent) {
    Object o(indent);
    o.Text("Marker", FieldText(h.Marker));
    o.Number("HeaderSize", h.HeaderSize);
    o.Number("FileCount", h.FileCount);
    o.Number("IniStringCount", h.IniStringCount);
    o.Number("DirCount", h.DirCount);
    o.Number("GroupCount", h.GroupCount);
    o.Number("ItemCount", h.ItemCount);
    o.Number("RegKeyCount", h.RegKeyCount);
    o.Number("RegValueCount", h.RegValueCount);
    o.Number("IniOptions", h.IniOptions);
    for (const names::HeaderText& t : names::HeaderTexts)
        o.Text(t.field, FieldText(reinterpret_cast<const char*>(&h) + t.offset, t.size));
    o.Text("Reserved", FieldText(h.Reserved));
    o.Number("MinWindowsMajor", h.MinWindowsMajor);
    o.Number("MinWindowsMinor", h.MinWindowsMinor);
    o.Signed("HelpFileNumber", h.HelpFileNumber);
    o.Number("HelpContext", h.HelpContext);
    o.Number("CreateUninstaller", h.CreateUninstaller);
    o.Number("UninstallItemAlways", h.UninstallItemAlways);
    o.Number("CreateLog", h.CreateLog);
    o.Number("DeleteLogOnSuccess", h.DeleteLogOnSuccess);
    o.Number("RefuseWin32s", h.RefuseWin32s);
    o.Number("RefuseWindows95", h.RefuseWindows95);
    o.Number("RefuseWindowsNT", h.RefuseWindowsNT);
    return o.Render();
}

template <class Record, std::size_t N>
void Flags(Object& o, const names::Flag<Record> (&table)[N], const Record& r) {
    for (const names::Flag<Record>& f : table) o.Number(f.name, r.*(f.field));
}

std::string ServiceDependencies(const FileRecord& f) {
    std::vector<std::string> list;
    std::size_t i = 0;
    const std::size_t size = sizeof f.ServiceDependencies;
    while (i < size && f.ServiceDependencies[i] != '\0') {
        std::string name = FieldText(f.ServiceDependencies + i, size - i);
        list.push_back(Quote(name));
        i += name.size() + 1;
    }
    if (list.empty()) return "[]";
    std::string out = "[";
    for (std::size_t k = 0; k < list.size(); ++k) out += (k ? ", " : "") + list[k];
    return out + "]";
}

std::string File(const FileRecord& f, int indent) {
    Object o(indent);
    o.Number("RecordSize", f.RecordSize);
    o.Text("FileName", FieldText(f.FileName));
    o.Text("ServiceName", FieldText(f.ServiceName));
    o.Text("ServiceDisplayName", FieldText(f.ServiceDisplayName));
    o.Raw("ServiceDependencies", ServiceDependencies(f));
    o.Number("ServiceState", f.ServiceState);
    o.Number("InstalledSize", f.InstalledSize);
    o.Number("StoredSize", f.StoredSize);
    o.Number("CreationTime", Ticks(f.CreationTime));
    o.Number("LastAccessTime", Ticks(f.LastAccessTime));
    o.Number("LastWriteTime", Ticks(f.LastWriteTime));
    o.Number("FileVersionMS", f.FileVersionMS);
    o.Number("FileVersionLS", f.FileVersionLS);
    o.Text("Trailer", Hex(f.Trailer, sizeof f.Trailer));
    o.Number("Attributes", f.Attributes);
    o.Number("DirNumber", f.DirNumber);
    o.Number("OverwriteMode", f.OverwriteMode);
    o.Number("InSystemDir", f.InSystemDir);
    o.Number("InWindowsDir", f.InWindowsDir);
    o.Number("AppendTrailer", f.AppendTrailer);
    Flags(o, names::FileFlags, f);
    return o.Render();
}

std::string Dir(const DirRecord& d, int indent) {
    Object o(indent);
    o.Number("RecordSize", d.RecordSize);
    o.Text("Name", FieldText(d.Name));
    o.Number("Attributes", d.Attributes);
    o.Number("InSystemDir", d.InSystemDir);
    o.Number("InWindowsDir", d.InWindowsDir);
    Flags(o, names::DirFlags, d);
    return o.Render();
}

std::string Group(const GroupRecord& g, int indent) {
    Object o(indent);
    o.Number("RecordSize", g.RecordSize);
    o.Text("Name", FieldText(g.Name));
    o.Number("Reserved44", g.Reserved44);
    Flags(o, names::GroupFlags, g);
    return o.Render();
}

std::string Item(const ItemRecord& it, int indent) {
    Object o(indent);
    o.Number("RecordSize", it.RecordSize);
    o.Text("Name", FieldText(it.Name));
    o.Text("Arguments", FieldText(it.Arguments));
    o.Number("GroupNumber", it.GroupNumber);
    o.Number("FileNumber", it.FileNumber);
    o.Number("IconNumber", it.IconNumber);
    o.Text("Reserved144", Hex(it.Reserved144, sizeof it.Reserved144));
    Flags(o, names::ItemFlags, it);
    return o.Render();
}

std::string RegKey(const RegKeyRecord& k, int indent) {
    Object o(indent);
    o.Number("RecordSize", k.RecordSize);
    o.Text("SubKey", FieldText(k.SubKey));
    o.Number("Root", k.Root);
    o.Number("KeyHandle", k.KeyHandle);
    Flags(o, names::RegKeyFlags, k);
    return o.Render();
}

std::string RegValue(const RegValueRecord& v, int indent) {
    Object o(indent);
    o.Number("RecordSize", v.RecordSize);
    o.Text("ValueName", FieldText(v.ValueName));
    o.Number("KeyNumber", v.KeyNumber);
    o.Number("ValueType", v.ValueType);
    o.Number("DataSize", v.DataSize);
    // A damaged DataSize never makes the reading run past the array.
    std::size_t size = v.DataSize < sizeof v.Data ? v.DataSize : sizeof v.Data;
    o.Text("Data", Hex(v.Data, size));
    Flags(o, names::RegValueFlags, v);
    return o.Render();
}

template <class Record>
std::string Table(const std::vector<Record>& table, std::string (*one)(const Record&, int),
                  int indent) {
    std::vector<std::string> rendered;
    for (const Record& r : table) rendered.push_back(one(r, indent + 2));
    return Array(rendered, indent);
}

}  // namespace

std::string PackageJson(const Package& p) {
    const pkg::PackageContents& c = p.contents;
    std::uint64_t dataSize = 0;
    for (const pkg::Bytes& d : c.fileData) dataSize += d.size();
    Object top(0);
    Object package(2);
    package.Number("FileSize", p.fileSize);
    package.Number("InfoOffset", p.infoOffset);
    package.Number("InfoSize", p.infoSize);
    package.Number("FileDataSize", dataSize);
    package.Number("TrailingSize", c.trailing.size());
    package.Text("Checksum", ChecksumName(p.checksum));
    top.Raw("Package", package.Render());
    if (p.uninstaller) {
        std::vector<std::string> entries;
        for (const std::string& entry : p.record) entries.push_back(Quote(entry));
        top.Raw("Record", Array(entries, 2));
    }
    top.Raw("Header", Header(c.header, 2));
    top.Raw("Files", Table(c.files, File, 2));
    top.Raw("Dirs", Table(c.dirs, Dir, 2));
    top.Raw("Groups", Table(c.groups, Group, 2));
    top.Raw("Items", Table(c.items, Item, 2));
    top.Raw("RegKeys", Table(c.regKeys, RegKey, 2));
    top.Raw("RegValues", Table(c.regValues, RegValue, 2));
    return top.Render() + "\n";
}

}  // namespace pkginfo
