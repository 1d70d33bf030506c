// WritePackage and the record constructors: stub, marker, scrambled header
// and tables, file data.
#include "pkgwrite/package_writer.h"

#include <cstring>

#include "pkgwrite/checksum.h"

namespace pkg {

void Scramble(std::uint8_t* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<std::uint8_t>(data[i] + (i & 0xFF));
}

namespace {

template <typename Record>
Record Zeroed(std::uint32_t size) {
    Record r;
    std::memset(&r, 0, sizeof r);
    r.RecordSize = size;
    return r;
}

template <typename Record>
void AppendTable(Bytes& out, const std::vector<Record>& table) {
    if (table.empty()) return;
    const std::size_t start = out.size();
    out.resize(start + table.size() * sizeof(Record));
    std::memcpy(out.data() + start, table.data(), table.size() * sizeof(Record));
    Scramble(out.data() + start, table.size() * sizeof(Record));
}

template <typename Record>
void SetRecordSizes(std::vector<Record>& table, std::uint32_t size) {
    for (Record& r : table) r.RecordSize = size;
}

}  // namespace

InstallHeader NewHeader() {
    InstallHeader h;
    std::memset(&h, 0, sizeof h);
    std::memcpy(h.Marker, "iNStiNSt", sizeof h.Marker);
    h.HeaderSize = HeaderRecordSize;
    return h;
}
FileRecord NewFileRecord() { return Zeroed<FileRecord>(FileRecordSize); }
DirRecord NewDirRecord() { return Zeroed<DirRecord>(DirRecordSize); }
GroupRecord NewGroupRecord() { return Zeroed<GroupRecord>(GroupRecordSize); }
ItemRecord NewItemRecord() { return Zeroed<ItemRecord>(ItemRecordSize); }
RegKeyRecord NewRegKeyRecord() { return Zeroed<RegKeyRecord>(RegKeyRecordSize); }
RegValueRecord NewRegValueRecord() { return Zeroed<RegValueRecord>(RegValueRecordSize); }

PackageContents Completed(const PackageContents& contents) {
    PackageContents c = contents;
    InstallHeader& h = c.header;
    if (!c.keepMarker) std::memcpy(h.Marker, "iNStiNSt", sizeof h.Marker);
    if (!c.keepHeaderSize) h.HeaderSize = HeaderRecordSize;
    if (!c.keepCounts) {
        h.FileCount = static_cast<std::uint32_t>(c.files.size());
        h.DirCount = static_cast<std::uint32_t>(c.dirs.size());
        h.GroupCount = static_cast<std::uint32_t>(c.groups.size());
        h.ItemCount = static_cast<std::uint32_t>(c.items.size());
        h.RegKeyCount = static_cast<std::uint32_t>(c.regKeys.size());
        h.RegValueCount = static_cast<std::uint32_t>(c.regValues.size());
    }
    if (!c.keepRecordSizes) {
        SetRecordSizes(c.files, FileRecordSize);
        SetRecordSizes(c.dirs, DirRecordSize);
        SetRecordSizes(c.groups, GroupRecordSize);
        SetRecordSizes(c.items, ItemRecordSize);
        SetRecordSizes(c.regKeys, RegKeyRecordSize);
        SetRecordSizes(c.regValues, RegValueRecordSize);
    }
    if (!c.keepStoredSizes) {
        for (std::size_t i = 0; i < c.files.size(); ++i)
            c.files[i].StoredSize = i < c.fileData.size() ? static_cast<std::uint32_t>(c.fileData[i].size()) : 0;
    }
    return c;
}

std::size_t InfoOffsetOf(const PackageContents& contents) { return contents.stub.size(); }

Bytes WritePackage(const PackageContents& contents) {
    const PackageContents c = Completed(contents);
    Bytes out = c.stub;
    const std::size_t headerAt = out.size();
    out.resize(headerAt + sizeof(InstallHeader));
    std::memcpy(out.data() + headerAt, &c.header, sizeof(InstallHeader));
    Scramble(out.data() + headerAt + 8, sizeof(InstallHeader) - 8);
    AppendTable(out, c.files);
    AppendTable(out, c.dirs);
    AppendTable(out, c.groups);
    AppendTable(out, c.items);
    AppendTable(out, c.regKeys);
    AppendTable(out, c.regValues);
    for (const Bytes& data : c.fileData) out.insert(out.end(), data.begin(), data.end());
    if (c.checksum) {
        const Bytes trailer = MakeTrailer(PackageCrc(out, out.size()));
        out.insert(out.end(), trailer.begin(), trailer.end());
    }
    out.insert(out.end(), c.trailing.begin(), c.trailing.end());
    return out;
}

}  // namespace pkg
