// The inspector's JSON gives back what the builder was told: a script with
// every setting is built, listed with --json, and the listing is read back
// with a small JSON reader and compared field by field.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "pkgbuild/pkgbuild.h"
#include "pkginfo/pkginfo.h"
#include "support/scratch_dir.h"

namespace {

// Just enough JSON: objects, arrays, strings, non-negative and negative integers.
struct Json {
    enum class Kind { Object, Array, String, Number } kind = Kind::Number;
    std::map<std::string, Json> object;
    std::vector<std::string> order;  // member names as they came
    std::vector<Json> array;
    std::string text;
    long long number = 0;

    const Json& operator[](const std::string& key) const {
        auto it = object.find(key);
        if (it == object.end()) {
            ADD_FAILURE() << "no member " << key;
            static const Json none;
            return none;
        }
        return it->second;
    }
    const Json& operator[](std::size_t i) const { return array.at(i); }
};

class JsonReader {
public:
    explicit JsonReader(const std::string& s) : s_(s) {}
    bool Read(Json& out) {
        if (!Value(out)) return false;
        Blanks();
        return i_ == s_.size();
    }

private:
    void Blanks() {
        while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\n' || s_[i_] == '\r' || s_[i_] == '\t')) ++i_;
    }
    bool Eat(char c) {
        Blanks();
        if (i_ < s_.size() && s_[i_] == c) return ++i_, true;
        return false;
    }
    bool String(std::string& out) {
        if (!Eat('"')) return false;
        out.clear();
        while (i_ < s_.size() && s_[i_] != '"') {
            char c = s_[i_++];
            if (static_cast<unsigned char>(c) < 0x20) return false;  // raw control characters are invalid
            if (c != '\\') {
                out += c;
                continue;
            }
            if (i_ >= s_.size()) return false;
            char e = s_[i_++];
            if (e == 'n') out += '\n';
            else if (e == 'r') out += '\r';
            else if (e == 't') out += '\t';
            else if (e == '"' || e == '\\' || e == '/') out += e;
            else if (e == 'u' && i_ + 4 <= s_.size()) {
                unsigned v = std::stoul(s_.substr(i_, 4), nullptr, 16);
                if (v > 0xFF) return false;
                out += static_cast<char>(v);
                i_ += 4;
            } else return false;
        }
        return Eat('"');
    }
    bool Value(Json& out) {
        Blanks();
        if (i_ >= s_.size()) return false;
        if (s_[i_] == '{') {
            ++i_;
            out.kind = Json::Kind::Object;
            if (Eat('}')) return true;
            do {
                std::string key;
                Json member;
                if (!String(key) || !Eat(':') || !Value(member)) return false;
                if (out.object.count(key)) return false;
                out.order.push_back(key);
                out.object[key] = member;
            } while (Eat(','));
            return Eat('}');
        }
        if (s_[i_] == '[') {
            ++i_;
            out.kind = Json::Kind::Array;
            if (Eat(']')) return true;
            do {
                Json element;
                if (!Value(element)) return false;
                out.array.push_back(element);
            } while (Eat(','));
            return Eat(']');
        }
        if (s_[i_] == '"') {
            out.kind = Json::Kind::String;
            return String(out.text);
        }
        std::size_t start = i_;
        if (s_[i_] == '-') ++i_;
        while (i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '9') ++i_;
        if (i_ == start) return false;
        out.kind = Json::Kind::Number;
        out.number = std::stoll(s_.substr(start, i_ - start));
        return true;
    }
    const std::string& s_;
    std::size_t i_ = 0;
};

const char* const FullScript = R"(; every setting and every kind of record
[Setup]
Title=Example "Product"
UninstallTitle=Remove Example
MainText=Welcome to the example.%nPress Install to go on.
HelpText=Choose a directory.
HelpTextNT=Choose a directory (NT).
FinishedText=Finished.
UninstallQuestion=Remove the example?
RestartText=Restart Windows now?
UninstallDisplayName=Example Product
DefaultDir=Example
UninstallItemName=Uninstall Example
Uninstaller=UNINST.EXE
RunAfterInstall=README.TXT
RunParameters=/read
MinWindows=4.0
HelpFile=DOCS\guide.txt
HelpContext=7
CreateUninstaller=yes
UninstallItemAlways=yes
CreateLog=yes
DeleteLogOnSuccess=no
Refuse=win32s
Compress=yes

[Dirs]
Name: "DOCS"; Flags: KeepAtUninstall
Name: "FONTS\EXAMPLE"; Base: windows; Attributes: Hidden

[Files]
Source: "readme.txt"; Name: "README.TXT"; Flags: Vital Uncompressed
Source: "docs\*.txt"; Dir: "DOCS"
Source: "svc.exe"; Name: "EXSVC.EXE"; Base: system; Service: "ExSvc"; ServiceDisplayName: "Example Service"; ServiceDependencies: "Tcpip"; Flags: StartService Shared; Overwrite: never; Trailer: "ffeeddccbbaa99887766554433221100"

[Groups]
Name: "Example"

[Items]
Name: "Read Me"; Group: "Example"; File: "README.TXT"; Arguments: "/page 2"; Icon: 3
Name: "Guide"; File: "DOCS\guide.txt"; Flags: NotOnWindowsNT

[RegKeys]
Key: "HKLM\Software\Example"
Key: "HKCU\Software\Example"; Flags: KeepAtUninstall

[RegValues]
Key: "HKLM\Software\Example"; Name: "Path"; Data: "C:\Example"
Key: "HKCU\Software\Example"; Name: "Runs"; Type: dword; Data: 3
Key: "HKCU\Software\Example"; Name: "Blob"; Type: binary; Data: "00 7f 80 ff"
)";

class PkginfoJson : public ::testing::Test {
protected:
    void SetUp() override {
        s.Write("readme.txt", "Read me first.\r\n");
        s.Write("docs/guide.txt", "The guide.\r\n");
        s.Write("docs/notes.txt", std::string(3000, 'n'));
        s.Write("svc.exe", "MZ service");
        stub = s.Write("stub.exe", "MZ stub program");
        package = s.Dir() + "/setup.exe";
        std::string script = s.Write("example.setup", FullScript);
        std::string out, err;
        ASSERT_EQ(pkgbuild::RunPkgbuild({script, "-o", package, "--stub", stub}, out, err), 0) << err;
        out.clear();
        ASSERT_EQ(pkginfo::RunPkginfo({package, "--json"}, out, err), 0) << err;
        ASSERT_TRUE(JsonReader(out).Read(json)) << out;
    }
    Scratch s;
    std::string stub, package;
    Json json;
};

TEST_F(PkginfoJson, GivesBackEveryHeaderSettingOfTheScript) {
    const Json& h = json["Header"];
    EXPECT_EQ(h["Marker"].text, "iNStiNSt");
    EXPECT_EQ(h["HeaderSize"].number, 3772);
    EXPECT_EQ(h["InstallTitle"].text, "Example \"Product\"");
    EXPECT_EQ(h["UninstallTitle"].text, "Remove Example");
    EXPECT_EQ(h["MainDialogText"].text, "Welcome to the example.\r\nPress Install to go on.");
    EXPECT_EQ(h["HelpText"].text, "Choose a directory.");
    EXPECT_EQ(h["HelpTextNT"].text, "Choose a directory (NT).");
    EXPECT_EQ(h["FinishedText"].text, "Finished.");
    EXPECT_EQ(h["UninstallQuestion"].text, "Remove the example?");
    EXPECT_EQ(h["RestartText"].text, "Restart Windows now?");
    EXPECT_EQ(h["UninstallDisplayName"].text, "Example Product");
    EXPECT_EQ(h["DefaultSubdir"].text, "Example");
    EXPECT_EQ(h["UninstallItemName"].text, "Uninstall Example");
    EXPECT_EQ(h["UninstallerName"].text, "UNINST.EXE");
    EXPECT_EQ(h["RunAfterInstall"].text, "README.TXT");
    EXPECT_EQ(h["RunParameters"].text, "/read");
    EXPECT_EQ(h["MinWindowsMajor"].number, 4);
    EXPECT_EQ(h["MinWindowsMinor"].number, 0);
    EXPECT_EQ(h["HelpFileNumber"].number, 2);  // guide.txt sorts before notes.txt
    EXPECT_EQ(h["HelpContext"].number, 7);
    EXPECT_EQ(h["CreateUninstaller"].number, 1);
    EXPECT_EQ(h["UninstallItemAlways"].number, 1);
    EXPECT_EQ(h["CreateLog"].number, 1);
    EXPECT_EQ(h["DeleteLogOnSuccess"].number, 0);
    EXPECT_EQ(h["RefuseWin32s"].number, 1);
    EXPECT_EQ(h["RefuseWindows95"].number, 0);
    EXPECT_EQ(h["RefuseWindowsNT"].number, 0);
    EXPECT_EQ(h["FileCount"].number, 4);
    EXPECT_EQ(h["DirCount"].number, 2);
    EXPECT_EQ(h["GroupCount"].number, 1);
    EXPECT_EQ(h["ItemCount"].number, 2);
    // The script's two keys and three values, then the uninstall entry's key
    // with EstimatedSize, NoModify and NoRepair.
    EXPECT_EQ(h["RegKeyCount"].number, 3);
    EXPECT_EQ(h["RegValueCount"].number, 6);
}

TEST_F(PkginfoJson, GivesBackTheFilesWithTheirResolvedDirectoriesAndFlags) {
    const Json& files = json["Files"];
    ASSERT_EQ(files.array.size(), 4u);
    EXPECT_EQ(files[0]["FileName"].text, "README.TXT");
    EXPECT_EQ(files[0]["Compressed"].number, 0);
    EXPECT_EQ(files[0]["Vital"].number, 1);
    EXPECT_EQ(files[0]["InstalledSize"].number, 16);
    EXPECT_EQ(files[0]["StoredSize"].number, 16);
    EXPECT_EQ(files[1]["FileName"].text, "guide.txt");
    EXPECT_EQ(files[1]["DirNumber"].number, 1);
    EXPECT_EQ(files[2]["FileName"].text, "notes.txt");
    EXPECT_EQ(files[2]["Compressed"].number, 1);
    EXPECT_EQ(files[2]["InstalledSize"].number, 3000);
    EXPECT_LT(files[2]["StoredSize"].number, 3000);
    const Json& svc = files[3];
    EXPECT_EQ(svc["FileName"].text, "EXSVC.EXE");
    EXPECT_EQ(svc["InSystemDir"].number, 1);
    EXPECT_EQ(svc["ServiceName"].text, "ExSvc");
    EXPECT_EQ(svc["ServiceDisplayName"].text, "Example Service");
    ASSERT_EQ(svc["ServiceDependencies"].array.size(), 1u);
    EXPECT_EQ(svc["ServiceDependencies"][0].text, "Tcpip");
    EXPECT_EQ(svc["StartService"].number, 1);
    EXPECT_EQ(svc["Shared"].number, 1);
    EXPECT_EQ(svc["OverwriteMode"].number, 2);
    EXPECT_EQ(svc["AppendTrailer"].number, 1);
    EXPECT_EQ(svc["Trailer"].text, "ffeeddccbbaa99887766554433221100");
}

TEST_F(PkginfoJson, GivesBackDirectoriesGroupsItemsKeysAndValues) {
    const Json& dirs = json["Dirs"];
    ASSERT_EQ(dirs.array.size(), 2u);
    EXPECT_EQ(dirs[0]["Name"].text, "DOCS");
    EXPECT_EQ(dirs[0]["KeepAtUninstall"].number, 1);
    EXPECT_EQ(dirs[1]["Name"].text, "FONTS\\EXAMPLE");
    EXPECT_EQ(dirs[1]["InWindowsDir"].number, 1);
    EXPECT_EQ(dirs[1]["Attributes"].number, 0x12);
    ASSERT_EQ(json["Groups"].array.size(), 1u);
    EXPECT_EQ(json["Groups"][0]["Name"].text, "Example");
    const Json& items = json["Items"];
    ASSERT_EQ(items.array.size(), 2u);
    EXPECT_EQ(items[0]["Name"].text, "Read Me");
    EXPECT_EQ(items[0]["Arguments"].text, "/page 2");
    EXPECT_EQ(items[0]["GroupNumber"].number, 1);
    EXPECT_EQ(items[0]["FileNumber"].number, 1);
    EXPECT_EQ(items[0]["IconNumber"].number, 3);
    EXPECT_EQ(items[1]["GroupNumber"].number, 1);
    EXPECT_EQ(items[1]["FileNumber"].number, 2);
    EXPECT_EQ(items[1]["NotOnWindowsNT"].number, 1);
    const Json& keys = json["RegKeys"];
    ASSERT_EQ(keys.array.size(), 3u);
    EXPECT_EQ(keys[0]["Root"].number, 0x80000002LL);
    EXPECT_EQ(keys[0]["SubKey"].text, "Software\\Example");
    EXPECT_EQ(keys[1]["Root"].number, 0x80000001LL);
    EXPECT_EQ(keys[1]["KeepAtUninstall"].number, 1);
    EXPECT_EQ(keys[2]["Root"].number, 0x80000002LL);
    EXPECT_EQ(keys[2]["SubKey"].text, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Example Product");
    EXPECT_EQ(keys[2]["KeepAtUninstall"].number, 0);
    const Json& values = json["RegValues"];
    ASSERT_EQ(values.array.size(), 6u);
    for (int i = 3; i < 6; ++i) EXPECT_EQ(values[i]["KeyNumber"].number, 3);
    EXPECT_EQ(values[3]["ValueName"].text, "EstimatedSize");
    EXPECT_EQ(values[4]["ValueName"].text, "NoModify");
    EXPECT_EQ(values[4]["Data"].text, "01000000");
    EXPECT_EQ(values[5]["ValueName"].text, "NoRepair");
    EXPECT_EQ(values[0]["ValueName"].text, "Path");
    EXPECT_EQ(values[0]["ValueType"].number, 1);
    EXPECT_EQ(values[0]["DataSize"].number, 11);
    EXPECT_EQ(values[0]["Data"].text, "433a5c4578616d706c6500");
    EXPECT_EQ(values[1]["KeyNumber"].number, 2);
    EXPECT_EQ(values[1]["Data"].text, "03000000");
    EXPECT_EQ(values[2]["ValueType"].number, 3);
    EXPECT_EQ(values[2]["Data"].text, "007f80ff");
}

TEST_F(PkginfoJson, ListsEveryFieldOfEveryRecord) {
    // One member per record field (the header has 36, FileRecord 35, the others as many as
    // their fields), so nothing a package holds goes unseen.
    EXPECT_EQ(json["Header"].order.size(), 36u);
    EXPECT_EQ(json["Files"][0].order.size(), 35u);
    EXPECT_EQ(json["Dirs"][0].order.size(), 9u);
    EXPECT_EQ(json["Groups"][0].order.size(), 6u);
    EXPECT_EQ(json["Items"][0].order.size(), 10u);
    EXPECT_EQ(json["RegKeys"][0].order.size(), 8u);
    EXPECT_EQ(json["RegValues"][0].order.size(), 10u);
}

TEST_F(PkginfoJson, TellsWhereTheInstallationInformationLies) {
    const Json& p = json["Package"];
    EXPECT_EQ(p["InfoOffset"].number, 16);  // 15 bytes of stub, padded to 8
    EXPECT_EQ(p["InfoSize"].number, 3772 + 4 * 756 + 2 * 288 + 56 + 2 * 164 + 3 * 288 + 6 * 416);
    EXPECT_EQ(p["FileSize"].number, static_cast<long long>(std::filesystem::file_size(package)));
    EXPECT_EQ(p["TrailingSize"].number, 0);
    EXPECT_EQ(p["Checksum"].text, "ok");
}

TEST(PkginfoJsonText, EscapesQuotesBackslashesControlAndHighBytes) {
    Scratch s;
    pkg::PackageContents c;
    c.stub = {'M', 'Z', 0, 0, 0, 0, 0, 0};
    c.header = pkg::NewHeader();
    pkg::SetText(c.header.InstallTitle, std::string("a\"b\\c\r\nd\x01\xe9"));
    pkg::Bytes bytes = pkg::WritePackage(c);
    std::string path = s.Write("p.exe", std::string(bytes.begin(), bytes.end()));
    std::string out, err;
    ASSERT_EQ(pkginfo::RunPkginfo({path, "--json"}, out, err), 0) << err;
    EXPECT_NE(out.find("\"InstallTitle\": \"a\\\"b\\\\c\\r\\nd\\u0001\\u00e9\""), std::string::npos) << out;
    Json json;
    ASSERT_TRUE(JsonReader(out).Read(json));
    EXPECT_EQ(json["Header"]["InstallTitle"].text, "a\"b\\c\r\nd\x01\xe9");
}

TEST(PkginfoJsonText, ReadsATextThatFillsItsWholeFieldWithoutANul) {
    Scratch s;
    pkg::PackageContents c;
    c.stub = {'M', 'Z', 0, 0, 0, 0, 0, 0};
    c.header = pkg::NewHeader();
    std::memset(c.header.InstallTitle, 'T', sizeof c.header.InstallTitle);
    std::memset(c.header.UninstallTitle, 'U', sizeof c.header.UninstallTitle);
    pkg::Bytes bytes = pkg::WritePackage(c);
    std::string path = s.Write("p.exe", std::string(bytes.begin(), bytes.end()));
    std::string out, err;
    ASSERT_EQ(pkginfo::RunPkginfo({path, "--json"}, out, err), 0) << err;
    Json json;
    ASSERT_TRUE(JsonReader(out).Read(json));
    EXPECT_EQ(json["Header"]["InstallTitle"].text, std::string(64, 'T'));
}

TEST(PkginfoCommandLine, RefusesAFileWithoutInstallationInformation) {
    Scratch s;
    std::string path = s.Write("notes.txt", "just some text, no marker here");
    std::string out, err;
    EXPECT_EQ(pkginfo::RunPkginfo({path}, out, err), 1);
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "pkginfo: " + path + ": no installation information (marker not found)\n");
}

TEST(PkginfoCommandLine, ListsThePackageReadablyWithReferencesResolved) {
    Scratch s;
    s.Write("readme.txt", "hello");
    std::string stub = s.Write("stub.exe", "MZ");
    std::string script = s.Write("p.setup",
                                 "[Setup]\nTitle=Readable\nMainText=M\nFinishedText=F\nHelpFile=READ.ME\n[Files]\nSource: \"readme.txt\"; Name: \"READ.ME\"\n"
                                 "[Groups]\nName: \"Grp\"\n[Items]\nName: \"Open\"; Group: \"Grp\"; File: \"READ.ME\"\n"
                                 "[RegKeys]\nKey: \"HKCU\\Software\\R\"\n[RegValues]\nKey: \"HKCU\\Software\\R\"; Name: \"V\"; Data: \"x\"\n");
    std::string out, err;
    ASSERT_EQ(pkgbuild::RunPkgbuild({script, "-o", s.Dir() + "/setup.exe", "--stub", stub}, out, err), 0) << err;
    out.clear();
    ASSERT_EQ(pkginfo::RunPkginfo({s.Dir() + "/setup.exe"}, out, err), 0) << err;
    EXPECT_NE(out.find("  InstallTitle:           \"Readable\"\n"), std::string::npos) << out;
    EXPECT_NE(out.find("  HelpFileNumber:         1 (READ.ME)\n"), std::string::npos) << out;
    EXPECT_NE(out.find("  1. <destination>\\READ.ME\n"), std::string::npos) << out;
    EXPECT_NE(out.find("  1. \"Open\" in group \"Grp\": file 1 (READ.ME) \"\", icon 0; flags none\n"), std::string::npos) << out;
    EXPECT_NE(out.find("  1. HKEY_CURRENT_USER\\Software\\R\\V = string \"x\" (2 bytes); flags none\n"), std::string::npos) << out;
}

}  // namespace
