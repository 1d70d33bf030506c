// Texts and paths at and past the sizes of their fixed arrays: a package
// whose texts leave no NUL in their arrays is refused before anything is
// written, texts one shorter are shown and written whole, paths of 259
// characters install and one character more is refused.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "log/log.h"
#include "run/run.h"
#include "support/scenario.h"
#include "text/boxes.h"

namespace {

using scenario::AppPackage;
using scenario::RunResult;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

const char kInfoError10[] = "Error 10 in installation info.";
const char kInfoError12[] = "Error 12 in installation info.";

// Fills a text array completely, leaving no NUL in it.
template <std::size_t N>
void FillWithoutNul(char (&field)[N], char c) {
    std::memset(field, c, N);
}

// A text of `length` letters that shows where it was cut: the letters run
// through the alphabet from `first`, in its case, so that a cut at any place
// reads differently.
std::string Text(std::size_t length, char first = 'A') {
    const char base = first >= 'a' ? 'a' : 'A';
    std::string s(length, ' ');
    for (std::size_t i = 0; i < length; ++i)
        s[i] = static_cast<char>(base + (static_cast<std::size_t>(first - base) + i) % 26);
    return s;
}

// A package with one record of every kind, so that each text can be damaged.
PackageBuilder EveryRecordPackage() {
    PackageBuilder b = AppPackage();
    b.Dir("SUB")
        .File("A.TXT", TextBytes("a"))
        .InDir("SUB")
        .Service("AppSvc", "App Service", {"Dep"})
        .Group("App")
        .Item("App Item", "A.TXT", "/x")
        .RegKey(os::HKEY_LOCAL_MACHINE, "Software\\App")
        .Value("Name", os::REG_SZ, "x");
    return b;
}

struct Damage {
    const char* what;
    std::function<void(pkg::PackageContents&)> apply;
};

std::vector<Damage> HeaderTextDamages() {
    return {
        {"MainDialogText", [](pkg::PackageContents& c) { FillWithoutNul(c.header.MainDialogText, 'm'); }},
        {"HelpText", [](pkg::PackageContents& c) { FillWithoutNul(c.header.HelpText, 'h'); }},
        {"HelpTextNT", [](pkg::PackageContents& c) { FillWithoutNul(c.header.HelpTextNT, 'n'); }},
        {"FinishedText", [](pkg::PackageContents& c) { FillWithoutNul(c.header.FinishedText, 'f'); }},
        {"UninstallQuestion",
         [](pkg::PackageContents& c) { FillWithoutNul(c.header.UninstallQuestion, 'q'); }},
        {"RestartText", [](pkg::PackageContents& c) { FillWithoutNul(c.header.RestartText, 'r'); }},
        {"InstallTitle", [](pkg::PackageContents& c) { FillWithoutNul(c.header.InstallTitle, 't'); }},
        {"UninstallTitle",
         [](pkg::PackageContents& c) { FillWithoutNul(c.header.UninstallTitle, 'u'); }},
        {"UninstallDisplayName",
         [](pkg::PackageContents& c) { FillWithoutNul(c.header.UninstallDisplayName, 'd'); }},
        {"DefaultSubdir", [](pkg::PackageContents& c) { FillWithoutNul(c.header.DefaultSubdir, 's'); }},
        {"UninstallItemName",
         [](pkg::PackageContents& c) { FillWithoutNul(c.header.UninstallItemName, 'i'); }},
        {"UninstallerName",
         [](pkg::PackageContents& c) { FillWithoutNul(c.header.UninstallerName, 'U'); }},
        {"RunAfterInstall",
         [](pkg::PackageContents& c) { FillWithoutNul(c.header.RunAfterInstall, 'e'); }},
        {"RunParameters", [](pkg::PackageContents& c) { FillWithoutNul(c.header.RunParameters, 'p'); }},
    };
}

std::vector<Damage> RecordTextDamages() {
    return {
        {"FileName", [](pkg::PackageContents& c) { FillWithoutNul(c.files[0].FileName, 'F'); }},
        {"ServiceName", [](pkg::PackageContents& c) { FillWithoutNul(c.files[0].ServiceName, 'S'); }},
        {"ServiceDisplayName",
         [](pkg::PackageContents& c) { FillWithoutNul(c.files[0].ServiceDisplayName, 'D'); }},
        {"ServiceDependencies without any NUL",
         [](pkg::PackageContents& c) { FillWithoutNul(c.files[0].ServiceDependencies, 'P'); }},
        // The last name ends at the last byte, but the empty name that ends
        // the list does not fit.
        {"ServiceDependencies without the list's end",
         [](pkg::PackageContents& c) {
             char* list = c.files[0].ServiceDependencies;
             std::memset(list, 'P', sizeof c.files[0].ServiceDependencies);
             list[10] = '\0';
             list[sizeof c.files[0].ServiceDependencies - 1] = '\0';
         }},
        {"directory Name", [](pkg::PackageContents& c) { FillWithoutNul(c.dirs[0].Name, 'N'); }},
        {"group Name", [](pkg::PackageContents& c) { FillWithoutNul(c.groups[0].Name, 'G'); }},
        {"item Name", [](pkg::PackageContents& c) { FillWithoutNul(c.items[0].Name, 'I'); }},
        {"item Arguments", [](pkg::PackageContents& c) { FillWithoutNul(c.items[0].Arguments, 'a'); }},
        {"key SubKey", [](pkg::PackageContents& c) { FillWithoutNul(c.regKeys[0].SubKey, 'K'); }},
        {"value ValueName",
         [](pkg::PackageContents& c) { FillWithoutNul(c.regValues[0].ValueName, 'V'); }},
    };
}

// Runs a damaged package as a user who would install it, and checks that it
// is refused with information error 10 and leaves the machine as it was.
void ExpectRefusedWithNothingWritten(const Damage& damage) {
    SCOPED_TRACE(damage.what);
    PackageBuilder b = EveryRecordPackage();
    damage.apply(b.Contents());
    const Bytes package = b.Build();

    sim::Machine m = sim::Machine::NT40();
    m.TypeDestination("C:\\APP");
    m.PressInstall();
    m.WriteFile(scenario::DefaultPackagePath, package);
    const sim::FileSnapshot filesBefore = m.SnapshotFiles();
    const sim::RegistrySnapshot registryBefore = m.SnapshotRegistry();

    RunResult r = scenario::RunPackage(m, package);
    EXPECT_EQ(r.exitCode, 1);
    // The title is not taken from information that failed its checks.
    EXPECT_THAT(r.BoxSummary(), ElementsAre(std::string("Error|") + kInfoError10));
    EXPECT_TRUE(m.DialogsOpened().empty());
    EXPECT_EQ(m.SnapshotFiles(), filesBefore);
    EXPECT_EQ(m.SnapshotRegistry(), registryBefore);
    EXPECT_THAT(m.DdeCommands(), IsEmpty());
    EXPECT_TRUE(m.Services().empty());
    EXPECT_EQ(r.outstandingBlocks, 0u);
    EXPECT_EQ(r.openFiles, 0u);
    EXPECT_EQ(r.openKeys, 0u);
}

// ---- Texts filling their arrays without a NUL --------------------------------------

TEST(TextsFillingTheirArrays, EveryHeaderTextWithoutItsNulIsRefusedAsError10WithNothingWritten) {
    for (const Damage& d : HeaderTextDamages()) ExpectRefusedWithNothingWritten(d);
}

TEST(TextsFillingTheirArrays, EveryRecordTextWithoutItsNulIsRefusedAsError10WithNothingWritten) {
    for (const Damage& d : RecordTextDamages()) ExpectRefusedWithNothingWritten(d);
}

TEST(TextsFillingTheirArrays, TheUndamagedPackageOfThoseRunsInstalls) {
    // The same package without the damage: what the refusals are measured against.
    sim::Machine m = sim::Machine::NT40();
    RunResult r = scenario::Install(m, EveryRecordPackage().Build(), "C:\\APP");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(m.Exists("C:\\APP\\SUB\\A.TXT"));
}

TEST(TextsFillingTheirArrays, AnUninstallerWithATextWithoutItsNulIsRefusedAsError10) {
    // Installed from a sound package, then the uninstaller's information is
    // replaced by one whose uninstall question fills its array.
    sim::Machine m = sim::Machine::NT40();
    PackageBuilder b = AppPackage();
    b.File("A.TXT", TextBytes("a"));
    ASSERT_EQ(scenario::Install(m, b.Build(), "C:\\APP").exitCode, 0);
    ASSERT_TRUE(m.Exists("C:\\APP\\UNINST.EXE"));
    PackageBuilder damaged = AppPackage();
    damaged.File("A.TXT", TextBytes("a"));
    FillWithoutNul(damaged.Header().UninstallQuestion, 'q');
    m.WriteFile("C:\\APP\\UNINST.EXE", damaged.Build());

    const sim::FileSnapshot filesBefore = m.SnapshotFiles();
    RunResult r = scenario::Uninstall(m, "C:\\APP");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.BoxSummary(), ElementsAre(std::string("Error|") + kInfoError10));
    EXPECT_EQ(m.SnapshotFiles(), filesBefore);
    EXPECT_EQ(r.outstandingBlocks, 0u);
    EXPECT_EQ(r.openFiles, 0u);
}

// ---- Texts at their longest ------------------------------------------------------------

struct LongestTexts {
    std::string title = Text(63, 'a');
    std::string uninstallTitle = Text(63, 'b');
    std::string mainText = Text(255, 'c');
    std::string helpText = Text(511, 'd');
    std::string helpTextNT = Text(511, 'e');
    std::string finishedText = Text(255, 'f');
    std::string question = Text(255, 'g');
    std::string displayName = Text(63, 'h');

    PackageBuilder Package() const {
        PackageBuilder b = AppPackage();
        b.Title(title)
            .UninstallTitle(uninstallTitle)
            .MainDialogText(mainText)
            .HelpText(helpText)
            .HelpTextNT(helpTextNT)
            .FinishedText(finishedText)
            .UninstallQuestion(question)
            .UninstallDisplayName(displayName);
        b.File("A.TXT", TextBytes("a"));
        return b;
    }
};

TEST(TextsAtTheirLongest, AreShownWholeInTheMainDialogTheHelpBoxAndTheCaptions) {
    LongestTexts t;
    sim::Machine m = sim::Machine::NT40();
    m.PressHelp();
    RunResult r = scenario::Install(m, t.Package().Build(), "C:\\APP");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(m.ItemText(256), t.mainText);
    EXPECT_EQ(m.LastWindowText(), t.title);
    // The help box carries the bare title; the finished box the title with
    // " - Message", 73 characters in the 128-byte caption.
    EXPECT_THAT(r.BoxSummary(), ElementsAre(t.title + "|" + t.helpTextNT,
                                            t.title + " - Message|" + t.finishedText));
    EXPECT_EQ(r.outstandingBlocks, 0u);
}

TEST(TextsAtTheirLongest, TheHelpTextOfWindows95IsShownWhole) {
    LongestTexts t;
    sim::Machine m = sim::Machine::Windows95();
    m.PressHelp();
    m.PressCancel();
    RunResult r = scenario::RunPackage(m, t.Package().Build());
    ASSERT_GE(r.boxes.size(), 1u);
    EXPECT_EQ(r.boxes[0].text, t.helpText);
    EXPECT_EQ(r.boxes[0].caption, t.title);
}

TEST(TextsAtTheirLongest, AnErrorCaptionCarriesTheWholeTitle) {
    LongestTexts t;
    sim::Machine m = sim::Machine::NT40();
    // A file too long for the destination: the error comes after the title is set.
    PackageBuilder b = t.Package();
    b.File(Text(253, 'z'), TextBytes("z"));
    RunResult r = scenario::Install(m, b.Build(), "C:\\APP");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.BoxSummary(), ElementsAre(t.title + " - Error|" + kInfoError12));
}

TEST(TextsAtTheirLongest, TheUninstallationAsksAndFinishesUnderTheWholeUninstallTitle) {
    LongestTexts t;
    sim::Machine m = sim::Machine::NT40();
    ASSERT_EQ(scenario::Install(m, t.Package().Build(), "C:\\APP").exitCode, 0);
    RunResult r = scenario::Uninstall(m, "C:\\APP");
    EXPECT_EQ(r.exitCode, 0);
    ASSERT_GE(r.boxes.size(), 2u);
    EXPECT_EQ(r.boxes.front().caption, t.uninstallTitle + " - Message");
    EXPECT_EQ(r.boxes.front().text, t.question);
    EXPECT_EQ(r.boxes.back().caption, t.uninstallTitle + " - Message");
    EXPECT_FALSE(m.Exists("C:\\APP\\A.TXT"));
    EXPECT_EQ(r.outstandingBlocks, 0u);
}

// ---- Paths of 259 characters and one more ---------------------------------------------------

// A directory and a file name below C:\APP that make a path of `length`
// characters: C:\APP (6) \ directory (120) \ file.
struct LongPath {
    std::string destination = "C:\\APP";
    std::string dir = Text(120, 'D');
    std::string file;
    explicit LongPath(std::size_t length) : file(Text(length - 6 - 1 - 120 - 1, 'F')) {}
    std::string Path() const { return destination + "\\" + dir + "\\" + file; }
};

TEST(PathsAtTheLimit, AFileWhosePathHas259CharactersIsInstalledLoggedAndUninstalled) {
    LongPath p(259);
    ASSERT_EQ(p.Path().size(), 259u);
    sim::Machine m = sim::Machine::NT40();
    PackageBuilder b = AppPackage();
    b.Dir(p.dir).File(p.file, TextBytes("long")).InDir(p.dir);
    RunResult r = scenario::Install(m, b.Build(), p.destination);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(m.ReadText(p.Path()), "long");
    EXPECT_THAT(r.logLines, Contains("Creating file: " + p.Path()));
    EXPECT_THAT(r.logLines, Contains("Creating directory: " + p.destination + "\\" + p.dir));

    RunResult u = scenario::Uninstall(m, p.destination);
    EXPECT_EQ(u.exitCode, 0);
    EXPECT_FALSE(m.Exists(p.Path()));
    EXPECT_FALSE(m.Exists(p.destination + "\\" + p.dir));
    EXPECT_EQ(u.outstandingBlocks, 0u);
}

TEST(PathsAtTheLimit, ACompressedFileWhosePathHas259CharactersIsExpandedInPlace) {
    LongPath p(259);
    sim::Machine m = sim::Machine::NT40();
    PackageBuilder b = AppPackage();
    b.Dir(p.dir).File(p.file, PatternBytes(3000)).Compressed().InDir(p.dir);
    RunResult r = scenario::Install(m, b.Build(), p.destination);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(m.ReadFile(p.Path()), PatternBytes(3000));
    // The compressed copy has the same length, its last character "_".
    std::string dataPath = p.Path();
    dataPath.back() = '_';
    EXPECT_FALSE(m.Exists(dataPath));
    EXPECT_THAT(r.logLines, Contains("Decompressing: " + p.Path()));
}

// What a refused path may leave: the destination directory and the log.
void ExpectRefusedWithOnlyTheDestinationAndTheLog(const sim::Machine& m, const RunResult& r,
                                                  const sim::FileSnapshot& before,
                                                  const std::string& destination) {
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.BoxSummary(), ElementsAre(std::string("App - Error|") + kInfoError12));
    sim::FileSnapshot after = m.SnapshotFiles();
    std::vector<std::string> added;
    for (const auto& entry : after)
        if (before.count(entry.first) == 0) added.push_back(entry.first);
    std::string upper = destination;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_THAT(added, ElementsAre(upper, upper + "\\INSTLOG.TXT"));
    EXPECT_THAT(r.logLines, Contains(kInfoError12));
    EXPECT_EQ(r.logLines.back(), "An error occured during installation!");
    EXPECT_THAT(m.DdeCommands(), IsEmpty());
    EXPECT_EQ(r.outstandingBlocks, 0u);
    EXPECT_EQ(r.openFiles, 0u);
}

TEST(PathsAtTheLimit, AFilePathOf260CharactersIsRefusedAsError12BeforeAnythingElseIsWritten) {
    LongPath p(260);
    sim::Machine m = sim::Machine::NT40();
    PackageBuilder b = AppPackage();
    b.Dir(p.dir).File(p.file, TextBytes("long")).InDir(p.dir);
    b.RegKey(os::HKEY_LOCAL_MACHINE, "Software\\App").Value("Name", os::REG_SZ, "x");
    m.WriteFile(scenario::DefaultPackagePath, b.Build());
    const sim::FileSnapshot before = m.SnapshotFiles();
    const sim::RegistrySnapshot registryBefore = m.SnapshotRegistry();
    RunResult r = scenario::Install(m, b.Build(), p.destination);
    ExpectRefusedWithOnlyTheDestinationAndTheLog(m, r, before, p.destination);
    EXPECT_EQ(m.SnapshotRegistry(), registryBefore);
}

TEST(PathsAtTheLimit, ADirectoryPathOf260CharactersIsRefusedAsError12) {
    sim::Machine m = sim::Machine::NT40();
    PackageBuilder b = AppPackage();
    b.Dir(Text(253, 'D'));  // C:\APP \ 253 = 260
    m.WriteFile(scenario::DefaultPackagePath, b.Build());
    const sim::FileSnapshot before = m.SnapshotFiles();
    RunResult r = scenario::Install(m, b.Build(), "C:\\APP");
    ExpectRefusedWithOnlyTheDestinationAndTheLog(m, r, before, "C:\\APP");
}

TEST(PathsAtTheLimit, ADirectoryPathOf259CharactersIsCreated) {
    sim::Machine m = sim::Machine::NT40();
    const std::string dir = Text(252, 'D');  // C:\APP \ 252 = 259
    PackageBuilder b = AppPackage();
    b.Dir(dir);
    // Records the running platform passes over are not measured.
    b.Dir(Text(253, 'E')).NotOnWindowsNT();
    b.File(Text(253, 'F'), TextBytes("x")).NotOnWindowsNT();
    RunResult r = scenario::Install(m, b.Build(), "C:\\APP");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(m.IsDirectory("C:\\APP\\" + dir));
    EXPECT_THAT(r.logLines, Contains("Creating directory: C:\\APP\\" + dir));
}

TEST(PathsAtTheLimit, TheLimitMovesWithALongerDestination) {
    // A destination of 200 characters leaves 58 for the file name.
    const std::string destination = "C:\\" + Text(197, 'L');
    for (std::size_t nameLength : {58u, 59u}) {
        SCOPED_TRACE(nameLength);
        sim::Machine m = sim::Machine::NT40();
        m.MakeDirectories(destination);
        PackageBuilder b = AppPackage();
        b.File(Text(nameLength, 'f'), TextBytes("x"));
        const std::string path = destination + "\\" + Text(nameLength, 'f');
        RunResult r = scenario::Install(m, b.Build(), destination);
        if (nameLength == 58) {
            ASSERT_EQ(path.size(), 259u);
            EXPECT_EQ(r.exitCode, 0);
            EXPECT_EQ(m.ReadText(path), "x");
        } else {
            EXPECT_EQ(r.exitCode, 1);
            EXPECT_THAT(r.BoxSummary(), ElementsAre(std::string("App - Error|") + kInfoError12));
            EXPECT_FALSE(m.Exists(path));
        }
    }
}

TEST(PathsAtTheLimit, AnUninstallerPathOf260CharactersIsRefusedAsError12) {
    sim::Machine m = sim::Machine::NT40();
    PackageBuilder b = AppPackage();
    b.Uninstaller(Text(253, 'U'));  // C:\APP \ 253 = 260
    m.WriteFile(scenario::DefaultPackagePath, b.Build());
    const sim::FileSnapshot before = m.SnapshotFiles();
    RunResult r = scenario::Install(m, b.Build(), "C:\\APP");
    ExpectRefusedWithOnlyTheDestinationAndTheLog(m, r, before, "C:\\APP");
}

TEST(PathsAtTheLimit, AnUninstallerPathOf259CharactersIsWritten) {
    sim::Machine m = sim::Machine::NT40();
    const std::string name = Text(252, 'U');  // C:\APP \ 252 = 259
    PackageBuilder b = AppPackage();
    b.Uninstaller(name);
    RunResult r = scenario::Install(m, b.Build(), "C:\\APP");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(m.Exists("C:\\APP\\" + name));
    EXPECT_THAT(r.logLines, Contains("Creating uninstaller: C:\\APP\\" + name));
}

// A destination of 250 characters leaves no room for "\InstLog.txt" (262).
// The run is refused; no log may be made under a cut name ("...\InstLog.")
// on the way. Disabled while the log is still opened at the cut path.
TEST(PathsAtTheLimit, ADestinationTooLongForTheLogLeavesNoFileOfACutName) {
    const std::string destination = "C:\\" + Text(247, 'L');
    sim::Machine m = sim::Machine::NT40();
    RunResult r = scenario::Install(m, AppPackage().Build(), destination);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.BoxSummary(), Contains(std::string("App - Error|") + kInfoError12));
    EXPECT_THAT(m.ListDirectory(destination), IsEmpty());
    EXPECT_EQ(r.outstandingBlocks, 0u);
}

std::string BatchStarted(const sim::Machine& m) {
    for (const sim::StartedProcess& p : m.StartedProcesses()) {
        std::string line = p.commandLine;
        if (!line.empty() && line.front() == '"') line = line.substr(1, line.find('"', 1) - 1);
        if (line.size() > 4 && line.substr(line.size() - 4) == ".BAT") return line;
    }
    return "";
}

TEST(PathsAtTheLimit, AnUninstallerAtA259CharacterPathRemovesTheInstallationAndItself) {
    sim::Machine m = sim::Machine::NT40();
    const std::string name = Text(252, 'U');  // C:\APP \ 252 = 259
    PackageBuilder b = AppPackage();
    b.Uninstaller(name).File("A.TXT", TextBytes("a"));
    ASSERT_EQ(scenario::Install(m, b.Build(), "C:\\APP").exitCode, 0);
    RunResult u = scenario::Uninstall(m, "C:\\APP", name);
    EXPECT_EQ(u.exitCode, 0);
    EXPECT_FALSE(m.Exists("C:\\APP\\A.TXT"));
    EXPECT_EQ(u.outstandingBlocks, 0u);
    const std::string batch = BatchStarted(m);
    ASSERT_FALSE(batch.empty());
    ASSERT_TRUE(m.RunBatch(batch));
    EXPECT_FALSE(m.Exists("C:\\APP\\" + name));
    EXPECT_FALSE(m.Exists("C:\\APP"));
}

TEST(PathsAtTheLimit, AProgramToRunAfterTheInstallationIsLoggedAndOpenedByItsWholePath) {
    // The name may be longer than a path allows; it is never cut into the
    // name of some other file.
    sim::Machine m = sim::Machine::NT40();
    const std::string file = Text(511, 'r');
    const std::string parameters = Text(63, 'p');
    PackageBuilder b = AppPackage();
    b.RunAfterInstall(file, parameters);
    RunResult r = scenario::Install(m, b.Build(), "C:\\APP");
    EXPECT_EQ(r.exitCode, 0);
    ASSERT_EQ(m.ShellExecutes().size(), 1u);
    EXPECT_EQ(m.ShellExecutes()[0].file, "C:\\APP\\" + file);
    EXPECT_EQ(m.ShellExecutes()[0].parameters, parameters);
    EXPECT_THAT(r.logLines, Contains("Executing: C:\\APP\\" + file));
}

// ---- Program-manager commands with the longest parts -----------------------------------------

TEST(ProgramItemCommands, AnAddItemWithTwo259CharacterPathsAndTheLongestNameAndArgumentsIsSentWhole) {
    LongPath p(259);
    const std::string name = Text(63, 'n');
    const std::string arguments = Text(63, 'a');
    sim::Machine m = sim::Machine::NT40();
    PackageBuilder b = AppPackage();
    b.Dir(p.dir).File(p.file, TextBytes("long")).InDir(p.dir);
    b.Group(Text(35, 'g')).Item(name, p.file, arguments).IconNumber(3);
    RunResult r = scenario::Install(m, b.Build(), p.destination);
    EXPECT_EQ(r.exitCode, 0);
    const std::string command =
        "[AddItem(\"" + p.Path() + "\" " + arguments + "," + name + "," + p.Path() + ",2)]";
    EXPECT_GT(command.size(), 650u);
    EXPECT_THAT(m.DdeCommands(), Contains(command));
    EXPECT_THAT(r.logLines, Contains("Adding item: " + name));
}

TEST(ProgramItemCommands, TheUnquotedFormOfOlderShellsIsSentWholeToo) {
    LongPath p(259);
    const std::string name = Text(63, 'n');
    const std::string arguments = Text(63, 'a');
    sim::Machine m = sim::Machine::NT351();
    PackageBuilder b = AppPackage();
    b.Dir(p.dir).File(p.file, TextBytes("long")).InDir(p.dir);
    b.Group(Text(35, 'g')).Item(name, p.file, arguments).IconNumber(3);
    RunResult r = scenario::Install(m, b.Build(), p.destination);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_THAT(m.DdeCommands(),
                Contains("[AddItem(" + p.Path() + " " + arguments + "," + name + "," + p.Path() +
                         ",3)]"));
}

TEST(ProgramItemCommands, TheUninstallItemWithA259CharacterUninstallerPathIsSentWhole) {
    const std::string uninstaller = Text(252, 'U');  // C:\APP \ 252 = 259
    const std::string path = "C:\\APP\\" + uninstaller;
    const std::string itemName = Text(63, 'i');
    sim::Machine m = sim::Machine::NT351();
    PackageBuilder b = AppPackage();
    b.Uninstaller(uninstaller).UninstallItemName(itemName);
    b.File("A.TXT", TextBytes("a")).Group(Text(35, 'g')).Item("A", "A.TXT");
    RunResult r = scenario::Install(m, b.Build(), "C:\\APP");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_THAT(m.DdeCommands(),
                Contains("[AddItem(\"" + path + "\"," + itemName + ",\"" + path + "\",1)]"));
    EXPECT_THAT(r.logLines, Contains("Adding uninstall item: " + itemName));
}

// ---- Log lines -------------------------------------------------------------------------------

TEST(LongLogLines, ALineAboutTheLongestPathIsWrittenWhole) {
    // "Creating file: " and a 259-character path make a line of 274 characters.
    LongPath p(259);
    sim::Machine m = sim::Machine::NT40();
    PackageBuilder b = AppPackage();
    b.Dir(p.dir).File(p.file, TextBytes("long")).InDir(p.dir);
    RunResult r = scenario::Install(m, b.Build(), p.destination);
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_NE(r.log.find("Creating file: " + p.Path() + "\r\n"), std::string::npos);
}

TEST(LongLogLines, AnErrorTextLongerThanALineIsShownWholeAndLoggedCutAt1023Characters) {
    // A run that stands in the main dialog's place: destination and log set.
    sim::Machine m = sim::Machine::NT40();
    m.MakeDirectories("C:\\APP");
    InstallHeader header{};
    header.CreateLog = 1;
    char destination[PathSize] = "C:\\APP";
    ::Run run{m};
    run.Header = &header;
    run.DestinationDir = destination;
    OpenInstallLog(run, 0);
    const std::string text = Text(2000, 'A');
    ShowError(run, 0, text.c_str());
    LogText(run, "next");
    CloseInstallLog(run, false);

    ASSERT_EQ(m.Boxes().size(), 1u);
    EXPECT_EQ(m.Boxes()[0].text, text);
    EXPECT_EQ(m.ReadText("C:\\APP\\InstLog.txt"),
              "Created logfile: C:\\APP\\InstLog.txt\r\n" + text.substr(0, 1023) + "next\r\n");
    EXPECT_EQ(m.OutstandingBlocks(), 0u);
}

}  // namespace
