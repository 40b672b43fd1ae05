#include "modServices.h"

#include <gtest/gtest.h>

#include "SystemTestSupport.h"
#include "modWinApi.h"

namespace zmt {
namespace {

using namespace zmt::test;

// Each test starts with the fixture service installed and stopped, and removes it again.
class InstalledService : public testing::Test {
 protected:
  void SetUp() override {
    RemoveService();
    InstallService();
  }
  void TearDown() override { RemoveService(); }

  // The state as GetServiceState gives it for this machine, by every name of this machine.
  static void ExpectState(std::uint32_t expected) {
    EXPECT_EQ(GetServiceState(nullptr, kService), expected) << "null machine name";
    EXPECT_EQ(GetServiceState("", kService), expected) << "empty machine name";
  }
};

TEST(ServiceState, IsZeroForAServiceThatIsNotInstalled) {
  RemoveService();
  EXPECT_EQ(GetServiceState(nullptr, kService), 0u);
  EXPECT_EQ(GetServiceState("", kService), 0u);
  EXPECT_EQ(GetServiceState(nullptr, "zmt-no-such-service"), 0u);
  EXPECT_EQ(GetServiceState(nullptr, ""), 0u);
  EXPECT_EQ(GetServiceState(nullptr, nullptr), 0u);
}

TEST_F(InstalledService, FollowsStopStartPauseAndContinue) {
  ExpectState(SERVICE_STOPPED);

  ASSERT_TRUE(StartServiceDirectly());
  ASSERT_TRUE(WaitForServiceState(SERVICE_RUNNING));
  ExpectState(SERVICE_RUNNING);

  // Wine's "net" has no pause; the control manager's own interface has.
  ASSERT_TRUE(ControlServiceDirectly(SERVICE_CONTROL_PAUSE));
  ASSERT_TRUE(WaitForServiceState(SERVICE_PAUSED));
  ExpectState(SERVICE_PAUSED);

  ASSERT_TRUE(ControlServiceDirectly(SERVICE_CONTROL_CONTINUE));
  ASSERT_TRUE(WaitForServiceState(SERVICE_RUNNING));
  ExpectState(SERVICE_RUNNING);

  ASSERT_TRUE(ControlServiceDirectly(SERVICE_CONTROL_STOP));
  ASSERT_TRUE(WaitForServiceState(SERVICE_STOPPED));
  ExpectState(SERVICE_STOPPED);
}

TEST_F(InstalledService, GivesThePendingStatesAsTheServiceReportsThem) {
  // The service holds every transition until it is released (a minute at most), so the pending
  // state lasts for as long as the test looks at it.
  const DWORD hold = 60000;
  for (const char* delay : {"StartDelay", "PauseDelay", "ContinueDelay", "StopDelay"}) {
    SetServiceParameter(delay, hold);
  }

  ASSERT_TRUE(StartServiceDirectly());
  ExpectState(SERVICE_START_PENDING);
  ASSERT_TRUE(ReleaseServiceTransition());
  ASSERT_TRUE(WaitForServiceState(SERVICE_RUNNING));
  ExpectState(SERVICE_RUNNING);

  ASSERT_TRUE(ControlServiceDirectly(SERVICE_CONTROL_PAUSE));
  ExpectState(SERVICE_PAUSE_PENDING);
  ASSERT_TRUE(ReleaseServiceTransition());
  ASSERT_TRUE(WaitForServiceState(SERVICE_PAUSED));
  ExpectState(SERVICE_PAUSED);

  ASSERT_TRUE(ControlServiceDirectly(SERVICE_CONTROL_CONTINUE));
  ExpectState(SERVICE_CONTINUE_PENDING);
  ASSERT_TRUE(ReleaseServiceTransition());
  ASSERT_TRUE(WaitForServiceState(SERVICE_RUNNING));

  ASSERT_TRUE(ControlServiceDirectly(SERVICE_CONTROL_STOP));
  ExpectState(SERVICE_STOP_PENDING);
  ASSERT_TRUE(ReleaseServiceTransition());
  ASSERT_TRUE(WaitForServiceState(SERVICE_STOPPED));
  ExpectState(SERVICE_STOPPED);
}

TEST_F(InstalledService, RemovingItLetsGoOfAHeldTransition) {
  SetServiceParameter("StartDelay", 60000);
  ASSERT_TRUE(StartServiceDirectly());
  ExpectState(SERVICE_START_PENDING);
  const ULONGLONG start = GetTickCount64();
  RemoveService();
  EXPECT_EQ(GetServiceState(nullptr, kService), 0u);
  EXPECT_LT(GetTickCount64() - start, 30000u) << "removal waited for the held start";
}

TEST_F(InstalledService, MovesWithTheSystemsNetCommandsRunThroughRunAndWait) {
  EXPECT_EQ(RunAndWait("net start zmtservice", SW_HIDE), 0);
  // "net" returns once the service runs.
  ExpectState(SERVICE_RUNNING);
  EXPECT_EQ(ServiceStateSeenByManager(), static_cast<DWORD>(SERVICE_RUNNING));

  EXPECT_EQ(RunAndWait("net stop zmtservice", SW_HIDE), 0);
  ExpectState(SERVICE_STOPPED);
  EXPECT_EQ(ServiceStateSeenByManager(), static_cast<DWORD>(SERVICE_STOPPED));

  // A second stop finds nothing to stop, and "net" says so through its exit code.
  EXPECT_NE(RunAndWait("net stop zmtservice", SW_HIDE), 0);
  ExpectState(SERVICE_STOPPED);
}

// The service check installs the service from a copy of its program under "c:\program files".
TEST(ServiceProgramCopy, InstallsItselfFromWhereverItLies) {
  RemoveService();
  ScratchDirectory scratch;
  const std::string directory = scratch.File("program files");
  ASSERT_TRUE(CreateDirectoryA(directory.c_str(), nullptr));
  const std::string copy = directory + "\\zmt.exe";
  ASSERT_TRUE(CopyFileA(Fixture("zmt_service.exe").c_str(), copy.c_str(), TRUE));

  ASSERT_EQ(RunProgram(copy, "/install"), 0);
  EXPECT_EQ(GetServiceState(nullptr, kService), static_cast<std::uint32_t>(SERVICE_STOPPED));
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  SC_HANDLE service = OpenServiceA(manager, kService, SERVICE_QUERY_CONFIG);
  ASSERT_NE(service, nullptr);
  char buffer[8192];
  auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer);
  DWORD needed = 0;
  ASSERT_TRUE(QueryServiceConfigA(service, config, sizeof buffer, &needed));
  EXPECT_STREQ(config->lpBinaryPathName, ("\"" + copy + "\"").c_str());
  EXPECT_STREQ(config->lpDisplayName, "Quro Enterprise Service");
  EXPECT_EQ(config->dwServiceType, static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));
  EXPECT_EQ(config->dwStartType, static_cast<DWORD>(SERVICE_DEMAND_START));
  CloseServiceHandle(service);
  CloseServiceHandle(manager);

  EXPECT_EQ(RunAndWait("net start zmtservice", SW_HIDE), 0);
  EXPECT_EQ(GetServiceState(nullptr, kService), static_cast<std::uint32_t>(SERVICE_RUNNING));
  EXPECT_EQ(RunProgram(copy, "/uninstall"), 0);
  EXPECT_EQ(GetServiceState(nullptr, kService), 0u);
  // Its program may take a moment to end before the scratch directory can go.
  WaitForServiceState(0);
  Sleep(500);
}

TEST_F(InstalledService, IsZeroWhenTheManagerOfAnotherMachineCannotBeReached) {
  if (RunningUnderWine()) {
    GTEST_SKIP() << "Wine's service manager answers for every machine name as for this one";
  }
  EXPECT_EQ(GetServiceState("\\\\ZMT-NO-SUCH-HOST", kService), 0u);
}

}  // namespace
}  // namespace zmt
