// The simulated filesystem finds names without regard to case after every
// kind of change to a directory it has already looked into: entries made,
// removed and renamed by the simulated calls, by the tests' helpers and by
// anything writing into the sandbox directly.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/sim/machine.h"

using ::testing::ElementsAre;

namespace {

void MakeHostFile(const std::string& hostPath) {
    int fd = ::open(hostPath.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    ::close(fd);
}

}  // namespace

TEST(SimNameLookup, AFileMadeAfterItsDirectoryWasLookedIntoIsFoundInAnyCase) {
    sim::Machine m = sim::Machine::NT40();
    m.MakeDirectories("C:\\App");
    EXPECT_FALSE(m.Exists("C:\\APP\\NEW.TXT"));
    os::FileHandle f = m.LCreat("C:\\App\\New.txt", 0);
    ASSERT_NE(f, os::InvalidFile);
    m.LClose(f);
    EXPECT_EQ(m.StoredName("c:\\app\\new.TXT"), "C:\\App\\New.txt");
    EXPECT_NE(m.GetFileAttributes("C:\\APP\\NEW.TXT"), os::INVALID_FILE_ATTRIBUTES);
}

TEST(SimNameLookup, ADeletedFileIsNotFoundAndItsNameCanBeMadeAgainInAnotherCase) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile("C:\\App\\Old.dat", "x");
    ASSERT_TRUE(m.Exists("C:\\APP\\OLD.DAT"));
    ASSERT_TRUE(m.DeleteFile("c:\\app\\old.dat"));
    EXPECT_FALSE(m.Exists("C:\\APP\\OLD.DAT"));
    EXPECT_EQ(m.GetFileAttributes("C:\\App\\Old.dat"), os::INVALID_FILE_ATTRIBUTES);
    m.WriteFile("C:\\APP\\OLD.DAT", "y");
    EXPECT_THAT(m.ListDirectory("C:\\App"), ElementsAre("OLD.DAT"));
    EXPECT_EQ(m.ReadText("c:\\app\\Old.Dat"), "y");
}

TEST(SimNameLookup, ARenamedFileIsFoundOnlyUnderItsNewName) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile("C:\\App\\First.txt", "1");
    ASSERT_TRUE(m.Exists("C:\\APP\\FIRST.TXT"));
    ASSERT_TRUE(m.MoveFileEx("C:\\APP\\FIRST.TXT", "C:\\App\\Second.txt", 0));
    EXPECT_FALSE(m.Exists("c:\\app\\first.txt"));
    EXPECT_EQ(m.StoredName("C:\\APP\\SECOND.TXT"), "C:\\App\\Second.txt");
    // A rename that only changes the case keeps one entry, under the new case.
    ASSERT_TRUE(m.MoveFileEx("C:\\App\\Second.txt", "C:\\App\\SECOND.txt", 0));
    EXPECT_THAT(m.ListDirectory("C:\\App"), ElementsAre("SECOND.txt"));
    EXPECT_EQ(m.ReadText("c:\\app\\second.TXT"), "1");
}

TEST(SimNameLookup, AMovedDirectoryTakesTheNamesBelowItToTheirNewPaths) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile("C:\\Old\\Sub\\Deep.txt", "d");
    ASSERT_TRUE(m.Exists("C:\\OLD\\SUB\\DEEP.TXT"));
    ASSERT_TRUE(m.MoveFileEx("C:\\OLD", "C:\\New", 0));
    EXPECT_FALSE(m.Exists("C:\\old\\sub\\deep.txt"));
    EXPECT_EQ(m.ReadText("c:\\NEW\\sub\\DEEP.TXT"), "d");
    // A new directory under the old name starts empty.
    ASSERT_TRUE(m.CreateDirectory("C:\\OLD"));
    EXPECT_FALSE(m.Exists("C:\\Old\\Sub"));
    EXPECT_FALSE(m.Exists("C:\\Old\\Sub\\Deep.txt"));
}

TEST(SimNameLookup, ARemovedAndRemadeDirectoryHoldsOnlyWhatIsMadeAnew) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile("C:\\Dir\\A.txt", "a");
    ASSERT_TRUE(m.Exists("C:\\DIR\\A.TXT"));
    ASSERT_TRUE(m.DeleteFile("C:\\Dir\\A.txt"));
    ASSERT_TRUE(m.RemoveDirectory("C:\\DIR"));
    EXPECT_FALSE(m.Exists("C:\\Dir"));
    ASSERT_TRUE(m.CreateDirectory("C:\\dir"));
    m.WriteFile("C:\\dir\\B.txt", "b");
    EXPECT_FALSE(m.Exists("C:\\DIR\\A.TXT"));
    EXPECT_EQ(m.StoredName("C:\\DIR\\B.TXT"), "C:\\dir\\B.txt");
}

TEST(SimNameLookup, EntriesMadeOrRemovedInTheSandboxDirectlyAreSeen) {
    sim::Machine m = sim::Machine::NT40();
    m.MakeDirectories("C:\\Data");
    ASSERT_FALSE(m.Exists("C:\\DATA\\OUTSIDE.TXT"));
    const std::string host = m.HostPath("C:\\Data");
    MakeHostFile(host + "/Outside.txt");
    ASSERT_EQ(::mkdir((host + "/Made Here").c_str(), 0755), 0);
    EXPECT_EQ(m.StoredName("c:\\data\\outside.TXT"), "C:\\Data\\Outside.txt");
    EXPECT_TRUE(m.IsDirectory("C:\\DATA\\made here"));
    ASSERT_EQ(::unlink((host + "/Outside.txt").c_str()), 0);
    EXPECT_FALSE(m.Exists("C:\\DATA\\OUTSIDE.TXT"));
    ASSERT_EQ(std::rename((host + "/Made Here").c_str(), (host + "/Moved").c_str()), 0);
    EXPECT_FALSE(m.Exists("C:\\DATA\\MADE HERE"));
    EXPECT_TRUE(m.IsDirectory("c:\\data\\MOVED"));
}

TEST(SimNameLookup, ALongNameIsFoundByItsShortFormAndLosesItWhenDeleted) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile("C:\\Program Files\\Long Application Name.exe", "x");
    EXPECT_EQ(m.StoredName("C:\\PROGRA~1\\LONGAP~1.EXE"),
              "C:\\Program Files\\Long Application Name.exe");
    ASSERT_TRUE(m.DeleteFile("C:\\Program Files\\Long Application Name.exe"));
    EXPECT_FALSE(m.Exists("C:\\PROGRA~1\\LONGAP~1.EXE"));
    m.WriteFile("C:\\Program Files\\LongAp Other.exe", "y");
    EXPECT_EQ(m.ReadText("C:\\PROGRA~1\\LONGAP~1.EXE"), "y");
}

TEST(SimNameLookup, TwoHostNamesOfOneUpperCaseFormAreStillFound) {
    sim::Machine m = sim::Machine::NT40();
    m.MakeDirectories("C:\\Twice");
    ASSERT_FALSE(m.Exists("C:\\TWICE\\X.TXT"));
    const std::string host = m.HostPath("C:\\Twice");
    MakeHostFile(host + "/x.txt");
    MakeHostFile(host + "/X.txt");
    EXPECT_TRUE(m.Exists("C:\\Twice\\x.txt"));
    EXPECT_TRUE(m.Exists("C:\\Twice\\X.txt"));
    EXPECT_TRUE(m.Exists("C:\\TWICE\\X.TXT"));
    ASSERT_EQ(::unlink((host + "/x.txt").c_str()), 0);
    ASSERT_EQ(::unlink((host + "/X.txt").c_str()), 0);
    EXPECT_FALSE(m.Exists("C:\\TWICE\\X.TXT"));
}

TEST(SimNameLookup, ATemporaryFileAndTheSelfRemovalBatchKeepLookupsExact) {
    sim::Machine m = sim::Machine::NT40();
    char name[300] = {};
    ASSERT_NE(m.GetTempFileName("C:\\TEMP", "ins", name), 0u);
    EXPECT_TRUE(m.Exists(name));
    m.WriteFile("C:\\My App\\Uninst.exe", "uninstaller");
    m.WriteFile("C:\\TEMP\\Gone.bat",
                "@echo off\r\ndel \"c:\\my app\\UNINST.EXE\"\r\nrd \"C:\\MY APP\"\r\n"
                "del C:\\TEMP\\GONE.BAT\r\n");
    ASSERT_TRUE(m.Exists("C:\\temp\\gone.bat"));
    ASSERT_TRUE(m.Exists("C:\\MY APP\\UNINST.EXE"));
    ASSERT_TRUE(m.RunBatch("C:\\TEMP\\GONE.BAT"));
    EXPECT_FALSE(m.Exists("C:\\My App\\Uninst.exe"));
    EXPECT_FALSE(m.Exists("C:\\my app"));
    EXPECT_FALSE(m.Exists("C:\\temp\\gone.bat"));
    EXPECT_TRUE(m.Exists(name));
}
