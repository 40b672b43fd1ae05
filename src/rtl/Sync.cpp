#include "Sync.h"

namespace zmt {

void TMultiReadExclusiveWriteSynchronizer::BeginRead() {
  std::unique_lock<std::mutex> lock(mutex_);
  const auto self = std::this_thread::get_id();
  if (writeDepth_ > 0 && writer_ == self) {
    // The writer reading what it is building: its write hold covers the read.
    ++readers_;
    return;
  }
  // Waiting writers go first, so a stream of readers cannot starve a constructor.
  changed_.wait(lock, [&] { return writeDepth_ == 0 && waitingWriters_ == 0; });
  ++readers_;
}

void TMultiReadExclusiveWriteSynchronizer::EndRead() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (readers_ > 0 && --readers_ == 0) changed_.notify_all();
}

void TMultiReadExclusiveWriteSynchronizer::BeginWrite() {
  std::unique_lock<std::mutex> lock(mutex_);
  const auto self = std::this_thread::get_id();
  if (writeDepth_ > 0 && writer_ == self) {
    ++writeDepth_;
    return;
  }
  ++waitingWriters_;
  changed_.wait(lock, [&] { return writeDepth_ == 0 && readers_ == 0; });
  --waitingWriters_;
  writer_ = self;
  writeDepth_ = 1;
}

void TMultiReadExclusiveWriteSynchronizer::EndWrite() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (writeDepth_ == 0 || writer_ != std::this_thread::get_id()) return;
  if (--writeDepth_ == 0) {
    writer_ = std::thread::id();
    changed_.notify_all();
  }
}

int TMultiReadExclusiveWriteSynchronizer::WriteDepthOfCurrentThread() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return writer_ == std::this_thread::get_id() ? writeDepth_ : 0;
}

TMultiReadExclusiveWriteSynchronizer& GlobalNameSpace() {
  static TMultiReadExclusiveWriteSynchronizer lock;
  return lock;
}

}  // namespace zmt
