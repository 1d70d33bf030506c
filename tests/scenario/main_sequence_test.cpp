// The whole program from entry to exit code: the package path, the mode,
// the order of the steps, and the final sequence from every way out.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "run/main_sequence.h"
#include "support/scenario.h"

namespace {

using scenario::AppPackage;
using scenario::RunResult;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

PackageBuilder OneFilePackage() {
    PackageBuilder b = AppPackage();
    b.File("README.TXT", TextBytes("read me"));
    return b;
}

// What an installation leaves as the uninstaller: the package up to the end
// of its information, without file data.
Bytes UninstallerOf(const PackageBuilder& b) {
    Bytes bytes = b.Build();
    bytes.resize(b.Get().InfoOffset() + b.Get().InfoSize());
    return bytes;
}

// ---- The command line -------------------------------------------------------

TEST(CommandLineTail, SkipsAnUnquotedProgramNameAndTheBlanksAfterIt) {
    EXPECT_STREQ(CommandLineTail("SETUP.EXE   C:\\TEMP\\A.EXE"), "C:\\TEMP\\A.EXE");
    EXPECT_STREQ(CommandLineTail("SETUP.EXE"), "");
    EXPECT_STREQ(CommandLineTail("SETUP.EXE\t\x01 x y "), "x y ");
}

TEST(CommandLineTail, EndsAQuotedProgramNameAtItsClosingQuote) {
    EXPECT_STREQ(CommandLineTail("\"C:\\My Setup\\SETUP.EXE\" \"C:\\A B\\P.EXE\""),
                 "\"C:\\A B\\P.EXE\"");
    EXPECT_STREQ(CommandLineTail("\"C:\\My Setup\\SETUP.EXE\""), "");
    EXPECT_STREQ(CommandLineTail("\"C:\\unclosed name"), "");
}

TEST(CommandLineTail, TakesCharactersAbove127AsPartOfTheName) {
    EXPECT_STREQ(CommandLineTail("SET\xE9UP.EXE rest"), "rest");
}

TEST(MainSequence, ReadsThePackageNamedOnTheCommandLine) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile("C:\\TEMP\\SETUP.EXE", OneFilePackage().Build());
    m.SetModuleFileName("C:\\BIN\\STUB.EXE");
    m.TypeDestination("C:\\APP");
    m.PressInstall();
    RunResult r = scenario::RunAsIs(m, "C:\\TEMP\\SETUP.EXE");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(m.ReadText("C:\\APP\\README.TXT"), "read me");
}

TEST(MainSequence, KeepsTheQuotesOfTheCommandLineAsPartOfThePath) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile("C:\\TEMP\\SETUP.EXE", OneFilePackage().Build());
    RunResult r = scenario::RunAsIs(m, "\"C:\\TEMP\\SETUP.EXE\"");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.BoxSummary(), ElementsAre("Error|Couldn't open the program."));
}

TEST(MainSequence, RefusesAPackagePathLongerThanItsBufferInsteadOfCuttingIt) {
    sim::Machine m = sim::Machine::NT40();
    std::string path = "C:\\" + std::string(1020, 'A');
    RunResult r = scenario::RunAsIs(m, path + "\\SETUP.EXE");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.BoxSummary(), ElementsAre("Error|Couldn't open the program."));
    EXPECT_EQ(m.CallCount("LOpen"), 0);
    EXPECT_EQ(r.outstandingBlocks, 0u);
}

TEST(MainSequence, ReportsAMissingPackageWithTheBareErrorCaption) {
    sim::Machine m = sim::Machine::NT40();
    m.SetModuleFileName("C:\\NOWHERE\\SETUP.EXE");
    RunResult r = scenario::RunAsIs(m);
    EXPECT_EQ(r.exitCode, 1);
    ASSERT_EQ(r.boxes.size(), 1u);
    EXPECT_EQ(r.boxes[0].caption, "Error");
    EXPECT_EQ(r.boxes[0].text, "Couldn't open the program.");
    EXPECT_EQ(r.boxes[0].type, os::MB_OK | os::MB_ICONERROR | os::MB_SETFOREGROUND);
}

// ---- The mode ---------------------------------------------------------------

// The run name is compared with UninstallerName as lstrcmpiA does, under the
// active code page: accented letters have a case; a two-byte character is one
// unit whose trail byte (0x5C is a backslash, 0x74 a 't') is no letter and
// no separator.
TEST(MainSequence, RunsAsUninstallerWhenTheNameMatchesInAnyLetterCase) {
    struct Row {
        unsigned codePage;
        const char* uninstallerName;
        const char* runPath;
        bool uninstallMode;
    };
    const Row rows[] = {
        {1252, "UNINST.EXE", "C:\\APP\\uninst.exe", true},
        {1252, "\xC9TEINT.EXE", "C:\\APP\\\xE9teint.exe", true},
        {932, "\x83\x5C\x83\x74.EXE", "C:\\APP\\\x83\x5C\x83\x74.exe", true},
        {932, "\x95\x5C.EXE", "C:\\\x95\x5C.exe", true},
        {932, "\x83\x54.EXE", "C:\\APP\\\x83\x74.exe", false},
        {1252, "UNINST.EXE", "C:\\APP\\UNINST2.EXE", false},
    };
    for (const Row& row : rows) {
        sim::Machine m = sim::Machine::NT40();
        m.SetCodePage(row.codePage);
        if (row.uninstallMode) m.AnswerQuestions({os::IDNO});
        else m.PressCancel();
        // Only a file without file data is an uninstaller; a package of the
        // name is refused, so the rows that must run as uninstaller get one.
        const PackageBuilder b = OneFilePackage().Uninstaller(row.uninstallerName);
        RunResult r =
            scenario::RunPackage(m, row.uninstallMode ? UninstallerOf(b) : b.Build(), "", row.runPath);
        EXPECT_EQ(r.exitCode, 1) << row.runPath;
        if (row.uninstallMode) {
            EXPECT_THAT(r.BoxSummary(), ElementsAre("App Uninstall - Message|Remove App?"))
                << row.runPath;
            EXPECT_TRUE(m.DialogsOpened().empty()) << row.runPath;
        } else {
            EXPECT_THAT(m.DialogsOpened(), ElementsAre(os::MainDialogId)) << row.runPath;
        }
    }
}

TEST(MainSequence, EndsWithCode1AndChangesNothingWhenTheUninstallQuestionIsAnsweredNo) {
    sim::Machine m = sim::Machine::NT40();
    scenario::Install(m, OneFilePackage().Build(), "C:\\APP");
    sim::FileSnapshot files = m.SnapshotFiles();
    sim::RegistrySnapshot registry = m.SnapshotRegistry();
    m.AnswerQuestions({os::IDNO});
    RunResult r = scenario::Uninstall(m, "C:\\APP");
    EXPECT_EQ(r.exitCode, 1);
    ASSERT_EQ(r.boxes.size(), 1u);
    EXPECT_EQ(r.boxes[0].type, os::MB_YESNO | os::MB_ICONQUESTION | os::MB_DEFBUTTON2 | os::MB_SETFOREGROUND);
    EXPECT_EQ(m.SnapshotFiles(), files);
    EXPECT_EQ(m.SnapshotRegistry(), registry);
    EXPECT_TRUE(m.StartedProcesses().empty());
    EXPECT_EQ(r.outstandingBlocks, 0u);
}

TEST(MainSequence, TakesTheUninstallDestinationFromTheProgramsOwnDirectory) {
    sim::Machine m = sim::Machine::NT40();
    scenario::Install(m, OneFilePackage().Build(), "C:\\APP");
    m.SetModuleFileName("C:\\TOOLS\\RUNNER.EXE");
    scenario::RunAsIs(m, "C:\\APP\\UNINST.EXE");
    // The file in C:\APP is not the uninstaller's: the destination is C:\TOOLS.
    EXPECT_TRUE(m.Exists("C:\\APP\\README.TXT"));
    ASSERT_EQ(m.StartedProcesses().size(), 1u);
    std::string batch = m.StartedProcesses()[0].commandLine;
    batch = batch.substr(1, batch.find('"', 1) - 1);
    EXPECT_THAT(m.ReadText(batch), HasSubstr("rd \"C:\\TOOLS\"\r\n"));
}

TEST(MainSequence, UninstallsFromANetworkPathWithItsDirectoryAsDestination) {
    sim::Machine m = sim::Machine::NT40();
    scenario::Install(m, OneFilePackage().Build(), "C:\\APP");
    m.AddNetworkShare("SERVER", "SHARE");
    m.WriteFile("\\\\SERVER\\SHARE\\APP\\UNINST.EXE", m.ReadFile("C:\\APP\\UNINST.EXE"));
    m.WriteFile("\\\\SERVER\\SHARE\\APP\\README.TXT", "read me");
    RunResult r = scenario::Uninstall(m, "\\\\SERVER\\SHARE\\APP");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_THAT(r.BoxTexts(), ElementsAre("Remove App?", "Uninstallation is finished."));
    EXPECT_FALSE(m.Exists("\\\\SERVER\\SHARE\\APP\\README.TXT"));
    EXPECT_TRUE(m.Exists("C:\\APP\\README.TXT"));
    ASSERT_EQ(m.StartedProcesses().size(), 1u);
    std::string batch = m.StartedProcesses()[0].commandLine;
    batch = batch.substr(1, batch.find('"', 1) - 1);
    EXPECT_THAT(m.ReadText(batch), HasSubstr("rd \"\\\\SERVER\\SHARE\\APP\"\r\n"));
}

TEST(MainSequence, RefusesToUninstallWhenItsOwnDirectoryIsUnknown) {
    sim::Machine m = sim::Machine::NT40();
    scenario::Install(m, OneFilePackage().Build(), "C:\\APP");
    m.WriteFile("C:\\README.TXT", "not the package's");
    // The first call names the package; the second, for the destination, fails.
    m.FailCall("GetModuleFileName", m.CallCount("GetModuleFileName") + 2,
               os::ERROR_NOT_ENOUGH_MEMORY);
    RunResult r = scenario::Uninstall(m, "C:\\APP");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.BoxTexts(), ElementsAre("Remove App?", "Couldn't open the program."));
    EXPECT_EQ(m.ReadText("C:\\README.TXT"), "not the package's");
    EXPECT_EQ(m.ReadText("C:\\APP\\README.TXT"), "read me");
    EXPECT_EQ(r.outstandingBlocks, 0u);
}

// ---- ProgramFilesDir ----------------------------------------------------------

TEST(MainSequence, ProposesProgramFilesDirAndTheDefaultSubdirectory) {
    sim::Machine m = sim::Machine::NT40();
    m.SetProgramFilesDir("D:\\Programs\\");
    m.PressCancel();
    m.AnswerQuestions({os::IDYES});
    scenario::RunPackage(m, AppPackage().Build());
    EXPECT_EQ(m.ItemHistory(258).front(), "D:\\Programs\\APP");
}

TEST(MainSequence, ProposesTheWindowsDriveWhenProgramFilesDirIsMissing) {
    sim::Machine m = sim::Machine::NT40();
    m.RemoveProgramFilesDir();
    m.PressCancel();
    scenario::RunPackage(m, AppPackage().Build());
    EXPECT_EQ(m.ItemHistory(258).front(), "C:\\APP");
}

TEST(MainSequence, ProposesARootlessPathWhenTheWindowsKeyIsMissing) {
    sim::Machine m = sim::Machine::NT40();
    m.RemoveCurrentVersionKey();
    m.PressCancel();
    scenario::RunPackage(m, AppPackage().Build());
    EXPECT_EQ(m.ItemHistory(258).front(), "\\APP");
}

// ---- Files in use -------------------------------------------------------------

TEST(MainSequence, RefusesToInstallOverAFileLoadedAsAModule) {
    sim::Machine m = sim::Machine::NT40();
    m.LoadModule("TOOL");
    // The package also asks for a newer Windows: the file in use is told first.
    RunResult r = scenario::RunPackage(
        m, AppPackage().MinWindows(9).File("SUB\\TOOL.DLL", TextBytes("x")).CheckInUse().Build());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.BoxSummary(),
                ElementsAre("App - Error|The file 'SUB\\TOOL.DLL' is currently used by an application "
                            "or by Windows. Make sure the file isn't in use before starting the "
                            "installation again."));
    EXPECT_TRUE(m.DialogsOpened().empty());
}

TEST(MainSequence, IgnoresALoadedModuleWhoseRecordIsSkippedOrExcluded) {
    for (int variant = 0; variant < 3; ++variant) {
        sim::Machine m = sim::Machine::NT40();
        m.LoadModule("TOOL.DLL");
        PackageBuilder b = AppPackage();
        b.File("TOOL.DLL", TextBytes("x")).CheckInUse();
        if (variant == 0) b.SkipAtInstall();
        if (variant == 1) b.NotOnWindowsNT();
        if (variant == 2) b.CheckInUse(false);
        m.PressCancel();
        RunResult r = scenario::RunPackage(m, b.Build());
        EXPECT_THAT(m.DialogsOpened(), ElementsAre(os::MainDialogId)) << variant;
        EXPECT_THAT(r.BoxTexts(), ElementsAre("Do you want to abort the installation?")) << variant;
    }
}

TEST(MainSequence, RefusesToUninstallAFileLoadedAsAModuleUnlessItIsKept) {
    sim::Machine m = sim::Machine::NT40();
    m.LoadModule("TOOL");
    RunResult r = scenario::RunPackage(
        m, UninstallerOf(AppPackage().File("TOOL.DLL", TextBytes("x")).CheckInUse().SkipAtInstall()),
        "", "C:\\APP\\UNINST.EXE");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.BoxSummary(),
                ElementsAre("App Uninstall - Error|The file 'TOOL.DLL' is currently used by an "
                            "application or by Windows. Make sure the file isn't in use before "
                            "uninstalling."));

    sim::Machine kept = sim::Machine::NT40();
    kept.LoadModule("TOOL");
    kept.AnswerQuestions({os::IDNO});
    RunResult k = scenario::RunPackage(
        kept, UninstallerOf(AppPackage().File("TOOL.DLL", TextBytes("x")).CheckInUse().KeepAtUninstall()),
        "", "C:\\APP\\UNINST.EXE");
    EXPECT_THAT(k.BoxTexts(), ElementsAre("Remove App?"));
}

TEST(MainSequence, RefusesToUninstallWithAFileThatHoldsMoreThanTheInformationAndItsRecord) {
    const Bytes uninstaller = UninstallerOf(OneFilePackage());
    Bytes withData = OneFilePackage().Build();
    Bytes withJunk = uninstaller;
    withJunk.insert(withJunk.end(), {'x', 'y'});
    // A tag whose length does not reach back to the information.
    Bytes badLength = uninstaller;
    const char tail[] = {'F', 'C', ':', '\\', 'A', 0, 9, 0, 0, 0, 'i', 'N', 'S', 't', 'R', 'e', 'C', '1'};
    badLength.insert(badLength.end(), tail, tail + sizeof tail);
    for (const Bytes& file : {withData, withJunk, badLength}) {
        sim::Machine m = sim::Machine::NT40();
        m.WriteFile("C:\\DOWNLOAD\\NOTES.TXT", "the user's own");
        RunResult r = scenario::RunPackage(m, file, "", "C:\\DOWNLOAD\\UNINST.EXE");
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_THAT(r.BoxSummary(), ElementsAre("Error|Couldn't open the program."));
        EXPECT_EQ(m.ReadText("C:\\DOWNLOAD\\NOTES.TXT"), "the user's own");
        EXPECT_TRUE(m.Exists("C:\\DOWNLOAD\\UNINST.EXE"));
    }
    // A record whose length reaches exactly back is the uninstaller's own.
    Bytes withRecord = uninstaller;
    const char record[] = {'F', 'C', ':', '\\', 'A', 0, 6, 0, 0, 0, 'i', 'N', 'S', 't', 'R', 'e', 'C', '1'};
    withRecord.insert(withRecord.end(), record, record + sizeof record);
    sim::Machine m = sim::Machine::NT40();
    m.AnswerQuestions({os::IDNO});
    EXPECT_THAT(scenario::RunPackage(m, withRecord, "", "C:\\APP\\UNINST.EXE").BoxTexts(),
                ElementsAre("Remove App?"));
}

// ---- Dialog failures and memory --------------------------------------------------

// Names a package may not carry: refused as a whole, in install and in
// uninstall mode, before anything is written (the uninstaller least of all).
TEST(MainSequence, RefusesUnsafeNamesBeforeWritingAnything) {
    struct Case {
        const char* what;
        PackageBuilder (*make)();
    };
    const Case cases[] = {
        {"file named after a device",
         [] { return AppPackage().File("A.TXT", TextBytes("a")).File("Lpt1.log", TextBytes("x")); }},
        {"directory meaning the destination", [] { return AppPackage().Dir(".\\").File("A.TXT", TextBytes("a")); }},
        {"program run from outside",
         [] { return AppPackage().File("A.TXT", TextBytes("a")).RunAfterInstall("..\\A.TXT"); }},
        {"entry name with a backslash",
         [] { return AppPackage().UninstallDisplayName("\\").File("A.TXT", TextBytes("a")); }},
    };
    for (const Case& c : cases) {
        for (const char* name : {"SETUP.EXE", "UNINST.EXE"}) {
            sim::Machine m = sim::Machine::NT40();
            m.WriteFile(std::string("C:\\DL\\") + name, c.make().Build());
            sim::FileSnapshot before = m.SnapshotFiles();
            sim::RegistrySnapshot registry = m.SnapshotRegistry();
            m.SetModuleFileName(std::string("C:\\DL\\") + name);
            m.TypeDestination("C:\\APP");
            m.PressInstall();
            RunResult r = scenario::RunAsIs(m);
            EXPECT_EQ(r.exitCode, 1) << c.what << " " << name;
            EXPECT_THAT(r.BoxSummary(), ElementsAre("Error|Error 15 in installation info.")) << c.what;
            EXPECT_TRUE(m.SnapshotFiles() == before) << c.what << " " << name;
            EXPECT_EQ(m.SnapshotRegistry(), registry) << c.what << " " << name;
        }
    }
}

// ---- The package's checksum ---------------------------------------------------

struct SumCase {
    const char* name;
    // Changes the built package; `p` tells where its parts lie.
    void (*change)(Bytes& file, const Package& p);
    bool refused;
};

// A stub whose PE header (at 64) holds the fields that signing rewrites.
Bytes PeStub() {
    Bytes stub = DefaultStub();
    stub[60] = 64;
    stub[64] = 'P';
    stub[65] = 'E';
    stub[66] = stub[67] = 0;
    return stub;
}

std::size_t DataEnd(const Bytes& file) { return file.size() - 16; }

const SumCase SumCases[] = {
    {"Sound", [](Bytes&, const Package&) {}, false},
    {"OneFlippedDataByte", [](Bytes& f, const Package& p) { f[p.DataOffset(1) + 100] ^= 0x01; }, true},
    {"LastDataByte", [](Bytes& f, const Package&) { f[DataEnd(f) - 1] ^= 0x80; }, true},
    {"FirstDataByteBeyondTheFirstRead", [](Bytes& f, const Package&) { f[0x10000] ^= 0x10; }, true},
    {"StubByte", [](Bytes& f, const Package&) { f[5] ^= 0x20; }, true},
    {"TitleByte", [](Bytes& f, const Package& p) { f[p.InfoOffset() + 2092 + 1] ^= 0x02; }, true},
    {"CrcOfTheTrailer", [](Bytes& f, const Package&) { f[DataEnd(f) + 8] ^= 0x01; }, true},
    {"PeChecksumAndCertificateEntry",
     [](Bytes& f, const Package&) {
         for (std::size_t i = 64 + 88; i < 64 + 92; ++i) f[i] = 0x77;
         for (std::size_t i = 64 + 152; i < 64 + 160; ++i) f[i] = 0x66;
     },
     false},
    {"BytesAppendedAfterTheTrailer", [](Bytes& f, const Package&) { f.insert(f.end(), 100, 0xAB); }, false},
    {"NoTrailer", [](Bytes& f, const Package&) { f.resize(DataEnd(f)); }, false},
    {"TrailerWithAnotherTag", [](Bytes& f, const Package&) { f[DataEnd(f) + 7] = '2'; }, false},
    {"TrailerOfAnotherLength", [](Bytes& f, const Package&) { f[DataEnd(f) + 12] = 20; }, false},
};

class MainSequenceChecksum : public ::testing::TestWithParam<SumCase> {};

TEST_P(MainSequenceChecksum, RefusesADamagedPackageBeforeTheMainDialogAndWritesNothing) {
    PackageBuilder b = OneFilePackage();
    b.File("DATA.BIN", PatternBytes(0x12000));
    b.Contents().stub = PeStub();
    Package p = b;
    Bytes file = p.Build();
    GetParam().change(file, p);
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile(scenario::DefaultPackagePath, file);
    const sim::FileSnapshot files = m.SnapshotFiles();
    const sim::RegistrySnapshot registry = m.SnapshotRegistry();
    RunResult r = scenario::Install(m, file, "C:\\APP");
    if (GetParam().refused) {
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_THAT(r.BoxSummary(),
                    ElementsAre("Error|The installation package is damaged. Please get a new copy."));
        EXPECT_TRUE(m.DialogsOpened().empty());
        EXPECT_EQ(m.SnapshotFiles(), files);
        EXPECT_EQ(m.SnapshotRegistry(), registry);
    } else {
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(m.ReadFile("C:\\APP\\DATA.BIN"), PatternBytes(0x12000));
    }
    EXPECT_EQ(r.outstandingBlocks, 0u);
    EXPECT_EQ(r.openFiles, 0u);
}

INSTANTIATE_TEST_SUITE_P(Cases, MainSequenceChecksum, ::testing::ValuesIn(SumCases),
                         [](const ::testing::TestParamInfo<SumCase>& param) { return std::string(param.param.name); });

TEST(MainSequence, RefusesAPackageThatCannotBeReadWholeForItsChecksum) {
    const Bytes file = OneFilePackage().Build();
    sim::Machine m = sim::Machine::NT40();
    // The reads: the marker scan, the header, the file table, the trailer,
    // then the package from its start.
    m.FailCall("HRead", 5, os::ERROR_ACCESS_DENIED);
    RunResult r = scenario::Install(m, file, "C:\\APP");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.BoxSummary(), ElementsAre("Error|The installation package is damaged. Please get a new copy."));
    EXPECT_EQ(r.outstandingBlocks, 0u);
}

// A file of the uninstaller's name that carries file data is no uninstaller,
// damaged or not: it is refused as such before any checksum is read.
TEST(MainSequence, RefusesADamagedPackageOfTheUninstallersNameAsNoUninstaller) {
    Bytes file = OneFilePackage().Build();
    file[file.size() - 16 - 1] ^= 0x01;  // the last data byte
    sim::Machine m = sim::Machine::NT40();
    RunResult r = scenario::RunPackage(m, file, "", "C:\\APP\\UNINST.EXE");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.BoxSummary(), ElementsAre("Error|Couldn't open the program."));
}

TEST(MainSequence, ReportsAMainDialogThatCannotOpen) {
    sim::Machine m = sim::Machine::NT40();
    m.FailCall("DialogBox", 1, 1813);
    RunResult r = scenario::RunPackage(m, AppPackage().Build());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.BoxSummary(), ElementsAre("App - Error|Couldn't open the main dialog."));
    EXPECT_EQ(r.outstandingBlocks, 0u);
}

TEST(MainSequence, ReportsAProgressDialogThatCannotOpenAndLogsIt) {
    sim::Machine m = sim::Machine::NT40();
    m.FailCall("DialogBox", 2, 1813);
    RunResult r = scenario::Install(m, AppPackage().Build(), "C:\\APP");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.BoxSummary(), ElementsAre("App - Error|Couldn't open the progress dialog."));
    ASSERT_GE(r.logLines.size(), 3u);
    EXPECT_THAT(std::vector<std::string>(r.logLines.end() - 3, r.logLines.end()),
                ElementsAre("Couldn't open the progress dialog.", "",
                            "An error occured during installation!"));
}

TEST(MainSequence, ReportsOutOfMemoryForTheRunBuffersWithTheBareCaption) {
    // The first block is the marker scan's; the next six are the run's.
    for (int nth = 2; nth <= 7; ++nth) {
        sim::Machine m = sim::Machine::NT40();
        m.FailCall("Alloc", nth, os::ERROR_NOT_ENOUGH_MEMORY);
        RunResult r = scenario::RunPackage(m, AppPackage().Build());
        EXPECT_EQ(r.exitCode, 1) << nth;
        EXPECT_THAT(r.BoxSummary(), ElementsAre("Error|Out of memory.")) << nth;
        EXPECT_EQ(r.outstandingBlocks, 0u) << nth;
        EXPECT_EQ(r.openFiles, 0u) << nth;
    }
}

TEST(MainSequence, RefusesToRunWithoutTheWindowsOrSystemDirectory) {
    // Otherwise a file bound for the system directory lands at C:\ and the
    // installation reports success.
    for (const char* call : {"GetWindowsDirectory", "GetSystemDirectory"}) {
        sim::Machine m = sim::Machine::NT40();
        m.FailCall(call, 1, os::ERROR_ACCESS_DENIED);
        RunResult r = scenario::RunPackage(
            m, AppPackage().File("COMMON.DLL", TextBytes("c")).InSystemDir().Build());
        EXPECT_EQ(r.exitCode, 1) << call;
        EXPECT_THAT(r.BoxSummary(), ElementsAre("Error|Couldn't find the Windows directory.")) << call;
        EXPECT_FALSE(m.Exists("C:\\COMMON.DLL")) << call;
        EXPECT_EQ(r.outstandingBlocks, 0u) << call;
    }
}

// ---- A complete run ------------------------------------------------------------

TEST(MainSequence, ExitsWith0AfterACompleteInstallation) {
    sim::Machine m = sim::Machine::NT40();
    RunResult r = scenario::Install(m, OneFilePackage().Build(), "C:\\APP");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_THAT(m.DialogsOpened(), ElementsAre(os::MainDialogId, os::ProgressDialogId));
    EXPECT_THAT(r.BoxSummary(), ElementsAre("App - Message|App is installed."));
    EXPECT_EQ(r.logLines.back(), "The installation was successful!");
    EXPECT_EQ(r.outstandingBlocks, 0u);
    EXPECT_EQ(r.openFiles, 0u);
    EXPECT_EQ(r.openKeys, 0u);
}

TEST(MainSequence, ExitsWith0AfterACompleteUninstallation) {
    sim::Machine m = sim::Machine::NT40();
    // The uninstallation's 100 percent counts a file skipped at install
    // (7 bytes like README.TXT) and leaves out one this platform never had.
    PackageBuilder b = OneFilePackage();
    b.File("SKIPPED.TXT", TextBytes("skipped")).SkipAtInstall();
    b.File("NOTNT.TXT", TextBytes(std::string(50, 'x'))).NotOnWindowsNT();
    scenario::Install(m, b.Build(), "C:\\APP");
    const std::size_t paintedAtInstall = m.ProgressHistory().size();
    RunResult r = scenario::Uninstall(m, "C:\\APP");
    std::vector<std::string> painted = m.ProgressHistory();
    painted.erase(painted.begin(), painted.begin() + static_cast<std::ptrdiff_t>(paintedAtInstall));
    EXPECT_THAT(painted, ::testing::Contains("50%"));
    ASSERT_FALSE(painted.empty());
    EXPECT_EQ(painted.back(), "100%");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_THAT(r.BoxSummary(), ElementsAre("App Uninstall - Message|Remove App?",
                                            "App Uninstall - Message|Uninstallation is finished."));
    EXPECT_FALSE(m.Exists("C:\\APP\\README.TXT"));
    EXPECT_EQ(r.outstandingBlocks, 0u);
    EXPECT_EQ(r.openFiles, 0u);
}

// Every call of a complete run, made to fail one at a time: the run ends
// with 0 or 1, and nothing it took stays taken.
TEST(MainSequence, ReleasesEverythingWhicheverCallFails) {
    const Bytes package = AppPackage()
                              .Dir("SUB")
                              .File("README.TXT", TextBytes("read me"))
                              .File("DATA.BIN", PatternBytes(3000)).Compressed().InDir("SUB")
                              .RegKey(os::HKEY_LOCAL_MACHINE, "Software\\App")
                              .Value("Path", os::REG_SZ, "C:\\APP")
                              .Build();
    std::map<std::string, int> counts;
    {
        sim::Machine m = sim::Machine::NT40();
        RunResult clean = scenario::Install(m, package, "C:\\APP");
        ASSERT_EQ(clean.exitCode, 0);
        counts = m.CallCounts();
    }
    int runs = 0;
    for (const auto& [name, count] : counts) {
        // Failing a release itself is not a leak of the program's.
        if (name.find("Close") != std::string::npos || name == "Free" || name == "ReleaseDC" ||
            name == "EndPaint" || name == "DdeUninitialize" || name == "DdeDisconnect")
            continue;
        for (int nth = 1; nth <= count && nth <= 12; ++nth) {
            sim::Machine m = sim::Machine::NT40();
            m.FailCall(name, nth, os::ERROR_ACCESS_DENIED);
            RunResult r = scenario::Install(m, package, "C:\\APP");
            ++runs;
            EXPECT_TRUE(r.exitCode == 0 || r.exitCode == 1) << name << " #" << nth;
            EXPECT_EQ(r.outstandingBlocks, 0u) << name << " #" << nth;
            EXPECT_EQ(r.openFiles, 0u) << name << " #" << nth;
            EXPECT_EQ(r.openKeys, 0u) << name << " #" << nth;
        }
    }
    EXPECT_GT(runs, 20);
}

}  // namespace
