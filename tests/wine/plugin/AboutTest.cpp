// The "About" entry as the operator meets it: chosen through the host's menu record, shown in the
// module's own dialog, read and closed from outside.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "DialogAutomation.h"
#include "PluginUnderTest.h"
#include "TestPaths.h"

namespace plugintest {
namespace {

using zmt::automation::Dialog;
using zmt::automation::ModalRun;
using zmt::automation::RunModal;

const char kBaseDescription[] =
    "Set TKvPlugin.Description to give your plugin detailed information on what it is about";

using zmt::test::BesideThisProgram;

struct AboutSeen {
  ModalRun Run;
  std::string Caption;
  std::string Message;
  int Buttons = 0;
  bool HasIcon = false;
  std::string DefaultButton;
};

// Chooses "About" on the object and closes the dialog with the given key.
AboutSeen ChooseAbout(KvPlugin* plugin, UINT closeKey, const char* screenshot = nullptr) {
  AboutSeen seen;
  KvPluginMenuItem* items = plugin->Vtbl->GetMenuItems(plugin);
  EXPECT_STREQ(KvStrChars(items[0].Caption), "About");
  const KvPluginMenuItem about = items[0];
  seen.Run = RunModal([&] { return static_cast<int64_t>(about.Code(about.Data)); },
                      [&](Dialog& dialog) {
                        const auto info = dialog.Info();
                        seen.Caption = info.Caption;
                        seen.Message = dialog.Text("Message");
                        seen.HasIcon = info.Find("Image") != nullptr;
                        for (const auto& control : info.Controls)
                          seen.Buttons += control.PushButton;
                        if (const auto* button = info.DefaultButton())
                          seen.DefaultButton = button->Name;
                        if (screenshot) dialog.Screenshot(screenshot);
                        dialog.PressKey(closeKey);
                      });
  KvMenuItemsRelease(items);
  EXPECT_TRUE(seen.Run.Found) << "no About dialog appeared";
  EXPECT_FALSE(seen.Run.TimedOut) << "the About dialog did not close by the key";
  EXPECT_EQ(seen.Run.Result, KV_S_OK) << "the handler reported a failure";
  return seen;
}

struct Freer {
  void operator()(KvPlugin* plugin) const { KvPluginFree(plugin); }
};

TEST(About, ShowsNameDescriptionAndTheModulesVersionInAnInformationDialog) {
  std::unique_ptr<KvPlugin, Freer> plugin(NewTestPlugin());
  const std::string versioned = BesideThisProgram("zmt_service_1_0_3_12.exe");
  plugin->Vtbl->SetFileName(plugin.get(), versioned.c_str());
  const AboutSeen seen = ChooseAbout(plugin.get(), VK_RETURN, "about.png");
  EXPECT_EQ(seen.Caption, "Information");
  EXPECT_EQ(seen.Message, "Test Plugin\r\rExercises the host contract\r\rVersion: 1.0.3.12");
  EXPECT_TRUE(seen.HasIcon);
  EXPECT_EQ(seen.Buttons, 1);
  EXPECT_EQ(seen.DefaultButton, "OK");
}

TEST(About, EscapeClosesItToo) {
  std::unique_ptr<KvPlugin, Freer> plugin(NewTestPlugin());
  ChooseAbout(plugin.get(), VK_ESCAPE);
}

TEST(About, ShowsZerosForAFileWithoutVersion) {
  const std::string textFile = BesideThisProgram("about-test.txt");
  std::ofstream(textFile) << "not a program\n";
  const std::string cases[] = {
      "",
      BesideThisProgram("no-such-module.dll"),
      BesideThisProgram("zmt_service_noversion.exe"),
      textFile,
  };
  for (const std::string& fileName : cases) {
    std::unique_ptr<KvPlugin, Freer> plugin(NewTestPlugin());
    plugin->Vtbl->SetFileName(plugin.get(), fileName.c_str());
    const AboutSeen seen = ChooseAbout(plugin.get(), VK_RETURN);
    EXPECT_EQ(seen.Message, "Test Plugin\r\rExercises the host contract\r\rVersion: 0.0.0.0")
        << "FileName: " << fileName;
  }
  DeleteFileA(textFile.c_str());
}

TEST(About, FollowsTheNameAndDescriptionTheHostSet) {
  std::unique_ptr<KvPlugin, Freer> plugin(NewTestPlugin());
  plugin->Vtbl->SetName(plugin.get(), "Till Check");
  plugin->Vtbl->SetDescription(plugin.get(), "Checks the till");
  const AboutSeen seen = ChooseAbout(plugin.get(), VK_RETURN);
  EXPECT_EQ(seen.Message, "Till Check\r\rChecks the till\r\rVersion: 0.0.0.0");
}

TEST(About, OfAPlainBaseObjectShowsTheBaseDefaults) {
  std::unique_ptr<KvPlugin, Freer> plugin(NewBasePlugin());
  const AboutSeen seen = ChooseAbout(plugin.get(), VK_RETURN);
  EXPECT_EQ(seen.Message,
            std::string("Tessinor Plugin\r\r") + kBaseDescription + "\r\rVersion: 0.0.0.0");
}

// Refuses the dialog's window, as a desktop without a display does.
LRESULT CALLBACK RefuseTimerForm(int code, WPARAM wParam, LPARAM lParam) {
  char name[64] = {};
  if (code == HCBT_CREATEWND && GetClassNameA(reinterpret_cast<HWND>(wParam), name, sizeof name) &&
      std::string(name) == "TfrmTimerForm") {
    return 1;
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

bool TimerFormClassExists(HINSTANCE module) {
  WNDCLASSEXA info{};
  info.cbSize = sizeof info;
  return GetClassInfoExA(module, "TfrmTimerForm", &info) != 0;
}

TEST(About, AWindowThatCannotBeMadeLeavesNoClassBehindThroughUnloadAndReload) {
  HINSTANCE module = nullptr;
  {
    std::unique_ptr<KvPlugin, Freer> plugin(NewTestPlugin());
    module = GetModuleHandleA("TestPlugin.dll");
    ASSERT_NE(module, nullptr);
    KvPluginMenuItem* items = plugin->Vtbl->GetMenuItems(plugin.get());
    HHOOK hook = SetWindowsHookExA(WH_CBT, RefuseTimerForm, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    const int32_t status = items[0].Code(items[0].Data);
    UnhookWindowsHookEx(hook);
    KvMenuItemsRelease(items);
    EXPECT_NE(status, KV_S_OK);
    std::string source, message;
    ASSERT_TRUE(TakeError(source, message));
    EXPECT_NE(message.find("CreateWindowExA (TfrmTimerForm) failed"), std::string::npos) << message;
    EXPECT_FALSE(TimerFormClassExists(module)) << "the class outlived the failed creation";
  }
  UnloadModule();
  EXPECT_EQ(GetModuleHandleA("TestPlugin.dll"), nullptr);
  EXPECT_FALSE(TimerFormClassExists(module)) << "the class outlived the module";

  std::unique_ptr<KvPlugin, Freer> plugin(NewTestPlugin());
  ChooseAbout(plugin.get(), VK_RETURN);
}

}  // namespace
}  // namespace plugintest
