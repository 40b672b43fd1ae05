// What every modal window of the module does around its message loop, in one place.
#pragma once

#ifdef _WIN32

#include <windows.h>

#include <exception>

#include "clsThreadWindows.h"

namespace zmt {

// For the life of a modal loop: remembers the window that was active (the owner for the dialog),
// disables the thread's other windows, carries an exception out of the window procedure, and on
// the way out enables the windows again and gives activation back to the remembered window.
//
// A window procedure reaches the scope through the slot it was given (null outside the loop),
// catches everything and calls Catch(); the loop ends when Failed() and the owner of the loop
// calls RethrowFailure() once the loop has ended.
class TModalScope {
 public:
  explicit TModalScope(HWND Except = nullptr, TModalScope** Slot = nullptr);
  ~TModalScope();
  TModalScope(const TModalScope&) = delete;
  TModalScope& operator=(const TModalScope&) = delete;

  HWND PreviouslyActive() const noexcept { return previouslyActive_; }

  void Catch() noexcept { failure_ = std::current_exception(); }
  bool Failed() const noexcept { return static_cast<bool>(failure_); }
  void RethrowFailure();

  // Enables the other windows before the dialog hides, so that activation goes back to them and
  // not to another program. The destructor does it when nobody did.
  void EnableOthers() noexcept { disabled_.Restore(); }

 private:
  HWND previouslyActive_;
  TModalScope** slot_;
  TThreadWindowsDisabled disabled_;
  std::exception_ptr failure_;
};

}  // namespace zmt

#endif  // _WIN32
