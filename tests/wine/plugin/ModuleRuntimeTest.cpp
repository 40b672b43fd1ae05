// The modules inside a host process they do not own: their throws find their own handlers when
// the host has the toolchain's shared run-time loaded (as every program built with MinGW's shared
// run-time has), and hundreds of load/unload cycles, with a throw inside the module or without,
// leave the host's handles and TLS indexes as they were.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DialogAutomation.h"
#include "ProcessFigures.h"
#include "ScopedRegistryValue.h"
#include "TestPaths.h"
#include "TestThread.h"
#include "kvplugin.h"

namespace {

using zmt::automation::Dialog;
using zmt::automation::RunModal;
using zmt::test::BesideThisProgram;

template <typename Proc>
Proc Export(HMODULE module, const char* name) {
  return reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

struct ErrorSeen {
  bool Found = false;
  std::string Message, Source;
};

ErrorSeen TakeError() {
  char message[512] = {}, source[128] = {};
  ErrorSeen seen;
  seen.Found = KvTakeErrorMessage(message, sizeof message, source, sizeof source) != 0;
  seen.Message = message;
  seen.Source = source;
  return seen;
}

// One load, register, Execute, free and unload of the test plug-in, whose Execute throws inside
// the module when asked to; the host must see the documented result of each step.
::testing::AssertionResult TestPluginCycle(bool throwing) {
  const std::string path = BesideThisProgram("TestPlugin.dll");
  const HMODULE module = LoadLibraryA(path.c_str());
  if (!module) return ::testing::AssertionFailure() << "cannot load " << path;
  std::string failure;
  const auto registerPlugin = Export<RegisterKvPluginProc>(module, "RegisterKvPlugin");
  if (KvPlugin* plugin = registerPlugin ? registerPlugin() : nullptr) {
    if (throwing) plugin->Vtbl->Notify(plugin, "fault:execute", 1);
    const int32_t executed = plugin->Vtbl->Execute(plugin);
    const ErrorSeen error = TakeError();
    if (throwing && (executed != 0 || error.Source != "Exception" ||
                     error.Message != "injected execute failure"))
      failure = "the failing Execute gave " + std::to_string(executed) + " with error '" +
                error.Source + ": " + error.Message + "'";
    if (!throwing && (executed != 1 || error.Found))
      failure = "Execute gave " + std::to_string(executed) + " with error '" + error.Message + "'";
    if (KvPluginFree(plugin) != KV_S_OK) failure += "; the object's destruction failed";
  } else {
    failure = "no object";
  }
  if (!FreeLibrary(module)) failure += "; the module did not unload";
  if (failure.empty()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << failure;
}

TEST(ModuleRuntime, CyclesWithOrWithoutAThrowLeaveNoHandleOrTlsIndexBehind) {
  constexpr int kWarmUp = 20, kCycles = 200;
  for (const bool throwing : {false, true}) {
    SCOPED_TRACE(throwing ? "the module threw in every cycle" : "no throw");
    for (int i = 0; i < kWarmUp; ++i) ASSERT_TRUE(TestPluginCycle(throwing)) << "warm-up " << i;
    const Sample before = Measure();
    for (int i = 0; i < kCycles; ++i) ASSERT_TRUE(TestPluginCycle(throwing)) << "cycle " << i;
    const Sample after = Measure();
    EXPECT_EQ(after.handles, before.handles);
    EXPECT_EQ(after.freeTlsIndexes, before.freeTlsIndexes);
  }
}

// The exception state of a host thread that threw in the module goes with the thread, and the
// module goes on working for the next thread and unloads cleanly.
TEST(ModuleRuntime, ThreadsThatThrewInTheModuleMayEndBeforeItIsUnloaded) {
  const HMODULE held = LoadLibraryA(BesideThisProgram("TestPlugin.dll").c_str());
  ASSERT_NE(held, nullptr);
  for (int i = 0; i < 3; ++i) {
    ::testing::AssertionResult cycle = ::testing::AssertionFailure();
    zmt::test::TestThread([&] { cycle = TestPluginCycle(true); }).join();
    EXPECT_TRUE(cycle) << "thread " << i;
  }
  EXPECT_TRUE(FreeLibrary(held));
  EXPECT_TRUE(TestPluginCycle(true));
}

// A host that has used up its TLS indexes still gets the failing call's documented result.
TEST(ModuleRuntime, AHostWithoutFreeTlsIndexesStillGetsTheModulesError) {
  const HMODULE held = LoadLibraryA(BesideThisProgram("TestPlugin.dll").c_str());
  ASSERT_NE(held, nullptr);
  std::vector<DWORD> taken;
  for (DWORD index; (index = TlsAlloc()) != TLS_OUT_OF_INDEXES;) taken.push_back(index);
  const ::testing::AssertionResult cycle = TestPluginCycle(true);
  for (const DWORD index : taken) TlsFree(index);
  EXPECT_TRUE(cycle);
  EXPECT_TRUE(FreeLibrary(held));
}

const char kQuroKey[] = "Software\\Tessinor\\Quro";

DWORD StoredFailedFlag() {
  DWORD flag = 0xFFFF, size = sizeof flag;
  RegGetValueA(HKEY_LOCAL_MACHINE, kQuroKey, "Msde-Failed", RRF_RT_REG_DWORD, nullptr, &flag,
               &size);
  return flag;
}

// ZMTCheck.dll's construction with a server that cannot be reached: the connection's error is
// thrown and caught inside the module, reported to the operator, and the host gets its object.
void ConstructZmtCheckAgainstAnUnreachableServer() {
  using zmt::test::ScopedRegistryValue;
  const std::string stored = "Provider=SQLOLEDB.1;Data Source=nowhere";
  const ScopedRegistryValue string(HKEY_LOCAL_MACHINE, kQuroKey, "Msde-ConnectionString", stored);
  const ScopedRegistryValue flag(HKEY_LOCAL_MACHINE, kQuroKey, "Msde-Failed", DWORD{0});
  ASSERT_TRUE(string.Written() && flag.Written());

  const HMODULE module = LoadLibraryA(BesideThisProgram("ZMTCheck.dll").c_str());
  ASSERT_NE(module, nullptr);
  const auto registerPlugin = Export<RegisterKvPluginProc>(module, "RegisterKvPlugin");
  ASSERT_NE(registerPlugin, nullptr);
  KvPlugin* plugin = nullptr;
  std::string report;
  const auto run = RunModal(
      [&] {
        plugin = registerPlugin();
        return int64_t{0};
      },
      [&](Dialog& dialog) {
        report = dialog.Text("Message");
        dialog.PressKey(VK_RETURN);
      });
  EXPECT_TRUE(run.Found && run.Closed) << "no connection report was shown and closed";
  EXPECT_EQ(report.rfind("Connect to the quro MSDE\rReason: ", 0), 0u) << report;
  EXPECT_NE(report.find("\rConnection String: " + stored), std::string::npos) << report;
  EXPECT_EQ(StoredFailedFlag(), 1u);
  ASSERT_NE(plugin, nullptr) << TakeError().Message;
  EXPECT_EQ(KvPluginFree(plugin), KV_S_OK);
  EXPECT_TRUE(FreeLibrary(module));
}

TEST(ModuleRuntime, ThrowsFindTheModulesOwnHandlersWithTheSharedRuntimeLoaded) {
  // The toolchain's own DLLs, which the build copies beside this program; libstdc++ needs libgcc.
  std::vector<HMODULE> runtime;
  for (const char* dll : {ZMT_SHARED_LIBGCC, "libstdc++-6.dll"}) {
    runtime.push_back(
        LoadLibraryA(BesideThisProgram(std::string("shared-runtime\\") + dll).c_str()));
    ASSERT_NE(runtime.back(), nullptr) << dll;
  }
  ASSERT_NE(GetModuleHandleA(ZMT_SHARED_LIBGCC), nullptr);

  EXPECT_TRUE(TestPluginCycle(true));
  ConstructZmtCheckAgainstAnUnreachableServer();
  EXPECT_TRUE(TestPluginCycle(true)) << "after ZMTCheck.dll was unloaded";

  for (auto it = runtime.rbegin(); it != runtime.rend(); ++it) FreeLibrary(*it);
}

}  // namespace
