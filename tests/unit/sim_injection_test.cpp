// Failure injection and accounting of the simulated machine: the nth call
// of an operation fails with the chosen code, every call is counted, and
// memory blocks are tracked.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/sim/machine.h"

TEST(SimInjection, TheNthCallFailsWithTheChosenErrorAndTheOthersWork) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile("C:\\A", "a");
    m.WriteFile("C:\\B", "b");
    m.WriteFile("C:\\C", "c");
    m.FailCall("DeleteFile", 2, os::ERROR_ACCESS_DENIED);
    EXPECT_TRUE(m.DeleteFile("C:\\A"));
    EXPECT_FALSE(m.DeleteFile("C:\\B"));
    EXPECT_EQ(m.GetLastError(), os::ERROR_ACCESS_DENIED);
    EXPECT_TRUE(m.Exists("C:\\B"));
    EXPECT_TRUE(m.DeleteFile("C:\\C"));
    EXPECT_EQ(m.CallCount("DeleteFile"), 3);
    // A name that is no platform call would never fail: it is refused.
    EXPECT_THROW(m.FailCall("DeleteFileA", 1, os::ERROR_ACCESS_DENIED), std::invalid_argument);
    EXPECT_THROW(m.FailCall("deletefile", 1, os::ERROR_ACCESS_DENIED), std::invalid_argument);
}

TEST(SimInjection, NthZeroFailsEveryCall) {
    sim::Machine m = sim::Machine::NT40();
    m.FailCall("GetFileAttributes", 0, os::ERROR_PATH_NOT_FOUND);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(m.GetFileAttributes("C:\\WINDOWS"), os::INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(m.GetLastError(), os::ERROR_PATH_NOT_FOUND);
    }
    m.ClearFailures();
    EXPECT_EQ(m.GetFileAttributes("C:\\WINDOWS"), os::FILE_ATTRIBUTE_DIRECTORY);
}

TEST(SimInjection, EachOperationFailsWithItsOwnFailureResult) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile("C:\\F", "data");
    for (const char* name : {"LOpen", "HRead", "LSeek", "RegOpenKeyEx", "OpenSCManager", "DialogBox",
                             "MessageBox", "DdeInitialize", "CreateProcess", "GetTempPath"})
        m.FailCall(name, 0, 1234);
    EXPECT_EQ(m.LOpen("C:\\F", os::OF_READ), os::InvalidFile);
    os::RegKey key = 0;
    EXPECT_EQ(m.RegOpenKeyEx(os::HKEY_LOCAL_MACHINE, "Software", os::KEY_QUERY_VALUE, &key), 1234);
    EXPECT_EQ(m.OpenSCManager(os::SC_MANAGER_ALL_ACCESS), 0u);
    EXPECT_EQ(m.DialogBox(os::MainDialogId, 0, nullptr, nullptr), -1);
    EXPECT_EQ(m.MessageBox(0, "t", "c", os::MB_OK), 0);
    EXPECT_TRUE(m.Boxes().empty());
    std::uint32_t instance = 0;
    EXPECT_EQ(m.DdeInitialize(&instance), 1234u);
    EXPECT_EQ(m.CreateProcess("C:\\F", os::SW_HIDE, 0), 0u);
    char temp[64];
    EXPECT_EQ(m.GetTempPath(sizeof temp, temp), 0u);
    EXPECT_EQ(m.GetLastError(), 1234u);
}

TEST(SimInjection, AFailedAllocReturnsNullAndEveryBlockIsAccounted) {
    sim::Machine m = sim::Machine::NT40();
    void* a = m.Alloc(16);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(static_cast<unsigned char*>(a)[15], 0);
    m.FailCall("Alloc", 2, os::ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(m.Alloc(16), nullptr);
    void* c = m.Alloc(8);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(m.OutstandingBlocks(), 2u);
    m.Free(a);
    m.Free(c);
    EXPECT_EQ(m.OutstandingBlocks(), 0u);
}

TEST(SimInjection, CallCountsNameEveryOperationCalledForASweep) {
    sim::Machine m = sim::Machine::NT40();
    char dir[260];
    m.GetWindowsDirectory(dir, sizeof dir);
    m.GetWindowsDirectory(dir, sizeof dir);
    m.GetSystemDirectory(dir, sizeof dir);
    const auto& counts = m.CallCounts();
    EXPECT_EQ(counts.at("GetWindowsDirectory"), 2);
    EXPECT_EQ(counts.at("GetSystemDirectory"), 1);
    EXPECT_EQ(counts.count("DeleteFile"), 0u);
}
