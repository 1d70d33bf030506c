// CheckPackageLength: a truncated package (a damaged download) is refused
// before any work starts, so no half installation can come of it. A whole
// one then has its checksum checked.
#include "package/package.h"
#include "log/log.h"
#include "text/boxes.h"
#include "text/messages.h"

bool CheckPackageLength(Run& run) {
    std::uint64_t needed = static_cast<std::uint64_t>(run.InfoOffset) + run.InfoSize;
    const std::uint32_t count = run.Header ? run.Header->FileCount : 0;
    for (std::uint32_t i = 0; i < count && run.Files; ++i) needed += run.Files[i].StoredSize;

    // The install engine reads the file data from the current position on,
    // so the position is put back after asking for the length.
    const long here = run.os.LSeek(run.Package, 0, os::SEEK_FROM_CURRENT);
    const long end = here < 0 ? -1 : run.os.LSeek(run.Package, 0, os::SEEK_FROM_END);
    const bool restored = end >= 0 && run.os.LSeek(run.Package, here, os::SEEK_FROM_BEGIN) == here;
    if (!restored || static_cast<std::uint64_t>(end) < needed) {
        ShowError(run, 0, MessageId::CouldntReadInfo);
        return false;
    }
    return CheckPackageSum(run, static_cast<long>(needed));
}
