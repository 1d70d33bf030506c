#include <cstring>

#include "pkginfo/pkginfo.h"

namespace pkginfo {

std::string FieldText(const char* field, std::size_t size) {
    std::size_t n = 0;
    while (n < size && field[n] != '\0') ++n;
    return std::string(field, n);
}

const char* ChecksumName(pkg::Checksum checksum) {
    return checksum == pkg::Checksum::Ok ? "ok" : checksum == pkg::Checksum::Damaged ? "damaged" : "none";
}

namespace {


// An uninstaller ends with the installation record: its entries, their
// length, the tag "iNStReC1".
bool SplitRecord(const pkg::Bytes& file, Package& out, std::size_t& end) {
    const std::size_t n = file.size();
    if (n < 12 || std::memcmp(file.data() + n - 8, "iNStReC1", 8) != 0) return false;
    const std::size_t length = file[n - 12] | file[n - 11] << 8 | file[n - 10] << 16 |
                               static_cast<std::size_t>(file[n - 9]) << 24;
    if (length > n - 12) return false;
    end = n - 12 - length;
    std::string entry;
    for (std::size_t i = end; i < n - 12; ++i) {
        if (file[i] != 0) {
            entry += static_cast<char>(file[i]);
        } else if (!entry.empty()) {
            out.record.push_back(entry.substr(0, 1) + " " + entry.substr(1));
            entry.clear();
        }
    }
    return true;
}

}  // namespace

bool LoadPackage(const pkg::Bytes& file, Package& out, std::string& error) {
    out = Package();
    out.fileSize = file.size();
    std::size_t end = file.size();
    out.uninstaller = SplitRecord(file, out, end);
    const pkg::Bytes info(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(end));
    if (!pkg::ReadPackage(info, out.contents, out.infoOffset, error, out.uninstaller)) return false;
    const pkg::PackageContents& c = out.contents;
    out.infoSize = sizeof(InstallHeader) + c.files.size() * sizeof(FileRecord) +
                   c.dirs.size() * sizeof(DirRecord) + c.groups.size() * sizeof(GroupRecord) +
                   c.items.size() * sizeof(ItemRecord) + c.regKeys.size() * sizeof(RegKeyRecord) +
                   c.regValues.size() * sizeof(RegValueRecord);
    // An uninstaller holds no file data and so no checksum trailer.
    if (out.uninstaller) return true;
    std::size_t dataEnd = out.infoOffset + out.infoSize;
    for (const pkg::Bytes& data : c.fileData) dataEnd += data.size();
    out.checksum = pkg::CheckTrailer(file, dataEnd);
    return true;
}

}  // namespace pkginfo
