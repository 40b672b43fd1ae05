#include "SystemTestSupport.h"
#include "TestPaths.h"

#include <gtest/gtest.h>

#include <process.h>

#include <atomic>
#include <filesystem>
#include <system_error>

namespace zmt::test {

namespace {

const char kParametersKey[] = "SYSTEM\\CurrentControlSet\\Services\\zmtservice\\Parameters";

// Every run starts and ends without the fixture service, also when a test fails on the way:
// the prefix is shared with later runs and other suites.
class FixtureServiceEnvironment : public testing::Environment {
 public:
  void SetUp() override { RemoveService(); }
  void TearDown() override { RemoveService(); }
};

testing::Environment* const environment =
    testing::AddGlobalTestEnvironment(new FixtureServiceEnvironment);

}  // namespace

std::string BinDirectory() {
  return ProgramDirectory();
}

std::string Fixture(const std::string& name) {
  return BinDirectory() + "\\" + name;
}

int RunProgram(const std::string& program, const std::string& arguments) {
  const std::string quoted = "\"" + program + "\"";
  const char* argv[] = {quoted.c_str(), arguments.empty() ? nullptr : arguments.c_str(), nullptr};
  return static_cast<int>(_spawnv(_P_WAIT, program.c_str(), argv));
}

DWORD ServiceStateSeenByManager() {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (manager == nullptr) {
    return 0;
  }
  DWORD state = 0;
  if (SC_HANDLE service = OpenServiceA(manager, kService, SERVICE_QUERY_STATUS)) {
    SERVICE_STATUS_PROCESS status = {};
    DWORD needed = 0;
    if (QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                             sizeof status, &needed)) {
      state = status.dwCurrentState;
    }
    CloseServiceHandle(service);
  }
  CloseServiceHandle(manager);
  return state;
}

bool WaitForServiceState(DWORD state, DWORD timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  while (ServiceStateSeenByManager() != state) {
    if (GetTickCount64() > end) {
      return false;
    }
    Sleep(50);
  }
  return true;
}

void InstallService() {
  ASSERT_EQ(RunProgram(Fixture("zmt_service.exe"), "/install"), 0);
  ASSERT_EQ(ServiceStateSeenByManager(), static_cast<DWORD>(SERVICE_STOPPED));
}

void RemoveService() {
  if (ServiceStateSeenByManager() == 0) {
    return;
  }
  EXPECT_EQ(RunProgram(Fixture("zmt_service.exe"), "/uninstall"), 0);
  EXPECT_TRUE(WaitForServiceState(0)) << "the fixture service is still registered";
}

namespace {

bool WithService(DWORD access, bool (*action)(SC_HANDLE, DWORD), DWORD argument) {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (manager == nullptr) {
    return false;
  }
  bool done = false;
  if (SC_HANDLE service = OpenServiceA(manager, kService, access)) {
    done = action(service, argument);
    CloseServiceHandle(service);
  }
  CloseServiceHandle(manager);
  return done;
}

}  // namespace

bool StartServiceDirectly() {
  return WithService(
      SERVICE_START,
      [](SC_HANDLE service, DWORD) { return StartServiceA(service, 0, nullptr) != 0; }, 0);
}

bool ControlServiceDirectly(DWORD control) {
  return WithService(
      SERVICE_STOP | SERVICE_PAUSE_CONTINUE,
      [](SC_HANDLE service, DWORD code) {
        SERVICE_STATUS status;
        return ControlService(service, code, &status) != 0;
      },
      control);
}

void SetServiceParameter(const char* name, DWORD value) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kParametersKey, 0, nullptr, 0, KEY_SET_VALUE,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(
      RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value),
      ERROR_SUCCESS);
  RegCloseKey(key);
}

bool ReleaseServiceTransition() {
  HANDLE release = OpenEventA(EVENT_MODIFY_STATE, FALSE, "Global\\ZmtServiceFixtureRelease");
  if (release == nullptr) {
    return false;
  }
  const bool released = SetEvent(release) != 0;
  CloseHandle(release);
  return released;
}

bool RunningUnderWine() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

ScratchDirectory::ScratchDirectory() {
  static std::atomic<unsigned> serial{0};
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  path_ = std::string(temp) + "zmt-system-" + std::to_string(GetCurrentProcessId()) + "-" +
          std::to_string(serial++);
  CreateDirectoryA(path_.c_str(), nullptr);
}

ScratchDirectory::~ScratchDirectory() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace zmt::test
