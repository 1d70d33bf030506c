// The install sequence: the uninstaller copy, the directories, the file
// phase's reading of the package data and the order of the phases.
#include <algorithm>

#include "scenario/install_fixture.h"

using namespace installtest;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

namespace {

InstallPackage TwoFiles() {
    InstallPackage p;
    p.File("ONE.TXT", "first file");
    p.File("TWO.TXT", "second");
    return p;
}

}  // namespace

TEST(InstallUninstaller, IsThePackageUpToTheEndOfTheInstallationInformation) {
    sim::Machine m = sim::Machine::NT40();
    InstallPackage p = TwoFiles();
    const Bytes package = p.Build();
    scenario::RunResult r = scenario::Install(m, package, Destination);
    ASSERT_EQ(r.exitCode, 0);
    // The package up to its file data, then the installation record: its
    // entries, their length and its tag.
    const Bytes copy = m.ReadFile(At("UNINST.EXE"));
    const std::size_t dataOffset = p.DataOffset();
    ASSERT_GE(copy.size(), dataOffset + 12);
    EXPECT_TRUE(std::equal(copy.begin(), copy.begin() + static_cast<long>(dataOffset), package.begin()));
    EXPECT_EQ(std::string(copy.end() - 8, copy.end()), "iNStReC1");
    const std::size_t length = copy[copy.size() - 12] | copy[copy.size() - 11] << 8;
    EXPECT_EQ(length, copy.size() - 12 - dataOffset);
    EXPECT_THAT(r.logLines, Contains("Preparing creation of uninstaller..."));
    EXPECT_THAT(r.logLines, Contains("Creating uninstaller: C:\\APP\\UNINST.EXE"));
}

// A stub with a PE header at 64 as signing leaves it: the checksum of the
// signed file and a certificate table after the file data.
Bytes SignedStub() {
    Bytes stub(512, 0x11);
    stub[0] = 'M';
    stub[1] = 'Z';
    stub[60] = 64;
    stub[61] = stub[62] = stub[63] = 0;
    const std::uint8_t pe[] = {'P', 'E', 0, 0};
    std::copy(pe, pe + 4, stub.begin() + 64);
    for (std::size_t i = 0; i < 4; ++i) stub[64 + 88 + i] = static_cast<std::uint8_t>(0xA0 + i);
    for (std::size_t i = 0; i < 8; ++i) stub[64 + 152 + i] = static_cast<std::uint8_t>(0xB0 + i);
    return stub;
}

std::uint32_t WordAt(const Bytes& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

TEST(InstallUninstaller, FromASignedPackageNamesNoCertificateAndCarriesItsOwnPeChecksum) {
    sim::Machine m = sim::Machine::NT40();
    InstallPackage p = TwoFiles();
    p.Contents().stub = SignedStub();
    p.Contents().trailing = Bytes(40, 0x5E);  // the signature, after the checksum trailer
    const Bytes package = p.Build();
    ASSERT_EQ(Install(m, p).exitCode, 0);
    Bytes copy = m.ReadFile(At("UNINST.EXE"));
    // The package up to its file data, then the installation record, which
    // ends with its tag.
    ASSERT_GT(copy.size(), p.DataOffset() + 12);
    EXPECT_EQ(std::string(copy.end() - 8, copy.end()), "iNStReC1");
    EXPECT_EQ(WordAt(copy, 64 + 152), 0u);
    EXPECT_EQ(WordAt(copy, 64 + 156), 0u);
    // The PE checksum of the whole copy, record included: 16-bit words with
    // carries folded, the field itself as zero, plus the length (an odd last
    // byte stands alone).
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < copy.size(); i += 2) {
        if (i == 64 + 88 || i == 64 + 90) continue;
        sum += copy[i] | (i + 1 < copy.size() ? copy[i + 1] << 8 : 0);
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    EXPECT_EQ(WordAt(copy, 64 + 88), sum + copy.size());
    // Nothing else differs from the package.
    for (std::size_t i = 64 + 88; i < 64 + 92; ++i) copy[i] = package[i];
    for (std::size_t i = 64 + 152; i < 64 + 160; ++i) copy[i] = package[i];
    EXPECT_TRUE(std::equal(copy.begin(), copy.begin() + static_cast<std::ptrdiff_t>(p.DataOffset()),
                           package.begin()));
}

TEST(InstallUninstaller, FromAnUnsignedPackageIsItsLeadingPartUnchanged) {
    sim::Machine m = sim::Machine::NT40();
    InstallPackage p = TwoFiles();
    p.Contents().stub = SignedStub();
    for (std::size_t i = 64 + 152; i < 64 + 160; ++i) p.Contents().stub[i] = 0;  // no certificate
    const Bytes package = p.Build();
    ASSERT_EQ(Install(m, p).exitCode, 0);
    const Bytes copy = m.ReadFile(At("UNINST.EXE"));
    ASSERT_GT(copy.size(), p.DataOffset() + 12);
    EXPECT_TRUE(std::equal(copy.begin(), copy.begin() + static_cast<std::ptrdiff_t>(p.DataOffset()),
                           package.begin()));
    EXPECT_EQ(std::string(copy.end() - 8, copy.end()), "iNStReC1");
}

TEST(InstallUninstaller, IsHiddenAloneOnWindows4) {
    sim::Machine m = sim::Machine::Windows95();
    ASSERT_EQ(Install(m, TwoFiles()).exitCode, 0);
    EXPECT_EQ(m.Attributes(At("UNINST.EXE")), os::FILE_ATTRIBUTE_HIDDEN);
}

TEST(InstallUninstaller, IsNotHiddenOnWindowsNT351) {
    sim::Machine m = sim::Machine::NT351();
    ASSERT_EQ(Install(m, TwoFiles()).exitCode, 0);
    ASSERT_TRUE(m.Exists(At("UNINST.EXE")));
    EXPECT_EQ(m.Attributes(At("UNINST.EXE")) & os::FILE_ATTRIBUTE_HIDDEN, 0u);
}

TEST(InstallUninstaller, ReplacesAnExistingReadOnlyHiddenOne) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile(At("UNINST.EXE"), Bytes(20000, 0x55));  // longer than the new one
    m.SetAttributes(At("UNINST.EXE"), os::FILE_ATTRIBUTE_READONLY | os::FILE_ATTRIBUTE_HIDDEN);
    InstallPackage p = TwoFiles();
    ASSERT_EQ(Install(m, p).exitCode, 0);
    // Overwritten in place and never shortened, so that a run killed while
    // writing it leaves the old record or the new one: nothing of the old
    // file is left before the new record.
    const Bytes copy = m.ReadFile(At("UNINST.EXE"));
    ASSERT_GE(copy.size(), 20000u);
    EXPECT_TRUE(std::equal(copy.begin(), copy.begin() + p.DataOffset(), p.Build().begin()));
    EXPECT_EQ(std::count(copy.begin() + p.DataOffset(), copy.end(), 0x55), 0);
    EXPECT_EQ(std::string(copy.end() - 8, copy.end()), "iNStReC1");
    EXPECT_EQ(m.Attributes(At("UNINST.EXE")), os::FILE_ATTRIBUTE_HIDDEN);
    // It still uninstalls.
    EXPECT_EQ(scenario::Uninstall(m, Destination).exitCode, 0);
    EXPECT_FALSE(m.Exists(At("ONE.TXT")));
}

TEST(InstallUninstaller, IsNotWrittenWhenThePackageAsksForNone) {
    sim::Machine m = sim::Machine::NT40();
    InstallPackage p = TwoFiles();
    p.Header().CreateUninstaller = 0;
    scenario::RunResult r = Install(m, p);
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_FALSE(m.Exists(At("UNINST.EXE")));
    EXPECT_THAT(r.logLines, Not(Contains("Preparing creation of uninstaller...")));
    EXPECT_THAT(r.logLines, Not(Contains("Creating uninstaller: C:\\APP\\UNINST.EXE")));
}

TEST(InstallUninstaller, ThatCannotBeCreatedEndsTheInstallation) {
    sim::Machine m = sim::Machine::NT40();
    InstallPackage p = TwoFiles();
    p.Header().CreateLog = 0;  // the uninstaller is then the first file created
    m.FailCall("LCreat", 1, os::ERROR_ACCESS_DENIED);
    scenario::RunResult r = Install(m, p);
    EXPECT_EQ(r.exitCode, 1);
    ASSERT_FALSE(Errors(r).empty());
    EXPECT_EQ(Errors(r)[0], "Couldn't create file 'C:\\APP\\UNINST.EXE'. Error code 5.");
    EXPECT_FALSE(m.Exists(At("ONE.TXT")));
}

TEST(InstallDirectories, AreCreatedInOrderWithTheirAttributesAndLogged) {
    sim::Machine m = sim::Machine::NT40();
    InstallPackage p = TwoFiles();
    p.Dir("DATA").Attributes = os::FILE_ATTRIBUTE_DIRECTORY | os::FILE_ATTRIBUTE_HIDDEN;
    p.Dir("DATA\\DEEP");
    p.Dir("WINSUB").InWindowsDir = 1;
    scenario::RunResult r = Install(m, p);
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_TRUE(m.IsDirectory(At("DATA\\DEEP")));
    EXPECT_TRUE(m.IsDirectory("C:\\WINDOWS\\WINSUB"));
    EXPECT_NE(m.Attributes(At("DATA")) & os::FILE_ATTRIBUTE_HIDDEN, 0u);
    EXPECT_TRUE(InOrder(r.logLines, {"Creating directory: C:\\APP\\DATA",
                                     "Creating directory: C:\\APP\\DATA\\DEEP",
                                     "Creating directory: C:\\WINDOWS\\WINSUB"}));
}

TEST(InstallDirectories, ThatExistKeepTheirAttributesAndAreNotLogged) {
    sim::Machine m = sim::Machine::NT40();
    m.MakeDirectories(At("DATA"));
    m.SetAttributes(At("DATA"), os::FILE_ATTRIBUTE_DIRECTORY | os::FILE_ATTRIBUTE_SYSTEM);
    InstallPackage p = TwoFiles();
    p.Dir("DATA").Attributes = os::FILE_ATTRIBUTE_DIRECTORY | os::FILE_ATTRIBUTE_HIDDEN;
    scenario::RunResult r = Install(m, p);
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(m.Attributes(At("DATA")), os::FILE_ATTRIBUTE_DIRECTORY | os::FILE_ATTRIBUTE_SYSTEM);
    EXPECT_THAT(r.logLines, Not(Contains("Creating directory: C:\\APP\\DATA")));
}

TEST(InstallDirectories, WithAMissingParentEndTheInstallation) {
    sim::Machine m = sim::Machine::NT40();
    InstallPackage p = TwoFiles();
    p.Dir("MISSING\\CHILD");
    scenario::RunResult r = Install(m, p);
    EXPECT_EQ(r.exitCode, 1);
    ASSERT_FALSE(Errors(r).empty());
    EXPECT_EQ(Errors(r)[0], "Couldn't create directory 'C:\\APP\\MISSING\\CHILD'.");
    EXPECT_THAT(r.logLines, Contains("Couldn't create directory 'C:\\APP\\MISSING\\CHILD'."));
    EXPECT_FALSE(m.Exists(At("ONE.TXT")));
}

TEST(InstallDirectories, PassedOverForThePlatformAreNotCreated) {
    sim::Machine m = sim::Machine::NT40();
    InstallPackage p = TwoFiles();
    p.Dir("NOTNT").NotOnWindowsNT = 1;
    p.Dir("SKIPPED").SkipAtInstall = 1;
    p.Dir("ON95").NotOnWindows95 = 1;
    ASSERT_EQ(Install(m, p).exitCode, 0);
    EXPECT_FALSE(m.Exists(At("NOTNT")));
    EXPECT_FALSE(m.Exists(At("SKIPPED")));
    EXPECT_TRUE(m.IsDirectory(At("ON95")));
}

TEST(InstallFilePhase, SkippedRecordsStillPassTheirData) {
    sim::Machine m = sim::Machine::NT40();
    InstallPackage p;
    p.File("SKIP.TXT", "skipped data").SkipAtInstall = 1;
    p.File("NOTNT.TXT", "not on nt").NotOnWindowsNT = 1;
    p.Compressed("PACKED.TXT", "packed data packed data packed data");
    p.File("LAST.TXT", "the last file");
    scenario::RunResult r = Install(m, p);
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_FALSE(m.Exists(At("SKIP.TXT")));
    EXPECT_FALSE(m.Exists(At("NOTNT.TXT")));
    EXPECT_EQ(m.ReadText(At("PACKED.TXT")), "packed data packed data packed data");
    EXPECT_EQ(m.ReadText(At("LAST.TXT")), "the last file");
}

TEST(InstallFilePhase, OnWindows95PassesOverRecordsNotForIt) {
    sim::Machine m = sim::Machine::Windows95();
    InstallPackage p;
    p.File("NOT95.TXT", "not on 95").NotOnWindows95 = 1;
    p.File("ALL.TXT", "everywhere");
    ASSERT_EQ(Install(m, p).exitCode, 0);
    EXPECT_FALSE(m.Exists(At("NOT95.TXT")));
    EXPECT_EQ(m.ReadText(At("ALL.TXT")), "everywhere");
}

TEST(InstallSequence, WithoutFilesStillWritesTheRegistry) {
    sim::Machine m = sim::Machine::NT40();
    InstallPackage p;
    p.Key(os::HKEY_LOCAL_MACHINE, "Software\\Test");
    p.String(1, "Name", "value");
    ASSERT_EQ(Install(m, p).exitCode, 0);
    EXPECT_EQ(m.GetString(os::HKEY_LOCAL_MACHINE, "Software\\Test", "Name"), "value");
}

TEST(InstallSequence, LogsItsPhasesInOrderAndReleasesEverything) {
    sim::Machine m = sim::Machine::NT40();
    InstallPackage p = TwoFiles();
    p.Dir("DATA");
    p.Key(os::HKEY_CURRENT_USER, "Software\\Test");
    p.String(1, "Name", "value");
    scenario::RunResult r = Install(m, p);
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_TRUE(InOrder(r.logLines, {"Preparing creation of uninstaller...",
                                     "Creating uninstaller: C:\\APP\\UNINST.EXE",
                                     "Creating directory: C:\\APP\\DATA",
                                     "Creating file: C:\\APP\\ONE.TXT",
                                     "Creating file: C:\\APP\\TWO.TXT", "",
                                     "Creating registry key 'HKEY_CURRENT_USER\\Software\\Test'...",
                                     "Adding registry value 'HKEY_CURRENT_USER\\Software\\Test\\Name'...",
                                     "The installation was successful!"}));
    EXPECT_EQ(r.outstandingBlocks, 0u);
    EXPECT_EQ(r.openFiles, 0u);
    EXPECT_EQ(r.openKeys, 0u);
}

TEST(InstallSequence, ProgressEndsAtTheWholeInstalledSize) {
    sim::Machine m = sim::Machine::NT40();
    // ONE.TXT and TWO.TXT have 10 and 6 bytes; the skipped record between
    // them leaves the percentage as ONE.TXT left it, so nothing is drawn again.
    InstallPackage p;
    p.File("ONE.TXT", "first file");
    p.File("SKIPPED.TXT", "skip").SkipAtInstall = 1;
    p.File("TWO.TXT", "second");
    ASSERT_EQ(Install(m, p).exitCode, 0);
    EXPECT_THAT(m.ProgressHistory(), ::testing::ElementsAre("0%", "62%", "100%"));
}

TEST(InstallFilePhase, AFailedSkipOfARecordsDataEndsTheInstallation) {
    // The skip of the last record's data is the last seek in the package.
    InstallPackage p;
    p.File("ONE.TXT", "first");
    p.File("SKIP.TXT", "skipped").SkipAtInstall = 1;
    sim::Machine clean = sim::Machine::NT40();
    ASSERT_EQ(Install(clean, p).exitCode, 0);

    sim::Machine m = sim::Machine::NT40();
    m.FailCall("LSeek", clean.CallCount("LSeek"), sim::ERROR_NEGATIVE_SEEK);
    scenario::RunResult r = Install(m, p);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(Errors(r), Contains("Couldn't skip file."));
    EXPECT_EQ(m.ReadText(At("ONE.TXT")), "first");
}

TEST(InstallCancel, AtAnyPollLeavesTheWorkDoneInOrderAndNothingAfter) {
    InstallPackage p;
    p.File("ONE.TXT", "first");
    p.Compressed("TWO.TXT", "second second second");
    p.File("THREE.TXT", "third");
    // Two shared files that are present: their new copies wait for the
    // restart in temporary files.
    p.Compressed("LIB.DLL", "new library, compressed").Shared = 1;
    p.File("PLAIN.DLL", "new library").Shared = 1;
    p.Key(os::HKEY_LOCAL_MACHINE, "Software\\Cancelled");
    auto fresh = [] {
        sim::Machine m = sim::Machine::NT40();
        m.WriteFile(At("LIB.DLL"), "old library");
        m.WriteFile(At("PLAIN.DLL"), "old library");
        return m;
    };
    sim::Machine clean = fresh();
    ASSERT_EQ(Install(clean, p).exitCode, 0);
    ASSERT_EQ(clean.DelayedMoves().size(), 2u);
    const std::vector<std::string> names = {"ONE.TXT", "TWO.TXT", "THREE.TXT"};

    int cancelledBeforeTheEnd = 0;
    for (int poll = 1; poll <= clean.Polls(); ++poll) {
        SCOPED_TRACE(poll);
        sim::Machine m = fresh();
        m.HoldEscapeAtPoll(poll);
        m.AnswerQuestions({os::IDYES});
        scenario::RunResult r = Install(m, p);
        // Files are placed in table order: a file present means every
        // earlier one is, and the registry comes after the last file.
        std::size_t present = 0;
        while (present < names.size() && m.Exists(At(names[present]))) ++present;
        for (std::size_t later = present + 1; later < names.size(); ++later)
            EXPECT_FALSE(m.Exists(At(names[later])));
        const bool key = m.KeyExists(os::HKEY_LOCAL_MACHINE, "Software\\Cancelled");
        if (key) {
            EXPECT_EQ(present, names.size());
        } else {
            EXPECT_EQ(r.exitCode, 1);
            ++cancelledBeforeTheEnd;
        }
        // No temporary copy outlives a cancel: neither a compressed copy
        // nor a restart copy whose move was not registered.
        EXPECT_FALSE(m.Exists(At("TWO.TX_")));
        EXPECT_FALSE(m.Exists(At("LIB.DL_")));
        EXPECT_EQ(m.ListDirectory("C:\\TEMP").size(), m.DelayedMoves().size());
        for (const sim::DelayedMove& move : m.DelayedMoves()) EXPECT_TRUE(m.Exists(move.from));
        EXPECT_EQ(m.ReadText(At("LIB.DLL")), "old library");
        EXPECT_THAT(Errors(r), Not(Contains("Couldn't skip file.")));
        EXPECT_EQ(r.outstandingBlocks, 0u);
        EXPECT_EQ(r.openFiles, 0u);
        EXPECT_EQ(r.openKeys, 0u);
    }
    EXPECT_GT(cancelledBeforeTheEnd, 3);
}
