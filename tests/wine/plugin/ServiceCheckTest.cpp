// The service check on the real service control manager, with the fixture service at the
// product's fixed path. The operator's message boxes and the 30-second pause are recorded here
// instead (the module's own suite meets them for real once).
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "WinHandles.h"
#include "clsComputerInfo.h"
#include "clsZMTCheckPlugin.h"
#include "datamodQuro.h"
#include "system/SystemTestSupport.h"

namespace zmt {
namespace {

using test::Fixture;
using test::ServiceStateSeenByManager;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

const char kProductDirectory[] = "c:\\program files\\tessinor\\quro";
const char kLocalConnection[] =
    "Provider=MSDASQL.1;Persist Security Info=False;Data Source=localhost";

class RecordingEffects : public TWin32ServiceCheckEffects {
 public:
  using TWin32ServiceCheckEffects::TWin32ServiceCheckEffects;
  std::vector<std::string> Shown;
  std::vector<std::uint32_t> Paused;

  void ShowInformation(const std::string& Text) override { Shown.push_back(Text); }
  // Long enough for the installer to register the service, which is all the pause is for.
  void Pause(std::uint32_t Milliseconds) override {
    Paused.push_back(Milliseconds);
    for (int i = 0; i < 200 && ServiceStateSeenByManager() == 0; ++i) Sleep(50);
  }
};

class ServiceCheckOnWindows : public ::testing::Test {
 protected:
  void TearDown() override {
    test::RemoveService();
    DeleteFileA(kZmtExecutable);
  }

  // The product's executable at its fixed path, in the given fixture version.
  static void PlaceExecutable(const char* fixture) {
    CreateDirectoryA("c:\\program files\\tessinor", nullptr);
    CreateDirectoryA(kProductDirectory, nullptr);
    ASSERT_TRUE(CopyFileA(Fixture(fixture).c_str(), kZmtExecutable, FALSE)) << GetLastError();
  }

  // One check against a data module whose connection names the given server string.
  RecordingEffects Check(const std::string& connection) {
    TdmQuro dataModule;
    dataModule.con.SetAnsiConnectionString(connection);
    TJvComputerInfoEx computerInfo;
    RecordingEffects effects(computerInfo, &dataModule);
    RunServiceCheck(effects);
    return effects;
  }

  ComInitializer com_;
};

TEST_F(ServiceCheckOnWindows, InstallsTheLocalServiceOfVersion2AndStartsIt) {
  PlaceExecutable("zmt_service.exe");
  const RecordingEffects done = Check(kLocalConnection);
  EXPECT_THAT(done.Shown, ElementsAre("ZMT 2.0.0.0 has been detected, but the service is not "
                                      "installed\rAttempting to install ZMT Service.",
                                      kZmtSupportNotice));
  EXPECT_THAT(done.Paused, ElementsAre(30000u));
  EXPECT_EQ(ServiceStateSeenByManager(), static_cast<DWORD>(SERVICE_RUNNING));
}

TEST_F(ServiceCheckOnWindows, LeavesAnOlderExecutableOrAnotherServerAlone) {
  PlaceExecutable("zmt_service_1_99_99_9999.exe");
  EXPECT_THAT(Check(kLocalConnection).Shown, IsEmpty());
  EXPECT_EQ(ServiceStateSeenByManager(), 0u);

  PlaceExecutable("zmt_service.exe");
  // The data module's own string names "(local)", which is not this machine's name.
  EXPECT_THAT(Check(DesignTimeConnectionString()).Shown, IsEmpty());
  EXPECT_EQ(ServiceStateSeenByManager(), 0u);
}

TEST_F(ServiceCheckOnWindows, StartsAStoppedServiceAndRestartsAPausedOne) {
  test::InstallService();
  EXPECT_THAT(Check(DesignTimeConnectionString()).Shown, IsEmpty());
  EXPECT_EQ(ServiceStateSeenByManager(), static_cast<DWORD>(SERVICE_RUNNING));

  // A running service is left as it is.
  EXPECT_THAT(Check(DesignTimeConnectionString()).Shown, IsEmpty());
  EXPECT_EQ(ServiceStateSeenByManager(), static_cast<DWORD>(SERVICE_RUNNING));

  ASSERT_TRUE(test::ControlServiceDirectly(SERVICE_CONTROL_PAUSE));
  ASSERT_TRUE(test::WaitForServiceState(SERVICE_PAUSED));
  EXPECT_THAT(Check(DesignTimeConnectionString()).Shown, IsEmpty());
  EXPECT_EQ(ServiceStateSeenByManager(), static_cast<DWORD>(SERVICE_RUNNING));
}

TEST_F(ServiceCheckOnWindows, WarnsWhenTheStartFails) {
  test::InstallService();
  test::SetServiceParameter("StartFails", 1);
  EXPECT_THAT(Check(DesignTimeConnectionString()).Shown, ElementsAre(kZmtNotRunningWarning));
  EXPECT_EQ(ServiceStateSeenByManager(), static_cast<DWORD>(SERVICE_STOPPED));
}

TEST_F(ServiceCheckOnWindows, RunsTheSystemsNetNotOneThatTheSearchFindsFirst) {
  // A planted net.exe in the current directory, which a search would find before the system's.
  test::ScratchDirectory scratch;
  ASSERT_TRUE(
      CopyFileA(Fixture("zmt_child_probe.exe").c_str(), scratch.File("net.exe").c_str(), FALSE));
  char previous[MAX_PATH];
  ASSERT_NE(GetCurrentDirectoryA(MAX_PATH, previous), 0u);
  ASSERT_TRUE(SetCurrentDirectoryA(scratch.Path().c_str()));
  const std::string marker = scratch.File("planted net ran");
  const std::string commandLine = "net exit 0 0 \"" + marker + "\"";
  TJvComputerInfoEx computerInfo;
  RecordingEffects effects(computerInfo, nullptr);
  effects.RunHiddenAndWait({"net.exe", commandLine.c_str()});
  SetCurrentDirectoryA(previous);
  EXPECT_FALSE(test::FileExists(marker));
}

}  // namespace
}  // namespace zmt
