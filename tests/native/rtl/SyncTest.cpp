#include "Sync.h"
#include "../TestThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

namespace zmt {
namespace {

using test::SleepMs;
using test::TestThread;

TEST(ComponentCreationLock, WriterReentersAndReleasesOnlyAtTheOutermostEnd) {
  TMultiReadExclusiveWriteSynchronizer lock;
  lock.BeginWrite();
  lock.BeginWrite();
  EXPECT_EQ(lock.WriteDepthOfCurrentThread(), 2);
  lock.EndWrite();
  EXPECT_EQ(lock.WriteDepthOfCurrentThread(), 1);

  std::atomic<bool> readerIn{false};
  TestThread reader([&] {
    ReadLockGuard guard(lock);
    readerIn = true;
  });
  SleepMs(100);
  EXPECT_FALSE(readerIn) << "a reader got in while the writer still held the lock";
  lock.EndWrite();
  reader.join();
  EXPECT_TRUE(readerIn);
  EXPECT_EQ(lock.WriteDepthOfCurrentThread(), 0);
}

TEST(ComponentCreationLock, WriterWaitsForReadersToLeave) {
  TMultiReadExclusiveWriteSynchronizer lock;
  lock.BeginRead();
  std::atomic<bool> writerIn{false};
  TestThread writer([&] {
    WriteLockGuard guard(lock);
    writerIn = true;
  });
  SleepMs(100);
  EXPECT_FALSE(writerIn);
  lock.EndRead();
  writer.join();
  EXPECT_TRUE(writerIn);
}

TEST(ComponentCreationLock, ReadersShareTheLock) {
  TMultiReadExclusiveWriteSynchronizer lock;
  lock.BeginRead();
  std::atomic<bool> secondIn{false};
  TestThread second([&] {
    ReadLockGuard guard(lock);
    secondIn = true;
  });
  second.join();
  EXPECT_TRUE(secondIn);
  lock.EndRead();
}

TEST(ComponentCreationLock, GuardReleasesWhenAnExceptionLeavesTheScope) {
  TMultiReadExclusiveWriteSynchronizer lock;
  try {
    WriteLockGuard guard(lock);
    throw 1;
  } catch (int) {
  }
  EXPECT_EQ(lock.WriteDepthOfCurrentThread(), 0);
  TestThread other([&] { WriteLockGuard guard(lock); });
  other.join();
}

TEST(ComponentCreationLock, EndWriteFromAThreadThatDoesNotHoldItChangesNothing) {
  TMultiReadExclusiveWriteSynchronizer lock;
  lock.BeginWrite();
  TestThread stranger([&] { lock.EndWrite(); });
  stranger.join();
  EXPECT_EQ(lock.WriteDepthOfCurrentThread(), 1);
  lock.EndWrite();
}

// Many threads contending, so that a lost wake-up hangs the suite and a broken exclusion shows
// as a reader beside a writer or two writers at once.
TEST(ComponentCreationLock, ContendingReadersAndWritersNeverOverlapAndAllFinish) {
  TMultiReadExclusiveWriteSynchronizer lock;
  std::atomic<int> readers{0};
  std::atomic<int> writers{0};
  std::atomic<int> overlaps{0};
  constexpr int kThreads = 6;
  constexpr int kRounds = 2000;
  std::vector<TestThread> threads;
  threads.reserve(kThreads);
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < kRounds; ++round) {
        if ((round + t) % 3 == 0) {
          WriteLockGuard outer(lock);
          WriteLockGuard inner(lock);
          if (writers.fetch_add(1) != 0 || readers.load() != 0) ++overlaps;
          SleepMs(0);  // let the others queue up behind
          writers.fetch_sub(1);
        } else {
          ReadLockGuard guard(lock);
          readers.fetch_add(1);
          if (writers.load() != 0) ++overlaps;
          SleepMs(0);
          readers.fetch_sub(1);
        }
      }
    });
  }
  for (TestThread& thread : threads) thread.join();
  EXPECT_EQ(overlaps.load(), 0);
}

#ifdef ZMT_LOCK_CHECKS
TEST(ComponentCreationLockDeathTest, MisuseStopsLoudlyInsteadOfHanging) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  TMultiReadExclusiveWriteSynchronizer lock;
  EXPECT_DEATH(lock.EndRead(), "misused: EndRead without a BeginRead");
  EXPECT_DEATH(
      {
        lock.BeginRead();
        lock.BeginWrite();
      },
      "misused: BeginWrite by a thread that reads");
  EXPECT_DEATH(
      {
        lock.BeginRead();
        lock.BeginRead();
      },
      "misused: BeginRead by a thread that already reads");
  // The writer may read what it builds, as often as it likes, and write again while it reads.
  lock.BeginWrite();
  lock.BeginRead();
  lock.BeginRead();
  lock.BeginWrite();
  lock.EndWrite();
  lock.EndRead();
  lock.EndRead();
  lock.EndWrite();
}
#endif

}  // namespace
}  // namespace zmt
