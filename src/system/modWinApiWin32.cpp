#include <windows.h>

#include <cstring>

#include "WinHandles.h"
#include "modWinApi.h"

namespace zmt {

static_assert(sizeof(void*) != 4 || sizeof(STARTUPINFOA) == 68,
              "the 32-bit ANSI start-up information is 68 bytes");

std::int32_t RunAndWait(const std::string& CommandLine, std::uint16_t ShowMode) {
  return RunAndWait(std::string(), CommandLine, ShowMode);
}

std::int32_t RunAndWait(const std::string& ApplicationName, const std::string& CommandLine,
                        std::uint16_t ShowMode) {
  if (ApplicationName.find('\0') != std::string::npos) {
    return -1;
  }
  // Process creation may write into the command line, so it gets a private copy.
  TCommandLineBuffer commandLine;
  if (!PrepareCommandLine(CommandLine, commandLine)) {
    return -1;
  }
  STARTUPINFOA startup;
  std::memset(&startup, 0, sizeof startup);
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = ShowMode;
  PROCESS_INFORMATION process;
  std::memset(&process, 0, sizeof process);
  if (!CreateProcessA(ApplicationName.empty() ? nullptr : ApplicationName.c_str(),
                      commandLine.data(), nullptr, nullptr, FALSE,
                      CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup,
                      &process)) {
    return -1;
  }
  const UniqueKernelHandle processHandle(process.hProcess);
  const UniqueKernelHandle threadHandle(process.hThread);
  // A failed wait would leave the exit code at STILL_ACTIVE, which is no exit code at all.
  DWORD exitCode = 0xFFFFFFFFu;
  if (WaitForSingleObject(process.hProcess, INFINITE) != WAIT_OBJECT_0 ||
      !GetExitCodeProcess(process.hProcess, &exitCode)) {
    exitCode = 0xFFFFFFFFu;
  }
  return static_cast<std::int32_t>(exitCode);
}

}  // namespace zmt
