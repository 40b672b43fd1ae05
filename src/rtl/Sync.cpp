#include "Sync.h"

#ifdef _WIN32
#include "WinHandles.h"
#endif

#ifdef ZMT_LOCK_CHECKS
#include <cstdio>
#include <cstdlib>
#endif

namespace zmt {

// The internal mutex held for one scope.
class TMultiReadExclusiveWriteSynchronizer::Held {
 public:
#ifdef _WIN32
  explicit Held(const TMultiReadExclusiveWriteSynchronizer& owner) : flag_(&owner.guard_) {
    Lock();
  }
  ~Held() {
    Unlock();
  }
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;

  void Lock() {
    for (unsigned spins = 0; InterlockedCompareExchange(flag_, 1, 0) != 0; ++spins) {
      // The holder only updates a few counters: spin while it may be running on another
      // processor, then yield, then sleep, so that a holder of lower priority gets to finish.
      if (spins < 64) {
        YieldProcessor();
      } else if (spins < 128) {
        SwitchToThread();
      } else {
        Sleep(1);
      }
    }
  }
  void Unlock() {
    InterlockedExchange(flag_, 0);
  }

 private:
  volatile LONG* flag_;
#else
  explicit Held(const TMultiReadExclusiveWriteSynchronizer& owner) : lock_(owner.mutex_) {}
  std::unique_lock<std::mutex> lock_;
#endif
};

#ifdef _WIN32
// A thread waiting for the lock's state to change. It lives on the waiting thread's stack and is
// listed in waiters_ until a change wakes it.
struct TMultiReadExclusiveWriteSynchronizer::Waiter {
  HANDLE Wake;
  Waiter* Next;
};
#endif

TMultiReadExclusiveWriteSynchronizer::ThreadId
TMultiReadExclusiveWriteSynchronizer::CurrentThread() {
#ifdef _WIN32
  return GetCurrentThreadId();
#else
  return std::this_thread::get_id();
#endif
}

#ifdef ZMT_LOCK_CHECKS
namespace {
[[noreturn]] void LockMisuse(const char* what) {
  std::fprintf(stderr, "component-creation lock misused: %s\n", what);
  std::fflush(stderr);
  std::abort();
}
}  // namespace

TMultiReadExclusiveWriteSynchronizer::ReadHold* TMultiReadExclusiveWriteSynchronizer::FindReadHold(
    ThreadId thread) {
  for (ReadHold& hold : readHolds_) {
    if (hold.Thread == thread) return &hold;
  }
  return nullptr;
}
#endif

template <class Ready>
void TMultiReadExclusiveWriteSynchronizer::WaitUntil(Held& held, Ready ready) {
#ifdef _WIN32
  if (ready()) return;
  const DWORD lastError = GetLastError();
  // The event is made outside the guard, which others spin on (it is closed under the guard on
  // the way out, where the caller relies on the state it found). Auto-reset: each listing gets
  // exactly one SetEvent, and each wait takes it.
  held.Unlock();
  UniqueKernelHandle wake(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  held.Lock();
  while (!ready()) {
    if (!wake) {
      // Nothing to sleep on: look again shortly. Slower, never wrong.
      held.Unlock();
      Sleep(1);
      held.Lock();
      continue;
    }
    Waiter self{wake.Get(), waiters_};
    waiters_ = &self;
    held.Unlock();
    WaitForSingleObject(wake.Get(), INFINITE);
    held.Lock();
    // NotifyAll has taken it off the list, unless the wait itself failed.
    for (Waiter** link = &waiters_; *link != nullptr; link = &(*link)->Next) {
      if (*link == &self) {
        *link = self.Next;
        break;
      }
    }
  }
  // The caller may be about to report an error of its own.
  SetLastError(lastError);
#else
  while (!ready()) changed_.wait(held.lock_);
#endif
}

void TMultiReadExclusiveWriteSynchronizer::NotifyAll() {
#ifdef _WIN32
  // Each woken thread needs the guard, which the caller holds, before it can leave its node.
  for (Waiter* waiter = waiters_; waiter != nullptr; waiter = waiter->Next) SetEvent(waiter->Wake);
  waiters_ = nullptr;
#else
  changed_.notify_all();
#endif
}

void TMultiReadExclusiveWriteSynchronizer::BeginRead() {
  Held held(*this);
  const ThreadId self = CurrentThread();
#ifdef ZMT_LOCK_CHECKS
  ReadHold* hold = FindReadHold(self);
  const bool isWriter = writeDepth_ > 0 && writer_ == self;
  // A waiting writer would keep the second read waiting for the first: a hang.
  if (hold != nullptr && !isWriter) LockMisuse("BeginRead by a thread that already reads");
  if (hold != nullptr) {
    ++hold->Depth;
  } else {
    readHolds_.push_back({self, 1});
  }
#endif
  if (writeDepth_ > 0 && writer_ == self) {
    // The writer reading what it is building: its write hold covers the read.
    ++readers_;
    return;
  }
  // Waiting writers go first, so a stream of readers cannot starve a constructor.
  WaitUntil(held, [&] { return writeDepth_ == 0 && waitingWriters_ == 0; });
  ++readers_;
}

void TMultiReadExclusiveWriteSynchronizer::EndRead() {
  Held held(*this);
#ifdef ZMT_LOCK_CHECKS
  ReadHold* hold = FindReadHold(CurrentThread());
  if (hold == nullptr) LockMisuse("EndRead without a BeginRead on this thread");
  if (--hold->Depth == 0) {
    *hold = readHolds_.back();
    readHolds_.pop_back();
  }
#endif
  if (readers_ > 0 && --readers_ == 0) NotifyAll();
}

void TMultiReadExclusiveWriteSynchronizer::BeginWrite() {
  Held held(*this);
  const ThreadId self = CurrentThread();
  if (writeDepth_ > 0 && writer_ == self) {
    ++writeDepth_;
    return;
  }
#ifdef ZMT_LOCK_CHECKS
  // It would wait for its own read to end.
  if (FindReadHold(self) != nullptr) LockMisuse("BeginWrite by a thread that reads");
#endif
  ++waitingWriters_;
  WaitUntil(held, [&] { return writeDepth_ == 0 && readers_ == 0; });
  --waitingWriters_;
  writer_ = self;
  writeDepth_ = 1;
}

void TMultiReadExclusiveWriteSynchronizer::EndWrite() {
  Held held(*this);
  if (writeDepth_ == 0 || writer_ != CurrentThread()) return;
  if (--writeDepth_ == 0) {
    writer_ = ThreadId{};
    NotifyAll();
  }
}

int TMultiReadExclusiveWriteSynchronizer::WriteDepthOfCurrentThread() const {
  Held held(*this);
  return writeDepth_ > 0 && writer_ == CurrentThread() ? writeDepth_ : 0;
}

namespace {
// At namespace scope, not as a function static: with the misuse checks its destructor is not
// trivial, and a function static would then need a run-time guard, whose lock outlives the module.
TMultiReadExclusiveWriteSynchronizer processLock;
}  // namespace

TMultiReadExclusiveWriteSynchronizer& GlobalNameSpace() {
  return processLock;
}

}  // namespace zmt
