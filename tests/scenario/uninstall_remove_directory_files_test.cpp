// RemoveDirectoryFiles: every deletable file directly in one directory goes;
// subdirectories, the spared uninstaller and files in use stay.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

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
};

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
}

TEST(RemoveDirectoryFiles, SubdirectoriesAndTheirFilesStay) {
    Directory d;
    d.m.WriteFile("C:\\APP\\LIB\\A.DLL", "a");
    d.m.WriteFile("C:\\APP\\LIB\\SUB\\DEEP.DLL", "deep");
    d.m.WriteFile("C:\\APP\\LIB\\Z.DLL", "z");
    d.Remove("C:\\APP\\LIB", false);
    EXPECT_THAT(d.m.ListDirectory("C:\\APP\\LIB"), ElementsAre("SUB"));
    EXPECT_TRUE(d.m.Exists("C:\\APP\\LIB\\SUB\\DEEP.DLL"));
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
}

TEST(RemoveDirectoryFiles, TheSearchStartsOverAfterEveryDeletion) {
    Directory d;
    d.m.WriteFile("C:\\APP\\LIB\\A.DLL", "a");
    d.m.WriteFile("C:\\APP\\LIB\\B.DLL", "b");
    d.m.WriteFile("C:\\APP\\LIB\\C.DLL", "c");
    d.Remove("C:\\APP\\LIB", false);
    EXPECT_EQ(d.m.CallCount("FindFirstFile"), 4);
    EXPECT_EQ(d.m.CallCount("FindClose"), 4);
}

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
    d.m.FailCall("FindFirstFile", 2, os::ERROR_NO_MORE_FILES);
    d.Remove("C:\\APP\\LIB", false);
    EXPECT_EQ(d.m.ListDirectory("C:\\APP\\LIB").size(), 1u);
    EXPECT_EQ(d.m.CallCount("FindFirstFile"), 2);
}

}  // namespace
