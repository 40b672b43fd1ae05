#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <string>

#include "DialogAutomation.h"
#include "FTimerForm.h"
#include "modMessageDlg.h"
#include "UiTestSupport.h"

namespace zmt {
namespace {

using automation::ControlInfo;
using automation::Dialog;
using automation::DialogInfo;
using automation::ModalRun;
using automation::Step;
using automation::TextsOf;
using Script = std::function<void(Dialog&)>;

Script Key(UINT key) {
  return [key](Dialog& d) { d.PressKey(key); };
}
Script Char(char key) {
  return [key](Dialog& d) { d.TypeChar(key); };
}
Script Click(const std::string& name) {
  return [name](Dialog& d) { d.Click(name); };
}
const Script kCloseBox = [](Dialog& d) { d.SystemClose(); };
const Script kClose = [](Dialog& d) { d.PostClose(); };

// Each input a step of its own: the next one comes once the loop has handled it, if the dialog
// is still open.
std::vector<Step> Steps(const std::vector<Script>& inputs) {
  std::vector<Step> steps;
  for (const Script& input : inputs) steps.push_back({kTimerFormClassName, input});
  return steps;
}

ModalRun Drive(const std::function<int64_t()>& show, const std::vector<Step>& steps) {
  ModalRun run = automation::RunModalSequence(show, steps);
  EXPECT_TRUE(run.Found) << "the dialog did not appear or closed before its last input";
  EXPECT_FALSE(run.TimedOut) << "the dialog had to be closed by force";
  EXPECT_TRUE(run.Closed);
  EXPECT_TRUE(run.Unexpected.empty());
  EXPECT_EQ(run.ScriptError, "");
  return run;
}

class TimedMessageDialog : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    handlerRegistered = test::RegisterLogFileHandler() && test::WatchStartedPrograms();
  }

  ModalRun Show(const std::string& msg, TDialogType type, TDialogButtons buttons,
                const std::vector<Script>& inputs, const std::string& logFile = "",
                TColor color = clBtnFace) {
    return Drive([&] { return TimedMessageDlg(msg, type, buttons, logFile, 0, 0, color); },
                 Steps(inputs));
  }

  static void ExpectBounds(const ControlInfo* control, int left, int top, int width, int height) {
    ASSERT_NE(control, nullptr);
    SCOPED_TRACE(control->Name);
    EXPECT_EQ(control->Bounds, (automation::Rect{left, top, width, height}));
  }

  // Every size and position against the figures worked out from the font's own measurements.
  static void ExpectLayout(const DialogInfo& info, const std::string& msg, bool icon,
                           const std::vector<std::string>& buttons) {
    const SIZE frame = test::FrameOf(info);
    const test::ExpectedLayout e =
        test::Expect(msg, icon, static_cast<int>(buttons.size()), frame.cx, frame.cy);
    EXPECT_EQ(info.ClientBounds.Width, e.ClientWidth);
    EXPECT_EQ(info.ClientBounds.Height, e.ClientHeight);
    EXPECT_EQ(info.WindowBounds, (automation::Rect{e.Left, e.Top, e.OuterWidth, e.OuterHeight}));
    if (icon) ExpectBounds(info.Find("Image"), 8, 8, 32, 32);
    ExpectBounds(info.Find("Message"), e.LabelLeft, 8, e.LabelWidth, e.LabelHeight);
    for (size_t i = 0; i < buttons.size(); ++i) {
      ExpectBounds(info.Find(buttons[i]), e.ButtonLefts[i], e.ButtonTop, 64, 24);
    }
  }

  TFormSettingsScope settings;
  static bool handlerRegistered;
};

bool TimedMessageDialog::handlerRegistered = false;

TEST_F(TimedMessageDialog, OkAloneIsAFixedModalFrameWithNamedControlsInTahoma) {
  test::TahomaMeasure font;
  const DialogInfo info =
      Show("The settings were saved.", dtInformation, ButtonSet({btOK}), {Key(VK_RETURN)}).First;
  EXPECT_EQ(info.ClassName, "TfrmTimerForm");
  EXPECT_EQ(info.Name, "frmTimerForm");
  EXPECT_EQ(info.Caption, "Information");
  EXPECT_TRUE(info.Style & WS_POPUP);
  EXPECT_EQ(info.Style & WS_CAPTION, WS_CAPTION);
  EXPECT_TRUE(info.Style & WS_SYSMENU);
  EXPECT_FALSE(info.Style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
  EXPECT_TRUE(info.ExStyle & WS_EX_DLGMODALFRAME);
  ASSERT_EQ(info.Controls.size(), 3u);
  const ControlInfo* ok = info.Find("OK");
  const ControlInfo* label = info.Find("Message");
  ASSERT_TRUE(ok != nullptr && label != nullptr);
  EXPECT_EQ(ok->Text, "OK");
  EXPECT_EQ(ok->Id, 202);
  EXPECT_TRUE(ok->PushButton);
  EXPECT_EQ(label->Text, "The settings were saved.");
  EXPECT_EQ(label->Id, 101);
  EXPECT_EQ(info.Find("Image")->Id, 100);
  for (const ControlInfo* control : {label, ok}) {
    SCOPED_TRACE(control->Name);
    EXPECT_EQ(control->FontFace, "Tahoma");
    EXPECT_EQ(control->FontHeight, -MulDiv(8, font.Dpi(), 72));
    EXPECT_EQ(control->FontWeight, FW_NORMAL);
  }
}

TEST_F(TimedMessageDialog, CaptionAndIconFollowTheType) {
  const struct {
    TDialogType type;
    std::string caption;
    LPCSTR icon;  // null: no image
    TDialogButtons buttons;
    const char* picture;
  } rows[] = {
      {dtWarning, "Warning", IDI_EXCLAMATION, ButtonSet({btOK, btCancel}), "dialog-warning.png"},
      {dtError, "Error", IDI_HAND, ButtonSet({btOK, btCancel}), "dialog-error.png"},
      {dtInformation, "Information", IDI_ASTERISK, ButtonSet({btOK, btCancel}),
       "dialog-information.png"},
      {dtConfirm, "Confirm", IDI_QUESTION, ButtonSet({btOK, btCancel}), "dialog-confirm.png"},
      {dtCustom, test::ProgramTitle(), nullptr, ButtonSet({btOK}), "dialog-custom.png"},
  };
  EXPECT_EQ(test::ProgramTitle(), "wine_ui_tests");
  for (const auto& row : rows) {
    SCOPED_TRACE(row.caption);
    HANDLE icon = nullptr;
    std::string picture;
    const std::string msg = row.icon != nullptr
                                ? "Message of type " + row.caption + ".\rSecond line."
                                : "A message of the application's own.";
    const ModalRun run =
        Show(msg, row.type, row.buttons, {[&](Dialog& d) {
               icon = reinterpret_cast<HANDLE>(SendMessageA(d.Control("Image"), STM_GETICON, 0, 0));
               picture = d.Screenshot(row.picture);
               d.PressKey(VK_ESCAPE);
             }});
    EXPECT_EQ(run.First.Caption, row.caption);
    EXPECT_EQ(run.First.Find("Image") != nullptr, row.icon != nullptr);
    EXPECT_EQ(icon, row.icon != nullptr ? LoadIconA(nullptr, row.icon) : nullptr);
    EXPECT_NE(picture, "");
  }
}

TEST_F(TimedMessageDialog, LayoutFollowsTheMeasuredText) {
  test::TahomaMeasure font;
  ASSERT_EQ(font.ResolvedFace(), "Tahoma") << "the prefix has no Tahoma; the figures would not "
                                              "be those of the real dialog";
  const int half = GetSystemMetrics(SM_CXSCREEN) / 2;
  std::string wide;
  while (font.Width(wide) <= 5 * half / 2) wide += "wrapped text ";
  // Two lines of one and a half label widths each: the count allows three lines, the text needs
  // four, and the label takes four.
  std::string line;
  while (font.Width(line) <= 3 * half / 2) line += "long words ";
  ASSERT_GT(font.WrappedHeight(line + "\r\n" + line, half), 3 * font.LineHeight());
  test::TempFile log("layout.zmtlog");
  log.Create();

  const struct {
    const char* title;
    TDialogType type;
    std::string msg;
    TDialogButtons buttons;
    std::string logFile = "";
    const char* picture = nullptr;
  } rows[] = {
      {"one line", dtConfirm, "Short message", ButtonSet({btOK, btCancel})},
      {"three breaks", dtConfirm, "First\rSecond line\rThird\rFourth", ButtonSet({btYes, btNo})},
      {"empty", dtConfirm, "", ButtonSet({btYes, btNo, btCancel})},
      {"wide", dtConfirm, wide + "\rand a short line", ButtonSet({btOK}), "", "dialog-wrapped.png"},
      {"never cut off", dtWarning, line + "\r" + line, ButtonSet({btOK})},
      {"all buttons", dtConfirm, "Every button", 0x07FF, "", "dialog-all-buttons.png"},
      {"log button last", dtError, "Something went wrong.", ButtonSet({btYes, btNo}), log.Path},
      {"no image", dtCustom, "A message of the application's own.", ButtonSet({btOK})},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.title);
    std::string picture;
    const ModalRun run = Show(row.msg, row.type, row.buttons, {[&](Dialog& d) {
                                if (row.picture != nullptr) picture = d.Screenshot(row.picture);
                                d.PostClose();
                              }},
                              row.logFile);
    EXPECT_EQ(run.Result, 2);
    // The buttons in the order of their bits, the log button last.
    std::vector<std::string> names, captions;
    for (int n = 0; n < kDialogButtonCount; ++n) {
      if ((row.buttons >> n) & 1) {
        names.push_back(ButtonNames[n]);
        captions.push_back(ButtonCaptions[n]);
      }
    }
    if (!row.logFile.empty()) {
      names.push_back(kLogButtonName);
      captions.push_back("View Log");
    }
    ExpectLayout(run.First, row.msg, row.type != dtCustom, names);
    EXPECT_EQ(run.First.Named("Message").Text, row.msg);
    for (size_t i = 0; i < names.size(); ++i)
      EXPECT_EQ(run.First.Named(names[i]).Text, captions[i]);
    EXPECT_EQ(picture.empty(), row.picture == nullptr);
  }
}

// Which button the dialog makes its default (DM_GETDEFID), which has the focus and with it the
// default frame, and what each input gives; every input but the last leaves the dialog open.
TEST_F(TimedMessageDialog, KeysAndButtonsGiveTheirResults) {
  struct Row {
    TDialogButtons buttons;
    std::vector<Script> inputs;
    int64_t result;
    std::string defaultButton;  // empty: none
    std::string focus;          // when the last input comes
  };
  std::vector<Row> rows = {
      {ButtonSet({btOK}), {Key(VK_RETURN)}, 1, "OK", "OK"},
      {ButtonSet({btOK}), {Key(VK_ESCAPE)}, 1, "OK", "OK"},
      {ButtonSet({btOK}), {kClose}, 2, "OK", "OK"},
      {ButtonSet({btOK, btCancel}), {Key(VK_RETURN)}, 1, "OK", "OK"},
      {ButtonSet({btOK, btCancel}), {Key(VK_ESCAPE)}, 2, "OK", "OK"},
      {ButtonSet({btYes, btNo}), {Key(VK_RETURN)}, 6, "Yes", "Yes"},
      {ButtonSet({btYes, btNo}), {Key(VK_ESCAPE)}, 7, "Yes", "Yes"},
      {ButtonSet({btYes, btNo}), {Char('n')}, 7, "Yes", "Yes"},
      {ButtonSet({btYes, btNo}), {Char('y')}, 6, "Yes", "Yes"},
      {ButtonSet({btYes, btNo}), {Key(VK_TAB), Key(VK_RETURN)}, 7, "Yes", "No"},
      {ButtonSet({btYes, btNo}), {kCloseBox}, 2, "Yes", "Yes"},
      {ButtonSet({btYes, btNo, btCancel}), {Key(VK_ESCAPE)}, 2, "Yes", "Yes"},
      {ButtonSet({btOK, btNo}), {Key(VK_ESCAPE)}, 7, "OK", "OK"},
      {ButtonSet({btAbort, btRetry, btIgnore}), {Char('i')}, 5, "Retry", "Retry"},
      {ButtonSet({btAbort, btRetry, btIgnore}), {Char('r')}, 4, "Retry", "Retry"},
      // No cancel button: Escape does nothing.
      {ButtonSet({btAbort, btRetry, btIgnore}),
       {Key(VK_ESCAPE), Key(VK_RETURN)},
       4,
       "Retry",
       "Retry"},
      // Help has no result: the dialog stays open.
      {ButtonSet({btHelp}), {Click("Help"), kCloseBox}, 2, "", "Help"},
  };
  for (int n = 0; n < kDialogButtonCount; ++n) {
    const auto button = static_cast<TDialogButton>(n);
    const bool isDefault = button == btOK || button == btYes || button == btRetry;
    if (button == btHelp) continue;
    rows.push_back({ButtonSet({button}),
                    {Click(ButtonNames[n])},
                    ModalResults[n],
                    isDefault ? ButtonNames[n] : "",
                    ButtonNames[n]});
  }
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "buttons " << row.buttons << ", " << row.inputs.size()
                                    << " inputs, result " << row.result);
    const ModalRun run = Show("Keys", dtConfirm, row.buttons, row.inputs);
    EXPECT_EQ(run.Result, row.result);
    for (const DialogInfo& seen : run.Seen) {
      EXPECT_EQ(seen.DefaultName(), row.defaultButton);
      for (const ControlInfo& control : seen.Controls) {
        EXPECT_EQ(control.DefaultStyle, control.Handle == seen.Focus) << control.Name;
      }
    }
    const DialogInfo last = run.Seen.empty() ? DialogInfo{} : run.Seen.back();
    EXPECT_EQ(last.Focus, last.Named(row.focus).Handle);
  }
}

// The countdown's timer ticks every 10 ms here instead of every second; each row that waits for
// ticks counts them as the dialog's loop takes them.
TEST_F(TimedMessageDialog, CountdownCountsTheDefaultButtonDownAndEndsWithItsResult) {
  constexpr UINT kTick = 10;
  const struct {
    const char* title;
    TDialogButtons buttons;
    int32_t seconds;
    bool shortened;  // shown by the form with the short tick, else by TimedMessageDlg itself
    int afterTicks;  // before the step runs
    Script input;    // null: none, the dialog closes by itself
    int64_t result;
    const char* button;
    const char* shown;  // its caption when the step runs
    const char* texts;  // all it was given, joined by "|"
    const char* picture = nullptr;
  } rows[] = {
      {"OK, 3 s", ButtonSet({btOK}), 3, true, 1, nullptr, 1, "OK", "OK (2)",
       "OK (3)|OK (2)|OK (1)|OK (0)", "countdown.png"},
      {"Yes keeps its accelerator", ButtonSet({btYes, btNo}), 2, true, 0, nullptr, 6, "Yes",
       "&Yes (2)", "&Yes (2)|&Yes (1)|&Yes (0)"},
      {"pressed before the end", ButtonSet({btOK, btCancel}), 5, false, 0, Click("Cancel"), 2, "OK",
       "OK (5)", "OK (5)"},
      {"no default: Cancel", ButtonSet({btCancel}), 3, true, 4, Click("Cancel"), 2, "Cancel",
       "Cancel", ""},
      {"no default: No", ButtonSet({btNo}), 3, true, 4, Click("No"), 7, "No", "&No", ""},
      {"0 s", ButtonSet({btOK}), 0, true, 0, Key(VK_RETURN), 1, "OK", "OK", ""},
      {"-3 s", ButtonSet({btOK}), -3, true, 0, Key(VK_RETURN), 1, "OK", "OK", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.title);
    const std::string msg = "Closing by itself.";
    std::unique_ptr<TfrmTimerForm> form;
    if (row.shortened) {
      form = CreateTimedMessageForm(msg, dtInformation, row.buttons, "", row.seconds);
      EXPECT_EQ(form->Timer1.Enabled, row.seconds > 0);
      EXPECT_EQ(form->Timer1.Interval, 1000u);
      form->SetTimerInterval(kTick);
    }
    std::string picture;
    const ModalRun run = Drive(
        [&] {
          return form ? int64_t{form->ShowModal()}
                      : TimedMessageDlg(msg, dtInformation, row.buttons, "", 0, row.seconds,
                                        clBtnFace);
        },
        {Step{kTimerFormClassName,
              [&](Dialog& d) {
                if (row.picture != nullptr) picture = d.Screenshot(row.picture);
                if (row.input) row.input(d);
              },
              row.afterTicks}});
    EXPECT_EQ(run.Result, row.result);
    EXPECT_EQ(run.First.Named(row.button).Text, row.shown);
    std::string texts;
    for (const std::string& text : TextsOf(run, row.button))
      texts += (texts.empty() ? "" : "|") + text;
    EXPECT_EQ(texts, row.texts);
    for (const ControlInfo& control : run.First.Controls) {
      if (control.PushButton && control.Name != row.button) {
        EXPECT_TRUE(TextsOf(run, control.Name).empty()) << control.Name;
      }
    }
    EXPECT_EQ(picture.empty(), row.picture == nullptr);
  }
}

// A result of 6 opens the log file through the shell, whose handler of the test prefix leaves a
// marker beside it; the job this process is in tells whether a program started and when it ended.
TEST_F(TimedMessageDialog, ViewLogAndYesOpenTheLogFileWhenItExists) {
  ASSERT_TRUE(handlerRegistered) << "the test's open handler or the job could not be set up";
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const struct {
    const char* title;
    bool present;
    const char* directory;  // instead of a file
    TDialogButtons buttons;
    Script input;
    int64_t result;
    bool opens;
  } rows[] = {
      {"No", true, nullptr, ButtonSet({btYes, btNo}), Click("No"), 7, false},
      {"View Log", true, nullptr, ButtonSet({btYes, btNo}), Click("btnLogFile"), 6, true},
      {"Yes", true, nullptr, ButtonSet({btYes, btNo}), Click("Yes"), 6, true},
      {"missing file", false, nullptr, ButtonSet({btYes, btNo}), Click("Yes"), 6, false},
      {"a folder", false, temp, ButtonSet({btOK}), Key(VK_RETURN), 1, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.title);
    test::TempFile log(std::string(row.title) + ".zmtlog");
    if (row.present) log.Create();
    const ModalRun run = Show("Open the log?", dtConfirm, row.buttons, {row.input},
                              row.directory != nullptr ? row.directory : log.Path);
    EXPECT_EQ(run.Result, row.result);
    EXPECT_EQ(test::ProgramsStartedAndEnded(), row.opens ? 1 : 0);
    EXPECT_EQ(test::FileExists(log.Marker()), row.opens);
    const ControlInfo* logButton = run.First.Find("btnLogFile");
    EXPECT_EQ(logButton != nullptr, row.present);
    size_t buttons = 0;
    for (int n = 0; n < kDialogButtonCount; ++n) buttons += (row.buttons >> n) & 1;
    EXPECT_EQ(run.First.Controls.size(), 2 + buttons + (row.present ? 1 : 0));
    if (logButton == nullptr) continue;
    EXPECT_EQ(logButton->Text, "View Log");
    EXPECT_EQ(logButton->Id, 211);
    EXPECT_FALSE(logButton->DefaultStyle);
    EXPECT_EQ(run.First.DefaultName(), "Yes");
  }
}

TEST_F(TimedMessageDialog, FormTakesItsColourAndTheLabelKeepsItsOwn) {
  const TColor teal = 0x00808000;
  automation::Image image;
  DialogInfo info;
  Show("W\rWWWWWWWWWWWWWWWWWWWW", dtInformation, ButtonSet({btOK}), {[&](Dialog& d) {
         info = d.Info();
         d.Capture(image);
         d.Screenshot("dialog-colour.png");
         d.PressKey(VK_RETURN);
       }},
       "", teal);
  ASSERT_GT(image.Width, 0);
  const int dx = info.ClientBounds.Left - info.WindowBounds.Left;
  const int dy = info.ClientBounds.Top - info.WindowBounds.Top;
  // A corner of the client area, and the label's first line right of its one letter.
  EXPECT_EQ(image.Pixel(dx + 3, dy + info.ClientBounds.Height - 3), RGB(0x00, 0x80, 0x80));
  const ControlInfo* label = info.Find("Message");
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(
      image.Pixel(dx + label->Bounds.Left + label->Bounds.Width - 2, dy + label->Bounds.Top + 2),
      GetSysColor(COLOR_BTNFACE));
}

TEST_F(TimedMessageDialog, OtherWindowsOfTheThreadAreDisabledWhileItIsShown) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "ZmtTestTill";
  RegisterClassA(&windowClass);
  HWND till = CreateWindowExA(0, "ZmtTestTill", "Till", WS_OVERLAPPEDWINDOW, 10, 10, 300, 200,
                              nullptr, nullptr, windowClass.hInstance, nullptr);
  HWND hidden = CreateWindowExA(0, "ZmtTestTill", "Hidden", WS_OVERLAPPEDWINDOW, 10, 10, 300, 200,
                                nullptr, nullptr, windowClass.hInstance, nullptr);
  ASSERT_NE(till, nullptr);
  ShowWindow(till, SW_SHOWNORMAL);
  SetActiveWindow(till);
  ASSERT_EQ(GetActiveWindow(), till);

  bool tillEnabled = true;
  bool hiddenEnabled = false;
  const ModalRun run = Show("Modal", dtInformation, ButtonSet({btOK}), {[&](Dialog& d) {
                              tillEnabled = IsWindowEnabled(till) != 0;
                              hiddenEnabled = IsWindowEnabled(hidden) != 0;
                              d.PressKey(VK_RETURN);
                            }});
  EXPECT_EQ(run.Result, 1);
  EXPECT_EQ(run.First.Owner, till);
  EXPECT_FALSE(tillEnabled) << "the till's window stayed usable behind the dialog";
  EXPECT_TRUE(hiddenEnabled) << "a hidden window was touched";
  EXPECT_TRUE(IsWindowEnabled(till));
  EXPECT_EQ(GetActiveWindow(), till);
  DestroyWindow(hidden);
  DestroyWindow(till);
  UnregisterClassA("ZmtTestTill", windowClass.hInstance);
}

// A window that, once disabled, makes the next allocation of the process fail: the dialog's
// record of the windows it disabled cannot grow while it goes through them.
LRESULT CALLBACK FailNextAllocationWhenDisabled(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_ENABLE && !wParam) test::FailNextAllocation();
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

TEST_F(TimedMessageDialog, AnAllocationFailureWhileDisablingLeavesEveryWindowEnabled) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = FailNextAllocationWhenDisabled;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "ZmtTestTillLowOnMemory";
  ASSERT_NE(RegisterClassA(&windowClass), 0);
  HWND tills[2];
  for (HWND& till : tills) {
    till = CreateWindowExA(0, windowClass.lpszClassName, "Till", WS_OVERLAPPEDWINDOW, 10, 10, 300,
                           200, nullptr, nullptr, windowClass.hInstance, nullptr);
    ASSERT_NE(till, nullptr);
    ShowWindow(till, SW_SHOWNORMAL);
  }
  EXPECT_THROW(TimedMessageDlg("Modal", dtInformation, ButtonSet({btOK}), "", 0, 0, clBtnFace),
               std::bad_alloc);
  test::FailNextAllocation(false);
  for (HWND till : tills) {
    EXPECT_TRUE(IsWindowEnabled(till)) << "a window of the thread stayed disabled";
    DestroyWindow(till);
  }
  EXPECT_EQ(FindWindowA(kTimerFormClassName, nullptr), nullptr);
  UnregisterClassA(windowClass.lpszClassName, windowClass.hInstance);
}

TEST_F(TimedMessageDialog, BadInputIsRefusedBeforeAnyWindowExists) {
  for (int type : {5, 200}) {
    try {
      TimedMessageDlg("x", static_cast<TDialogType>(type), ButtonSet({btOK}), "", 0, 0, clBtnFace);
      ADD_FAILURE() << "no error for type " << type;
    } catch (const EArgumentError& error) {
      EXPECT_NE(std::string(error.what()).find("Dialog type"), std::string::npos);
    }
    EXPECT_EQ(FindWindowA(kTimerFormClassName, nullptr), nullptr);
  }
}

TEST(TimedMessageDialogSettings, MissingSettingsGiveAClearError) {
  ASSERT_EQ(FormSettings, nullptr);
  EXPECT_THROW(TimedMessageDlg("x", dtInformation, ButtonSet({btOK}), "", 0, 0, clBtnFace),
               EInvalidOperation);
  EXPECT_EQ(FindWindowA(kTimerFormClassName, nullptr), nullptr);
}

TEST(TimedMessageDialogModule, TheModulesDialogTakesTheHostsTitle) {
  HMODULE module = LoadLibraryA("zmt_ui_test_dialogs.dll");
  ASSERT_NE(module, nullptr);
  using ShowFn = int (*)(const char*, int, unsigned, const char*, int, char*, int);
  using StyleFn = int (*)();
  // Through void (*)(), the cast that says the exported function's type is known.
  using AnyFn = void (*)();
  auto show = reinterpret_cast<ShowFn>(
      reinterpret_cast<AnyFn>(GetProcAddress(module, "ZmtUiTestShowDialog")));
  auto style = reinterpret_cast<StyleFn>(
      reinterpret_cast<AnyFn>(GetProcAddress(module, "ZmtUiTestSettingsStyle")));
  ASSERT_NE(show, nullptr);
  ASSERT_NE(style, nullptr);
  EXPECT_EQ(style(), 2) << "the module's load step did not apply style 2";

  char error[256] = {};
  const ModalRun run =
      Drive([&] { return show("From the module", dtCustom, ButtonSet({btOK}), "", 0, error, 256); },
            Steps({Key(VK_RETURN)}));
  EXPECT_EQ(run.Result, 1);
  EXPECT_EQ(run.First.Caption, test::ProgramTitle());

  EXPECT_EQ(show("x", 9, ButtonSet({btOK}), "", 0, error, 256), -1);
  EXPECT_NE(std::string(error).find("Dialog type 9"), std::string::npos);
  EXPECT_TRUE(FreeLibrary(module));
}

}  // namespace
}  // namespace zmt
