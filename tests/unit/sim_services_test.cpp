// The simulated Service Control Manager: states, pending polls, deletion on
// the last handle, and the errors of each refusal.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/sim/machine.h"

namespace {

sim::ServiceInfo Service(const std::string& name, std::uint32_t state) {
    sim::ServiceInfo s;
    s.name = name;
    s.displayName = name + " Display";
    s.binaryPath = "C:\\APP\\" + name + ".EXE";
    s.state = state;
    return s;
}

std::uint32_t Query(sim::Machine& m, os::ScHandle h) {
    std::uint32_t state = 0;
    EXPECT_TRUE(m.QueryServiceStatus(h, &state));
    return state;
}

}  // namespace

TEST(SimServices, AStartLastsTheGivenNumberOfPendingPolls) {
    sim::Machine m = sim::Machine::NT40();
    m.AddService(Service("Tool", os::SERVICE_STOPPED));
    m.SetPendingPolls("tool", 2);
    os::ScHandle scm = m.OpenSCManager(os::SC_MANAGER_ALL_ACCESS);
    os::ScHandle h = m.OpenService(scm, "TOOL", os::SERVICE_ALL_ACCESS);
    ASSERT_NE(h, 0u);
    ASSERT_TRUE(m.StartService(h));
    EXPECT_EQ(Query(m, h), os::SERVICE_START_PENDING);
    EXPECT_EQ(Query(m, h), os::SERVICE_START_PENDING);
    EXPECT_EQ(Query(m, h), os::SERVICE_RUNNING);
    EXPECT_EQ(m.Service("Tool").state, os::SERVICE_RUNNING);
    m.CloseServiceHandle(h);
    m.CloseServiceHandle(scm);
    EXPECT_EQ(m.OpenServiceHandles(), 0u);
}

TEST(SimServices, AStuckServiceNeverLeavesItsPendingState) {
    sim::Machine m = sim::Machine::NT40();
    m.AddService(Service("Tool", os::SERVICE_RUNNING));
    m.SetStuckPending("Tool");
    os::ScHandle scm = m.OpenSCManager(os::SC_MANAGER_ALL_ACCESS);
    os::ScHandle h = m.OpenService(scm, "Tool", os::SERVICE_ALL_ACCESS);
    ASSERT_TRUE(m.ControlService(h, os::SERVICE_CONTROL_STOP));
    for (int i = 0; i < 50; ++i) EXPECT_EQ(Query(m, h), os::SERVICE_STOP_PENDING);
}

TEST(SimServices, StartAndStopRefuseTheWrongState) {
    sim::Machine m = sim::Machine::NT40();
    m.AddService(Service("Run", os::SERVICE_RUNNING));
    m.AddService(Service("Off", os::SERVICE_STOPPED));
    os::ScHandle scm = m.OpenSCManager(os::SC_MANAGER_ALL_ACCESS);
    os::ScHandle run = m.OpenService(scm, "Run", os::SERVICE_ALL_ACCESS);
    os::ScHandle off = m.OpenService(scm, "Off", os::SERVICE_ALL_ACCESS);
    EXPECT_FALSE(m.StartService(run));
    EXPECT_EQ(m.GetLastError(), sim::ERROR_SERVICE_ALREADY_RUNNING);
    EXPECT_FALSE(m.ControlService(off, os::SERVICE_CONTROL_STOP));
    EXPECT_EQ(m.GetLastError(), os::ERROR_SERVICE_NOT_ACTIVE);
    ASSERT_TRUE(m.ControlService(run, os::SERVICE_CONTROL_STOP));
    EXPECT_EQ(Query(m, run), os::SERVICE_STOPPED);

    // A handle opened only to query refuses the rest.
    os::ScHandle query = m.OpenService(scm, "Off", os::SERVICE_QUERY_STATUS);
    EXPECT_EQ(Query(m, query), os::SERVICE_STOPPED);
    EXPECT_FALSE(m.StartService(query));
    EXPECT_EQ(m.GetLastError(), os::ERROR_ACCESS_DENIED);
    EXPECT_FALSE(m.DeleteService(query));
    EXPECT_EQ(m.GetLastError(), os::ERROR_ACCESS_DENIED);
}

TEST(SimServices, ADeletedServiceGoesWhenItsLastHandleCloses) {
    sim::Machine m = sim::Machine::NT40();
    m.AddService(Service("Tool", os::SERVICE_STOPPED));
    os::ScHandle scm = m.OpenSCManager(os::SC_MANAGER_ALL_ACCESS);
    os::ScHandle a = m.OpenService(scm, "Tool", os::SERVICE_ALL_ACCESS);
    os::ScHandle b = m.OpenService(scm, "Tool", os::SERVICE_ALL_ACCESS);
    ASSERT_TRUE(m.DeleteService(a));
    EXPECT_TRUE(m.Service("Tool").markedForDeletion);
    EXPECT_FALSE(m.DeleteService(b));
    EXPECT_EQ(m.GetLastError(), sim::ERROR_SERVICE_MARKED_FOR_DELETE);
    // While marked, the name cannot be created again.
    EXPECT_EQ(m.CreateService(scm, "Tool", "Tool", os::SERVICE_ALL_ACCESS, os::SERVICE_WIN32_OWN_PROCESS,
                              os::SERVICE_DEMAND_START, os::SERVICE_ERROR_NORMAL, "C:\\T.EXE", ""),
              0u);
    EXPECT_EQ(m.GetLastError(), sim::ERROR_SERVICE_MARKED_FOR_DELETE);
    m.CloseServiceHandle(a);
    EXPECT_TRUE(m.HasService("Tool"));
    m.CloseServiceHandle(b);
    EXPECT_FALSE(m.HasService("Tool"));
}

TEST(SimServices, CreateServiceKeepsTheConfigurationAndRefusesADuplicate) {
    sim::Machine m = sim::Machine::NT40();
    os::ScHandle scm = m.OpenSCManager(os::SC_MANAGER_ALL_ACCESS);
    os::ScHandle h = m.CreateService(scm, "Svc", "My Service", os::SERVICE_ALL_ACCESS,
                                     os::SERVICE_WIN32_OWN_PROCESS, os::SERVICE_AUTO_START,
                                     os::SERVICE_ERROR_NORMAL, "\"C:\\My App\\svc.exe\"",
                                     "RPCSS\0LanmanServer\0");
    ASSERT_NE(h, 0u);
    sim::ServiceInfo s = m.Service("SVC");
    EXPECT_EQ(s.displayName, "My Service");
    EXPECT_EQ(s.binaryPath, "\"C:\\My App\\svc.exe\"");
    EXPECT_EQ(s.startType, os::SERVICE_AUTO_START);
    EXPECT_THAT(s.dependencies, testing::ElementsAre("RPCSS", "LanmanServer"));
    EXPECT_EQ(s.state, os::SERVICE_STOPPED);
    EXPECT_EQ(m.CreateService(scm, "svc", "x", os::SERVICE_ALL_ACCESS, os::SERVICE_WIN32_OWN_PROCESS,
                              os::SERVICE_DEMAND_START, os::SERVICE_ERROR_NORMAL, "x", ""),
              0u);
    EXPECT_EQ(m.GetLastError(), os::ERROR_SERVICE_EXISTS);
}

TEST(SimServices, OpeningRefusesAMissingOrInaccessibleService) {
    sim::Machine m = sim::Machine::NT40();
    m.AddService(Service("Locked", os::SERVICE_RUNNING));
    m.SetServiceAccessDenied("Locked");
    os::ScHandle scm = m.OpenSCManager(os::SC_MANAGER_ALL_ACCESS);
    EXPECT_EQ(m.OpenService(scm, "Nothing", os::SERVICE_ALL_ACCESS), 0u);
    EXPECT_EQ(m.GetLastError(), os::ERROR_SERVICE_DOES_NOT_EXIST);
    EXPECT_EQ(m.OpenService(scm, "Locked", os::SERVICE_ALL_ACCESS), 0u);
    EXPECT_EQ(m.GetLastError(), os::ERROR_ACCESS_DENIED);
}

TEST(SimServices, TheManagerIsMissingOnWindows95AndCanBeMadeUnavailable) {
    sim::Machine w95 = sim::Machine::Windows95();
    EXPECT_EQ(w95.OpenSCManager(os::SC_MANAGER_ALL_ACCESS), 0u);
    EXPECT_EQ(w95.GetLastError(), sim::ERROR_CALL_NOT_IMPLEMENTED);
    sim::Machine nt = sim::Machine::NT40();
    nt.SetServiceManagerAvailable(false);
    EXPECT_EQ(nt.OpenSCManager(os::SC_MANAGER_ALL_ACCESS), 0u);
    EXPECT_EQ(nt.GetLastError(), os::ERROR_ACCESS_DENIED);
}

TEST(SimServices, ScriptedFailuresOutliveTheServiceAndApplyToARecreatedOne) {
    sim::Machine m = sim::Machine::NT40();
    m.FailServiceStart("Tool", 1053);
    os::ScHandle scm = m.OpenSCManager(os::SC_MANAGER_ALL_ACCESS);
    os::ScHandle h = m.CreateService(scm, "Tool", "Tool", os::SERVICE_ALL_ACCESS,
                                     os::SERVICE_WIN32_OWN_PROCESS, os::SERVICE_DEMAND_START,
                                     os::SERVICE_ERROR_NORMAL, "C:\\T.EXE", "");
    EXPECT_FALSE(m.StartService(h));
    EXPECT_EQ(m.GetLastError(), 1053u);
    EXPECT_EQ(m.Service("Tool").state, os::SERVICE_STOPPED);
}
