// The host contract as a host sees it: every call goes through the object's table.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "PluginUnderTest.h"

namespace plugintest {
namespace {

const char kBaseDescription[] =
    "Set TKvPlugin.Description to give your plugin detailed information on what it is about";

struct Freer {
  void operator()(KvPlugin* plugin) const { KvPluginFree(plugin); }
};
using PluginPtr = std::unique_ptr<KvPlugin, Freer>;

const KvPluginVtbl& Ops(KvPlugin* plugin) {
  return *plugin->Vtbl;
}

std::string NameOf(KvPlugin* p) {
  return Take(Ops(p).GetName(p));
}
std::string ExtraOf(KvPlugin* p) {
  return Take(Ops(p).GetExtraInfo(p));
}

int32_t MenuLengthOf(KvPlugin* p) {
  KvPluginMenuItem* items = Ops(p).GetMenuItems(p);
  const int32_t length = KvMenuItemsLength(items);
  KvMenuItemsRelease(items);
  return length;
}

void ClearError() {
  std::string source, message;
  TakeError(source, message);
}

TEST(BaseObject, GivesTheDefaultsOfANewObject) {
  PluginPtr holder(NewBasePlugin());
  KvPlugin* p = holder.get();
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(NameOf(p), "Tessinor Plugin");
  EXPECT_EQ(Take(Ops(p).GetDescription(p)), kBaseDescription);
  EXPECT_EQ(ExtraOf(p), "");
  EXPECT_EQ(Take(Ops(p).GetFileName(p)), "");
  EXPECT_EQ(Ops(p).GetHostTag(p), 0);
  uint32_t context = 0xDEADBEEF;
  EXPECT_EQ(Ops(p).GetHostContext(p, &context), KV_S_OK);
  EXPECT_EQ(context, 0u);

  KvPluginMenuItem* items = Ops(p).GetMenuItems(p);
  ASSERT_EQ(KvMenuItemsLength(items), 1);
  EXPECT_STREQ(KvStrChars(items[0].Caption), "About");
  EXPECT_EQ(items[0].Flags, 0);
  EXPECT_NE(items[0].Code, nullptr);
  EXPECT_EQ(items[0].Data, static_cast<void*>(p)) << "the handler is bound to the object";
  KvMenuItemsRelease(items);
}

TEST(BaseObject, ExecuteNotifyAndNotifyValuesChangeNothing) {
  PluginPtr holder(NewBasePlugin());
  KvPlugin* p = holder.get();
  EXPECT_EQ(Ops(p).Execute(p), 1);
  Ops(p).Notify(p, "", 0);
  Ops(p).Notify(p, nullptr, 5);
  Ops(p).NotifyValues(p, nullptr, 0);
  const uint32_t values[] = {1, 2, 3};
  Ops(p).NotifyValues(p, values, 3);
  EXPECT_EQ(NameOf(p), "Tessinor Plugin");
  EXPECT_EQ(Take(Ops(p).GetDescription(p)), kBaseDescription);
  EXPECT_EQ(ExtraOf(p), "");
  EXPECT_EQ(Ops(p).GetHostTag(p), 0);
  EXPECT_EQ(MenuLengthOf(p), 1);
}

TEST(Values, EverySettableValueRoundTrips) {
  PluginPtr holder(NewTestPlugin());
  KvPlugin* p = holder.get();
  EXPECT_EQ(NameOf(p), "Test Plugin");
  EXPECT_EQ(Take(Ops(p).GetDescription(p)), "Exercises the host contract");

  Ops(p).SetName(p, "Renamed");
  Ops(p).SetDescription(p, "Line one\rLine two");
  Ops(p).SetFileName(p, "C:\\Program Files\\Quro\\Plugins\\Test.dll");
  Ops(p).SetHostTag(p, -123456);
  EXPECT_EQ(NameOf(p), "Renamed");
  EXPECT_EQ(Take(Ops(p).GetDescription(p)), "Line one\rLine two");
  EXPECT_EQ(Take(Ops(p).GetFileName(p)), "C:\\Program Files\\Quro\\Plugins\\Test.dll");
  EXPECT_EQ(Ops(p).GetHostTag(p), -123456);

  EXPECT_EQ(Ops(p).SetHostContext(p, 7), KV_S_OK);
  uint32_t context = 0;
  EXPECT_EQ(Ops(p).GetHostContext(p, &context), KV_S_OK);
  EXPECT_EQ(context, 7u);
  EXPECT_EQ(Ops(p).SetHostContext(p, 0xFFFFFFFFu), KV_S_OK);
  EXPECT_EQ(Ops(p).GetHostContext(p, &context), KV_S_OK);
  EXPECT_EQ(context, 0xFFFFFFFFu);

  // A null text is the empty text.
  Ops(p).SetName(p, nullptr);
  EXPECT_EQ(Ops(p).GetName(p), nullptr);
  const std::string longText(100000, 'x');
  Ops(p).SetDescription(p, longText.c_str());
  KvStr description = Ops(p).GetDescription(p);
  EXPECT_EQ(KvStrLength(description), 100000);
  KvStrRelease(description);
}

TEST(Values, ATextTheHostHoldsDoesNotChangeWhenTheObjectsValueDoes) {
  PluginPtr holder(NewTestPlugin());
  KvPlugin* p = holder.get();
  KvStr before = Ops(p).GetName(p);
  Ops(p).SetName(p, "Other");
  EXPECT_STREQ(KvStrChars(before), "Test Plugin");
  EXPECT_EQ(KvStrLength(before), 11);
  KvStrRelease(before);
}

TEST(Values, TheHostsTextIsCopiedNotKept) {
  PluginPtr holder(NewTestPlugin());
  KvPlugin* p = holder.get();
  char buffer[] = "Till 4";
  Ops(p).SetName(p, buffer);
  std::strcpy(buffer, "XXXXX");
  EXPECT_EQ(NameOf(p), "Till 4");
}

TEST(MenuItems, AreTheObjectsOwnArrayWithDerivedEntriesAfterAbout) {
  PluginPtr holder(NewTestPlugin());
  KvPlugin* p = holder.get();
  KvPluginMenuItem* first = Ops(p).GetMenuItems(p);
  KvPluginMenuItem* second = Ops(p).GetMenuItems(p);
  EXPECT_EQ(first, second) << "the same array, not a copy";
  ASSERT_EQ(KvMenuItemsLength(first), 2);
  EXPECT_STREQ(KvStrChars(first[0].Caption), "About");
  EXPECT_EQ(first[0].Flags, 0);
  EXPECT_STREQ(KvStrChars(first[1].Caption), "Say Hello");
  EXPECT_EQ(first[1].Flags, 3);
  EXPECT_EQ(first[1].Data, static_cast<void*>(p));
  KvMenuItemsRelease(first);
  KvMenuItemsRelease(second);
}

TEST(MenuItems, AHandlerRunsOnTheObjectItIsBoundTo) {
  PluginPtr holder(NewTestPlugin());
  KvPlugin* p = holder.get();
  KvPluginMenuItem* items = Ops(p).GetMenuItems(p);
  ASSERT_EQ(KvMenuItemsLength(items), 2);
  EXPECT_EQ(items[1].Code(items[1].Data), KV_S_OK);
  EXPECT_EQ(items[1].Code(items[1].Data), KV_S_OK);
  EXPECT_EQ(ExtraOf(p), "hello 2");
  KvMenuItemsRelease(items);
}

TEST(MenuItems, TheHostsArrayOutlivesTheObject) {
  KvPlugin* p = NewTestPlugin();
  KvPluginMenuItem* items = Ops(p).GetMenuItems(p);
  ASSERT_EQ(KvPluginFree(p), KV_S_OK);
  ASSERT_EQ(KvMenuItemsLength(items), 2);
  EXPECT_STREQ(KvStrChars(items[1].Caption), "Say Hello");
  KvMenuItemsRelease(items);
}

TEST(Status, AFailureInsideTheHostContextOperationsBecomesUnexpected) {
  PluginPtr holder(NewTestPlugin());
  KvPlugin* p = holder.get();
  ASSERT_EQ(Ops(p).SetHostContext(p, 7), KV_S_OK);
  Ops(p).Notify(p, "fault:host-context", 1);

  uint32_t context = 0xABCD;
  EXPECT_EQ(Ops(p).GetHostContext(p, &context), KV_E_UNEXPECTED);
  EXPECT_EQ(context, 0xABCDu) << "the output place is left alone";
  std::string source, message;
  ASSERT_TRUE(TakeError(source, message));
  EXPECT_EQ(message, "injected host context failure");

  EXPECT_EQ(Ops(p).SetHostContext(p, 9), KV_E_UNEXPECTED);
  ASSERT_TRUE(TakeError(source, message));

  Ops(p).Notify(p, "fault:host-context", 0);
  EXPECT_EQ(Ops(p).GetHostContext(p, &context), KV_S_OK);
  EXPECT_EQ(context, 7u) << "the failed set kept the old value";
  EXPECT_FALSE(TakeError(source, message)) << "a call that succeeds leaves no error behind";
}

TEST(Status, NoPlaceForTheHostContextIsAFailureNotACrash) {
  PluginPtr holder(NewTestPlugin());
  KvPlugin* p = holder.get();
  EXPECT_EQ(Ops(p).GetHostContext(p, nullptr), KV_E_UNEXPECTED);
  std::string source, message;
  ASSERT_TRUE(TakeError(source, message));
  EXPECT_EQ(source, "EArgumentError");
}

TEST(Destruction, AFailureOfTheBasePartIsReportedAsEPluginError) {
  KvPlugin* p = NewTestPlugin();
  Ops(p).Notify(p, "fault:root-destroy", 1);
  EXPECT_EQ(KvPluginFree(p), KV_E_FAIL);
  std::string source, message;
  ASSERT_TRUE(TakeError(source, message));
  EXPECT_EQ(source, "EPluginError");
  EXPECT_EQ(message, "Error In TKvPlugin.Destroy injected root failure");

  // The fault belonged to that object alone.
  KvPlugin* next = NewTestPlugin();
  EXPECT_EQ(KvPluginFree(next), KV_S_OK);
  EXPECT_FALSE(TakeError(source, message));
}

TEST(Destruction, AFailureOfTheDerivedClassesOwnWorkPassesUnchanged) {
  KvPlugin* p = NewTestPlugin();
  Ops(p).Notify(p, "fault:own-destroy", 1);
  EXPECT_EQ(KvPluginFree(p), KV_E_FAIL);
  std::string source, message;
  ASSERT_TRUE(TakeError(source, message));
  EXPECT_EQ(source, "Exception");
  EXPECT_EQ(message, "injected own destruction failure");
}

TEST(Create, PositionZeroGivesANewObjectOfTheSameClass) {
  PluginPtr original(NewTestPlugin());
  KvPlugin* p = original.get();
  Ops(p).SetName(p, "Changed");
  Ops(p).SetHostTag(p, 5);
  PluginPtr created(Ops(p).Create(p));
  ASSERT_NE(created, nullptr);
  KvPlugin* c = created.get();
  EXPECT_NE(c, p);
  EXPECT_EQ(NameOf(c), "Test Plugin") << "a new object, not a copy of the old one's values";
  EXPECT_EQ(Ops(c).GetHostTag(c), 0);
  KvPluginMenuItem* items = Ops(c).GetMenuItems(c);
  ASSERT_EQ(KvMenuItemsLength(items), 2);
  EXPECT_EQ(items[1].Data, static_cast<void*>(c));
  KvMenuItemsRelease(items);

  PluginPtr base(NewBasePlugin());
  PluginPtr baseCreated(Ops(base.get()).Create(base.get()));
  EXPECT_EQ(NameOf(baseCreated.get()), "Tessinor Plugin");
  EXPECT_EQ(MenuLengthOf(baseCreated.get()), 1);
}

TEST(Create, AFailingConstructionGivesNullAndTheReason) {
  PluginPtr original(NewTestPlugin());
  KvPlugin* p = original.get();
  Ops(p).Notify(p, "fault:create", 1);
  EXPECT_EQ(Ops(p).Create(p), nullptr);
  std::string source, message;
  ASSERT_TRUE(TakeError(source, message));
  EXPECT_EQ(message, "injected construction failure");
}

TEST(Execute, GivesTrueAndAFailureGivesFalseWithTheReason) {
  PluginPtr holder(NewTestPlugin());
  KvPlugin* p = holder.get();
  EXPECT_EQ(Ops(p).Execute(p), 1);
  EXPECT_EQ(ExtraOf(p), "executed 1");
  std::string source, message;
  EXPECT_FALSE(TakeError(source, message));
  Ops(p).Notify(p, "fault:execute", 1);
  EXPECT_EQ(Ops(p).Execute(p), 0);
  ASSERT_TRUE(TakeError(source, message));
  EXPECT_EQ(message, "injected execute failure");
}

TEST(Notify, TheDerivedClassSeesTextValueAndLists) {
  PluginPtr holder(NewTestPlugin());
  KvPlugin* p = holder.get();
  Ops(p).Notify(p, "shift", 42);
  EXPECT_EQ(ExtraOf(p), "notify shift 42");
  const uint32_t values[] = {1, 2, 0xFFFFFFFFu};
  Ops(p).NotifyValues(p, values, 3);
  EXPECT_EQ(ExtraOf(p), "values 3 sum 4294967298");
  Ops(p).NotifyValues(p, nullptr, 0);
  EXPECT_EQ(ExtraOf(p), "values 0 sum 0");
}

TEST(Notify, AListThatCannotBeReadIsRefusedWithoutCalling) {
  PluginPtr holder(NewTestPlugin());
  KvPlugin* p = holder.get();
  Ops(p).Notify(p, "before", 1);
  ClearError();
  Ops(p).NotifyValues(p, nullptr, 3);
  Ops(p).NotifyValues(p, nullptr, -1);
  EXPECT_EQ(ExtraOf(p), "notify before 1");
  std::string source, message;
  ASSERT_TRUE(TakeError(source, message));
  EXPECT_EQ(source, "EArgumentError");
}

TEST(Texts, AKeptTextOutlivesTheObjectAndItsModule) {
  KvPlugin* p = NewTestPlugin();
  KvStr name = Ops(p).GetName(p);
  KvPluginMenuItem* items = Ops(p).GetMenuItems(p);
  ASSERT_EQ(KvPluginFree(p), KV_S_OK);
  KvMenuItemsRelease(items);
  UnloadModule();
  EXPECT_STREQ(KvStrChars(name), "Test Plugin");
  EXPECT_EQ(KvStrLength(name), 11);
  EXPECT_EQ(KV_BLOCK_HEADER(name)->RefCount, 1);
  KvStrRelease(name);
}

}  // namespace
}  // namespace plugintest
