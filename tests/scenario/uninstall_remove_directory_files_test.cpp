// RemoveDirectoryFiles: every deletable file directly in one directory goes;
// subdirectories, the spared uninstaller and files in use stay.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "uninstall/uninstall.h"
#include "unit/shell_engine_run.h"

using enginetest::EngineRun;
using enginetest::ProgressWindow;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

struct Directory : EngineRun {
    Directory() : EngineRun(sim::Machine::NT40()) { Bind(true); }
    void Remove(const std::string& directory, bool spare) {
        RemoveDirectoryFiles(run, ProgressWindow, directory.c_str(), spare);
    }
    // The paths the detail line showed, each once, in any order.
    std::set<std::string> DetailLines() const {
        const std::vector<std::string> history = m.ItemHistory(385);
        return {history.begin(), history.end()};
    }
};

using Lines = std::set<std::string>;

TEST(RemoveDirectoryFiles, ReadOnlyHiddenAndSystemFilesAreDeleted) {
    Directory d;
    d.m.WriteFile("C:\\APP\\LIB\\A.DLL", "a");
    d.m.WriteFile("C:\\APP\\LIB\\B.DLL", "b");
    d.m.WriteFile("C:\\APP\\LIB\\C.DLL", "c");
    d.m.SetAttributes("C:\\APP\\LIB\\A.DLL", os::FILE_ATTRIBUTE_READONLY);
    d.m.SetAttributes("C:\\APP\\LIB\\B.DLL", os::FILE_ATTRIBUTE_HIDDEN);
    d.m.SetAttributes("C:\\APP\\LIB\\C.DLL",
                      os::FILE_ATTRIBUTE_SYSTEM | os::FILE_ATTRIBUTE_READONLY);
    d.Remove("C:\\APP\\LIB", false);
    EXPECT_THAT(d.m.ListDirectory("C:\\APP\\LIB"), IsEmpty());
    EXPECT_TRUE(d.m.IsDirectory("C:\\APP\\LIB"));
    EXPECT_EQ(d.DetailLines(),
              (Lines{"C:\\APP\\LIB\\A.DLL", "C:\\APP\\LIB\\B.DLL", "C:\\APP\\LIB\\C.DLL"}));
}

TEST(RemoveDirectoryFiles, SubdirectoriesAndTheirFilesStay) {
    Directory d;
    d.m.WriteFile("C:\\APP\\LIB\\A.DLL", "a");
    d.m.WriteFile("C:\\APP\\LIB\\SUB\\DEEP.DLL", "deep");
    d.m.WriteFile("C:\\APP\\LIB\\Z.DLL", "z");
    d.Remove("C:\\APP\\LIB", false);
    EXPECT_THAT(d.m.ListDirectory("C:\\APP\\LIB"), ElementsAre("SUB"));
    EXPECT_TRUE(d.m.Exists("C:\\APP\\LIB\\SUB\\DEEP.DLL"));
    // Nothing below the directory is shown or touched.
    EXPECT_EQ(d.DetailLines(), (Lines{"C:\\APP\\LIB\\A.DLL", "C:\\APP\\LIB\\Z.DLL"}));
}

TEST(RemoveDirectoryFiles, TheSparedUninstallerIsMatchedInAnyCaseAndMadeNormal) {
    Directory d;
    d.m.WriteFile("C:\\APP\\Uninst.Exe", "stub");
    d.m.SetAttributes("C:\\APP\\Uninst.Exe", os::FILE_ATTRIBUTE_HIDDEN | os::FILE_ATTRIBUTE_READONLY);
    d.m.WriteFile("C:\\APP\\InstLog.txt", "log");
    d.Remove("C:\\APP", true);
    EXPECT_THAT(d.m.ListDirectory("C:\\APP"), ElementsAre("Uninst.Exe"));
    EXPECT_EQ(d.m.Attributes("C:\\APP\\Uninst.Exe"), os::FILE_ATTRIBUTE_NORMAL);
    EXPECT_THAT(d.m.ItemHistory(385), Contains("C:\\APP\\Uninst.Exe"));
    EXPECT_EQ(d.DetailLines(), (Lines{"C:\\APP\\Uninst.Exe", "C:\\APP\\InstLog.txt"}));
}

TEST(RemoveDirectoryFiles, WithoutSparingAFileOfTheUninstallersNameIsDeleted) {
    Directory d;
    d.m.WriteFile("C:\\APP\\BIN\\UNINST.EXE", "stub");
    d.Remove("C:\\APP\\BIN", false);
    EXPECT_FALSE(d.m.Exists("C:\\APP\\BIN\\UNINST.EXE"));
}

TEST(RemoveDirectoryFiles, AFileInUseStaysAndTheOthersGo) {
    Directory d;
    d.m.WriteFile("C:\\APP\\LIB\\A.DLL", "a");
    d.m.WriteFile("C:\\APP\\LIB\\BUSY.DLL", "busy");
    d.m.WriteFile("C:\\APP\\LIB\\C.DLL", "c");
    d.m.LockFile("C:\\APP\\LIB\\BUSY.DLL");
    d.Remove("C:\\APP\\LIB", false);
    EXPECT_THAT(d.m.ListDirectory("C:\\APP\\LIB"), ElementsAre("BUSY.DLL"));
    EXPECT_EQ(d.DetailLines(), (Lines{"C:\\APP\\LIB\\A.DLL", "C:\\APP\\LIB\\BUSY.DLL",
                                      "C:\\APP\\LIB\\C.DLL"}));
    EXPECT_EQ(d.m.Attributes("C:\\APP\\LIB\\BUSY.DLL"), os::FILE_ATTRIBUTE_NORMAL);
}

// The search goes on after a deletion and starts over only while a pass
// deleted something: one search per pass, however many files there are, and
// a file that could not be deleted in one pass is tried again in the next.
struct PassCase {
    const char* name;
    int failingDeletion;  // DeleteFile call that fails once; 0: none
    int searches;         // FindFirstFile calls, one per pass
};

class RemoveDirectoryFilesPasses : public ::testing::TestWithParam<PassCase> {};

TEST_P(RemoveDirectoryFilesPasses, OneSearchPerPassUntilAPassDeletesNothing) {
    const PassCase& c = GetParam();
    Directory d;
    d.m.WriteFile("C:\\APP\\LIB\\A.DLL", "a");
    d.m.WriteFile("C:\\APP\\LIB\\B.DLL", "b");
    d.m.WriteFile("C:\\APP\\LIB\\C.DLL", "c");
    d.m.MakeDirectories("C:\\APP\\LIB\\SUB");
    if (c.failingDeletion != 0) d.m.FailCall("DeleteFile", c.failingDeletion, os::ERROR_SHARING_VIOLATION);
    d.Remove("C:\\APP\\LIB", false);
    EXPECT_THAT(d.m.ListDirectory("C:\\APP\\LIB"), ElementsAre("SUB"));
    EXPECT_EQ(d.m.CallCount("DeleteFile"), c.failingDeletion != 0 ? 4 : 3);
    EXPECT_EQ(d.m.CallCount("FindFirstFile"), c.searches);
    EXPECT_EQ(d.m.CallCount("FindClose"), c.searches);
    // Each pass reads the directory once: ".", "..", SUB and the files it
    // still holds, not once per deletion.
    EXPECT_LE(d.m.CallCount("FindNextFile"), 6 * c.searches);
}

INSTANTIATE_TEST_SUITE_P(RemoveDirectoryFiles, RemoveDirectoryFilesPasses,
                         ::testing::Values(PassCase{"EveryFileGoesInTheFirstPass", 0, 2},
                                           PassCase{"AFailedDeletionIsTriedInTheNextPass", 1, 3},
                                           PassCase{"ALaterFailedDeletionToo", 3, 3}),
                         [](const ::testing::TestParamInfo<PassCase>& param) {
                             return std::string(param.param.name);
                         });

TEST(RemoveDirectoryFiles, AnEmptyOrMissingDirectoryIsLeftUnchanged) {
    Directory d;
    d.m.MakeDirectories("C:\\APP\\EMPTY");
    const sim::FileSnapshot before = d.m.SnapshotFiles();
    d.Remove("C:\\APP\\EMPTY", false);
    d.Remove("C:\\APP\\MISSING", false);
    EXPECT_EQ(d.m.SnapshotFiles(), before);
}

TEST(RemoveDirectoryFiles, ADirectoryTooLongForItsSearchPatternIsNotSearched) {
    Directory d;
    const std::string directory = "C:\\" + std::string(253, 'L');  // pattern of 260
    d.m.WriteFile(directory + "\\A", "a");
    d.Remove(directory, false);
    EXPECT_EQ(d.m.CallCount("FindFirstFile"), 0);
    EXPECT_TRUE(d.m.Exists(directory + "\\A"));
}

TEST(RemoveDirectoryFiles, AnEntryWhosePathWouldPass259CharactersIsNotTouched) {
    Directory d;
    const std::string directory = "C:\\" + std::string(250, 'L');
    d.m.WriteFile(directory + "\\SHORT", "s");           // 256 characters
    d.m.WriteFile(directory + "\\MUCH_LONGER.TXT", "l");  // 269 characters
    d.Remove(directory, false);
    EXPECT_FALSE(d.m.Exists(directory + "\\SHORT"));
    EXPECT_TRUE(d.m.Exists(directory + "\\MUCH_LONGER.TXT"));
}

TEST(RemoveDirectoryFiles, AFailedRestartOfTheSearchEndsTheWork) {
    Directory d;
    d.m.WriteFile("C:\\APP\\LIB\\A.DLL", "a");
    d.m.WriteFile("C:\\APP\\LIB\\B.DLL", "b");
    // B.DLL stays in the first pass; the search for the next one fails.
    d.m.FailCall("DeleteFile", 2, os::ERROR_SHARING_VIOLATION);
    d.m.FailCall("FindFirstFile", 2, os::ERROR_NO_MORE_FILES);
    d.Remove("C:\\APP\\LIB", false);
    EXPECT_THAT(d.m.ListDirectory("C:\\APP\\LIB"), ElementsAre("B.DLL"));
    EXPECT_EQ(d.m.CallCount("FindFirstFile"), 2);
}

}  // namespace
