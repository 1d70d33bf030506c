// The simulated system: versions and directories per Windows version,
// modules, libraries with registration entry points, processes and their
// command lines, batch files, version resources and SZDD expansion.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "pe/pe_version.h"
#include "platform/sim/machine.h"
#include "szdd/szdd.h"

using ::testing::ElementsAre;

namespace {

struct VersionCase {
    const char* name;
    sim::Machine (*make)();
    os::VersionInfo version;
    const char* systemDir;
};

class SimVersions : public ::testing::TestWithParam<VersionCase> {};

std::string Dir(unsigned (sim::Machine::*get)(char*, unsigned), sim::Machine& m) {
    char buffer[260] = {};
    unsigned n = (m.*get)(buffer, sizeof buffer);
    return std::string(buffer, n);
}

}  // namespace

TEST_P(SimVersions, ReportTheirVersionPlatformAndDirectories) {
    sim::Machine m = GetParam().make();
    os::VersionInfo v{};
    ASSERT_TRUE(m.GetVersionEx(&v));
    EXPECT_EQ(v.Major, GetParam().version.Major);
    EXPECT_EQ(v.Minor, GetParam().version.Minor);
    EXPECT_EQ(v.PlatformId, GetParam().version.PlatformId);
    EXPECT_EQ(Dir(&sim::Machine::GetWindowsDirectory, m), "C:\\WINDOWS");
    EXPECT_EQ(Dir(&sim::Machine::GetSystemDirectory, m), GetParam().systemDir);
    EXPECT_TRUE(m.IsDirectory(GetParam().systemDir));
    char temp[260];
    ASSERT_EQ(m.GetTempPath(sizeof temp, temp), 8u);
    EXPECT_STREQ(temp, "C:\\TEMP\\");
}

INSTANTIATE_TEST_SUITE_P(
    EveryVersion, SimVersions,
    ::testing::Values(
        VersionCase{"Win32s", &sim::Machine::Win32s, {3, 10, 0, 0}, "C:\\WINDOWS\\SYSTEM"},
        VersionCase{"Windows95", &sim::Machine::Windows95, {4, 0, 0, 1}, "C:\\WINDOWS\\SYSTEM"},
        VersionCase{"NT351", &sim::Machine::NT351, {3, 51, 0, 2}, "C:\\WINDOWS\\SYSTEM32"},
        VersionCase{"NT40", &sim::Machine::NT40, {4, 0, 0, 2}, "C:\\WINDOWS\\SYSTEM32"},
        VersionCase{"Windows10", &sim::Machine::Windows10, {10, 0, 0, 2}, "C:\\WINDOWS\\SYSTEM32"}),
    [](const ::testing::TestParamInfo<VersionCase>& p) { return std::string(p.param.name); });

TEST(SimSystem, DirectoryCallsGiveTheSizeNeededWhenTheBufferIsTooSmall) {
    sim::Machine m = sim::Machine::NT40();
    m.SetTempPath("C:\\Documents and Settings\\User\\Temp\\");
    char small[8] = "keep";
    EXPECT_EQ(m.GetTempPath(sizeof small, small), 37u);
    EXPECT_STREQ(small, "keep");
    EXPECT_TRUE(m.IsDirectory("C:\\Documents and Settings\\User\\Temp"));
}

TEST(SimSystem, ModuleFileNameIsSettableAndCutToTheBuffer) {
    sim::Machine m = sim::Machine::NT40();
    char buffer[260];
    EXPECT_EQ(m.GetModuleFileName(buffer, sizeof buffer), 12u);
    EXPECT_STREQ(buffer, "C:\\SETUP.EXE");
    m.SetModuleFileName("C:\\APP\\UNINST.EXE");
    char small[6];
    EXPECT_EQ(m.GetModuleFileName(small, sizeof small), 6u);
    EXPECT_STREQ(small, "C:\\AP");
}

TEST(SimSystem, ModuleHandlesAreFoundByNameWithDllAssumed) {
    sim::Machine m = sim::Machine::NT40();
    EXPECT_FALSE(m.GetModuleHandle("TOOL.DLL"));
    m.LoadModule("tool");
    EXPECT_TRUE(m.GetModuleHandle("TOOL.DLL"));
    EXPECT_TRUE(m.GetModuleHandle("Tool"));
    EXPECT_FALSE(m.GetModuleHandle("TOOL.EXE"));
    EXPECT_TRUE(m.GetModuleHandle("SETUP.EXE"));
    EXPECT_TRUE(m.GetModuleHandle("kernel32"));
    m.UnloadModule("TOOL.DLL");
    EXPECT_FALSE(m.GetModuleHandle("TOOL"));
}

TEST(SimSystem, AComponentRegistersThroughItsEntryPoint) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile("C:\\APP\\COMP.DLL", "library");
    m.AddComponent("C:\\APP\\COMP.DLL", 0, 5, [](sim::Machine& mm) {
        mm.SetString(os::HKEY_CLASSES_ROOT, "CLSID\\{X}", "", "registered");
    });
    os::LibraryHandle lib = m.LoadLibrary("c:\\app\\comp.dll");
    ASSERT_NE(lib, 0u);
    EXPECT_EQ(m.GetProcAddress(lib, "DllUnRegisterServer"), 0u);  // names are case-sensitive
    os::EntryPoint reg = m.GetProcAddress(lib, "DllRegisterServer");
    os::EntryPoint unreg = m.GetProcAddress(lib, "DllUnregisterServer");
    ASSERT_NE(reg, 0u);
    EXPECT_EQ(m.CallEntryPoint(reg), 0);
    EXPECT_EQ(m.GetString(os::HKEY_CLASSES_ROOT, "CLSID\\{X}", ""), "registered");
    EXPECT_EQ(m.CallEntryPoint(unreg), 5);
    EXPECT_THAT(m.EntryPointsCalled(),
                ElementsAre("C:\\APP\\COMP.DLL!DllRegisterServer", "C:\\APP\\COMP.DLL!DllUnregisterServer"));
    EXPECT_TRUE(m.FreeLibrary(lib));
    EXPECT_EQ(m.LoadedLibraries(), 0u);
}

TEST(SimSystem, LoadLibraryRefusesMissingFilesAndFilesThatAreNoLibrary) {
    sim::Machine m = sim::Machine::NT40();
    EXPECT_EQ(m.LoadLibrary("C:\\APP\\NONE.DLL"), 0u);
    m.WriteFile("C:\\APP\\TEXT.DLL", "text");
    EXPECT_EQ(m.LoadLibrary("C:\\APP\\TEXT.DLL"), 0u);
    m.WriteFile("C:\\APP\\NOREG.DLL", "lib");
    m.AddComponent("C:\\APP\\NOREG.DLL", 0, 0, nullptr, false, false);
    os::LibraryHandle lib = m.LoadLibrary("C:\\APP\\NOREG.DLL");
    ASSERT_NE(lib, 0u);
    EXPECT_EQ(m.GetProcAddress(lib, "DllRegisterServer"), 0u);
    m.FreeLibrary(lib);
}

TEST(SimProcesses, AQuotedProgramPathStartsThatProgram) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile("C:\\Program Files\\App\\SERVER.EXE", "exe");
    std::string seen;
    m.AddProgram("C:\\Program Files\\App\\SERVER.EXE", 0,
                 [&](sim::Machine&, const std::string& line) { seen = line; }, 2);
    os::ProcessHandle p = m.CreateProcess("\"C:\\Program Files\\App\\SERVER.EXE\" /REGSERVER", os::SW_HIDE, 0);
    ASSERT_NE(p, 0u);
    EXPECT_EQ(seen, "\"C:\\Program Files\\App\\SERVER.EXE\" /REGSERVER");
    std::uint32_t code = 0;
    ASSERT_TRUE(m.GetExitCodeProcess(p, &code));
    EXPECT_EQ(code, os::STILL_ACTIVE);
    ASSERT_TRUE(m.GetExitCodeProcess(p, &code));
    EXPECT_EQ(code, os::STILL_ACTIVE);
    ASSERT_TRUE(m.GetExitCodeProcess(p, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(m.CloseProcess(p));
    ASSERT_EQ(m.StartedProcesses().size(), 1u);
    EXPECT_EQ(m.StartedProcesses()[0].show, os::SW_HIDE);
    EXPECT_EQ(m.StartedProcesses()[0].program, "C:\\Program Files\\App\\SERVER.EXE");
}

TEST(SimProcesses, AnUnquotedPathWithBlanksStartsTheFirstProgramOnTheWay) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile("C:\\Program Files\\App\\SERVER.EXE", "exe");
    m.AddProgram("C:\\Program Files\\App\\SERVER.EXE", 0);
    m.WriteFile("C:\\Program.exe", "planted");
    m.AddProgram("C:\\Program.exe", 42);
    os::ProcessHandle p = m.CreateProcess("C:\\Program Files\\App\\SERVER.EXE /REGSERVER", os::SW_HIDE, 0);
    ASSERT_NE(p, 0u);
    EXPECT_EQ(m.StartedProcesses()[0].program, "C:\\Program.exe");
    std::uint32_t code = 0;
    m.GetExitCodeProcess(p, &code);
    EXPECT_EQ(code, 42u);
}

TEST(SimProcesses, AnUnknownOrMissingProgramDoesNotStart) {
    sim::Machine m = sim::Machine::NT40();
    EXPECT_EQ(m.CreateProcess("C:\\NONE.EXE", os::SW_SHOWNORMAL, 0), 0u);
    EXPECT_EQ(m.GetLastError(), os::ERROR_FILE_NOT_FOUND);
    m.WriteFile("C:\\UNKNOWN.EXE", "exe");
    EXPECT_EQ(m.CreateProcess("C:\\UNKNOWN.EXE", os::SW_SHOWNORMAL, 0), 0u);
    m.AddProgram("C:\\GONE.EXE", 0);
    EXPECT_EQ(m.CreateProcess("C:\\GONE.EXE", os::SW_SHOWNORMAL, 0), 0u);
    EXPECT_EQ(m.StartedProcesses().size(), 3u);
}

TEST(SimProcesses, TheSelfRemovalBatchDeletesTheUninstallerTheDirectoryAndItself) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile("C:\\My App\\UNINST.EXE", "uninstaller");
    m.WriteFile("C:\\My Temp\\ins1.BAT",
                "@echo off\r\n:a\r\ndel \"C:\\My App\\UNINST.EXE\"\r\nif exist \"C:\\My App\\UNINST.EXE\" goto a\r\n"
                "rd \"C:\\My App\"\r\ndel \"C:\\My Temp\\ins1.BAT\"\r\n");
    ASSERT_NE(m.CreateProcess("\"C:\\My Temp\\ins1.BAT\"", os::SW_HIDE, 0), 0u);
    ASSERT_TRUE(m.RunBatch("C:\\My Temp\\ins1.BAT"));
    EXPECT_FALSE(m.Exists("C:\\My App"));
    EXPECT_FALSE(m.Exists("C:\\My Temp\\ins1.BAT"));
    EXPECT_TRUE(m.IsDirectory("C:\\My Temp"));
}

TEST(SimProcesses, AnUnquotedBatchPathWithBlanksCannotDeleteItself) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile("C:\\APP\\UNINST.EXE", "uninstaller");
    m.WriteFile("C:\\My Temp\\ins1.BAT",
                "@echo off\r\n:a\r\ndel \"C:\\APP\\UNINST.EXE\"\r\nif exist \"C:\\APP\\UNINST.EXE\" goto a\r\n"
                "rd \"C:\\APP\"\r\ndel C:\\My Temp\\ins1.BAT\r\n");
    ASSERT_TRUE(m.RunBatch("C:\\My Temp\\ins1.BAT"));
    EXPECT_FALSE(m.Exists("C:\\APP"));
    EXPECT_TRUE(m.Exists("C:\\My Temp\\ins1.BAT"));
}

TEST(SimProcesses, ABatchWaitingForALockedFileNeverEnds) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile("C:\\APP\\UNINST.EXE", "uninstaller");
    m.LockFile("C:\\APP\\UNINST.EXE");
    m.WriteFile("C:\\TEMP\\x.BAT",
                ":a\r\ndel \"C:\\APP\\UNINST.EXE\"\r\nif exist \"C:\\APP\\UNINST.EXE\" goto a\r\n");
    EXPECT_FALSE(m.RunBatch("C:\\TEMP\\x.BAT"));
    EXPECT_TRUE(m.Exists("C:\\APP\\UNINST.EXE"));
}

TEST(SimProcesses, ABatchDoesNotCountAsCallsOfTheRun) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile("C:\\TEMP\\x.BAT", "del \"C:\\TEMP\\x.BAT\"\r\n");
    m.FailCall("DeleteFile", 0, os::ERROR_ACCESS_DENIED);
    ASSERT_TRUE(m.RunBatch("C:\\TEMP\\x.BAT"));
    EXPECT_FALSE(m.Exists("C:\\TEMP\\x.BAT"));
    EXPECT_EQ(m.CallCount("DeleteFile"), 0);
}

TEST(SimSystem, SleepAdvancesTheVirtualClock) {
    sim::Machine m = sim::Machine::NT40();
    m.Sleep(500);
    m.Sleep(250);
    EXPECT_THAT(m.Sleeps(), ElementsAre(500u, 250u));
    EXPECT_EQ(m.Clock(), 750u);
}

TEST(SimSystem, CompletionCallsAreRecorded) {
    sim::Machine m = sim::Machine::NT40();
    m.ShellExecute("C:\\APP\\README.TXT", nullptr, "C:\\APP", os::SW_SHOWNORMAL);
    m.WinHelp("C:\\APP\\APP.HLP", os::HELP_CONTEXT, 7);
    m.ExitWindowsEx(os::EWX_REBOOT);
    ASSERT_EQ(m.ShellExecutes().size(), 1u);
    EXPECT_EQ(m.ShellExecutes()[0].directory, "C:\\APP");
    ASSERT_EQ(m.WinHelps().size(), 1u);
    EXPECT_EQ(m.WinHelps()[0].data, 7u);
    EXPECT_TRUE(m.ExitWindowsCalled());
    EXPECT_EQ(m.ExitWindowsFlags(), os::EWX_REBOOT);
}

TEST(SimVersionInfo, IsReadFromTheFilesRealVersionResource) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile("C:\\APP\\V.DLL", pe::MakeDllWithVersion(2, 1, 300, 7));
    std::uint32_t size = m.GetFileVersionInfoSize("C:\\APP\\V.DLL");
    ASSERT_GT(size, 0u);
    std::vector<std::uint8_t> block(size);
    ASSERT_TRUE(m.GetFileVersionInfo("C:\\APP\\V.DLL", size, block.data()));
    std::uint32_t ms = 0, ls = 0;
    ASSERT_TRUE(m.QueryFileVersion(block.data(), &ms, &ls));
    EXPECT_EQ(ms, 0x00020001u);
    EXPECT_EQ(ls, 0x012C0007u);
}

TEST(SimVersionInfo, AFileWithoutOneHasSizeZeroAndError1813) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile("C:\\APP\\PLAIN.DLL", "no version here");
    EXPECT_EQ(m.GetFileVersionInfoSize("C:\\APP\\PLAIN.DLL"), 0u);
    EXPECT_EQ(m.GetLastError(), os::ERROR_RESOURCE_TYPE_NOT_FOUND);
    EXPECT_EQ(m.GetFileVersionInfoSize("C:\\APP\\MISSING.DLL"), 0u);
    EXPECT_EQ(m.GetLastError(), os::ERROR_FILE_NOT_FOUND);
}

TEST(SimLz, ExpandsAnSzddFileIntoTheTarget) {
    sim::Machine m = sim::Machine::NT40();
    std::string text(5000, 'a');
    for (std::size_t i = 0; i < text.size(); i += 7) text[i] = static_cast<char>('a' + i % 26);
    std::vector<std::uint8_t> packed =
        szdd::Compress(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), 'L');
    m.WriteFile("C:\\APP\\TOOL.DL_", packed);
    int in = m.LZOpenFile("C:\\APP\\TOOL.DL_", os::OF_READ);
    int out = m.LZOpenFile("C:\\APP\\TOOL.DLL", os::OF_CREATE);
    ASSERT_GE(in, 0);
    ASSERT_GE(out, 0);
    EXPECT_EQ(m.LZCopy(in, out), static_cast<long>(text.size()));
    m.LZClose(in);
    m.LZClose(out);
    EXPECT_EQ(m.ReadText("C:\\APP\\TOOL.DLL"), text);
    EXPECT_EQ(m.OpenFileHandles(), 0u);
}

// As the system's expander: the result is the size written, a compressed
// file cut short writes and reports what its items give, data without the
// signature are copied as they are, and only an unknown mode or a missing
// file is an error.
TEST(SimLz, ReportsTheSizeItWroteAndErrorsOnlyForWhatItCannotRead) {
    std::string text(3000, 'q');
    for (std::size_t i = 0; i < text.size(); i += 5) text[i] = static_cast<char>('a' + i % 23);
    const std::vector<std::uint8_t> packed =
        szdd::Compress(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    struct Case {
        const char* what;
        std::vector<std::uint8_t> source;
        long result;  // -1: any negative code
        std::string written;
    };
    std::vector<std::uint8_t> half(packed.begin(), packed.begin() + static_cast<long>(packed.size() / 2));
    std::vector<std::uint8_t> badMode = packed;
    badMode[8] = 'B';
    std::vector<std::uint8_t> expandedHalf;
    ASSERT_TRUE(szdd::ExpandToTheEnd(half.data(), half.size(), expandedHalf));
    ASSERT_GT(expandedHalf.size(), 100u);
    ASSERT_LT(expandedHalf.size(), text.size());
    const std::string prefix(expandedHalf.begin(), expandedHalf.end());
    ASSERT_EQ(text.compare(0, prefix.size(), prefix), 0);
    const std::vector<Case> cases = {
        {"whole", packed, static_cast<long>(text.size()), text},
        {"cut in half", half, static_cast<long>(prefix.size()), prefix},
        {"header only", std::vector<std::uint8_t>(packed.begin(), packed.begin() + 14), 0, ""},
        {"plain data", {'M', 'Z', 'x'}, 3, "MZx"},
        {"unknown mode", badMode, -1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim::Machine m = sim::Machine::NT40();
        m.WriteFile("C:\\APP\\TOOL.DL_", c.source);
        int in = m.LZOpenFile("C:\\APP\\TOOL.DL_", os::OF_READ);
        int out = m.LZOpenFile("C:\\APP\\TOOL.DLL", os::OF_CREATE);
        ASSERT_GE(in, 0);
        ASSERT_GE(out, 0);
        const long result = m.LZCopy(in, out);
        m.LZClose(in);
        m.LZClose(out);
        if (c.result < 0) {
            EXPECT_LT(result, 0);
            continue;
        }
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(m.ReadText("C:\\APP\\TOOL.DLL"), c.written);
    }
    sim::Machine m = sim::Machine::NT40();
    EXPECT_LT(m.LZOpenFile("C:\\APP\\NONE.DL_", os::OF_READ), 0);
}
