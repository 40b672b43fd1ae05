// Helpers of the Windows-layer suites: fixture paths, the fixture service driven through the
// service control manager directly (independently of the code under test), scratch files.
#pragma once

#include <windows.h>

#include <string>

namespace zmt::test {

constexpr char kService[] = "zmtservice";

// The directory of the running test program, where the fixtures are built too.
std::string BinDirectory();
std::string Fixture(const std::string& name);

// Runs a program with arguments and waits for it; gives its exit code, or -1.
int RunProgram(const std::string& program, const std::string& arguments);

// The fixture service as the service control manager sees it; 0 when it is not installed.
DWORD ServiceStateSeenByManager();
// Polls the manager until the service reaches the state; false after timeoutMs.
bool WaitForServiceState(DWORD state, DWORD timeoutMs = 30000);
void InstallService();
// Stops and removes the service when it is installed; leaves nothing behind.
void RemoveService();
bool StartServiceDirectly();
bool ControlServiceDirectly(DWORD control);
// A DWORD under the service's "Parameters" key, read by the fixture at every transition.
void SetServiceParameter(const char* name, DWORD value);
// Ends the transition that the running fixture service holds for its delay.
bool ReleaseServiceTransition();

// True under Wine, whose service manager serves every machine name locally and does not
// enforce service security.
bool RunningUnderWine();

// A fresh, empty directory of its own for one test, removed with everything in it at the end.
class ScratchDirectory {
 public:
  ScratchDirectory();
  ~ScratchDirectory();
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

bool FileExists(const std::string& path);

}  // namespace zmt::test
