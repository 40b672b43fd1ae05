#include "Sync.h"
#include "../TestThread.h"

#include <gtest/gtest.h>

#include <atomic>

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
