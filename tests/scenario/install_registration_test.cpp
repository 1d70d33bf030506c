// Shared files, self-registration, App Paths and RunServices entries, and
// the replacement at the next restart of a shared file that is present.
#include <algorithm>
#include <cctype>

#include "scenario/install_fixture.h"

using namespace installtest;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

namespace {

const std::string SharedDlls = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const std::string AppPaths = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const std::string RunServices = "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";
const os::RegKey HKLM = os::HKEY_LOCAL_MACHINE;

sim::Machine WithSharedDlls(sim::Machine m) {
    m.CreateKey(HKLM, SharedDlls);
    return m;
}

InstallPackage SharedFile(bool compressed, const std::string& content = "new shared library") {
    InstallPackage p;
    FileRecord& f = compressed ? p.Compressed("COMMON.DLL", content) : p.File("COMMON.DLL", content);
    f.Shared = 1;
    return p;
}

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// A path value as the shell reads it: REG_SZ, the text and its one NUL.
sim::RegValue PathValue(const std::string& path) {
    sim::RegValue v;
    v.type = os::REG_SZ;
    v.data.assign(path.begin(), path.end());
    v.data.push_back(0);
    return v;
}

sim::RegValue Stored(const sim::Machine& m, const std::string& key, const std::string& name) {
    sim::RegValue v;
    m.GetValue(HKLM, key, name, v);
    return v;
}

// The files in the machine's temporary directory.
std::vector<std::string> TempFiles(const sim::Machine& m) { return m.ListDirectory("C:\\TEMP"); }

}  // namespace

TEST(SharedFileCount, StartsAtOneForANewFile) {
    sim::Machine m = WithSharedDlls(sim::Machine::NT40());
    ASSERT_EQ(Install(m, SharedFile(false)).exitCode, 0);
    EXPECT_EQ(m.GetDword(HKLM, SharedDlls, "C:\\APP\\COMMON.DLL"), 1u);
}

TEST(SharedFileCount, RisesFromThreeToFourWhenTheFileIsKept) {
    sim::Machine m = WithSharedDlls(sim::Machine::NT40());
    m.SetDword(HKLM, SharedDlls, "C:\\APP\\COMMON.DLL", 3);
    m.WriteFile(At("COMMON.DLL"), "old");
    InstallPackage p = SharedFile(false);
    p.Contents().files[0].OverwriteMode = 2;
    scenario::RunResult r = Install(m, p);
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(m.GetDword(HKLM, SharedDlls, "C:\\APP\\COMMON.DLL"), 4u);
    EXPECT_EQ(m.ReadText(At("COMMON.DLL")), "old");
}

// A fresh system has no SharedDLLs key: the first shared file creates it
// and is counted, so that another product's uninstall sees it in use.
TEST(SharedFileCount, StartsAtOneWhenTheSharedDllsKeyIsMissing) {
    for (sim::Machine (*fresh)() : {sim::Machine::NT40, sim::Machine::Windows95, sim::Machine::NT351}) {
        sim::Machine m = fresh();
        m.DeleteKeyTree(HKLM, SharedDlls);
        ASSERT_EQ(Install(m, SharedFile(true)).exitCode, 0);
        EXPECT_EQ(m.GetDword(HKLM, SharedDlls, "C:\\APP\\COMMON.DLL"), 1u);
        EXPECT_EQ(m.ReadText(At("COMMON.DLL")), "new shared library");
    }
}

TEST(SharedFileRestart, ACompressedOneIsExpandedToATemporaryFileMovedAtRestartOnNT) {
    sim::Machine m = WithSharedDlls(sim::Machine::NT40());
    m.WriteFile(At("COMMON.DLL"), "old shared library");
    m.AnswerQuestions({os::IDNO});
    InstallPackage p = SharedFile(true);
    p.Contents().files[0].LastWriteTime = Time(0x01BC000000000003ull);
    p.Contents().files[0].Attributes = os::FILE_ATTRIBUTE_READONLY;
    scenario::RunResult r = Install(m, p);
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(m.ReadText(At("COMMON.DLL")), "old shared library");
    EXPECT_FALSE(m.Exists(At("COMMON.DL_")));
    ASSERT_EQ(m.DelayedMoves().size(), 1u);
    const sim::DelayedMove& move = m.DelayedMoves()[0];
    EXPECT_EQ(move.to, "C:\\APP\\COMMON.DLL");
    EXPECT_EQ(move.flags, 5u);
    EXPECT_EQ(m.ReadText(move.from), "new shared library");
    // The temporary copy has the record's times and attributes; the log and
    // the status lines name the target, not the temporary copy.
    EXPECT_EQ(m.Times(move.from).write.Low, 3u);
    EXPECT_EQ(m.Attributes(move.from), os::FILE_ATTRIBUTE_READONLY);
    EXPECT_THAT(r.logLines, Contains("Decompressing: C:\\APP\\COMMON.DLL"));
    // The detail line already names the target when the label changes to
    // decompressing, and is not set again.
    const std::vector<std::string> status = m.StatusHistory();
    EXPECT_TRUE(InOrder(status, {"385:C:\\APP\\COMMON.DLL", "384:Decompressing:"}));
    EXPECT_EQ(std::count_if(status.begin(), status.end(),
                            [](const std::string& s) { return Upper(s).find("TEMP") != std::string::npos; }),
              0);
    EXPECT_EQ(Upper(move.from.substr(0, 11)), "C:\\TEMP\\TMP");
    EXPECT_TRUE(Asked(r, RestartQuestion));
}

TEST(SharedFileRestart, OnWindows95IsARenameEntryOfWininitWithShortPaths) {
    sim::Machine m = WithSharedDlls(sim::Machine::Windows95());
    m.WriteFile("C:\\PROGRAM FILES\\MY APP\\COMMONLIB.DLL", "old shared library");
    m.AnswerQuestions({os::IDNO});
    InstallPackage p;
    p.Compressed("COMMONLIB.DLL", "new shared library").Shared = 1;
    scenario::RunResult r = Install(m, p, "C:\\PROGRAM FILES\\MY APP");
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_TRUE(m.DelayedMoves().empty());
    const std::vector<std::string> temps = TempFiles(m);
    ASSERT_EQ(temps.size(), 1u);
    char shortTarget[260] = {};
    char shortTemp[260] = {};
    m.GetShortPathName("C:\\PROGRAM FILES\\MY APP\\COMMONLIB.DLL", shortTarget, sizeof shortTarget);
    m.GetShortPathName(("C:\\TEMP\\" + temps[0]).c_str(), shortTemp, sizeof shortTemp);
    EXPECT_NE(std::string(shortTarget), "C:\\PROGRAM FILES\\MY APP\\COMMONLIB.DLL");
    EXPECT_EQ(m.ProfileString("C:\\WINDOWS\\WININIT.INI", "Rename", shortTarget), shortTemp);
    EXPECT_EQ(m.ReadText("C:\\TEMP\\" + temps[0]), "new shared library");
    EXPECT_EQ(m.ReadText("C:\\PROGRAM FILES\\MY APP\\COMMONLIB.DLL"), "old shared library");
    EXPECT_TRUE(Asked(r, RestartQuestion));
}

TEST(SharedFileRestart, AnUncompressedOneIsReplacedAtRestartToo) {
    sim::Machine m = WithSharedDlls(sim::Machine::NT40());
    m.WriteFile(At("COMMON.DLL"), "old shared library");
    m.LockFile(At("COMMON.DLL"));
    m.AnswerQuestions({os::IDNO});
    scenario::RunResult r = Install(m, SharedFile(false));
    m.UnlockFile(At("COMMON.DLL"));
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_THAT(Errors(r), IsEmpty());
    EXPECT_EQ(m.ReadText(At("COMMON.DLL")), "old shared library");
    ASSERT_EQ(m.DelayedMoves().size(), 1u);
    EXPECT_EQ(m.DelayedMoves()[0].to, "C:\\APP\\COMMON.DLL");
    EXPECT_EQ(m.ReadText(m.DelayedMoves()[0].from), "new shared library");
    EXPECT_TRUE(Asked(r, RestartQuestion));
}

// A restart copy that fails on its way, or whose move cannot be
// registered, is deleted: nothing waits in the temporary directory for a
// restart that will not use it, and the file in place stays as it was.
TEST(SharedFileRestart, LeavesNoTemporaryFileWhenAStepFails) {
    struct Case {
        const char* what;
        bool windows95;
        bool compressed;
        bool vital;
        const char* call;  // fails once; HWrite: the write of the copy's data
        int nth;
        int exitCode;
        std::string expected;  // the start of the error box, or of a log line
    };
    const std::string decompressing = "Error while decompressing nonvital file: C:\\TEMP\\";
    const std::string notMoved = "Couldn't replace at the next restart: C:\\APP\\COMMON.DLL";
    const std::vector<Case> cases = {
        {"expansion fails", false, true, false, "LZCopy", 1, 0, decompressing},
        {"expansion fails", false, true, true, "LZCopy", 1, 1,
         "An error occured during decompression of 'C:\\TEMP\\"},
        {"expansion target cannot be opened", false, true, false, "LZOpenFile", 2, 0, decompressing},
        {"copy cannot be written", false, false, true, "HWrite", 0, 1, "Couldn't write data to 'C:\\TEMP\\"},
        {"copy cannot be written", false, false, false, "HWrite", 0, 0,
         "Error while writing nonvital file: C:\\TEMP\\"},
        {"move cannot be registered", false, true, true, "MoveFileEx", 1, 0, notMoved},
        {"move cannot be registered", false, false, true, "MoveFileEx", 1, 0, notMoved},
        {"rename entry cannot be written", true, true, true, "WritePrivateProfileString", 1, 0,
         notMoved},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.what) + (c.compressed ? ", compressed" : ", plain") +
                     (c.vital ? ", vital" : ""));
        auto fresh = [&c] {
            sim::Machine m = c.windows95 ? sim::Machine::Windows95() : sim::Machine::NT40();
            m.WriteFile(At("COMMON.DLL"), "old shared library");
            return m;
        };
        InstallPackage p = SharedFile(c.compressed);
        p.Header().CreateUninstaller = 0;
        p.Contents().files[0].Vital = c.vital ? 1 : 0;
        const int nth = c.nth != 0 ? c.nth : DataWriteCall(p, "C:\\TEMP\\", fresh);
        sim::Machine m = fresh();
        m.AnswerQuestions({os::IDNO});
        m.FailCall(c.call, nth, os::ERROR_ACCESS_DENIED);
        scenario::RunResult r = Install(m, p);
        EXPECT_EQ(r.exitCode, c.exitCode);
        const std::vector<std::string> said = c.exitCode == 1 ? Errors(r) : r.logLines;
        EXPECT_TRUE(std::any_of(said.begin(), said.end(), [&c](const std::string& line) {
            return line.compare(0, c.expected.size(), c.expected) == 0;
        }));
        EXPECT_THAT(TempFiles(m), IsEmpty());
        EXPECT_FALSE(m.Exists(At("COMMON.DL_")));
        EXPECT_EQ(m.ReadText(At("COMMON.DLL")), "old shared library");
    }
}

TEST(SharedFileRestart, IsNotUsedForASharedFileInstalledForTheFirstTime) {
    sim::Machine m = WithSharedDlls(sim::Machine::NT40());
    scenario::RunResult r = Install(m, SharedFile(true));
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(m.ReadText(At("COMMON.DLL")), "new shared library");
    EXPECT_TRUE(m.DelayedMoves().empty());
    EXPECT_FALSE(Asked(r, RestartQuestion));
}

TEST(RegisterComponentByEntryPoint, CallsDllRegisterServerOfANewSharedFile) {
    sim::Machine m = WithSharedDlls(sim::Machine::NT40());
    m.AddComponent(At("COMMON.DLL"), 0, 0);
    InstallPackage p = SharedFile(false);
    p.Contents().files[0].SelfRegister = 1;
    scenario::RunResult r = Install(m, p);
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_THAT(m.EntryPointsCalled(), ElementsAre("C:\\APP\\COMMON.DLL!DllRegisterServer"));
    EXPECT_THAT(r.logLines, Contains("Calling DllRegisterServer in 'C:\\APP\\COMMON.DLL'..."));
    EXPECT_EQ(m.LoadedLibraries(), 0u);
}

TEST(RegisterComponentByEntryPoint, ANonZeroStatusEndsTheInstallation) {
    sim::Machine m = WithSharedDlls(sim::Machine::NT40());
    m.AddComponent(At("COMMON.DLL"), -2147467259, 0);
    InstallPackage p = SharedFile(false);
    p.Contents().files[0].SelfRegister = 1;
    scenario::RunResult r = Install(m, p);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(Errors(r), Contains("Error when calling function DllRegisterServer in "
                                    "'C:\\APP\\COMMON.DLL'. Error code -2147467259"));
    EXPECT_EQ(m.LoadedLibraries(), 0u);
}

TEST(RegisterComponentByEntryPoint, AMissingExportEndsTheInstallation) {
    sim::Machine m = WithSharedDlls(sim::Machine::NT40());
    m.AddComponent(At("COMMON.DLL"), 0, 0, nullptr, false);
    InstallPackage p = SharedFile(false);
    p.Contents().files[0].SelfRegister = 1;
    scenario::RunResult r = Install(m, p);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(Errors(r), Contains("Unable to get address of DllRegisterServer function in "
                                    "'C:\\APP\\COMMON.DLL'."));
    EXPECT_EQ(m.LoadedLibraries(), 0u);
}

TEST(RegisterComponentByEntryPoint, ALibraryThatCannotBeLoadedEndsTheInstallation) {
    sim::Machine m = WithSharedDlls(sim::Machine::NT40());
    InstallPackage p = SharedFile(false);
    p.Contents().files[0].SelfRegister = 1;
    scenario::RunResult r = Install(m, p);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(Errors(r), Contains("Unable to load library 'C:\\APP\\COMMON.DLL'."));
}

TEST(RegisterComponentByEntryPoint, IsNotDoneForASharedFileThatWasPresent) {
    sim::Machine m = WithSharedDlls(sim::Machine::NT40());
    m.WriteFile(At("COMMON.DLL"), "old");
    m.AddComponent(At("COMMON.DLL"), 0, 0);
    m.AnswerQuestions({os::IDNO});
    InstallPackage p = SharedFile(false);
    p.Contents().files[0].SelfRegister = 1;
    ASSERT_EQ(Install(m, p).exitCode, 0);
    EXPECT_THAT(m.EntryPointsCalled(), IsEmpty());
}

TEST(RegisterComponentByEntryPoint, IsNotDoneForAFileThatIsNotShared) {
    sim::Machine m = WithSharedDlls(sim::Machine::NT40());
    m.AddComponent(At("COMMON.DLL"), 0, 0);
    InstallPackage p;
    p.File("COMMON.DLL", "library").SelfRegister = 1;
    ASSERT_EQ(Install(m, p).exitCode, 0);
    EXPECT_THAT(m.EntryPointsCalled(), IsEmpty());
}

TEST(RegisterComponentByRun, RunsTheQuotedProgramHiddenWithRegserver) {
    sim::Machine m = WithSharedDlls(sim::Machine::NT40());
    const std::string dir = "C:\\PROGRAM FILES\\MY APP";
    m.AddProgram(dir + "\\SERVER.EXE", 0, nullptr, 3);
    InstallPackage p;
    FileRecord& f = p.File("SERVER.EXE", "server program");
    f.Shared = f.SelfRegister = f.RegisterByRun = 1;
    scenario::RunResult r = Install(m, p, dir);
    ASSERT_EQ(r.exitCode, 0);
    ASSERT_EQ(m.StartedProcesses().size(), 1u);
    EXPECT_EQ(m.StartedProcesses()[0].commandLine,
              "\"C:\\PROGRAM FILES\\MY APP\\SERVER.EXE\" /REGSERVER");
    EXPECT_EQ(Upper(m.StartedProcesses()[0].program), dir + "\\SERVER.EXE");
    EXPECT_EQ(m.StartedProcesses()[0].show, os::SW_HIDE);
    EXPECT_THAT(r.logLines,
                Contains("Running 'C:\\PROGRAM FILES\\MY APP\\SERVER.EXE /REGSERVER' ..."));
}

TEST(RegisterComponentByRun, AnExitCodeOfOneEndsTheInstallation) {
    sim::Machine m = WithSharedDlls(sim::Machine::NT40());
    m.AddProgram(At("SERVER.EXE"), 1);
    InstallPackage p;
    FileRecord& f = p.File("SERVER.EXE", "server program");
    f.Shared = f.SelfRegister = f.RegisterByRun = 1;
    scenario::RunResult r = Install(m, p);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(Errors(r), Contains("Unable to register OleServer 'C:\\APP\\SERVER.EXE'. Error code 1"));
}

TEST(RegisterComponentByRun, AProgramThatCannotStartEndsTheInstallation) {
    sim::Machine m = WithSharedDlls(sim::Machine::NT40());
    InstallPackage p;
    FileRecord& f = p.File("SERVER.EXE", "server program");
    f.Shared = f.SelfRegister = f.RegisterByRun = 1;
    scenario::RunResult r = Install(m, p);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(Errors(r), Contains("Unable to execute OleServer application 'C:\\APP\\SERVER.EXE'."));
}

TEST(AppPathEntry, NamesTheInstalledProgram) {
    sim::Machine m = sim::Machine::NT40();
    InstallPackage p;
    p.File("TOOL.EXE", "program").AppPath = 1;
    ASSERT_EQ(Install(m, p).exitCode, 0);
    EXPECT_EQ(Stored(m, AppPaths + "\\TOOL.EXE", ""), PathValue("C:\\APP\\TOOL.EXE"));
}

TEST(AppPathEntry, IsNotWrittenForAKeptFile) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile(At("TOOL.EXE"), "old");
    InstallPackage p;
    FileRecord& f = p.File("TOOL.EXE", "program");
    f.AppPath = 1;
    f.OverwriteMode = 2;
    ASSERT_EQ(Install(m, p).exitCode, 0);
    EXPECT_FALSE(m.KeyExists(HKLM, AppPaths + "\\TOOL.EXE"));
}

TEST(RunServicesEntry, IsWrittenOnWindows95) {
    sim::Machine m = sim::Machine::Windows95();
    InstallPackage p;
    FileRecord& f = p.File("AGENT.EXE", "agent");
    f.RunService95 = 1;
    pkg::SetText(f.ServiceName, "Agent");
    ASSERT_EQ(Install(m, p).exitCode, 0);
    EXPECT_EQ(Stored(m, RunServices, "Agent"), PathValue("C:\\APP\\AGENT.EXE"));
}

TEST(RunServicesEntry, IsNotWrittenOnWindowsNT) {
    sim::Machine m = sim::Machine::NT40();
    InstallPackage p;
    FileRecord& f = p.File("AGENT.EXE", "agent");
    f.RunService95 = 1;
    pkg::SetText(f.ServiceName, "Agent");
    ASSERT_EQ(Install(m, p).exitCode, 0);
    EXPECT_FALSE(m.HasValue(HKLM, RunServices, "Agent"));
}
