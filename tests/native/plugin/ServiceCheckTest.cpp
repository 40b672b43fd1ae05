// The service check's decisions over recorded effects: what it runs, starts and shows for each
// first and final state, when it installs, how it reads the server name, and that no error of an
// effect leaves it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "modServiceCheck.h"

namespace zmt {
namespace {

using ::testing::ElementsAreArray;
using Log = std::vector<std::string>;

class RecordingEffects : public TServiceCheckEffects {
 public:
  std::string Address = "10.0.0.7";
  std::string ComputerName = " till01\t";
  std::string Connection = "Provider=MSDASQL.1;Data Source=localhost";
  std::vector<std::uint32_t> States{0, 0};  // first and final
  bool ExecutablePresent = true;
  std::string Version = "2.0.0.0";
  std::string FailingEffect;  // the effect that raises
  Log Actions;                // what the check did to the system and the operator

  std::string IPAddress() override { return Read("IPAddress", Address); }
  std::string LocalComputerName() override { return Read("LocalComputerName", ComputerName); }
  std::string ConnectionString() override { return Read("ConnectionString", Connection); }
  std::uint32_t ServiceState() override {
    Fail("ServiceState");
    return States.at(statesRead_++);
  }
  void RunHiddenAndWait(const TSystemCommand& Command) override {
    Fail("RunHiddenAndWait");
    Actions.push_back(std::string("run ") + Command.Program + " | " + Command.CommandLine);
  }
  void StartHidden(const std::string& CommandLine) override {
    Fail("StartHidden");
    Actions.push_back("start " + CommandLine);
  }
  bool FileExists(const std::string& FileName) override {
    Fail("FileExists");
    return ExecutablePresent && FileName == "c:\\program files\\tessinor\\quro\\zmt.exe";
  }
  std::string FileVersionText(const std::string&) override {
    return Read("FileVersionText", Version);
  }
  void ShowInformation(const std::string& Text) override {
    Fail("ShowInformation");
    Actions.push_back("show " + Text);
  }
  void Pause(std::uint32_t Milliseconds) override {
    Fail("Pause");
    Actions.push_back("pause " + std::to_string(Milliseconds));
  }

 private:
  void Fail(const std::string& effect) {
    if (effect == FailingEffect) throw std::runtime_error(effect + " failed");
  }
  std::string Read(const std::string& effect, const std::string& value) {
    Fail(effect);
    return value;
  }
  std::size_t statesRead_ = 0;
};

const char kStart[] = "run net.exe | net start zmtservice";
const char kStop[] = "run net.exe | net stop zmtservice";
const char kWarning[] =
    "show The Quro Enterprise Service is not running.\rContact Dravik Support Immediatly for "
    "Assistance.";
const Log kInstallation{
    "show ZMT 2.0.0.0 has been detected, but the service is not installed\r"
    "Attempting to install ZMT Service.",
    "start \"c:\\program files\\tessinor\\quro\\zmt.exe\" /install", "pause 30000", kStart,
    "show Please Contact Dravik Support for further configuration."};

Log Concat(Log a, const Log& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

struct Row {
  const char* What;
  std::uint32_t First, Final;
  const char* Server;  // the Data Source of the connection string
  bool Present;
  const char* Version;
  Log Expected;
};

TEST(ServiceCheck, ActsOnTheFirstStateAndWarnsOnTheFinalOne) {
  const std::vector<Row> rows{
      {"0, local, 2.0.0.0: installs", 0, 4, "localhost", true, "2.0.0.0", kInstallation},
      {"0, installed but not running", 0, 1, "localhost", true, "2.0.0.0",
       Concat(kInstallation, {kWarning})},
      {"0, installer never registered it", 0, 0, "localhost", true, "2.0.0.0", kInstallation},
      {"0, start pending afterwards", 0, 2, "localhost", true, "2.0.0.0", kInstallation},
      {"0, computer name counts as local", 0, 4, "TILL01", true, "2.0.0.0", kInstallation},
      {"0, address counts as local", 0, 4, "10.0.0.7", true, "2.0.0.0", kInstallation},
      {"0, newer version",
       0,
       4,
       "localhost",
       true,
       "2.1.0.37",
       {"show ZMT 2.1.0.37 has been detected, but the service is not installed\r"
        "Attempting to install ZMT Service.",
        kInstallation[1], kInstallation[2], kInstallation[3], kInstallation[4]}},
      {"0, version below 2.0.0.0", 0, 0, "localhost", true, "1.99.99.9999", {}},
      {"0, no version information", 0, 0, "localhost", true, "0.0.0.0", {}},
      {"0, executable missing", 0, 0, "localhost", false, "2.0.0.0", {}},
      {"0, another server", 0, 0, "OTHER", true, "2.0.0.0", {}},
      {"0, another server, state appears", 0, 3, "OTHER", true, "2.0.0.0", {kWarning}},
      {"1 starts", 1, 4, "OTHER", true, "2.0.0.0", {kStart}},
      {"1, start fails", 1, 1, "OTHER", true, "2.0.0.0", {kStart, kWarning}},
      {"2 waits", 2, 2, "OTHER", true, "2.0.0.0", {}},
      {"3 restarts", 3, 4, "OTHER", true, "2.0.0.0", {kStop, kStart}},
      {"4 runs", 4, 4, "localhost", true, "2.0.0.0", {}},
      {"5 is left, then warned of", 5, 5, "OTHER", true, "2.0.0.0", {kWarning}},
      {"6 restarts", 6, 2, "OTHER", true, "2.0.0.0", {kStop, kStart}},
      {"7 restarts", 7, 4, "OTHER", true, "2.0.0.0", {kStop, kStart}},
      {"7, restart leaves it paused", 7, 7, "OTHER", true, "2.0.0.0", {kStop, kStart, kWarning}},
      {"unknown state", 8, 8, "OTHER", true, "2.0.0.0", {kWarning}},
  };
  for (const Row& row : rows) {
    RecordingEffects effects;
    effects.States = {row.First, row.Final};
    effects.Connection = std::string("Provider=MSDASQL.1;Data Source=") + row.Server + ";x=y";
    effects.ExecutablePresent = row.Present;
    effects.Version = row.Version;
    RunServiceCheck(effects);
    EXPECT_THAT(effects.Actions, ElementsAreArray(row.Expected)) << row.What;
  }
}

TEST(ServiceCheck, AnyFailingEffectEndsTheCheckSilently) {
  struct Case {
    const char* Effect;
    std::uint32_t First;
    Log Expected;
  };
  const std::vector<Case> cases{
      {"IPAddress", 1, {}},
      {"LocalComputerName", 1, {}},
      {"ConnectionString", 1, {}},
      {"ServiceState", 1, {}},
      {"FileExists", 0, {}},
      {"FileVersionText", 0, {}},
      {"ShowInformation", 0, {}},
      {"StartHidden", 0, {kInstallation[0]}},
      {"Pause", 0, {kInstallation[0], kInstallation[1]}},
      // The final state is not read either: no warning, although the service stayed stopped.
      {"RunHiddenAndWait", 1, {}},
  };
  for (const Case& c : cases) {
    RecordingEffects effects;
    effects.States = {c.First, 1};
    effects.FailingEffect = c.Effect;
    EXPECT_NO_THROW(RunServiceCheck(effects)) << c.Effect;
    EXPECT_THAT(effects.Actions, ElementsAreArray(c.Expected)) << c.Effect;
  }

  RecordingEffects badVersion;
  badVersion.Version = "2.0";
  EXPECT_NO_THROW(RunServiceCheck(badVersion));
  EXPECT_TRUE(badVersion.Actions.empty());
}

TEST(ServiceCheck, ServerNameAndLocalTest) {
  struct Case {
    const char* Connection;
    const char* ComputerName;  // upper-cased, as the check gives it
    const char* Address;
    const char* Server;
    bool Local;
  };
  const std::vector<Case> cases{
      {"Provider=SQLOLEDB.1;User ID=quro;Data Source=(local);Workstation ID=QUROPOS", "TILL01",
       "10.0.0.7", "(LOCAL)", false},
      {"Data Source=localhost", "TILL01", "10.0.0.7", "LOCALHOST", true},
      {"Data Source=.", "TILL01", "10.0.0.7", ".", true},
      {"Data Source=Local", "TILL01", "10.0.0.7", "LOCAL", true},
      {"Data Source=127.0.0.1", "TILL01", "10.0.0.7", "127.0.0.1", true},
      {"x=1;data source=till01;y=2", "TILL01", "10.0.0.7", "TILL01", true},
      {"DATA SOURCE=till01", "TILL01", "10.0.0.7", "TILL01", true},
      {"Data Source=az", "AZ", "10.0.0.7", "AZ", true},
      {"Data Source = TILL01", "TILL01", "10.0.0.7", "", false},
      {"Provider=x; Data Source=TILL01", "TILL01", "10.0.0.7", "", false},
      {"Data Source=POS_SRV", "POS_SRV", "10.0.0.7", "POS SRV", false},
      {"Data Source=TILL01\\SQLEXPRESS", "TILL01", "10.0.0.7", "TILL01\\SQLEXPRESS", false},
      {"Data Source=10.0.0.7", "TILL01", "10.0.0.7", "10.0.0.7", true},
      {"Data Source=10.0.0.8", "TILL01", "10.0.0.7", "10.0.0.8", false},
      {"Provider=x", "TILL01", "", "", true},
      {"Provider=x", "TILL01", "10.0.0.7", "", false},
      {"Data Source=  my server\t", "TILL01", "10.0.0.7", "MY SERVER", false},
      {"Data Source=A;Data Source=B", "A", "", "A", true},
      {"Data Source=\"a;b\"", "TILL01", "10.0.0.7", "\"A", false},
      {"", "", "10.0.0.7", "", true},
  };
  for (const Case& c : cases) {
    const std::string server = ServerNameOf(c.Connection);
    EXPECT_EQ(server, c.Server) << c.Connection;
    EXPECT_EQ(IsLocalServer(server, c.ComputerName, c.Address), c.Local) << c.Connection;
  }
}

}  // namespace
}  // namespace zmt
