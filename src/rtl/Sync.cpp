#include "Sync.h"

namespace zmt {

// The internal mutex held for one scope.
class TMultiReadExclusiveWriteSynchronizer::Held {
 public:
#ifdef _WIN32
  explicit Held(const TMultiReadExclusiveWriteSynchronizer& owner) : mutex_(&owner.mutex_) {
    AcquireSRWLockExclusive(mutex_);
  }
  ~Held() {
    ReleaseSRWLockExclusive(mutex_);
  }
  PSRWLOCK mutex_;
#else
  explicit Held(const TMultiReadExclusiveWriteSynchronizer& owner) : lock_(owner.mutex_) {}
  std::unique_lock<std::mutex> lock_;
#endif
};

TMultiReadExclusiveWriteSynchronizer::ThreadId
TMultiReadExclusiveWriteSynchronizer::CurrentThread() {
#ifdef _WIN32
  return GetCurrentThreadId();
#else
  return std::this_thread::get_id();
#endif
}

template <class Ready>
void TMultiReadExclusiveWriteSynchronizer::WaitUntil(Held& held, Ready ready) {
  while (!ready()) {
#ifdef _WIN32
    SleepConditionVariableSRW(&changed_, held.mutex_, INFINITE, 0);
#else
    changed_.wait(held.lock_);
#endif
  }
}

void TMultiReadExclusiveWriteSynchronizer::NotifyAll() {
#ifdef _WIN32
  WakeAllConditionVariable(&changed_);
#else
  changed_.notify_all();
#endif
}

void TMultiReadExclusiveWriteSynchronizer::BeginRead() {
  Held held(*this);
  if (writeDepth_ > 0 && writer_ == CurrentThread()) {
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
  if (readers_ > 0 && --readers_ == 0) NotifyAll();
}

void TMultiReadExclusiveWriteSynchronizer::BeginWrite() {
  Held held(*this);
  const ThreadId self = CurrentThread();
  if (writeDepth_ > 0 && writer_ == self) {
    ++writeDepth_;
    return;
  }
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

TMultiReadExclusiveWriteSynchronizer& GlobalNameSpace() {
  static TMultiReadExclusiveWriteSynchronizer lock;
  return lock;
}

}  // namespace zmt
