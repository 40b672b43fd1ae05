#include "clsThreadWindows.h"

namespace zmt {

TThreadWindowsDisabled::TThreadWindowsDisabled(HWND Except) : except_(Except) {
  EnumThreadWindows(GetCurrentThreadId(), Disable, reinterpret_cast<LPARAM>(this));
  if (failure_) {
    Restore();
    std::rethrow_exception(failure_);
  }
}

void TThreadWindowsDisabled::Restore() noexcept {
  for (HWND hwnd : windows_) {
    if (IsWindow(hwnd)) EnableWindow(hwnd, TRUE);
  }
  windows_.clear();
}

BOOL CALLBACK TThreadWindowsDisabled::Disable(HWND hwnd, LPARAM param) noexcept {
  auto* self = reinterpret_cast<TThreadWindowsDisabled*>(param);
  if (hwnd == self->except_ || !IsWindowVisible(hwnd) || !IsWindowEnabled(hwnd)) return TRUE;
  // Recorded before it is disabled, so that whatever is disabled is enabled again.
  try {
    self->windows_.push_back(hwnd);
  } catch (...) {
    self->failure_ = std::current_exception();
    return FALSE;
  }
  EnableWindow(hwnd, FALSE);
  return TRUE;
}

}  // namespace zmt
