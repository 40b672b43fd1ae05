// The calling thread's other windows, disabled while one of the module's dialogs is modal.
#pragma once

#ifdef _WIN32

#include <windows.h>

#include <exception>
#include <vector>

namespace zmt {

// Disables every visible, enabled top-level window of the calling thread except Except, and
// enables them again on Restore or destruction. When the windows cannot be recorded (out of
// memory), the ones already disabled are enabled again and the constructor raises the error: no
// exception crosses the system's enumeration, and no host window stays disabled.
class TThreadWindowsDisabled {
 public:
  explicit TThreadWindowsDisabled(HWND Except = nullptr);
  ~TThreadWindowsDisabled() { Restore(); }
  TThreadWindowsDisabled(const TThreadWindowsDisabled&) = delete;
  TThreadWindowsDisabled& operator=(const TThreadWindowsDisabled&) = delete;

  void Restore() noexcept;

 private:
  static BOOL CALLBACK Disable(HWND hwnd, LPARAM param) noexcept;

  HWND except_;
  std::vector<HWND> windows_;
  std::exception_ptr failure_;
};

}  // namespace zmt

#endif  // _WIN32
