// RunUninstall on a simulated machine whose installed state the test lays
// out itself: services, files, shared counts, registrations, directories,
// registry keys and values.
#include <algorithm>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "run/work.h"
#include "ui/dialogs.h"
#include "uninstall/uninstall.h"
#include "unit/shell_engine_run.h"

using enginetest::EngineRun;
using enginetest::ProgressWindow;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

namespace {

const char SharedDlls[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const char AppPaths[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const char RunServices[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";
const char SharedQuestion[] =
    "The system indicates that the shared file '%s' is no longer used by any programs. If any "
    "programs are still using this file and it is removed, those programs may not "
    "function.\r\n\r\nAre you sure you want to remove the shared file?";

std::string Question(const std::string& path) {
    std::string text = SharedQuestion;
    return text.replace(text.find("%s"), 2, path);
}

struct Uninstall : EngineRun {
    explicit Uninstall(sim::Machine machine) : EngineRun(std::move(machine)) {
        m.WriteFile("C:\\APP\\UNINST.EXE", "the uninstaller");
        m.CreateKey(os::HKEY_LOCAL_MACHINE, SharedDlls);
    }
    // Opens the uninstaller as the package, as the driver leaves it.
    bool Go() {
        Bind(true);
        run.Package = m.LOpen("C:\\APP\\UNINST.EXE", os::OF_READ);
        return RunUninstall(run, ProgressWindow);
    }
    FileRecord& Installed(const std::string& name, const std::string& content = "data") {
        m.WriteFile("C:\\APP\\" + name, content);
        return AddFile(name);
    }
};

// ---- Services ----------------------------------------------------------------

sim::ServiceInfo Service(const std::string& name, std::uint32_t state) {
    sim::ServiceInfo s;
    s.name = name;
    s.displayName = name + " Display";
    s.binaryPath = "C:\\APP\\" + name + ".EXE";
    s.state = state;
    return s;
}

FileRecord& ServiceFile(Uninstall& u, const std::string& name) {
    FileRecord& f = u.Installed(name + ".EXE");
    pkg::SetText(f.ServiceName, name);
    pkg::SetText(f.ServiceDisplayName, name + " Display");
    return f;
}

TEST(UninstallServices, ARunningServiceIsStoppedAndRemoved) {
    Uninstall u(sim::Machine::NT40());
    u.m.AddService(Service("TOOLSVC", os::SERVICE_RUNNING));
    ServiceFile(u, "TOOLSVC");
    EXPECT_TRUE(u.Go());
    EXPECT_FALSE(u.m.HasService("TOOLSVC"));
    EXPECT_FALSE(u.m.Exists("C:\\APP\\TOOLSVC.EXE"));
    EXPECT_THAT(u.m.ItemHistory(384),
                Contains("Stopping service: (Be patient. This can take up to several minutes.)"));
    EXPECT_THAT(u.m.ItemHistory(385), Contains("TOOLSVC Display"));
}

TEST(UninstallServices, PausedAndStoppedServicesAreRemovedAndAMissingOneIsPassedOver) {
    Uninstall u(sim::Machine::NT40());
    u.m.AddService(Service("PAUSED", os::SERVICE_PAUSED));
    u.m.AddService(Service("STOPPED", os::SERVICE_STOPPED));
    ServiceFile(u, "PAUSED");
    ServiceFile(u, "STOPPED");
    ServiceFile(u, "MISSING");
    EXPECT_TRUE(u.Go());
    EXPECT_THAT(u.m.Services(), IsEmpty());
    EXPECT_THAT(u.m.Boxes(), IsEmpty());
}

TEST(UninstallServices, AKeptFileKeepsItsService) {
    Uninstall u(sim::Machine::NT40());
    u.m.AddService(Service("KEPT", os::SERVICE_RUNNING));
    ServiceFile(u, "KEPT").KeepAtUninstall = 1;
    // So does a record this platform passes over.
    u.m.AddService(Service("NOTNT", os::SERVICE_RUNNING));
    ServiceFile(u, "NOTNT").NotOnWindowsNT = 1;
    EXPECT_TRUE(u.Go());
    EXPECT_EQ(u.m.Service("KEPT").state, os::SERVICE_RUNNING);
    EXPECT_EQ(u.m.Service("NOTNT").state, os::SERVICE_RUNNING);
    EXPECT_TRUE(u.m.Exists("C:\\APP\\KEPT.EXE"));
}

TEST(UninstallServices, AFailedStopIsReportedByServiceNameAndStopsTheRun) {
    Uninstall u(sim::Machine::NT40());
    u.m.AddService(Service("TOOLSVC", os::SERVICE_RUNNING));
    u.m.FailServiceStop("TOOLSVC", 1051);
    ServiceFile(u, "TOOLSVC");
    EXPECT_FALSE(u.Go());
    EXPECT_THAT(u.BoxTexts(),
                ElementsAre("Couldn't stop the service 'TOOLSVC'. Error code: 1051."));
    EXPECT_EQ(u.m.Boxes()[0].owner, ProgressWindow);
    EXPECT_TRUE(u.m.HasService("TOOLSVC"));
    EXPECT_TRUE(u.m.Exists("C:\\APP\\TOOLSVC.EXE"));
    EXPECT_EQ(u.run.Package, os::InvalidFile);
    EXPECT_EQ(u.m.OpenFileHandles(), 0u);
}

TEST(UninstallServices, AFailedRemovalIsReportedByDisplayName) {
    Uninstall u(sim::Machine::NT40());
    u.m.AddService(Service("TOOLSVC", os::SERVICE_STOPPED));
    u.m.FailServiceDelete("TOOLSVC", 1072);
    ServiceFile(u, "TOOLSVC");
    EXPECT_FALSE(u.Go());
    EXPECT_THAT(u.BoxTexts(),
                ElementsAre("Couldn't remove the service 'TOOLSVC Display'. Error code: 1072."));
    EXPECT_TRUE(u.m.Exists("C:\\APP\\TOOLSVC.EXE"));
}

TEST(UninstallServices, Windows95HasNoServicePhaseButLosesTheRunServicesValue) {
    Uninstall u(sim::Machine::Windows95());
    u.m.SetString(os::HKEY_LOCAL_MACHINE, RunServices, "TOOLSVC", "C:\\APP\\TOOLSVC.EXE");
    u.m.SetString(os::HKEY_LOCAL_MACHINE, RunServices, "OTHER", "C:\\OTHER.EXE");
    ServiceFile(u, "TOOLSVC").RunService95 = 1;
    EXPECT_TRUE(u.Go());
    EXPECT_EQ(u.m.CallCount("OpenSCManager"), 0);
    EXPECT_FALSE(u.m.HasValue(os::HKEY_LOCAL_MACHINE, RunServices, "TOOLSVC"));
    EXPECT_TRUE(u.m.HasValue(os::HKEY_LOCAL_MACHINE, RunServices, "OTHER"));
}

// ---- Files, shared counts, registrations -------------------------------------

TEST(UninstallFiles, ASharedFileCountedThreeTimesKeepsTwoAndStaysWithoutAQuestion) {
    Uninstall u(sim::Machine::NT40());
    u.m.SetDword(os::HKEY_LOCAL_MACHINE, SharedDlls, "C:\\APP\\COMMON.DLL", 3);
    u.Installed("COMMON.DLL").Shared = 1;
    EXPECT_TRUE(u.Go());
    EXPECT_EQ(u.m.GetDword(os::HKEY_LOCAL_MACHINE, SharedDlls, "C:\\APP\\COMMON.DLL"), 2u);
    EXPECT_TRUE(u.m.Exists("C:\\APP\\COMMON.DLL"));
    EXPECT_THAT(u.m.Boxes(), IsEmpty());
}

TEST(UninstallFiles, ASharedFileWithoutCountIsAskedForAndYesUnregistersAndDeletesIt) {
    Uninstall u(sim::Machine::NT40());
    FileRecord& f = u.Installed("COMMON.DLL");
    f.Shared = 1;
    f.SelfRegister = 1;
    u.m.AddComponent("C:\\APP\\COMMON.DLL", 0, 0);
    u.m.AnswerQuestions({os::IDYES});
    EXPECT_TRUE(u.Go());
    ASSERT_THAT(u.BoxTexts(), ElementsAre(Question("C:\\APP\\COMMON.DLL")));
    EXPECT_EQ(u.m.Boxes()[0].type, os::MB_YESNO | os::MB_ICONQUESTION | os::MB_DEFBUTTON2 | os::MB_SETFOREGROUND);
    EXPECT_THAT(u.m.EntryPointsCalled(), ElementsAre("C:\\APP\\COMMON.DLL!DllUnregisterServer"));
    EXPECT_FALSE(u.m.Exists("C:\\APP\\COMMON.DLL"));
    EXPECT_EQ(u.m.LoadedLibraries(), 0u);
}

TEST(UninstallFiles, AnsweringNoKeepsTheSharedFileButItsCountAndAppPathGo) {
    Uninstall u(sim::Machine::NT40());
    u.m.SetDword(os::HKEY_LOCAL_MACHINE, SharedDlls, "C:\\APP\\COMMON.DLL", 1);
    u.m.SetString(os::HKEY_LOCAL_MACHINE, std::string(AppPaths) + "\\COMMON.DLL", "",
                  "C:\\APP\\COMMON.DLL");
    FileRecord& f = u.Installed("COMMON.DLL");
    f.Shared = 1;
    f.SelfRegister = 1;
    f.AppPath = 1;
    u.m.AddComponent("C:\\APP\\COMMON.DLL", 0, 0);
    u.m.AnswerQuestions({os::IDNO});
    EXPECT_TRUE(u.Go());
    EXPECT_TRUE(u.m.Exists("C:\\APP\\COMMON.DLL"));
    EXPECT_FALSE(u.m.HasValue(os::HKEY_LOCAL_MACHINE, SharedDlls, "C:\\APP\\COMMON.DLL"));
    EXPECT_FALSE(u.m.KeyExists(os::HKEY_LOCAL_MACHINE, std::string(AppPaths) + "\\COMMON.DLL"));
    EXPECT_THAT(u.m.EntryPointsCalled(), IsEmpty());
    // The count's value, then the App Paths default value before its key.
    EXPECT_THAT(u.m.CallTrace({"RegDeleteValue", "RegDeleteKey"}),
                ElementsAre("RegDeleteValue", "RegDeleteValue", "RegDeleteKey"));
}

TEST(UninstallFiles, AStoredCountOfZeroIsTheLastReferenceNotAWrap) {
    Uninstall u(sim::Machine::NT40());
    u.m.SetDword(os::HKEY_LOCAL_MACHINE, SharedDlls, "C:\\APP\\COMMON.DLL", 0);
    u.Installed("COMMON.DLL").Shared = 1;
    u.m.AnswerQuestions({os::IDYES});
    EXPECT_TRUE(u.Go());
    EXPECT_EQ(u.m.Boxes().size(), 1u);
    EXPECT_FALSE(u.m.HasValue(os::HKEY_LOCAL_MACHINE, SharedDlls, "C:\\APP\\COMMON.DLL"));
    EXPECT_FALSE(u.m.Exists("C:\\APP\\COMMON.DLL"));
}

TEST(UninstallFiles, ASelfRegisteringFileThatIsNotSharedIsDeletedWithoutUnregistration) {
    Uninstall u(sim::Machine::NT40());
    u.Installed("PLUGIN.DLL").SelfRegister = 1;
    u.m.AddComponent("C:\\APP\\PLUGIN.DLL", 0, 0);
    EXPECT_TRUE(u.Go());
    EXPECT_FALSE(u.m.Exists("C:\\APP\\PLUGIN.DLL"));
    EXPECT_THAT(u.m.EntryPointsCalled(), IsEmpty());
}

TEST(UninstallFiles, ASharedFileIsDeletedLikeAnyOtherWhenTheCountKeyDoesNotOpen) {
    Uninstall u(sim::Machine::NT40());
    FileRecord& f = u.Installed("COMMON.DLL");
    f.Shared = 1;
    f.SelfRegister = 1;
    u.m.DeleteKeyTree(os::HKEY_LOCAL_MACHINE, SharedDlls);
    EXPECT_TRUE(u.Go());
    EXPECT_FALSE(u.m.Exists("C:\\APP\\COMMON.DLL"));
    EXPECT_THAT(u.m.Boxes(), IsEmpty());
}

TEST(UninstallFiles, AKeptFileKeepsItsFileAndAppPath) {
    Uninstall u(sim::Machine::NT40());
    u.m.SetString(os::HKEY_LOCAL_MACHINE, std::string(AppPaths) + "\\TOOL.EXE", "",
                  "C:\\APP\\TOOL.EXE");
    FileRecord& f = u.Installed("TOOL.EXE");
    f.KeepAtUninstall = 1;
    f.AppPath = 1;
    u.Installed("GONE.EXE");
    EXPECT_TRUE(u.Go());
    EXPECT_TRUE(u.m.Exists("C:\\APP\\TOOL.EXE"));
    EXPECT_TRUE(u.m.KeyExists(os::HKEY_LOCAL_MACHINE, std::string(AppPaths) + "\\TOOL.EXE"));
    EXPECT_FALSE(u.m.Exists("C:\\APP\\GONE.EXE"));
}

TEST(UninstallFiles, FilesExcludedOnThisPlatformStay) {
    Uninstall u(sim::Machine::Windows95());
    u.m.MakeDirectories("C:\\APP\\SUB");
    u.AddDir("SUB");
    u.m.WriteFile("C:\\APP\\SUB\\NOT95.DLL", "x");
    FileRecord& f = u.AddFile("NOT95.DLL");
    f.DirNumber = 1;
    f.NotOnWindows95 = 1;
    u.Installed("NOTNT.DLL").NotOnWindowsNT = 1;
    // A read-only file that no directory sweep reaches is deleted too.
    u.m.WriteFile("C:\\WINDOWS\\APP.INI", "ini");
    u.m.SetAttributes("C:\\WINDOWS\\APP.INI", os::FILE_ATTRIBUTE_READONLY);
    u.AddFile("APP.INI").InWindowsDir = 1;
    EXPECT_TRUE(u.Go());
    EXPECT_TRUE(u.m.Exists("C:\\APP\\SUB\\NOT95.DLL"));
    EXPECT_FALSE(u.m.Exists("C:\\APP\\NOTNT.DLL"));
    EXPECT_FALSE(u.m.Exists("C:\\WINDOWS\\APP.INI"));
}

struct UnregisterFailure {
    const char* name;
    bool byRun;
    bool started;          // program or library present
    std::int32_t status;   // exit code or DllUnregisterServer result
    bool hasEntry;
    const char* box;
};

class UninstallUnregisterFailure : public ::testing::TestWithParam<UnregisterFailure> {};

TEST_P(UninstallUnregisterFailure, IsReportedAndStopsTheRunBeforeTheFileIsDeleted) {
    const UnregisterFailure& c = GetParam();
    Uninstall u(sim::Machine::NT40());
    FileRecord& f = u.Installed("SERVER.EXE");
    f.Shared = 1;
    f.SelfRegister = 1;
    f.RegisterByRun = c.byRun ? 1 : 0;
    u.Installed("LATER.TXT");
    u.AddKey(os::HKEY_LOCAL_MACHINE, "Software\\Tool");
    u.m.CreateKey(os::HKEY_LOCAL_MACHINE, "Software\\Tool");
    if (c.started && c.byRun) u.m.AddProgram("C:\\APP\\SERVER.EXE", c.status);
    if (c.started && !c.byRun)
        u.m.AddComponent("C:\\APP\\SERVER.EXE", 0, c.status, nullptr, true, c.hasEntry);
    u.m.AnswerQuestions({os::IDYES});
    EXPECT_FALSE(u.Go());
    ASSERT_EQ(u.m.Boxes().size(), 2u);
    EXPECT_EQ(u.m.Boxes()[1].text, c.box);
    EXPECT_TRUE(u.m.Exists("C:\\APP\\SERVER.EXE"));
    EXPECT_TRUE(u.m.Exists("C:\\APP\\LATER.TXT"));
    EXPECT_TRUE(u.m.KeyExists(os::HKEY_LOCAL_MACHINE, "Software\\Tool"));
    EXPECT_EQ(u.m.LoadedLibraries(), 0u);
    EXPECT_EQ(u.run.Package, os::InvalidFile);
}

INSTANTIATE_TEST_SUITE_P(
    Uninstall, UninstallUnregisterFailure,
    ::testing::Values(
        UnregisterFailure{"ProgramNotStarted", true, false, 0, true,
                          "Unable to execute OleServer application 'C:\\APP\\SERVER.EXE'."},
        UnregisterFailure{"ProgramExitCode", true, true, 3, true,
                          "Unable to unregister OleServer 'C:\\APP\\SERVER.EXE'. Error code 3"},
        UnregisterFailure{"LibraryNotLoaded", false, false, 0, true,
                          "Unable to load library 'C:\\APP\\SERVER.EXE'."},
        UnregisterFailure{"NoEntryPoint", false, true, 0, false,
                          "Unable to get address of DllUnRegisterServer function in "
                          "'C:\\APP\\SERVER.EXE'."},
        UnregisterFailure{"EntryPointFails", false, true, -5, true,
                          "Error when calling function DllUnRegisterServer in "
                          "'C:\\APP\\SERVER.EXE'. Error code -5"}),
    [](const ::testing::TestParamInfo<UnregisterFailure>& p) { return p.param.name; });

TEST(UninstallFiles, UnregistrationByRunPassesUnregserverToTheProgram) {
    Uninstall u(sim::Machine::NT40());
    FileRecord& f = u.Installed("SERVER.EXE");
    f.Shared = 1;
    f.SelfRegister = 1;
    f.RegisterByRun = 1;
    u.m.AddProgram("C:\\APP\\SERVER.EXE", 0);
    u.m.AnswerQuestions({os::IDYES});
    EXPECT_TRUE(u.Go());
    ASSERT_EQ(u.m.StartedProcesses().size(), 1u);
    EXPECT_EQ(u.m.StartedProcesses()[0].program, "C:\\APP\\SERVER.EXE");
    EXPECT_THAT(u.m.StartedProcesses()[0].commandLine, ::testing::EndsWith(" /UNREGSERVER"));
    EXPECT_FALSE(u.m.Exists("C:\\APP\\SERVER.EXE"));
}

TEST(UninstallFiles, UnregistrationByRunReachesAProgramInADirectoryWithBlanks) {
    Uninstall u(sim::Machine::NT40());
    u.m.MakeDirectories("C:\\APP\\MY SERVER");
    u.AddDir("MY SERVER");
    u.m.WriteFile("C:\\APP\\MY SERVER\\SERVER.EXE", "server");
    FileRecord& f = u.AddFile("SERVER.EXE");
    f.DirNumber = 1;
    f.Shared = 1;
    f.SelfRegister = 1;
    f.RegisterByRun = 1;
    u.m.AddProgram("C:\\APP\\MY SERVER\\SERVER.EXE", 0);
    u.m.AnswerQuestions({os::IDYES});
    EXPECT_TRUE(u.Go());
    ASSERT_EQ(u.m.StartedProcesses().size(), 1u);
    EXPECT_EQ(u.m.StartedProcesses()[0].program, "C:\\APP\\MY SERVER\\SERVER.EXE");
    EXPECT_EQ(u.m.StartedProcesses()[0].commandLine,
              "\"C:\\APP\\MY SERVER\\SERVER.EXE\" /UNREGSERVER");
    EXPECT_FALSE(u.m.Exists("C:\\APP\\MY SERVER"));
}

// ---- Directories and the destination ----------------------------------------

TEST(UninstallDirectories, ADirectoryGoesWithItsFilesButNotWhileASubdirectoryRemains) {
    Uninstall u(sim::Machine::NT40());
    u.m.WriteFile("C:\\APP\\DATA\\EXTRA.DAT", "made by the program");
    u.m.WriteFile("C:\\APP\\DATA\\SUB\\MORE.DAT", "more");
    u.m.WriteFile("C:\\APP\\DOCS\\A.TXT", "a");
    u.m.WriteFile("C:\\APP\\KEEP\\K.TXT", "k");
    u.AddDir("DATA");
    u.AddDir("DATA\\SUB");
    u.AddDir("DOCS");
    u.AddDir("KEEP").KeepAtUninstall = 1;
    u.m.WriteFile("C:\\APP\\USER.CFG", "settings");
    EXPECT_TRUE(u.Go());
    // The directories are swept before the destination's own files.
    const std::vector<std::string> details = u.m.ItemHistory(385);
    const auto docs = std::find(details.begin(), details.end(), "C:\\APP\\DOCS\\A.TXT");
    const auto own = std::find(details.begin(), details.end(), "C:\\APP\\USER.CFG");
    EXPECT_TRUE(docs < own && own != details.end());
    // DATA comes before its subdirectory in the table, so it stays (empty).
    EXPECT_TRUE(u.m.IsDirectory("C:\\APP\\DATA"));
    EXPECT_FALSE(u.m.Exists("C:\\APP\\DATA\\EXTRA.DAT"));
    EXPECT_FALSE(u.m.Exists("C:\\APP\\DATA\\SUB"));
    EXPECT_FALSE(u.m.Exists("C:\\APP\\DOCS"));
    EXPECT_TRUE(u.m.Exists("C:\\APP\\KEEP\\K.TXT"));
}

TEST(UninstallDestination, TheUninstallerSurvivesWhileTheLogAndOtherFilesGo) {
    Uninstall u(sim::Machine::NT40());
    u.m.WriteFile("C:\\APP\\InstLog.txt", "log");
    u.m.WriteFile("C:\\APP\\USER.CFG", "settings");
    u.m.WriteFile("C:\\APP\\PLUGINS\\P.DLL", "plugin");
    EXPECT_TRUE(u.Go());
    EXPECT_THAT(u.m.ListDirectory("C:\\APP"), ElementsAre("PLUGINS", "UNINST.EXE"));
    EXPECT_TRUE(u.m.Exists("C:\\APP\\PLUGINS\\P.DLL"));
    EXPECT_EQ(u.run.Package, os::InvalidFile);
    EXPECT_EQ(u.m.OpenFileHandles(), 0u);
}

TEST(UninstallDestination, TheBarEndsAtTheFullTotal) {
    Uninstall u(sim::Machine::NT40());
    u.Installed("A.EXE");
    u.run.ProgressTotal = 1000;
    EXPECT_TRUE(u.Go());
    ASSERT_FALSE(u.m.ProgressHistory().empty());
    EXPECT_EQ(u.m.ProgressHistory().back(), "100%");
}

TEST(UninstallDestination, AKeptFileDirectlyInTheDestinationSurvivesWithItsAttributes) {
    Uninstall u(sim::Machine::NT40());
    u.Installed("SETTINGS.INI").KeepAtUninstall = 1;
    u.m.SetAttributes("C:\\APP\\SETTINGS.INI", os::FILE_ATTRIBUTE_HIDDEN);
    u.Installed("TOOL.EXE");
    EXPECT_TRUE(u.Go());
    EXPECT_THAT(u.m.ListDirectory("C:\\APP"), ElementsAre("SETTINGS.INI", "UNINST.EXE"));
    EXPECT_EQ(u.m.Attributes("C:\\APP\\SETTINGS.INI"), os::FILE_ATTRIBUTE_HIDDEN);
}

TEST(UninstallDirectories, ASharedFileStillCountedSurvivesTheSweepOfItsDirectory) {
    Uninstall u(sim::Machine::NT40());
    u.m.WriteFile("C:\\APP\\LIB\\COMMON.DLL", "shared");
    u.m.WriteFile("C:\\APP\\LIB\\OWN.DLL", "own");
    u.m.SetDword(os::HKEY_LOCAL_MACHINE, SharedDlls, "C:\\APP\\LIB\\COMMON.DLL", 2);
    u.AddDir("LIB");
    FileRecord& f = u.AddFile("COMMON.DLL");
    f.DirNumber = 1;
    f.Shared = 1;
    EXPECT_TRUE(u.Go());
    EXPECT_THAT(u.m.ListDirectory("C:\\APP\\LIB"), ElementsAre("COMMON.DLL"));
    EXPECT_EQ(u.m.GetDword(os::HKEY_LOCAL_MACHINE, SharedDlls, "C:\\APP\\LIB\\COMMON.DLL"), 1u);
}

TEST(UninstallDirectories, ASharedFileTheUserKeptSurvivesTheSweepOfTheDestination) {
    Uninstall u(sim::Machine::NT40());
    u.Installed("COMMON.DLL").Shared = 1;
    u.m.AnswerQuestions({os::IDNO});
    EXPECT_TRUE(u.Go());
    EXPECT_EQ(u.m.ReadText("C:\\APP\\COMMON.DLL"), "data");
}

// ---- Registry ----------------------------------------------------------------

TEST(UninstallRegistry, AKeptKeyStaysButTheValuesOfItsRecordsGo) {
    Uninstall u(sim::Machine::NT40());
    u.m.SetString(os::HKEY_CURRENT_USER, "Software\\Tool", "Path", "C:\\APP");
    u.m.SetString(os::HKEY_CURRENT_USER, "Software\\Tool", "", "default");
    u.m.SetString(os::HKEY_CURRENT_USER, "Software\\Tool", "Kept", "yes");
    u.m.SetString(os::HKEY_CURRENT_USER, "Software\\Tool", "Foreign", "theirs");
    u.AddKey(os::HKEY_CURRENT_USER, "Software\\Tool").KeepAtUninstall = 1;
    u.AddValue(1, "Path");
    u.AddValue(1, "");
    u.AddValue(1, "Kept").KeepAtUninstall = 1;
    // Records this platform passes over are left as well.
    u.m.SetString(os::HKEY_CURRENT_USER, "Software\\Tool", "Not NT", "x");
    u.AddValue(1, "Not NT").NotOnWindowsNT = 1;
    u.m.CreateKey(os::HKEY_CURRENT_USER, "Software\\Other");
    u.AddKey(os::HKEY_CURRENT_USER, "Software\\Other").NotOnWindowsNT = 1;
    EXPECT_TRUE(u.Go());
    EXPECT_TRUE(u.m.KeyExists(os::HKEY_CURRENT_USER, "Software\\Other"));
    EXPECT_THAT(u.m.ValueNames(os::HKEY_CURRENT_USER, "Software\\Tool"),
                ::testing::UnorderedElementsAre("Kept", "Foreign", "Not NT"));
    EXPECT_EQ(u.m.OpenRegistryKeys(), 0u);
}

TEST(UninstallRegistry, KeysWithoutValueRecordsAreStillDeleted) {
    Uninstall u(sim::Machine::NT40());
    u.m.SetString(os::HKEY_LOCAL_MACHINE, "Software\\Tool\\Settings", "Size", "10");
    u.AddKey(os::HKEY_LOCAL_MACHINE, "Software\\Tool\\Settings");
    u.AddKey(os::HKEY_LOCAL_MACHINE, "Software\\Tool");
    EXPECT_TRUE(u.Go());
    EXPECT_FALSE(u.m.KeyExists(os::HKEY_LOCAL_MACHINE, "Software\\Tool"));
}

TEST(UninstallRegistry, OnWindowsNTAKeyThatStillHasSubkeysStays) {
    Uninstall u(sim::Machine::NT40());
    u.m.CreateKey(os::HKEY_LOCAL_MACHINE, "Software\\Tool\\Settings");
    u.AddKey(os::HKEY_LOCAL_MACHINE, "Software\\Tool");
    u.AddKey(os::HKEY_LOCAL_MACHINE, "Software\\Tool\\Settings");
    EXPECT_TRUE(u.Go());
    EXPECT_TRUE(u.m.KeyExists(os::HKEY_LOCAL_MACHINE, "Software\\Tool"));
    EXPECT_FALSE(u.m.KeyExists(os::HKEY_LOCAL_MACHINE, "Software\\Tool\\Settings"));
}

TEST(UninstallRegistry, AKeyRecordWithAnEmptySubkeyNeverDeletesItsRoot) {
    Uninstall u(sim::Machine::Windows95());
    u.m.SetString(os::HKEY_CURRENT_USER, "", "ToolValue", "x");
    u.m.SetString(os::HKEY_CURRENT_USER, "Software\\Other", "Name", "theirs");
    u.AddKey(os::HKEY_CURRENT_USER, "");
    u.AddValue(1, "ToolValue");
    EXPECT_TRUE(u.Go());
    EXPECT_FALSE(u.m.HasValue(os::HKEY_CURRENT_USER, "", "ToolValue"));
    EXPECT_TRUE(u.m.HasValue(os::HKEY_CURRENT_USER, "Software\\Other", "Name"));
}

// ---- Cancellation ------------------------------------------------------------------

TEST(UninstallCancel, CancellingDuringTheFilesLeavesTheRegistryRecordsAndLaterPhases) {
    Uninstall u(sim::Machine::NT40());
    u.m.SetDword(os::HKEY_LOCAL_MACHINE, SharedDlls, "C:\\APP\\FIRST.DLL", 2);
    u.m.SetString(os::HKEY_LOCAL_MACHINE, std::string(AppPaths) + "\\FIRST.DLL", "", "x");
    FileRecord& first = u.Installed("FIRST.DLL");
    first.Shared = 1;
    first.AppPath = 1;
    u.Installed("SECOND.DLL");
    u.m.WriteFile("C:\\APP\\InstLog.txt", "log");
    u.m.SetString(os::HKEY_LOCAL_MACHINE, "Software\\Tool", "Path", "C:\\APP");
    u.AddKey(os::HKEY_LOCAL_MACHINE, "Software\\Tool");
    u.AddValue(1, "Path");
    // The whole work run in its dialog, so that Escape reaches the Cancel
    // command. Its first poll is the files phase's first (no service on
    // this machine); Escape at the second: the first record is handled.
    u.Bind(true);
    u.run.Package = u.m.LOpen("C:\\APP\\UNINST.EXE", os::OF_READ);
    u.m.HoldEscapeAtPoll(2);
    u.m.AnswerQuestions({os::IDYES});
    EXPECT_EQ(ProgressDialog(u.run, RunWork), 0);
    EXPECT_TRUE(u.run.AbortRequested);
    EXPECT_THAT(u.BoxTexts(), ElementsAre("Do you want to abort the uninstallation?"));
    EXPECT_EQ(u.m.GetDword(os::HKEY_LOCAL_MACHINE, SharedDlls, "C:\\APP\\FIRST.DLL"), 1u);
    EXPECT_FALSE(u.m.KeyExists(os::HKEY_LOCAL_MACHINE, std::string(AppPaths) + "\\FIRST.DLL"));
    EXPECT_TRUE(u.m.Exists("C:\\APP\\SECOND.DLL"));
    EXPECT_TRUE(u.m.Exists("C:\\APP\\InstLog.txt"));
    EXPECT_EQ(u.m.GetString(os::HKEY_LOCAL_MACHINE, "Software\\Tool", "Path"), "C:\\APP");
    EXPECT_EQ(u.run.Package, os::InvalidFile);
}

}  // namespace
