// The service layer and the registration helpers, called directly on a
// simulated machine.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "install/install.h"
#include "install/services.h"
#include "platform/sim/machine.h"
#include "run/run.h"

namespace {

sim::ServiceInfo MakeService(std::uint32_t state) {
    sim::ServiceInfo s;
    s.name = "Svc";
    s.displayName = "The Service";
    s.binaryPath = "C:\\SVC.EXE";
    s.state = state;
    return s;
}

}  // namespace

TEST(ServiceLayer, QueryGivesTheStateOrTheSpecialValues) {
    sim::Machine m = sim::Machine::NT40();
    ::Run run(m);
    m.AddService(MakeService(os::SERVICE_PAUSED));
    EXPECT_EQ(QueryServiceState(run, "Svc"), os::SERVICE_PAUSED);
    EXPECT_EQ(QueryServiceState(run, "Missing"), ServiceNotFound);
    m.SetServiceAccessDenied("Svc");
    EXPECT_EQ(QueryServiceState(run, "Svc"), ServiceNotAccessible);
    m.SetServiceManagerAvailable(false);
    EXPECT_EQ(QueryServiceState(run, "Svc"), ServiceManagerUnavailable);
    EXPECT_EQ(m.OpenServiceHandles(), 0u);
}

TEST(ServiceLayer, AStatusThatCannotBeReadCountsAsNotAccessible) {
    sim::Machine m = sim::Machine::NT40();
    ::Run run(m);
    m.AddService(MakeService(os::SERVICE_RUNNING));
    m.FailCall("QueryServiceStatus", 1, os::ERROR_ACCESS_DENIED);
    EXPECT_EQ(QueryServiceState(run, "Svc"), ServiceNotAccessible);
    EXPECT_EQ(m.OpenServiceHandles(), 0u);
}

TEST(ServiceLayer, QueryLeavesTheLastServiceErrorAlone) {
    sim::Machine m = sim::Machine::NT40();
    ::Run run(m);
    run.LastServiceError = 77;
    QueryServiceState(run, "Missing");
    EXPECT_EQ(run.LastServiceError, 77u);
}

TEST(ServiceLayer, StartWaitsOutTheStartPendingState) {
    sim::Machine m = sim::Machine::NT40();
    ::Run run(m);
    m.AddService(MakeService(os::SERVICE_STOPPED));
    m.SetPendingPolls("Svc", 4);
    run.LastServiceError = 77;  // from an earlier request
    ASSERT_TRUE(StartServiceWait(run, "Svc"));
    EXPECT_EQ(m.Service("Svc").state, os::SERVICE_RUNNING);
    EXPECT_EQ(run.LastServiceError, 0u);
    // Four pending answers and the final one, each after 200 ms.
    EXPECT_EQ(m.Sleeps(), std::vector<std::uint32_t>(5, 200u));
    EXPECT_EQ(m.OpenServiceHandles(), 0u);
}

TEST(ServiceLayer, AStartStuckPendingFailsWithTheRequestTimeOut) {
    sim::Machine m = sim::Machine::NT40();
    ::Run run(m);
    m.AddService(MakeService(os::SERVICE_STOPPED));
    m.SetStuckPending("Svc");
    EXPECT_FALSE(StartServiceWait(run, "Svc"));
    EXPECT_EQ(run.LastServiceError, os::ERROR_SERVICE_REQUEST_TIMEOUT);
    EXPECT_EQ(m.CallCount("QueryServiceStatus"), static_cast<int>(ServiceWaitPolls));
    EXPECT_EQ(m.OpenServiceHandles(), 0u);
}

TEST(ServiceLayer, AStopStuckPendingFailsWithTheRequestTimeOut) {
    sim::Machine m = sim::Machine::NT40();
    ::Run run(m);
    m.AddService(MakeService(os::SERVICE_RUNNING));
    m.SetStuckPending("Svc");
    EXPECT_FALSE(StopServiceWait(run, "Svc"));
    EXPECT_EQ(run.LastServiceError, os::ERROR_SERVICE_REQUEST_TIMEOUT);
}

TEST(ServiceLayer, ARemovalStuckStoppingIsNotDeleted) {
    sim::Machine m = sim::Machine::NT40();
    ::Run run(m);
    m.AddService(MakeService(os::SERVICE_RUNNING));
    m.SetStuckPending("Svc");
    EXPECT_FALSE(RemoveService(run, "Svc"));
    EXPECT_EQ(run.LastServiceError, os::ERROR_SERVICE_REQUEST_TIMEOUT);
    EXPECT_TRUE(m.HasService("Svc"));
    EXPECT_EQ(m.CallCount("DeleteService"), 0);
}

TEST(ServiceLayer, RemovingAStoppedServiceIgnoresTheFailedStop) {
    sim::Machine m = sim::Machine::NT40();
    ::Run run(m);
    m.AddService(MakeService(os::SERVICE_STOPPED));
    EXPECT_TRUE(RemoveService(run, "Svc"));
    EXPECT_FALSE(m.HasService("Svc"));
    EXPECT_EQ(run.LastServiceError, 0u);
}

TEST(ServiceLayer, AFailedStopRecordsTheSystemError) {
    sim::Machine m = sim::Machine::NT40();
    ::Run run(m);
    m.AddService(MakeService(os::SERVICE_STOPPED));
    EXPECT_FALSE(StopServiceWait(run, "Svc"));
    EXPECT_EQ(run.LastServiceError, os::ERROR_SERVICE_NOT_ACTIVE);
}

TEST(ServiceLayer, OperationsOnAMissingServiceRecordItsError) {
    sim::Machine m = sim::Machine::NT40();
    ::Run run(m);
    EXPECT_FALSE(RemoveService(run, "Missing"));
    EXPECT_EQ(run.LastServiceError, os::ERROR_SERVICE_DOES_NOT_EXIST);
    EXPECT_EQ(m.OpenServiceHandles(), 0u);
}

TEST(ServiceLayer, CreationQuotesOnlyAPathWithBlanks) {
    sim::Machine m = sim::Machine::NT40();
    ::Run run(m);
    ASSERT_TRUE(CreateServiceEntry(run, "C:\\SVC.EXE", "A", "A", "", os::SERVICE_DEMAND_START));
    ASSERT_TRUE(CreateServiceEntry(run, "C:\\MY DIR\\SVC.EXE", "B", "B", "",
                                   os::SERVICE_AUTO_START));
    EXPECT_EQ(m.Service("A").binaryPath, "C:\\SVC.EXE");
    EXPECT_EQ(m.Service("B").binaryPath, "\"C:\\MY DIR\\SVC.EXE\"");
    EXPECT_EQ(m.Service("B").startType, os::SERVICE_AUTO_START);
    EXPECT_FALSE(CreateServiceEntry(run, "C:\\SVC.EXE", "A", "A", "", os::SERVICE_DEMAND_START));
    EXPECT_EQ(run.LastServiceError, os::ERROR_SERVICE_EXISTS);
    EXPECT_EQ(m.OpenServiceHandles(), 0u);
}

TEST(RunAndWaitProgram, QuotesTheProgramAndGivesItsExitCode) {
    sim::Machine m = sim::Machine::NT40();
    ::Run run(m);
    m.WriteFile("C:\\MY TOOLS\\REG.EXE", "program");
    m.AddProgram("C:\\MY TOOLS\\REG.EXE", 7, nullptr, 5);
    EXPECT_EQ(RunAndWait(run, "C:\\MY TOOLS\\REG.EXE", "/REGSERVER"), 7);
    ASSERT_EQ(m.StartedProcesses().size(), 1u);
    EXPECT_EQ(m.StartedProcesses()[0].commandLine, "\"C:\\MY TOOLS\\REG.EXE\" /REGSERVER");
    EXPECT_EQ(m.StartedProcesses()[0].show, os::SW_HIDE);
    EXPECT_EQ(m.StartedProcesses()[0].creationFlags, 0x20u);
}

TEST(RunAndWaitProgram, GivesMinusOneWhenTheProgramCannotStart) {
    sim::Machine m = sim::Machine::NT40();
    ::Run run(m);
    EXPECT_EQ(RunAndWait(run, "C:\\NOWHERE.EXE", "/REGSERVER"), -1);
}

TEST(RunAndWaitProgram, GivesMinusOneWhenTheExitCodeCannotBeRead) {
    sim::Machine m = sim::Machine::NT40();
    ::Run run(m);
    m.WriteFile("C:\\REG.EXE", "program");
    m.AddProgram("C:\\REG.EXE", 0, nullptr, 2);
    m.FailCall("GetExitCodeProcess", 2, os::ERROR_ACCESS_DENIED);
    EXPECT_EQ(RunAndWait(run, "C:\\REG.EXE", "/REGSERVER"), -1);
}

TEST(RegistryRootNames, NameEveryPredefinedRoot) {
    EXPECT_STREQ(RootName(0x80000000u), "HKEY_CLASSES_ROOT");
    EXPECT_STREQ(RootName(0x80000001u), "HKEY_CURRENT_USER");
    EXPECT_STREQ(RootName(0x80000002u), "HKEY_LOCAL_MACHINE");
    EXPECT_STREQ(RootName(0x80000003u), "HKEY_USERS");
    EXPECT_STREQ(RootName(0x80000004u), "HKEY_PERFORMANCE_DATA");
    EXPECT_STREQ(RootName(0x80000005u), "HKEY_CURRENT_CONFIG");
    EXPECT_STREQ(RootName(0x80000006u), "HKEY_DYN_DATA");
    EXPECT_STREQ(RootName(0x80000007u), "");
}

TEST(SharedReferenceCount, ReplacesAValueOfAnotherSizeByOne) {
    sim::Machine m = sim::Machine::NT40();
    ::Run run(m);
    const std::string key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
    m.SetString(os::HKEY_LOCAL_MACHINE, key, "C:\\A.DLL", "a long text value");
    AddSharedReference(run, "C:\\A.DLL");
    EXPECT_EQ(m.GetDword(os::HKEY_LOCAL_MACHINE, key, "C:\\A.DLL"), 1u);
    AddSharedReference(run, "C:\\A.DLL");
    EXPECT_EQ(m.GetDword(os::HKEY_LOCAL_MACHINE, key, "C:\\A.DLL"), 2u);
    EXPECT_EQ(m.OpenRegistryKeys(), 0u);
}
