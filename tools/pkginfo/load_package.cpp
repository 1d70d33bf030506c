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

bool LoadPackage(const pkg::Bytes& file, Package& out, std::string& error) {
    out = Package();
    out.fileSize = file.size();
    if (!pkg::ReadPackage(file, out.contents, out.infoOffset, error)) return false;
    const pkg::PackageContents& c = out.contents;
    out.infoSize = sizeof(InstallHeader) + c.files.size() * sizeof(FileRecord) +
                   c.dirs.size() * sizeof(DirRecord) + c.groups.size() * sizeof(GroupRecord) +
                   c.items.size() * sizeof(ItemRecord) + c.regKeys.size() * sizeof(RegKeyRecord) +
                   c.regValues.size() * sizeof(RegValueRecord);
    std::size_t end = out.infoOffset + out.infoSize;
    for (const pkg::Bytes& data : c.fileData) end += data.size();
    out.checksum = pkg::CheckTrailer(file, end);
    return true;
}

}  // namespace pkginfo
