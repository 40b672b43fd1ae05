// The user-interface library's component-creation lock: many readers or one writer, and the
// writer may take it again (a constructor that builds components while it holds it).
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace zmt {

class TMultiReadExclusiveWriteSynchronizer {
 public:
  void BeginRead();
  void EndRead();
  void BeginWrite();
  void EndWrite();

  // The nesting depth of the writer side if the calling thread holds it, else 0.
  int WriteDepthOfCurrentThread() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  int readers_ = 0;
  int writeDepth_ = 0;
  int waitingWriters_ = 0;
  std::thread::id writer_;
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
