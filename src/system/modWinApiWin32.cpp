#include <windows.h>

#include <cstring>
#include <memory>
#include <new>

#include "WinHandles.h"
#include "modWinApi.h"

namespace zmt {

static_assert(sizeof(void*) != 4 || sizeof(STARTUPINFOA) == 68,
              "the 32-bit ANSI start-up information is 68 bytes");

std::int32_t RunAndWait(const std::string& CommandLine, std::uint16_t ShowMode) {
  return RunAndWait(std::string(), CommandLine, ShowMode);
}

namespace {

// What Vista and later offer to hand a new process only the handles named, declared here since
// the headers at the XP floor leave them out.
using TInitializeAttributes = BOOL(WINAPI*)(void* List, DWORD Count, DWORD Flags, SIZE_T* Size);
using TUpdateAttribute = BOOL(WINAPI*)(void* List, DWORD Flags, DWORD_PTR Attribute, void* Value,
                                       SIZE_T Size, void* Previous, SIZE_T* ReturnSize);
using TDeleteAttributes = void(WINAPI*)(void* List);
constexpr DWORD_PTR kAttributeHandleList = 0x00020002;  // PROC_THREAD_ATTRIBUTE_HANDLE_LIST
constexpr DWORD kExtendedStartupInfoPresent = 0x00080000;
struct TStartupInfoEx {
  STARTUPINFOA StartupInfo;
  void* AttributeList;
};

// An attribute list that lets a new process inherit the one handle given and no other: without
// it the process inherits every inheritable handle of the host (its sockets, the pipes it made
// for children of its own) and holds them while it runs, the installer long after the call.
// Empty where the system has no such lists (XP), which then hands over every handle as before.
class TInheritOnly {
 public:
  explicit TInheritOnly(HANDLE handle) noexcept : handle_(handle) {
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    const auto initialize =
        LibraryFunction<TInitializeAttributes>(kernel, "InitializeProcThreadAttributeList");
    const auto update = LibraryFunction<TUpdateAttribute>(kernel, "UpdateProcThreadAttribute");
    delete_ = LibraryFunction<TDeleteAttributes>(kernel, "DeleteProcThreadAttributeList");
    if (!initialize || !update || !delete_) return;
    SIZE_T size = 0;
    initialize(nullptr, 1, 0, &size);
    if (size == 0) return;
    std::unique_ptr<unsigned char[]> list(new (std::nothrow) unsigned char[size]);
    if (!list || !initialize(list.get(), 1, 0, &size)) return;
    // The list keeps the handle's address, not the handle: handle_ lives as long as the list.
    if (!update(list.get(), 0, kAttributeHandleList, &handle_, sizeof handle_, nullptr, nullptr)) {
      delete_(list.get());
      return;
    }
    list_ = std::move(list);
  }
  ~TInheritOnly() {
    if (list_) delete_(list_.get());
  }
  TInheritOnly(const TInheritOnly&) = delete;
  TInheritOnly& operator=(const TInheritOnly&) = delete;

  void* List() const noexcept { return list_.get(); }

 private:
  HANDLE handle_;
  TDeleteAttributes delete_ = nullptr;
  std::unique_ptr<unsigned char[]> list_;
};

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
  const TInheritOnly inheritOnly(nul.Get());
  TStartupInfoEx startup;
  std::memset(&startup, 0, sizeof startup);
  startup.StartupInfo.cb = inheritOnly.List() ? sizeof startup : sizeof startup.StartupInfo;
  startup.StartupInfo.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
  startup.StartupInfo.wShowWindow = ShowMode;
  startup.StartupInfo.hStdInput = nul.Get();
  startup.StartupInfo.hStdOutput = nul.Get();
  startup.StartupInfo.hStdError = nul.Get();
  startup.AttributeList = inheritOnly.List();
  std::memset(&Process, 0, sizeof Process);
  const DWORD flags = CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS |
                      (inheritOnly.List() ? kExtendedStartupInfoPresent : 0);
  return CreateProcessA(ApplicationName.empty() ? nullptr : ApplicationName.c_str(),
                        commandLine.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr,
                        &startup.StartupInfo, &Process) != FALSE;
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
