// Services at install: the pre-pass that stops and removes the old service
// before its program is replaced, and the service step that creates the
// service again and starts it.
#include <cstring>

#include "scenario/install_fixture.h"

using namespace installtest;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

namespace {

sim::ServiceInfo OldService(std::uint32_t state) {
    sim::ServiceInfo s;
    s.name = "AppSvc";
    s.displayName = "App Service";
    s.binaryPath = "C:\\APP\\SVC.EXE";
    s.startType = os::SERVICE_AUTO_START;
    s.state = state;
    return s;
}

InstallPackage ServicePackage(bool startService = false) {
    InstallPackage p;
    FileRecord& f = p.File("SVC.EXE", "service program, new");
    pkg::SetText(f.ServiceName, "AppSvc");
    pkg::SetText(f.ServiceDisplayName, "App Service");
    f.StartService = startService ? 1 : 0;
    return p;
}

sim::Machine WithService(std::uint32_t state) {
    sim::Machine m = sim::Machine::NT40();
    m.WriteFile(At("SVC.EXE"), "service program, old");
    m.AddService(OldService(state));
    return m;
}

}  // namespace

TEST(ServicesAtInstall, ANewServiceIsCreatedOnDemandAndNotStarted) {
    sim::Machine m = sim::Machine::NT40();
    scenario::RunResult r = Install(m, ServicePackage());
    ASSERT_EQ(r.exitCode, 0);
    const sim::ServiceInfo s = m.Service("AppSvc");
    EXPECT_EQ(s.displayName, "App Service");
    EXPECT_EQ(s.binaryPath, "C:\\APP\\SVC.EXE");
    EXPECT_EQ(s.startType, os::SERVICE_DEMAND_START);
    EXPECT_EQ(s.serviceType, os::SERVICE_WIN32_OWN_PROCESS);
    EXPECT_EQ(s.errorControl, os::SERVICE_ERROR_NORMAL);
    EXPECT_EQ(s.state, os::SERVICE_STOPPED);
    EXPECT_THAT(r.logLines, Contains("Installing service 'App Service'..."));
    EXPECT_THAT(r.logLines, Not(Contains("Removing service 'App Service'")));
    EXPECT_THAT(r.logLines, Not(Contains("Starting service 'App Service'...")));
}

TEST(ServicesAtInstall, ARunningServiceIsStoppedRemovedReplacedAndStartedAutomatically) {
    sim::Machine m = WithService(os::SERVICE_RUNNING);
    m.SetPendingPolls("AppSvc", 3);
    scenario::RunResult r = Install(m, ServicePackage());
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(m.ReadText(At("SVC.EXE")), "service program, new");
    const sim::ServiceInfo s = m.Service("AppSvc");
    EXPECT_EQ(s.startType, os::SERVICE_AUTO_START);
    EXPECT_EQ(s.state, os::SERVICE_RUNNING);
    EXPECT_TRUE(InOrder(r.logLines, {"Stopping service 'App Service'", "Removing service 'App Service'",
                                     "Creating file: C:\\APP\\SVC.EXE",
                                     "Installing service 'App Service'...",
                                     "Starting service 'App Service'..."}));
    // A line is set only when its text changes: the name stays while the
    // label moves from stopping to removing.
    EXPECT_TRUE(InOrder(m.StatusHistory(),
                        {"384:Stopping service: (Be patient. This can take up to several minutes.)",
                         "385:App Service", "384:Removing service:", "384:Installing service:", "385:Installing service 'App Service'...",
                         "384:Starting service:", "385:App Service"}));
}

TEST(ServicesAtInstall, AStoppedServiceIsRemovedWithoutAStopAndNotStarted) {
    sim::Machine m = WithService(os::SERVICE_STOPPED);
    scenario::RunResult r = Install(m, ServicePackage());
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_THAT(r.logLines, Not(Contains("Stopping service 'App Service'")));
    EXPECT_THAT(r.logLines, Contains("Removing service 'App Service'"));
    const sim::ServiceInfo s = m.Service("AppSvc");
    EXPECT_EQ(s.startType, os::SERVICE_DEMAND_START);
    EXPECT_EQ(s.state, os::SERVICE_STOPPED);
}

TEST(ServicesAtInstall, APausedServiceIsStoppedRemovedAndCreatedOnDemand) {
    sim::Machine m = WithService(os::SERVICE_PAUSED);
    scenario::RunResult r = Install(m, ServicePackage());
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_TRUE(InOrder(r.logLines,
                        {"Stopping service 'App Service'", "Removing service 'App Service'"}));
    const sim::ServiceInfo s = m.Service("AppSvc");
    EXPECT_EQ(s.startType, os::SERVICE_DEMAND_START);
    EXPECT_EQ(s.state, os::SERVICE_STOPPED);
}

TEST(ServicesAtInstall, AnUnavailableManagerFailsTheRemoval) {
    sim::Machine m = sim::Machine::NT40();
    m.SetServiceManagerAvailable(false);
    scenario::RunResult r = Install(m, ServicePackage());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(Errors(r), Contains("Couldn't remove the service 'AppSvc'. Error code: 5."));
    EXPECT_FALSE(m.Exists(At("SVC.EXE")));
}

TEST(ServicesAtInstall, AServiceThatCannotBeOpenedFailsTheRemoval) {
    sim::Machine m = WithService(os::SERVICE_RUNNING);
    m.SetServiceAccessDenied("AppSvc");
    scenario::RunResult r = Install(m, ServicePackage());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.logLines, Not(Contains("Stopping service 'App Service'")));
    EXPECT_THAT(Errors(r), Contains("Couldn't remove the service 'AppSvc'. Error code: 5."));
    EXPECT_EQ(m.ReadText(At("SVC.EXE")), "service program, old");
}

TEST(ServicesAtInstall, AFailedStopEndsTheInstallationBeforeTheFileIsTouched) {
    sim::Machine m = WithService(os::SERVICE_RUNNING);
    m.FailServiceStop("AppSvc", 1051);
    scenario::RunResult r = Install(m, ServicePackage());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(Errors(r), Contains("Couldn't stop the service 'AppSvc'. Error code: 1051."));
    EXPECT_EQ(m.ReadText(At("SVC.EXE")), "service program, old");
    EXPECT_EQ(m.Service("AppSvc").state, os::SERVICE_RUNNING);
}

TEST(ServicesAtInstall, AFailedRemovalEndsTheInstallation) {
    sim::Machine m = WithService(os::SERVICE_STOPPED);
    m.FailServiceDelete("AppSvc", os::ERROR_ACCESS_DENIED);
    scenario::RunResult r = Install(m, ServicePackage());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(Errors(r), Contains("Couldn't remove the service 'AppSvc'. Error code: 5."));
    EXPECT_TRUE(m.HasService("AppSvc"));
}

TEST(ServicesAtInstall, AFailedCreationEndsTheWorkAfterTheFilesAreInPlace) {
    sim::Machine m = sim::Machine::NT40();
    m.FailCall("CreateService", 1, os::ERROR_SERVICE_EXISTS);
    scenario::RunResult r = Install(m, ServicePackage());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(Errors(r), Contains("Couldn't install the service 'App Service'. Error code: 1073."));
    EXPECT_EQ(m.ReadText(At("SVC.EXE")), "service program, new");
}

TEST(ServicesAtInstall, AFailedStartEndsTheWork) {
    sim::Machine m = WithService(os::SERVICE_RUNNING);
    m.FailServiceStart("AppSvc", 1053);
    scenario::RunResult r = Install(m, ServicePackage());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(Errors(r), Contains("Couldn't start the service 'App Service'. Error code: 1053."));
    EXPECT_TRUE(m.HasService("AppSvc"));
}

TEST(ServicesAtInstall, AServiceStuckStoppingEndsTheWaitWithATimeOut) {
    sim::Machine m = WithService(os::SERVICE_RUNNING);
    m.SetStuckPending("AppSvc");
    scenario::RunResult r = Install(m, ServicePackage());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(Errors(r), Contains("Couldn't stop the service 'AppSvc'. Error code: 1053."));
    EXPECT_EQ(m.ReadText(At("SVC.EXE")), "service program, old");
}

TEST(ServicesAtInstall, StartServiceStartsAServiceThatDidNotExist) {
    sim::Machine m = sim::Machine::NT40();
    scenario::RunResult r = Install(m, ServicePackage(true));
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(m.Service("AppSvc").state, os::SERVICE_RUNNING);
    EXPECT_EQ(m.Service("AppSvc").startType, os::SERVICE_DEMAND_START);
    EXPECT_THAT(r.logLines, Contains("Starting service 'App Service'..."));
}

TEST(ServicesAtInstall, StartServiceLeavesAServiceStoppedThatWasStoppedBefore) {
    sim::Machine m = WithService(os::SERVICE_STOPPED);
    ASSERT_EQ(Install(m, ServicePackage(true)).exitCode, 0);
    EXPECT_EQ(m.Service("AppSvc").state, os::SERVICE_STOPPED);
}

TEST(ServicesAtInstall, APathWithBlanksIsQuoted) {
    sim::Machine m = sim::Machine::NT40();
    ASSERT_EQ(Install(m, ServicePackage(), "C:\\PROGRAM FILES\\MY APP").exitCode, 0);
    EXPECT_EQ(m.Service("AppSvc").binaryPath, "\"C:\\PROGRAM FILES\\MY APP\\SVC.EXE\"");
}

TEST(ServicesAtInstall, DependenciesArePassedAsAList) {
    sim::Machine m = sim::Machine::NT40();
    InstallPackage p = ServicePackage();
    const char deps[] = "RpcSs\0Tcpip\0";
    std::memcpy(p.Contents().files[0].ServiceDependencies, deps, sizeof deps);
    ASSERT_EQ(Install(m, p).exitCode, 0);
    EXPECT_THAT(m.Service("AppSvc").dependencies, ElementsAre("RpcSs", "Tcpip"));
}

TEST(ServicesAtInstall, ASkippedRecordIsNotQueriedButCreated) {
    sim::Machine m = WithService(os::SERVICE_RUNNING);
    InstallPackage p = ServicePackage();
    p.Contents().files[0].SkipAtInstall = 1;
    scenario::RunResult r = Install(m, p);
    // The old service was not removed, so creating it again fails.
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.logLines, Not(Contains("Stopping service 'App Service'")));
    EXPECT_THAT(r.logLines, Contains("Installing service 'App Service'..."));
}

TEST(ServicesAtInstall, NothingHappensOnWindows95) {
    sim::Machine m = sim::Machine::Windows95();
    scenario::RunResult r = Install(m, ServicePackage(true));
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_TRUE(m.Services().empty());
    EXPECT_EQ(m.CallCount("OpenSCManager"), 0);
    EXPECT_EQ(m.ReadText(At("SVC.EXE")), "service program, new");
}

TEST(ServicesAtInstall, ARecordNotForNTIsLeftAlone) {
    sim::Machine m = WithService(os::SERVICE_RUNNING);
    InstallPackage p = ServicePackage();
    p.Contents().files[0].NotOnWindowsNT = 1;
    ASSERT_EQ(Install(m, p).exitCode, 0);
    EXPECT_EQ(m.Service("AppSvc").state, os::SERVICE_RUNNING);
    EXPECT_EQ(m.ReadText(At("SVC.EXE")), "service program, old");
}
