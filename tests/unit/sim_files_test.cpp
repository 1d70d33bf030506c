// The simulated filesystem: names, attributes, sharing, directories,
// searches, moves, temporary and short names, profile files and free space.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <unistd.h>

#include "platform/sim/machine.h"

using ::testing::ElementsAre;

namespace {

std::string ReadHandle(sim::Machine& m, os::FileHandle f) {
    char buffer[256] = {};
    long n = m.HRead(f, buffer, sizeof buffer - 1);
    return n < 0 ? std::string("<error>") : std::string(buffer, static_cast<std::size_t>(n));
}

}  // namespace

TEST(SimFiles, FindsEveryPathComponentWhateverItsCase) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile("C:\\Apps\\Tool\\ReadMe.txt", "hello");
    os::FileHandle f = m.LOpen("c:\\APPS\\tool\\README.TXT", os::OF_READ);
    ASSERT_NE(f, os::InvalidFile);
    EXPECT_EQ(ReadHandle(m, f), "hello");
    m.LClose(f);
    EXPECT_EQ(m.StoredName("C:\\APPS\\TOOL\\README.TXT"), "C:\\Apps\\Tool\\ReadMe.txt");
}

TEST(SimFiles, KeepsTheCaseANameWasCreatedWith) {
    sim::Machine m = sim::Machine::NT40();
    ASSERT_TRUE(m.CreateDirectory("C:\\MyDir"));
    os::FileHandle f = m.LCreat("C:\\MYDIR\\Data.Bin", 0);
    ASSERT_NE(f, os::InvalidFile);
    m.LClose(f);
    EXPECT_THAT(m.ListDirectory("c:\\mydir"), ElementsAre("Data.Bin"));
    EXPECT_THAT(m.ListDirectory("C:\\"), testing::Contains("MyDir"));
}

TEST(SimFiles, RecreatingAFileInAnotherCaseReplacesTheSameFile) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile("C:\\A.TXT", "old");
    os::FileHandle f = m.LCreat("C:\\a.txt", 0);
    ASSERT_NE(f, os::InvalidFile);
    m.HWrite(f, "new", 3);
    m.LClose(f);
    EXPECT_THAT(m.ListDirectory("C:\\"), testing::Contains("A.TXT"));
    EXPECT_EQ(m.ReadText("C:\\A.TXT"), "new");
}

TEST(SimFiles, ReportsAttributesAsWindowsDoes) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile("C:\\F.TXT", "x");
    EXPECT_EQ(m.GetFileAttributes("C:\\F.TXT"), os::FILE_ATTRIBUTE_ARCHIVE);
    ASSERT_TRUE(m.SetFileAttributes("C:\\F.TXT", os::FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(m.GetFileAttributes("C:\\F.TXT"), os::FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(m.SetFileAttributes("C:\\F.TXT", os::FILE_ATTRIBUTE_HIDDEN | os::FILE_ATTRIBUTE_SYSTEM));
    EXPECT_EQ(m.GetFileAttributes("c:\\f.txt"), os::FILE_ATTRIBUTE_HIDDEN | os::FILE_ATTRIBUTE_SYSTEM);
    EXPECT_EQ(m.GetFileAttributes("C:\\WINDOWS"), os::FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(m.GetFileAttributes("C:\\MISSING.TXT"), os::INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(m.GetLastError(), os::ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(m.GetFileAttributes("C:\\NODIR\\MISSING.TXT"), os::INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(m.GetLastError(), os::ERROR_PATH_NOT_FOUND);
}

TEST(SimFiles, ARegularFileCanBeDeletedAndIsGone) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile("C:\\F.TXT", "x");
    ASSERT_TRUE(m.DeleteFile("c:\\f.txt"));
    EXPECT_FALSE(m.Exists("C:\\F.TXT"));
    EXPECT_FALSE(m.DeleteFile("C:\\F.TXT"));
    EXPECT_EQ(m.GetLastError(), os::ERROR_FILE_NOT_FOUND);
}

TEST(SimFiles, AReadOnlyFileRefusesDeletionAndWriting) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile("C:\\RO.TXT", "keep");
    m.SetAttributes("C:\\RO.TXT", os::FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(m.DeleteFile("C:\\RO.TXT"));
    EXPECT_EQ(m.GetLastError(), os::ERROR_ACCESS_DENIED);
    EXPECT_EQ(m.LOpen("C:\\RO.TXT", os::OF_WRITE), os::InvalidFile);
    EXPECT_EQ(m.GetLastError(), os::ERROR_ACCESS_DENIED);
    EXPECT_EQ(m.LCreat("C:\\RO.TXT", 0), os::InvalidFile);
    EXPECT_EQ(m.ReadText("C:\\RO.TXT"), "keep");
    os::FileHandle f = m.LOpen("C:\\RO.TXT", os::OF_READ);
    EXPECT_NE(f, os::InvalidFile);
    m.LClose(f);
}

TEST(SimFiles, LCreatGivesTheRequestedAttributes) {
    sim::Machine m = sim::Machine::NT40();
    os::FileHandle f = m.LCreat("C:\\H.TXT", 2);
    ASSERT_NE(f, os::InvalidFile);
    m.LClose(f);
    EXPECT_EQ(m.Attributes("C:\\H.TXT"), os::FILE_ATTRIBUTE_ARCHIVE | os::FILE_ATTRIBUTE_HIDDEN);
}

TEST(SimFiles, AFileInUseByAnotherProcessCannotBeDeletedOrWritten) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile("C:\\APP\\TOOL.EXE", "running");
    m.LockFile("c:\\app\\tool.exe");
    EXPECT_FALSE(m.DeleteFile("C:\\APP\\TOOL.EXE"));
    EXPECT_EQ(m.GetLastError(), os::ERROR_SHARING_VIOLATION);
    EXPECT_EQ(m.LOpen("C:\\APP\\TOOL.EXE", os::OF_WRITE), os::InvalidFile);
    EXPECT_EQ(m.GetLastError(), os::ERROR_SHARING_VIOLATION);
    os::FileHandle r = m.LOpen("C:\\APP\\TOOL.EXE", os::OF_READ);
    EXPECT_NE(r, os::InvalidFile);
    m.LClose(r);
    m.UnlockFile("C:\\APP\\TOOL.EXE");
    EXPECT_TRUE(m.DeleteFile("C:\\APP\\TOOL.EXE"));
}

TEST(SimFiles, SharingModesOfOpenHandlesAreEnforced) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile("C:\\S.TXT", "data");
    os::FileHandle reader = m.CreateFile("C:\\S.TXT", os::GENERIC_READ, os::FILE_SHARE_READ,
                                         os::OPEN_EXISTING, 0);
    ASSERT_NE(reader, os::InvalidFile);
    EXPECT_EQ(m.CreateFile("C:\\S.TXT", os::GENERIC_WRITE, os::FILE_SHARE_READ | os::FILE_SHARE_WRITE,
                           os::OPEN_EXISTING, 0),
              os::InvalidFile);
    EXPECT_EQ(m.GetLastError(), os::ERROR_SHARING_VIOLATION);
    // A second reader that lets nobody write is compatible with the first.
    os::FileHandle second = m.CreateFile("C:\\S.TXT", os::GENERIC_READ, os::FILE_SHARE_READ,
                                         os::OPEN_EXISTING, 0);
    EXPECT_NE(second, os::InvalidFile);
    // An open file cannot be deleted.
    EXPECT_FALSE(m.DeleteFile("C:\\S.TXT"));
    EXPECT_EQ(m.GetLastError(), os::ERROR_SHARING_VIOLATION);
    m.CloseHandle(second);
    m.CloseHandle(reader);
    EXPECT_EQ(m.OpenFileHandles(), 0u);
    os::FileHandle exclusive = m.LOpen("C:\\S.TXT", os::OF_READ | os::OF_SHARE_EXCLUSIVE);
    ASSERT_NE(exclusive, os::InvalidFile);
    EXPECT_EQ(m.LOpen("C:\\S.TXT", os::OF_READ), os::InvalidFile);
    m.LClose(exclusive);
}

TEST(SimFiles, WritingZeroBytesEndsTheFileAtThePosition) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile("C:\\T.TXT", "0123456789");
    os::FileHandle f = m.LOpen("C:\\T.TXT", os::OF_READWRITE);
    ASSERT_NE(f, os::InvalidFile);
    EXPECT_EQ(m.LSeek(f, 4, os::SEEK_FROM_BEGIN), 4);
    EXPECT_EQ(m.HWrite(f, "", 0), 0);
    EXPECT_EQ(m.LSeek(f, 0, os::SEEK_FROM_END), 4);
    m.LClose(f);
    EXPECT_EQ(m.ReadText("C:\\T.TXT"), "0123");
}

TEST(SimFiles, ASeekBeforeTheStartFails) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile("C:\\T.TXT", "abc");
    os::FileHandle f = m.LOpen("C:\\T.TXT", os::OF_READ);
    EXPECT_EQ(m.LSeek(f, -1, os::SEEK_FROM_BEGIN), -1);
    EXPECT_EQ(m.LSeek(f, -1, os::SEEK_FROM_END), 2);
    EXPECT_EQ(ReadHandle(m, f), "c");
    m.LClose(f);
}

TEST(SimFiles, FileTimesAreKeptPerPath) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile("C:\\T.TXT", "abc");
    os::FileTime t{0x12345678u, 0x01C00000u};
    os::FileHandle f = m.CreateFile("C:\\T.TXT", os::GENERIC_READ | os::GENERIC_WRITE, 0,
                                    os::OPEN_EXISTING, 0);
    ASSERT_TRUE(m.SetFileTime(f, &t, nullptr, &t));
    m.CloseHandle(f);
    sim::FileTimes times = m.Times("c:\\t.txt");
    EXPECT_EQ(times.creation.Low, t.Low);
    EXPECT_EQ(times.write.High, t.High);
    EXPECT_NE(times.access.Low, t.Low);
    os::FileHandle r = m.CreateFile("C:\\T.TXT", os::GENERIC_READ, os::FILE_SHARE_READ,
                                    os::OPEN_EXISTING, 0);
    os::FileTime w{0, 0};
    ASSERT_TRUE(m.GetFileTime(r, nullptr, nullptr, &w));
    EXPECT_EQ(w.Low, t.Low);
    // Setting times needs write access.
    EXPECT_FALSE(m.SetFileTime(r, &t, &t, &t));
    EXPECT_EQ(m.GetLastError(), os::ERROR_ACCESS_DENIED);
    m.CloseHandle(r);
}

TEST(SimFiles, CreateDirectoryNeedsItsParentAndANewName) {
    sim::Machine m = sim::Machine::NT40();
    EXPECT_FALSE(m.CreateDirectory("C:\\MISSING\\CHILD"));
    EXPECT_EQ(m.GetLastError(), os::ERROR_PATH_NOT_FOUND);
    EXPECT_TRUE(m.CreateDirectory("C:\\NEW"));
    EXPECT_FALSE(m.CreateDirectory("c:\\new"));
    EXPECT_EQ(m.GetLastError(), os::ERROR_ALREADY_EXISTS);
    m.WriteFile("C:\\FILE", "x");
    EXPECT_FALSE(m.CreateDirectory("C:\\FILE"));
    EXPECT_EQ(m.GetLastError(), os::ERROR_ALREADY_EXISTS);
    EXPECT_FALSE(m.CreateDirectory("Q:\\NEW"));
    EXPECT_EQ(m.GetLastError(), os::ERROR_PATH_NOT_FOUND);
}

TEST(SimFiles, RemoveDirectoryRefusesADirectoryThatHoldsAnything) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile("C:\\D\\F.TXT", "x");
    EXPECT_FALSE(m.RemoveDirectory("C:\\D"));
    EXPECT_TRUE(m.IsDirectory("C:\\D"));
    ASSERT_TRUE(m.DeleteFile("C:\\D\\F.TXT"));
    EXPECT_TRUE(m.RemoveDirectory("c:\\d"));
    EXPECT_FALSE(m.Exists("C:\\D"));
}

TEST(SimFiles, ASearchListsDotAndDotDotFirstThenTheEntries) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile("C:\\D\\b.txt", "x");
    m.WriteFile("C:\\D\\A.DLL", "x");
    m.MakeDirectories("C:\\D\\Sub");
    m.SetAttributes("C:\\D\\b.txt", os::FILE_ATTRIBUTE_READONLY);
    os::FindData data;
    os::FindHandle h = m.FindFirstFile("C:\\D\\*.*", &data);
    ASSERT_NE(h, os::InvalidFind);
    std::vector<std::string> names{data.Name};
    std::vector<std::uint32_t> attributes{data.Attributes};
    while (m.FindNextFile(h, &data)) {
        names.push_back(data.Name);
        attributes.push_back(data.Attributes);
    }
    EXPECT_EQ(m.GetLastError(), os::ERROR_NO_MORE_FILES);
    EXPECT_TRUE(m.FindClose(h));
    EXPECT_THAT(names, ElementsAre(".", "..", "A.DLL", "b.txt", "Sub"));
    EXPECT_EQ(attributes[3], os::FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(attributes[4], os::FILE_ATTRIBUTE_DIRECTORY);
}

TEST(SimFiles, ASearchMatchesPatternsAndFailsOnNoMatch) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile("C:\\D\\ONE.TXT", "x");
    m.WriteFile("C:\\D\\TWO.DOC", "x");
    os::FindData data;
    os::FindHandle h = m.FindFirstFile("C:\\D\\*.doc", &data);
    ASSERT_NE(h, os::InvalidFind);
    EXPECT_STREQ(data.Name, "TWO.DOC");
    EXPECT_FALSE(m.FindNextFile(h, &data));
    m.FindClose(h);
    EXPECT_EQ(m.FindFirstFile("C:\\D\\*.EXE", &data), os::InvalidFind);
    EXPECT_EQ(m.GetLastError(), os::ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(m.FindFirstFile("C:\\NONE\\*.*", &data), os::InvalidFind);
    EXPECT_EQ(m.GetLastError(), os::ERROR_PATH_NOT_FOUND);
}

TEST(SimFiles, ADelayedMoveIsRecordedAndLeavesTheFilesAlone) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile("C:\\TEMP\\NEW.TMP", "new");
    m.WriteFile("C:\\APP\\OLD.DLL", "old");
    ASSERT_TRUE(m.MoveFileEx("C:\\TEMP\\NEW.TMP", "C:\\APP\\OLD.DLL",
                             os::MOVEFILE_DELAY_UNTIL_REBOOT | os::MOVEFILE_REPLACE_EXISTING));
    ASSERT_EQ(m.DelayedMoves().size(), 1u);
    EXPECT_EQ(m.DelayedMoves()[0].from, "C:\\TEMP\\NEW.TMP");
    EXPECT_EQ(m.DelayedMoves()[0].to, "C:\\APP\\OLD.DLL");
    EXPECT_EQ(m.DelayedMoves()[0].flags, 5u);
    EXPECT_EQ(m.ReadText("C:\\APP\\OLD.DLL"), "old");
}

TEST(SimFiles, AnImmediateMoveRenamesAndReplacesOnlyWhenAsked) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile("C:\\A.TXT", "a");
    m.WriteFile("C:\\B.TXT", "b");
    EXPECT_FALSE(m.MoveFileEx("C:\\A.TXT", "C:\\B.TXT", 0));
    EXPECT_EQ(m.GetLastError(), os::ERROR_ALREADY_EXISTS);
    ASSERT_TRUE(m.MoveFileEx("C:\\A.TXT", "C:\\B.TXT", os::MOVEFILE_REPLACE_EXISTING));
    EXPECT_FALSE(m.Exists("C:\\A.TXT"));
    EXPECT_EQ(m.ReadText("C:\\B.TXT"), "a");
}

TEST(SimFiles, Windows95HasNoMoveFileEx) {
    sim::Machine m = sim::Machine::Windows95();
    m.WriteFile("C:\\A.TXT", "a");
    EXPECT_FALSE(m.MoveFileEx("C:\\A.TXT", "C:\\B.TXT", os::MOVEFILE_DELAY_UNTIL_REBOOT));
    EXPECT_EQ(m.GetLastError(), sim::ERROR_CALL_NOT_IMPLEMENTED);
    EXPECT_TRUE(m.DelayedMoves().empty());
}

TEST(SimFiles, TemporaryFileNamesAreCreatedWithThePrefixAndANumber) {
    sim::Machine m = sim::Machine::NT40();
    char first[260] = {};
    char second[260] = {};
    unsigned a = m.GetTempFileName("C:\\TEMP\\", "ins", first);
    unsigned b = m.GetTempFileName("C:\\TEMP", "ins", second);
    ASSERT_NE(a, 0u);
    ASSERT_NE(b, 0u);
    EXPECT_NE(std::string(first), std::string(second));
    EXPECT_EQ(std::string(first).rfind("C:\\TEMP\\ins", 0), 0u);
    EXPECT_EQ(std::string(first).substr(std::strlen(first) - 4), ".TMP");
    EXPECT_TRUE(m.Exists(first));
    EXPECT_TRUE(m.Exists(second));
    EXPECT_EQ(m.GetTempFileName("C:\\NOWHERE", "ins", first), 0u);
}

TEST(SimFiles, ShortNamesKeep83NamesAndCutLongOnes) {
    sim::Machine m = sim::Machine::Windows95();
    m.WriteFile("C:\\Program Files\\My Application\\Common Library.dll", "x");
    m.WriteFile("C:\\APP\\tool.exe", "x");
    char out[260];
    ASSERT_GT(m.GetShortPathName("C:\\Program Files\\My Application\\Common Library.dll", out, sizeof out), 0u);
    EXPECT_STREQ(out, "C:\\PROGRA~1\\MYAPPL~1\\COMMON~1.DLL");
    ASSERT_GT(m.GetShortPathName("c:\\app\\TOOL.EXE", out, sizeof out), 0u);
    EXPECT_STREQ(out, "C:\\APP\\TOOL.EXE");
    // The short form names the same file.
    EXPECT_EQ(m.ReadText("C:\\PROGRA~1\\MYAPPL~1\\COMMON~1.DLL"), "x");
    EXPECT_EQ(m.GetShortPathName("C:\\MISSING.TXT", out, sizeof out), 0u);
}

TEST(SimFiles, ProfileStringsCreateAndReplaceKeysInTheirSection) {
    sim::Machine m = sim::Machine::Windows95();
    ASSERT_TRUE(m.WritePrivateProfileString("Rename", "C:\\APP\\A.DLL", "C:\\TEMP\\X.TMP", "WININIT.INI"));
    ASSERT_TRUE(m.WritePrivateProfileString("Other", "Key", "1", "C:\\WINDOWS\\WININIT.INI"));
    ASSERT_TRUE(m.WritePrivateProfileString("rename", "c:\\app\\a.dll", "C:\\TEMP\\Y.TMP", "WININIT.INI"));
    ASSERT_TRUE(m.WritePrivateProfileString("Rename", "C:\\APP\\B.DLL", "C:\\TEMP\\Z.TMP", "WININIT.INI"));
    EXPECT_EQ(m.ReadText("C:\\WINDOWS\\WININIT.INI"),
              "[Rename]\r\nC:\\APP\\A.DLL=C:\\TEMP\\Y.TMP\r\nC:\\APP\\B.DLL=C:\\TEMP\\Z.TMP\r\n"
              "[Other]\r\nKey=1\r\n");
    EXPECT_EQ(m.ProfileString("WININIT.INI", "RENAME", "C:\\APP\\B.DLL"), "C:\\TEMP\\Z.TMP");
    ASSERT_TRUE(m.WritePrivateProfileString("Rename", "C:\\APP\\A.DLL", nullptr, "WININIT.INI"));
    ASSERT_TRUE(m.WritePrivateProfileString("Other", nullptr, nullptr, "WININIT.INI"));
    EXPECT_EQ(m.ReadText("C:\\WINDOWS\\WININIT.INI"), "[Rename]\r\nC:\\APP\\B.DLL=C:\\TEMP\\Z.TMP\r\n");
}

TEST(SimFiles, FreeSpaceIsReportedAsTheFullProductOfTheClusterNumbers) {
    sim::Machine m = sim::Machine::NT40();
    m.SetFreeSpace('C', 10ull << 30);
    std::uint32_t spc = 0, bps = 0, free = 0, total = 0;
    ASSERT_TRUE(m.GetDiskFreeSpace("C:\\", &spc, &bps, &free, &total));
    EXPECT_EQ(static_cast<std::uint64_t>(spc) * bps * free, 10ull << 30);
    EXPECT_GE(total, free);
    EXPECT_FALSE(m.GetDiskFreeSpace("Q:\\", &spc, &bps, &free, &total));
}

TEST(SimFiles, AWriteThatDoesNotFitTheFreeSpaceFailsAsOnAFullDisk) {
    sim::Machine m = sim::Machine::NT40();
    m.SetFreeSpace('C', 10);
    os::FileHandle f = m.LCreat("C:\\BIG.BIN", 0);
    ASSERT_NE(f, os::InvalidFile);
    EXPECT_EQ(m.HWrite(f, "0123456789", 10), 10);
    EXPECT_EQ(m.HWrite(f, "x", 1), -1);
    EXPECT_EQ(m.GetLastError(), os::ERROR_HANDLE_DISK_FULL);
    // Rewriting within the file takes no new room.
    EXPECT_EQ(m.LSeek(f, 0, os::SEEK_FROM_BEGIN), 0);
    EXPECT_EQ(m.HWrite(f, "abc", 3), 3);
    m.LClose(f);
    EXPECT_EQ(m.ReadText("C:\\BIG.BIN"), "abc3456789");
}

TEST(SimFiles, DriveTypesAreConfigurableAndAnUnknownDriveHasNoRoot) {
    sim::Machine m = sim::Machine::NT40();
    EXPECT_EQ(m.GetDriveType("C:\\"), sim::DRIVE_FIXED);
    m.SetDriveType('D', sim::DRIVE_CDROM);
    EXPECT_EQ(m.GetDriveType("d:\\"), sim::DRIVE_CDROM);
    EXPECT_EQ(m.GetDriveType("Q:\\"), sim::DRIVE_NO_ROOT_DIR);
}

TEST(SimFiles, ASnapshotShowsWhatChanged) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile("C:\\APP\\A.TXT", "a");
    sim::FileSnapshot before = m.SnapshotFiles();
    m.WriteFile("C:\\APP\\B.TXT", "b");
    sim::FileSnapshot after = m.SnapshotFiles();
    EXPECT_EQ(after.size(), before.size() + 1);
    EXPECT_EQ(after.count("C:\\APP\\B.TXT"), 1u);
    m.RemoveFile("C:\\APP\\B.TXT");
    EXPECT_EQ(m.SnapshotFiles(), before);
}

TEST(SimFiles, EachMachineHasItsOwnSandboxRemovedAtTheEnd) {
    std::string root;
    {
        sim::Machine a = sim::Machine::NT40();
        sim::Machine b = sim::Machine::NT40();
        a.WriteFile("C:\\ONLY.TXT", "a");
        EXPECT_FALSE(b.Exists("C:\\ONLY.TXT"));
        root = a.SandboxRoot();
        EXPECT_NE(root, b.SandboxRoot());
        EXPECT_EQ(a.HostPath("C:\\ONLY.TXT").rfind(root, 0), 0u);
    }
    EXPECT_NE(::access(root.c_str(), 0), 0);
}
