#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "text/messages.h"

namespace {

struct Row {
    MessageId id;
    int number;
    const char* text;
};

// A selection that covers the texts with arguments, the ones with line
// breaks and quotes, the program's own spellings, and the table's ends.
const Row kRows[] = {
    {MessageId::CouldntCreateLogFile, 0, "Couldn't create log file."},
    {MessageId::FileInUseUninstall, 1,
     "The file '%s' is currently used by an application or by Windows. Make sure the file isn't in use before uninstalling."},
    {MessageId::SharedFileQuestion, 5,
     "The system indicates that the shared file '%s' is no longer used by any programs. If any programs are still using this file and it is removed, those programs may not function.\r\n\r\nAre you sure you want to remove the shared file?"},
    {MessageId::CouldntCreateKey, 8, "Couldn't create/access registry key '%s\\%s', Error code: %i"},
    {MessageId::CouldntCreateValue, 10,
     "Couldn't create/access registry value '%s\\%s\\%s', Error code: %i"},
    {MessageId::StoppingService, 17,
     "Stopping service: (Be patient. This can take up to several minutes.)"},
    {MessageId::Initializing, 20, "Initializing..."},
    {MessageId::CouldntExecuteOleServer, 31, "Unable to execute OleServer application '%s'."},
    {MessageId::CouldntExecuteOleServerUninstall, 33, "Unable to execute OleServer application '%s'."},
    {MessageId::NoDllUnregisterServer, 37,
     "Unable to get address of DllUnRegisterServer function in '%s'."},
    {MessageId::MessageCaption, 40, "Message"},
    {MessageId::ErrorCaption, 41, "Error"},
    {MessageId::RequiresWindows, 48, "This software requires Windows %i.%i or later."},
    {MessageId::RefuseWin32s, 49, "Sorry, but this software wont run on Win 32s."},
    {MessageId::CouldntWriteSystemDir, 53,
     "Couldn't write to the system directory.\r\nThe installation program needs write access rights to the system directory to complete the installation."},
    {MessageId::ShellUninstallFailed, 55,
     "Couldn't communicate with shell. Error code %i.\r\nNo program group or items will be uninstalled."},
    {MessageId::InfoError, 62, "Error %i in installation info."},
    {MessageId::FileInUseByAnother, 66,
     "The file '%s' is currently used by another application or by Windows.\r\nMake sure the file isn't in use before starting the installation again."},
    {MessageId::DecompressionError, 72, "An error occured during decompression of '%s'."},
    {MessageId::InstallTo, 73, "Install &to:"},
    {MessageId::InstallButton, 74, "&Install"},
    {MessageId::InstallationError, 78, "An error occured during the installation."},
    {MessageId::MayNotRunProperly, 80,
     "\rThe software may not run properly.\r\rRun the installation program again to complete the installation."},
    {MessageId::Empty, 81, ""},
    {MessageId::CannotHoldInstallation, 83, "This directory cannot hold the installation."},
    {MessageId::InvalidCommandLine, 84, "Invalid command line."},
};

class MessageTableRow : public ::testing::TestWithParam<Row> {};

TEST_P(MessageTableRow, HoldsTheProgramsTextByteForByte) {
    const Row& row = GetParam();
    EXPECT_EQ(static_cast<int>(row.id), row.number);
    EXPECT_EQ(std::string(Msg(row.id)), std::string(row.text));
}

INSTANTIATE_TEST_SUITE_P(SelectedIds, MessageTableRow, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<Row>& param) {
                             return "Message" + std::to_string(param.param.number);
                         });

TEST(MessageTable, HasATextForEveryIdAndOnly81IsEmpty) {
    for (int id = 0; id < MessageCount; ++id) {
        const char* text = Msg(static_cast<MessageId>(id));
        ASSERT_NE(text, nullptr) << id;
        if (id == 81) EXPECT_STREQ(text, "") << id;
        else EXPECT_GT(std::strlen(text), 0u) << id;
        // The program keeps the table packed: every text comes back byte for
        // byte as the table writes it, and stays where it is between calls.
        EXPECT_STREQ(text, MessageAsWritten(static_cast<MessageId>(id))) << id;
        EXPECT_EQ(Msg(static_cast<MessageId>(id)), text) << id;
    }
}

TEST(MessageTable, GivesBothOleServerEntriesOneTextAndEveryOtherEntryItsOwn) {
    EXPECT_NE(Msg(MessageId::CouldntExecuteOleServer), nullptr);
    EXPECT_STREQ(Msg(MessageId::CouldntExecuteOleServer), Msg(MessageId::CouldntExecuteOleServerUninstall));
    // No other two entries share a text.
    std::set<std::string> seen;
    for (int id = 0; id < MessageCount; ++id) {
        if (id == 33) continue;
        EXPECT_TRUE(seen.insert(Msg(static_cast<MessageId>(id))).second) << id;
    }
}

TEST(MessageTable, ReadsAnIdOutsideTheTableAsTheEmptyText) {
    EXPECT_STREQ(Msg(static_cast<MessageId>(MessageCount)), "");
    EXPECT_STREQ(Msg(static_cast<MessageId>(-1)), "");
}

}  // namespace
