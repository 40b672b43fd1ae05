// ZMTCheck.dll as a host meets it through the SDK header alone: a stored connection to the
// bench's SQLite data source "localhost", the fixture service at the product's fixed path, and
// every dialog read and answered from outside.
#include <windows.h>

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "DialogAutomation.h"
#include "ScopedRegistryValue.h"
#include "TestPaths.h"
#include "kvplugin.h"
#include "system/SystemTestSupport.h"

namespace {

using zmt::automation::Dialog;
using zmt::automation::DialogInfo;
using zmt::automation::Milliseconds;
using zmt::automation::Pictured;
using zmt::automation::RunModal;
using zmt::automation::RunModalSequence;
using zmt::automation::RunOptions;
using zmt::automation::Step;
using zmt::test::ScopedRegistryValue;
using zmt::test::ServiceStateSeenByManager;

const char kQuroKey[] = "Software\\Tessinor\\Quro";
const char kExecutable[] = "c:\\program files\\tessinor\\quro\\zmt.exe";

std::string Text(KvStr text) {
  std::string copy = KvStrChars(text);
  KvStrRelease(text);
  return copy;
}

std::string TakeErrorSource() {
  char message[1024], source[256];
  return KvTakeErrorMessage(message, sizeof message, source, sizeof source) ? source : "";
}

// The message box texts: the caption, the message and whether it shows an icon.
struct BoxSeen {
  std::string Caption, Message;
  int Buttons = 0;
  bool Icon = false;
};

BoxSeen ReadBox(const DialogInfo& info) {
  BoxSeen seen{info.Caption, "", 0, false};
  for (const auto& control : info.Controls) {
    seen.Buttons += control.PushButton;
    if (control.ClassName != "Static") continue;
    // The system's box keeps its icon control, empty, when it shows no icon.
    if ((control.Style & SS_TYPEMASK) == SS_ICON)
      seen.Icon = seen.Icon || SendMessageA(control.Handle, STM_GETICON, 0, 0) != 0;
    else if (!control.Text.empty())
      seen.Message = control.Text;
  }
  return seen;
}

class ZmtCheckModule : public ::testing::Test {
 protected:
  // The till's stored connection for the whole suite, as it was again afterwards.
  static void SetUpTestSuite() {
    stored_.emplace_back(HKEY_LOCAL_MACHINE, kQuroKey, "Msde-Failed", DWORD{0});
    stored_.emplace_back(
        HKEY_LOCAL_MACHINE, kQuroKey, "Msde-ConnectionString",
        std::string("Provider=MSDASQL.1;Persist Security Info=False;Data Source=localhost"));
    ASSERT_TRUE(stored_[0].Written() && stored_[1].Written());
  }
  static void TearDownTestSuite() {
    while (!stored_.empty()) stored_.pop_back();
  }
  static inline std::deque<ScopedRegistryValue> stored_;

  void SetUp() override {
    path_ = zmt::test::BesideThisProgram("ZMTCheck.dll");
    module_ = LoadLibraryA(path_.c_str());
    ASSERT_NE(module_, nullptr);
    register_ = reinterpret_cast<RegisterKvPluginProc>(
        reinterpret_cast<void*>(GetProcAddress(module_, "RegisterKvPlugin")));
    message_ = reinterpret_cast<DllMessageProc>(
        reinterpret_cast<void*>(GetProcAddress(module_, "DllMessage")));
    ASSERT_TRUE(register_ && message_);
  }
  void TearDown() override {
    EXPECT_TRUE(FreeLibrary(module_));
    zmt::test::RemoveService();
    DeleteFileA(kExecutable);
  }

  KvPlugin* Register() {
    KvPlugin* plugin = register_();
    EXPECT_NE(plugin, nullptr) << TakeErrorSource();
    return plugin;
  }

  std::string AboutMessage(KvPlugin* plugin, const char* picture = nullptr) {
    KvPluginMenuItem* items = plugin->Vtbl->GetMenuItems(plugin);
    const KvPluginMenuItem about = items[0];
    std::string message;
    const auto run = RunModal([&] { return static_cast<int64_t>(about.Code(about.Data)); },
                              [&](Dialog& dialog) {
                                message = dialog.Text("Message");
                                if (picture) {
                                  EXPECT_NE(dialog.Screenshot(picture), "");
                                }
                                dialog.PressKey(VK_RETURN);
                              });
    KvMenuItemsRelease(items);
    EXPECT_TRUE(run.Found && run.Closed);
    return message;
  }

  // Execute, with every message box read, pictured when the list names a picture for it, and
  // answered with Enter.
  struct BoxesRun {
    zmt::automation::ModalRun Run;
    std::vector<BoxSeen> Boxes;
  };
  BoxesRun ExecuteWithBoxes(KvPlugin* plugin, const std::vector<const char*>& pictures) {
    BoxesRun done;
    std::vector<Step> steps;
    for (const char* picture : pictures) {
      Step step{"#32770", [&done](Dialog& dialog) {
                  done.Boxes.push_back(ReadBox(dialog.Info()));
                  dialog.PressKey(VK_RETURN);
                }};
      steps.push_back(Pictured(picture, std::move(step)));
    }
    done.Run = RunModalSequence([&] { return int64_t{plugin->Vtbl->Execute(plugin)}; }, steps,
                                Milliseconds(90000));
    EXPECT_EQ(done.Run.ScriptError, "");
    EXPECT_EQ(done.Run.Result, 1);
    EXPECT_FALSE(done.Run.TimedOut);
    for (const BoxSeen& box : done.Boxes) {
      EXPECT_EQ(box.Caption, "Information");
      EXPECT_TRUE(box.Icon);
      EXPECT_EQ(box.Buttons, 1);
    }
    return done;
  }

  std::string path_;
  HMODULE module_ = nullptr;
  RegisterKvPluginProc register_ = nullptr;
  DllMessageProc message_ = nullptr;
};

TEST_F(ZmtCheckModule, PresentsItselfAndItsVersion) {
  KvPlugin* plugin = Register();
  ASSERT_NE(plugin, nullptr);
  const KvPluginVtbl& ops = *plugin->Vtbl;
  EXPECT_EQ(Text(ops.GetName(plugin)), "ZMTCheckPlugin");
  EXPECT_EQ(Text(ops.GetDescription(plugin)), "Quro ZMTCheckPlugin Plugin");
  EXPECT_EQ(Text(ops.GetExtraInfo(plugin)), "");
  EXPECT_EQ(Text(ops.GetFileName(plugin)), "");
  KvPluginMenuItem* items = ops.GetMenuItems(plugin);
  ASSERT_EQ(KvMenuItemsLength(items), 1);
  EXPECT_STREQ(KvStrChars(items[0].Caption), "About");
  EXPECT_EQ(items[0].Flags, 0);
  KvMenuItemsRelease(items);

  const std::string head = "ZMTCheckPlugin\r\rQuro ZMTCheckPlugin Plugin\r\rVersion: ";
  EXPECT_EQ(AboutMessage(plugin), head + "0.0.0.0");
  ops.SetFileName(plugin, path_.c_str());
  EXPECT_EQ(AboutMessage(plugin, "zmtcheck-about.png"), head + ZMT_PROJECT_VERSION);
  EXPECT_EQ(KvPluginFree(plugin), KV_S_OK);
}

TEST_F(ZmtCheckModule, DllMessageIdentifiesTheModule) {
  RunOptions options;
  options.ClassName = "#32770";
  BoxSeen seen;
  const auto run = RunModal(
      [&] {
        message_();
        return int64_t{0};
      },
      [&](Dialog& dialog) {
        seen = ReadBox(dialog.Info());
        EXPECT_NE(dialog.Screenshot("dll-message.png"), "");
        dialog.PressKey(VK_RETURN);
      },
      options);
  ASSERT_TRUE(run.Found && run.Closed);
  EXPECT_EQ(seen.Caption, "wine_zmtcheck_module_tests");
  EXPECT_EQ(seen.Message, "ZMTCheck For Quro POS");
  EXPECT_EQ(seen.Buttons, 1);
  EXPECT_FALSE(seen.Icon);
}

TEST_F(ZmtCheckModule, TwoLiveObjectsFreedInEitherOrder) {
  for (const bool olderFirst : {true, false}) {
    KvPlugin* older = Register();
    KvPlugin* newer = Register();
    ASSERT_TRUE(older && newer);
    EXPECT_NE(older, newer);
    KvPlugin* first = olderFirst ? older : newer;
    KvPlugin* second = olderFirst ? newer : older;
    EXPECT_EQ(first->Vtbl->Execute(first), 1);
    EXPECT_EQ(KvPluginFree(first), KV_S_OK);
    // The one left still has its own connection to check against.
    EXPECT_EQ(second->Vtbl->Execute(second), 1);
    EXPECT_EQ(KvPluginFree(second), KV_S_OK);
  }
}

// Without ADO's connection class the data module cannot be made: the host gets no object and
// the error, and a later registration works again.
TEST_F(ZmtCheckModule, AFailedConstructionReachesTheHostAsAnError) {
  const char kClsidKey[] = "Software\\Classes\\ADODB.Connection\\CLSID";
  char clsid[64] = {};
  DWORD size = sizeof clsid;
  ASSERT_EQ(
      RegGetValueA(HKEY_LOCAL_MACHINE, kClsidKey, nullptr, RRF_RT_REG_SZ, nullptr, clsid, &size),
      ERROR_SUCCESS);
  KvPlugin* refused = nullptr;
  {
    // Put back even when this process dies before the end of the scope: every later suite and
    // the main job need ADO.
    const ScopedRegistryValue broken(HKEY_LOCAL_MACHINE, kClsidKey, nullptr,
                                     std::string("{0BADC0DE-0000-0000-0000-000000000000}"));
    ASSERT_TRUE(broken.Written());
    refused = register_();
  }
  EXPECT_EQ(refused, nullptr);
  EXPECT_EQ(TakeErrorSource(), "EOleException");

  KvPlugin* plugin = Register();
  ASSERT_NE(plugin, nullptr);
  EXPECT_EQ(KvPluginFree(plugin), KV_S_OK);
}

// The whole installation, with the shipped 30-second pause, then a restart of the stopped service.
TEST_F(ZmtCheckModule, ExecuteInstallsStartsAndRestartsTheService) {
  CreateDirectoryA("c:\\program files\\tessinor", nullptr);
  CreateDirectoryA("c:\\program files\\tessinor\\quro", nullptr);
  ASSERT_TRUE(CopyFileA(zmt::test::Fixture("zmt_service.exe").c_str(), kExecutable, FALSE));
  KvPlugin* plugin = Register();
  ASSERT_NE(plugin, nullptr);

  const BoxesRun run =
      ExecuteWithBoxes(plugin, {"service-install-notice.png", "service-support-notice.png"});
  EXPECT_TRUE(run.Run.Unexpected.empty()) << "a warning after a successful installation";
  ASSERT_EQ(run.Boxes.size(), 2u);
  EXPECT_EQ(run.Boxes[0].Message,
            "ZMT 2.0.0.0 has been detected, but the service is not installed\r"
            "Attempting to install ZMT Service.");
  EXPECT_EQ(run.Boxes[1].Message, "Please Contact Dravik Support for further configuration.");
  EXPECT_EQ(ServiceStateSeenByManager(), static_cast<DWORD>(SERVICE_RUNNING));

  ASSERT_TRUE(zmt::test::ControlServiceDirectly(SERVICE_CONTROL_STOP));
  ASSERT_TRUE(zmt::test::WaitForServiceState(SERVICE_STOPPED));
  EXPECT_EQ(plugin->Vtbl->Execute(plugin), 1);
  EXPECT_EQ(ServiceStateSeenByManager(), static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_EQ(KvPluginFree(plugin), KV_S_OK);
}

TEST_F(ZmtCheckModule, ExecuteWarnsWhenTheServiceWillNotStart) {
  zmt::test::InstallService();
  zmt::test::SetServiceParameter("StartFails", 1);
  KvPlugin* plugin = Register();
  ASSERT_NE(plugin, nullptr);
  const BoxesRun run = ExecuteWithBoxes(plugin, {"service-not-running.png"});
  ASSERT_EQ(run.Boxes.size(), 1u);
  EXPECT_EQ(run.Boxes[0].Message,
            "The Quro Enterprise Service is not running.\rContact Dravik Support Immediatly for "
            "Assistance.");
  EXPECT_EQ(KvPluginFree(plugin), KV_S_OK);
}

}  // namespace
