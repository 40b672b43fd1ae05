// The suites' registry values come back as they were, also after a suite died holding them.
#include "ScopedRegistryValue.h"

#include <gtest/gtest.h>

#include <new>
#include <string>

namespace zmt::test {
namespace {

constexpr char kKey[] = "Software\\Tessinor\\ZMTCheck test values";

std::string Read(const char* name) {
  char text[64] = {};
  DWORD size = sizeof text;
  return RegGetValueA(HKEY_CURRENT_USER, kKey, name, RRF_RT_REG_SZ, nullptr, text, &size) == 0
             ? text
             : "<none>";
}

TEST(ScopedRegistryValue, PutsBackNestedChangesAndWhatADeadSuiteLeft) {
  RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
  ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, kKey, "Kept", REG_SZ, "before", 7), 0);
  {
    const ScopedRegistryValue outer(HKEY_CURRENT_USER, kKey, "Kept", std::string("outer"));
    {
      const ScopedRegistryValue inner(HKEY_CURRENT_USER, kKey, "Kept");
      EXPECT_EQ(Read("Kept"), "<none>");
    }
    EXPECT_EQ(Read("Kept"), "outer");
  }
  EXPECT_EQ(Read("Kept"), "before");

  // Owners that never end, as in a process that died while it held them.
  alignas(ScopedRegistryValue) unsigned char storage[2][sizeof(ScopedRegistryValue)];
  new (storage[0]) ScopedRegistryValue(HKEY_CURRENT_USER, kKey, "Kept", std::string("changed"));
  new (storage[1]) ScopedRegistryValue(HKEY_CURRENT_USER, kKey, "New", std::string("added"));
  ASSERT_EQ(Read("Kept") + Read("New"), "changedadded");
  RestoreJournaledRegistryValues();
  EXPECT_EQ(Read("Kept"), "before");
  EXPECT_EQ(Read("New"), "<none>");
  RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
}

}  // namespace
}  // namespace zmt::test
