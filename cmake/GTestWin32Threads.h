// GoogleTest's Notification with a Windows event, for toolchains of the win32 thread model, whose
// standard library has no std::mutex or std::condition_variable; everything else of GoogleTest
// already uses Windows' own primitives there.
#pragma once

#define GTEST_HAS_NOTIFICATION_ 1

#include <windows.h>

namespace testing {
namespace internal {

class Notification {
 public:
  Notification() : event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
  ~Notification() {
    if (event_) CloseHandle(event_);
  }
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;

  void Notify() { SetEvent(event_); }
  void WaitForNotification() { WaitForSingleObject(event_, INFINITE); }

 private:
  HANDLE event_;
};

}  // namespace internal
}  // namespace testing
