// The user-interface library's component-creation lock: many readers or one writer, and the
// writer may take it again (a constructor that builds components while it holds it).
#pragma once

#include <cstdint>
#ifdef ZMT_LOCK_CHECKS
#include <vector>
#endif

#ifdef _WIN32
#include <windows.h>
#else
#include <condition_variable>
#include <mutex>
#include <thread>
#endif

namespace zmt {

// Misuse that would otherwise hang or go unnoticed (a reader that asks for the writer side or
// takes the read side again, an EndRead without its BeginRead) ends the process with a message in
// builds compiled with ZMT_LOCK_CHECKS (debug and test builds). A product build does not check:
// nothing in the module takes the read side.
class TMultiReadExclusiveWriteSynchronizer {
 public:
  void BeginRead();
  void EndRead();
  void BeginWrite();
  void EndWrite();

  // The nesting depth of the writer side if the calling thread holds it, else 0.
  int WriteDepthOfCurrentThread() const;

 private:
#ifdef _WIN32
  // Windows XP has neither slim locks nor condition variables. The counters below are guarded by
  // a flag that is held for a few instructions only, and a thread that has to wait sleeps on an
  // event of its own that lives for that one wait. The lock thus owns no kernel object and needs
  // neither set-up nor clean-up: a module that is loaded and unloaded again and again leaves
  // nothing behind in the host, and the process-wide lock is ready before any code runs.
  using ThreadId = DWORD;
  struct Waiter;
  mutable volatile LONG guard_ = 0;
  Waiter* waiters_ = nullptr;
#else
  using ThreadId = std::thread::id;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
#endif
  class Held;
  static ThreadId CurrentThread();
  template <class Ready>
  void WaitUntil(Held& held, Ready ready);
  void NotifyAll();

#ifdef ZMT_LOCK_CHECKS
  struct ReadHold {
    ThreadId Thread{};
    int Depth = 0;
  };
  std::vector<ReadHold> readHolds_;
  ReadHold* FindReadHold(ThreadId thread);
#endif
  int readers_ = 0;
  int writeDepth_ = 0;
  int waitingWriters_ = 0;
  ThreadId writer_{};
};

// The process-wide lock under which components are created.
TMultiReadExclusiveWriteSynchronizer& GlobalNameSpace();

// Holds the writer side for one scope, released on every way out.
class WriteLockGuard {
 public:
  explicit WriteLockGuard(TMultiReadExclusiveWriteSynchronizer& lock) : lock_(lock) {
    lock_.BeginWrite();
  }
  ~WriteLockGuard() { lock_.EndWrite(); }
  WriteLockGuard(const WriteLockGuard&) = delete;
  WriteLockGuard& operator=(const WriteLockGuard&) = delete;

 private:
  TMultiReadExclusiveWriteSynchronizer& lock_;
};

class ReadLockGuard {
 public:
  explicit ReadLockGuard(TMultiReadExclusiveWriteSynchronizer& lock) : lock_(lock) {
    lock_.BeginRead();
  }
  ~ReadLockGuard() { lock_.EndRead(); }
  ReadLockGuard(const ReadLockGuard&) = delete;
  ReadLockGuard& operator=(const ReadLockGuard&) = delete;

 private:
  TMultiReadExclusiveWriteSynchronizer& lock_;
};

}  // namespace zmt
