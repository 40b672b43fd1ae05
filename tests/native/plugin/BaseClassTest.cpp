// The base class from the module's side: the creation lock and the menu array's sharing rules.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "FaultInjection.h"
#include "HostError.h"
#include "Sync.h"
#include "clsKvPlugin.h"
#include "../TestThread.h"

namespace zmt {
namespace {

using test::SleepMs;
using test::TestThread;

struct ProbeReset {
  ~ProbeReset() { fault::ConstructionProbe = nullptr; }
};

TEST(CreationLock, TheConstructorHoldsTheWriterSideAndCanReenterIt) {
  ProbeReset reset;
  int depthInside = 0;
  int depthReentered = 0;
  fault::ConstructionProbe = [&] {
    depthInside = GlobalNameSpace().WriteDepthOfCurrentThread();
    // Creating components while constructing takes the lock again on the same thread.
    WriteLockGuard again(GlobalNameSpace());
    depthReentered = GlobalNameSpace().WriteDepthOfCurrentThread();
  };
  std::unique_ptr<TKvPlugin> plugin(new TKvPlugin());
  EXPECT_EQ(depthInside, 1);
  EXPECT_EQ(depthReentered, 2);
  EXPECT_EQ(GlobalNameSpace().WriteDepthOfCurrentThread(), 0) << "released when it returns";
}

TEST(CreationLock, AReaderOnAnotherThreadWaitsUntilTheConstructorIsDone) {
  ProbeReset reset;
  std::atomic<bool> readerIn{false};
  std::atomic<bool> readerInDuringConstruction{false};
  TestThread reader;
  fault::ConstructionProbe = [&] {
    reader = TestThread([&] {
      ReadLockGuard guard(GlobalNameSpace());
      readerIn = true;
    });
    SleepMs(150);
    readerInDuringConstruction = readerIn.load();
  };
  std::unique_ptr<TKvPlugin> plugin(new TKvPlugin());
  reader.join();
  EXPECT_FALSE(readerInDuringConstruction);
  EXPECT_TRUE(readerIn);
}

TEST(CreationLock, IsReleasedWhenTheConstructorFails) {
  ProbeReset reset;
  fault::ConstructionProbe = [] { throw Exception("component failed"); };
  ClearHostError();
  EXPECT_EQ(ConstructForHost<TKvPlugin>(), nullptr);
  HostError error;
  ASSERT_TRUE(TakeHostError(error));
  EXPECT_EQ(error.Message, "component failed");
  EXPECT_EQ(GlobalNameSpace().WriteDepthOfCurrentThread(), 0);
  std::atomic<bool> otherWriterIn{false};
  TestThread other([&] {
    WriteLockGuard guard(GlobalNameSpace());
    otherWriterIn = true;
  });
  other.join();
  EXPECT_TRUE(otherWriterIn);
}

int32_t KVAPI NoHandler(void*) {
  return KV_S_OK;
}

TEST(MenuItemArray, AppendingToAnArraySomeoneHoldsLeavesTheirArrayAlone) {
  TPluginMenuItems items;
  items.Append(1, "First", TMethod{&NoHandler, nullptr});
  KvPluginMenuItem* held = items.Share();
  items.Append(2, "Second", TMethod{&NoHandler, nullptr});
  EXPECT_NE(items.Data(), held);
  ASSERT_EQ(KvMenuItemsLength(held), 1);
  EXPECT_STREQ(held[0].Caption, "First");
  ASSERT_EQ(items.Length(), 2);
  EXPECT_STREQ(items[0].Caption, "First");
  EXPECT_STREQ(items[1].Caption, "Second");
  EXPECT_EQ(items[1].Flags, 2);
  TPluginMenuItems::Release(held);
  EXPECT_STREQ(items[0].Caption, "First") << "the caption survived the held copy's release";
}

TEST(MenuItemArray, AnIndexOutsideTheArrayRaises) {
  TPluginMenuItems items;
  EXPECT_THROW(items[0], EArgumentError);
  items.Append(0, "Only", TMethod{});
  EXPECT_THROW(items[1], EArgumentError);
  EXPECT_THROW(items[-1], EArgumentError);
}

}  // namespace
}  // namespace zmt

namespace zmt {
namespace {

// Forgets to override Create.
class TForgetfulPlugin : public TKvPlugin {};

TEST(CreateOperation, RefusesToHandOutAnObjectOfAnotherClass) {
  KvPlugin* p = ConstructForHost<TForgetfulPlugin>();
  ASSERT_NE(p, nullptr);
  ClearHostError();
  EXPECT_EQ(p->Vtbl->Create(p), nullptr);
  HostError error;
  ASSERT_TRUE(TakeHostError(error));
  EXPECT_EQ(error.Source, "EPluginCreateError");
  EXPECT_EQ(KvPluginFree(p), KV_S_OK);
}

}  // namespace
}  // namespace zmt

namespace zmt {
namespace {

TEST(AboutText, PutsAnEmptyLineBetweenNameDescriptionAndVersion) {
  EXPECT_EQ(AboutText("ZMTCheckPlugin", "Quro ZMTCheckPlugin Plugin", "0.0.0.0"),
            "ZMTCheckPlugin\r\rQuro ZMTCheckPlugin Plugin\r\rVersion: 0.0.0.0");
  EXPECT_EQ(AboutText("", "", "1.0.3.12"), "\r\r\r\rVersion: 1.0.3.12");
}

}  // namespace
}  // namespace zmt
