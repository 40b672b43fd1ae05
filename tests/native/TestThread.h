// A joinable thread for suites that run both natively and on Windows, where the win32 thread
// model's standard library has no std::thread.
#pragma once

#include <functional>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <chrono>
#include <thread>
#endif

namespace zmt::test {

#ifdef _WIN32
class TestThread {
 public:
  TestThread() = default;
  explicit TestThread(std::function<void()> work)
      : work_(new std::function<void()>(std::move(work))) {
    handle_ = CreateThread(nullptr, 0, &Run, work_, 0, nullptr);
  }
  TestThread(TestThread&& other) noexcept { *this = std::move(other); }
  TestThread& operator=(TestThread&& other) noexcept {
    std::swap(handle_, other.handle_);
    std::swap(work_, other.work_);
    return *this;
  }
  ~TestThread() { join(); }

  void join() {
    if (handle_) {
      WaitForSingleObject(handle_, INFINITE);
      CloseHandle(handle_);
      handle_ = nullptr;
    }
    delete work_;
    work_ = nullptr;
  }

 private:
  static DWORD WINAPI Run(void* work) {
    (*static_cast<std::function<void()>*>(work))();
    return 0;
  }
  HANDLE handle_ = nullptr;
  std::function<void()>* work_ = nullptr;
};

inline void SleepMs(unsigned milliseconds) {
  Sleep(milliseconds);
}
#else
using TestThread = std::thread;

inline void SleepMs(unsigned milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
#endif

}  // namespace zmt::test
