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

namespace {

// Creates the process in a console of its own, hidden as ShowMode says, with the NUL device for
// standard input and output: a command that asks a question ("net stop" does, when other services
// depend on the one it stops) reads the end of its input and takes its default answer, instead of
// waiting for ever for an answer that no one can give in a hidden console. Gives false when no
// process is created.
bool CreateHiddenProcess(const std::string& ApplicationName, const std::string& CommandLine,
                         std::uint16_t ShowMode, PROCESS_INFORMATION& Process) {
  if (ApplicationName.find('\0') != std::string::npos) {
    return false;
  }
  // Process creation may write into the command line, so it gets a private copy.
  TCommandLineBuffer commandLine;
  if (!PrepareCommandLine(CommandLine, commandLine)) {
    return false;
  }
  // The standard handles reach the child only by inheritance.
  SECURITY_ATTRIBUTES inheritable;
  std::memset(&inheritable, 0, sizeof inheritable);
  inheritable.nLength = sizeof inheritable;
  inheritable.bInheritHandle = TRUE;
  const HANDLE device =
      CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  &inheritable, OPEN_EXISTING, 0, nullptr);
  if (device == INVALID_HANDLE_VALUE) {
    return false;
  }
  const UniqueKernelHandle nul(device);
  STARTUPINFOA startup;
  std::memset(&startup, 0, sizeof startup);
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
  startup.wShowWindow = ShowMode;
  startup.hStdInput = nul.Get();
  startup.hStdOutput = nul.Get();
  startup.hStdError = nul.Get();
  std::memset(&Process, 0, sizeof Process);
  return CreateProcessA(ApplicationName.empty() ? nullptr : ApplicationName.c_str(),
                        commandLine.data(), nullptr, nullptr, TRUE,
                        CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup,
                        &Process) != FALSE;
}

}  // namespace

std::int32_t RunAndWait(const std::string& ApplicationName, const std::string& CommandLine,
                        std::uint16_t ShowMode) {
  PROCESS_INFORMATION process;
  if (!CreateHiddenProcess(ApplicationName, CommandLine, ShowMode, process)) {
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

std::string SystemDirectoryFile(const std::string& Name) {
  char directory[MAX_PATH];
  const UINT length = GetSystemDirectoryA(directory, sizeof directory);
  if (length == 0 || length >= sizeof directory) return std::string();
  return std::string(directory, length) + "\\" + Name;
}

bool StartProgram(const std::string& CommandLine, std::uint16_t ShowMode) {
  PROCESS_INFORMATION process;
  if (!CreateHiddenProcess(std::string(), CommandLine, ShowMode, process)) {
    return false;
  }
  const UniqueKernelHandle processHandle(process.hProcess);
  const UniqueKernelHandle threadHandle(process.hThread);
  return true;
}

}  // namespace zmt
