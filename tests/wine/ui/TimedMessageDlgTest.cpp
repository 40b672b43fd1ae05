#include <gtest/gtest.h>

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
using automation::Milliseconds;
using automation::ModalRun;
using automation::RunModal;
using automation::TextsOf;

class TimedMessageDialog : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { handlerRegistered = test::RegisterLogFileHandler(); }

  // Shows the dialog on this thread and lets the script drive it from another.
  ModalRun Show(const std::string& msg, TDialogType type, TDialogButtons buttons,
                const std::function<void(Dialog&)>& script, const std::string& logFile = "",
                int32_t seconds = 0, TColor color = clBtnFace) {
    ModalRun run = RunModal(
        [&] { return TimedMessageDlg(msg, type, buttons, logFile, 0, seconds, color); }, script);
    EXPECT_TRUE(run.Found) << "the dialog did not appear";
    EXPECT_FALSE(run.TimedOut) << "the dialog had to be closed by force";
    EXPECT_TRUE(run.Closed);
    EXPECT_EQ(run.ScriptError, "");
    return run;
  }

  static void ExpectBounds(const ControlInfo* control, int left, int top, int width, int height) {
    ASSERT_NE(control, nullptr);
    SCOPED_TRACE(control->Name);
    EXPECT_EQ(control->Bounds.Left, left);
    EXPECT_EQ(control->Bounds.Top, top);
    EXPECT_EQ(control->Bounds.Width, width);
    EXPECT_EQ(control->Bounds.Height, height);
  }

  // Every size and position against the figures worked out from the font's own measurements.
  static void ExpectLayout(const DialogInfo& info, const std::string& msg, bool icon,
                           const std::vector<std::string>& buttons) {
    const SIZE frame = test::FrameOf(info);
    const test::ExpectedLayout e =
        test::Expect(msg, icon, static_cast<int>(buttons.size()), frame.cx, frame.cy);
    EXPECT_EQ(info.ClientBounds.Width, e.ClientWidth);
    EXPECT_EQ(info.ClientBounds.Height, e.ClientHeight);
    EXPECT_EQ(info.WindowBounds.Width, e.OuterWidth);
    EXPECT_EQ(info.WindowBounds.Height, e.OuterHeight);
    EXPECT_EQ(info.WindowBounds.Left, e.Left);
    EXPECT_EQ(info.WindowBounds.Top, e.Top);
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

TEST_F(TimedMessageDialog, InformationWithOkAloneAnswersEnterAndEscape) {
  for (UINT key : {UINT{VK_RETURN}, UINT{VK_ESCAPE}}) {
    SCOPED_TRACE(key);
    const ModalRun run = Show("The settings were saved.", dtInformation, ButtonSet({btOK}),
                              [&](Dialog& d) { d.PressKey(key); });
    EXPECT_EQ(run.Result, 1);
    const DialogInfo& info = run.First;
    EXPECT_EQ(info.ClassName, "TfrmTimerForm");
    EXPECT_EQ(info.Name, "frmTimerForm");
    EXPECT_EQ(info.Caption, "Information");
    ASSERT_EQ(info.Controls.size(), 3u);
    const ControlInfo* ok = info.Find("OK");
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->Text, "OK");
    EXPECT_EQ(ok->Id, 202);
    EXPECT_TRUE(ok->PushButton);
    EXPECT_TRUE(ok->DefaultStyle);
    EXPECT_EQ(info.DefaultId, ok->Id);
    EXPECT_EQ(info.Focus, ok->Handle);
    EXPECT_EQ(info.Find("Message")->Text, "The settings were saved.");
    EXPECT_EQ(info.Find("Message")->Id, 101);
    EXPECT_EQ(info.Find("Image")->Id, 100);
  }
}

TEST_F(TimedMessageDialog, IsAFixedModalFrameWithoutMinimiseOrMaximise) {
  const ModalRun run =
      Show("Frame", dtWarning, ButtonSet({btOK}), [](Dialog& d) { d.PostClose(); });
  const DialogInfo& info = run.First;
  EXPECT_TRUE(info.Style & WS_POPUP);
  EXPECT_EQ(info.Style & WS_CAPTION, WS_CAPTION);
  EXPECT_TRUE(info.Style & WS_SYSMENU);
  EXPECT_FALSE(info.Style & WS_MINIMIZEBOX);
  EXPECT_FALSE(info.Style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(info.Style & WS_THICKFRAME);
  EXPECT_TRUE(info.ExStyle & WS_EX_DLGMODALFRAME);
}

TEST_F(TimedMessageDialog, CaptionsAndIconsFollowTheType) {
  struct Row {
    TDialogType type;
    const char* caption;
    LPCSTR icon;
    const char* picture;
  };
  const Row rows[] = {
      {dtWarning, "Warning", IDI_EXCLAMATION, "dialog-warning.png"},
      {dtError, "Error", IDI_HAND, "dialog-error.png"},
      {dtInformation, "Information", IDI_ASTERISK, "dialog-information.png"},
      {dtConfirm, "Confirm", IDI_QUESTION, "dialog-confirm.png"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.caption);
    HANDLE icon = nullptr;
    std::string picture;
    const ModalRun run = Show("Message of type " + std::string(row.caption) + ".\rSecond line.",
                              row.type, ButtonSet({btOK, btCancel}), [&](Dialog& d) {
                                DWORD_PTR shown = 0;
                                SendMessageTimeoutA(d.Control("Image"), STM_GETICON, 0, 0,
                                                    SMTO_ABORTIFHUNG, 5000, &shown);
                                icon = reinterpret_cast<HANDLE>(shown);
                                picture = d.Screenshot(row.picture);
                                d.PressKey(VK_ESCAPE);
                              });
    EXPECT_EQ(run.Result, 2);
    EXPECT_EQ(run.First.Caption, row.caption);
    EXPECT_EQ(icon, LoadIconA(nullptr, row.icon));
    EXPECT_NE(picture, "");
  }
}

TEST_F(TimedMessageDialog, CustomTypeShowsTheApplicationTitleAndNoImage) {
  std::string picture;
  const ModalRun run =
      Show("A message of the application's own.", dtCustom, ButtonSet({btOK}), [&](Dialog& d) {
        picture = d.Screenshot("dialog-custom.png");
        d.PressKey(VK_RETURN);
      });
  EXPECT_EQ(run.Result, 1);
  EXPECT_EQ(run.First.Caption, test::ProgramTitle());
  EXPECT_EQ(run.First.Caption, "wine_ui_tests");
  EXPECT_EQ(run.First.Find("Image"), nullptr);
  ExpectLayout(run.First, "A message of the application's own.", false, {"OK"});
  EXPECT_EQ(run.First.Find("Message")->Bounds.Left, 18);
  EXPECT_NE(picture, "");
}

TEST_F(TimedMessageDialog, LayoutFollowsTheMeasuredText) {
  test::TahomaMeasure font;
  ASSERT_EQ(font.ResolvedFace(), "Tahoma") << "the prefix has no Tahoma; the figures would not "
                                              "be those of the real dialog";
  const int half = GetSystemMetrics(SM_CXSCREEN) / 2;
  std::string wide;
  while (font.Width(wide) <= 5 * half / 2) wide += "wrapped text ";

  struct Case {
    const char* title;
    std::string msg;
    TDialogButtons buttons;
    std::vector<std::string> names;
  };
  const Case cases[] = {
      {"one line", "Short message", ButtonSet({btOK, btCancel}), {"OK", "Cancel"}},
      {"three breaks",
       "First\rSecond line\rThird\rFourth",
       ButtonSet({btYes, btNo}),
       {"Yes", "No"}},
      {"empty", "", ButtonSet({btYes, btNo, btCancel}), {"Yes", "No", "Cancel"}},
      {"wide", wide + "\rand a short line", ButtonSet({btOK}), {"OK"}},
      {"all buttons",
       "Every button",
       0x07FF,
       {"Yes", "No", "OK", "Cancel", "Abort", "Retry", "Ignore", "All", "NoToAll", "YesToAll",
        "Help"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    std::string picture;
    const ModalRun run = Show(c.msg, dtConfirm, c.buttons, [&](Dialog& d) {
      if (std::string(c.title) == "wide") picture = d.Screenshot("dialog-wrapped.png");
      if (std::string(c.title) == "all buttons") picture = d.Screenshot("dialog-all-buttons.png");
      d.PostClose();
    });
    EXPECT_EQ(run.Result, 2);
    ExpectLayout(run.First, c.msg, true, c.names);
    const ControlInfo* label = run.First.Find("Message");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->Text, c.msg);
    for (size_t i = 0; i < c.names.size(); ++i) {
      const ControlInfo* button = run.First.Find(c.names[i]);
      ASSERT_NE(button, nullptr);
      EXPECT_EQ(button->Text, ButtonCaptions[button->Id - 200]);
    }
  }
  // The wide message is wrapped at half the screen and fits in the lines the figures give it.
  EXPECT_LE(font.WrappedHeight(wide + "\r\nand a short line", half),
            test::Expect(wide + "\rand a short line", true, 1, 0, 0).LabelHeight);
}

TEST_F(TimedMessageDialog, WrappedLinesAreNeverCutOff) {
  // Two lines of one and a half label widths each: the count allows three lines, the text needs
  // four, and the label takes four.
  test::TahomaMeasure font;
  const int half = GetSystemMetrics(SM_CXSCREEN) / 2;
  std::string line;
  while (font.Width(line) <= 3 * half / 2) line += "long words ";
  const std::string msg = line + "\r" + line;
  const int needed = font.WrappedHeight(line + "\r\n" + line, half);
  const test::ExpectedLayout counted = test::Expect(msg, true, 1, 0, 0);
  ASSERT_GT(needed, counted.LabelHeight);

  const ModalRun run = Show(msg, dtWarning, ButtonSet({btOK}), [](Dialog& d) { d.PostClose(); });
  const ControlInfo* label = run.First.Find("Message");
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->Bounds.Width, half);
  EXPECT_EQ(label->Bounds.Height, needed);
  EXPECT_EQ(run.First.ClientBounds.Height, needed + 24 + 26);
}

TEST_F(TimedMessageDialog, LogButtonStandsLastInTheGroup) {
  test::TempFile log("layout.zmtlog");
  log.Create();
  const std::string msg = "Something went wrong.";
  const ModalRun run = Show(
      msg, dtError, ButtonSet({btYes, btNo}), [](Dialog& d) { d.Click("No"); }, log.Path);
  EXPECT_EQ(run.Result, 7);
  ExpectLayout(run.First, msg, true, {"Yes", "No", "btnLogFile"});
  const ControlInfo* logButton = run.First.Find("btnLogFile");
  ASSERT_NE(logButton, nullptr);
  EXPECT_EQ(logButton->Text, "View Log");
  EXPECT_EQ(logButton->Id, 211);
  EXPECT_FALSE(logButton->DefaultStyle);
  EXPECT_EQ(run.First.DefaultButton()->Name, "Yes");
}

TEST_F(TimedMessageDialog, FontsAreTahomaEightPoints) {
  test::TahomaMeasure font;
  const ModalRun run =
      Show("Fonts", dtInformation, ButtonSet({btOK}), [](Dialog& d) { d.PostClose(); });
  for (const char* name : {"Message", "OK"}) {
    const ControlInfo* control = run.First.Find(name);
    ASSERT_NE(control, nullptr);
    SCOPED_TRACE(name);
    EXPECT_EQ(control->FontFace, "Tahoma");
    EXPECT_EQ(control->FontHeight, -MulDiv(8, font.Dpi(), 72));
    EXPECT_EQ(control->FontWeight, FW_NORMAL);
  }
}

TEST_F(TimedMessageDialog, EnterPressesTheDefaultAndEscapeTheCancelButton) {
  struct Row {
    TDialogButtons buttons;
    UINT key;
    int64_t result;
  };
  const Row rows[] = {
      {ButtonSet({btOK, btCancel}), VK_RETURN, 1},
      {ButtonSet({btOK, btCancel}), VK_ESCAPE, 2},
      {ButtonSet({btYes, btNo}), VK_RETURN, 6},
      {ButtonSet({btYes, btNo}), VK_ESCAPE, 7},
      {ButtonSet({btYes, btNo, btCancel}), VK_ESCAPE, 2},
      {ButtonSet({btOK, btNo}), VK_ESCAPE, 7},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "buttons " << row.buttons << " key " << row.key);
    const ModalRun run =
        Show("Keys", dtConfirm, row.buttons, [&](Dialog& d) { d.PressKey(row.key); });
    EXPECT_EQ(run.Result, row.result);
  }
}

TEST_F(TimedMessageDialog, EveryButtonClosesWithItsResultExceptHelp) {
  for (int n = 0; n < kDialogButtonCount; ++n) {
    const auto button = static_cast<TDialogButton>(n);
    SCOPED_TRACE(ButtonNames[n]);
    bool stayedOpen = false;
    const ModalRun run = Show("Press", dtConfirm, ButtonSet({button}), [&](Dialog& d) {
      EXPECT_EQ(d.Text(ButtonNames[n]), ButtonCaptions[n]);
      d.Click(ButtonNames[n]);
      if (button == btHelp) {
        stayedOpen = d.StaysOpen(Milliseconds(1000));
        d.SystemClose();
      }
    });
    if (button == btHelp) {
      EXPECT_TRUE(stayedOpen) << "Help closed the dialog";
      EXPECT_EQ(run.Result, 2);
    } else {
      EXPECT_EQ(run.Result, ModalResults[n]);
    }
  }
}

TEST_F(TimedMessageDialog, AcceleratorsPressTheirButtons) {
  struct Row {
    TDialogButtons buttons;
    char key;
    int64_t result;
  };
  const Row rows[] = {
      {ButtonSet({btYes, btNo}), 'n', 7},
      {ButtonSet({btYes, btNo}), 'y', 6},
      {ButtonSet({btAbort, btRetry, btIgnore}), 'i', 5},
      {ButtonSet({btAbort, btRetry, btIgnore}), 'r', 4},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.key);
    const ModalRun run =
        Show("Accelerators", dtConfirm, row.buttons, [&](Dialog& d) { d.TypeChar(row.key); });
    EXPECT_EQ(run.Result, row.result);
  }
}

TEST_F(TimedMessageDialog, AbortRetryIgnoreHasRetryAsDefaultAndNoCancel) {
  bool stayedOpen = false;
  const ModalRun run =
      Show("Retry?", dtWarning, ButtonSet({btAbort, btRetry, btIgnore}), [&](Dialog& d) {
        d.PressKey(VK_ESCAPE);
        stayedOpen = d.StaysOpen(Milliseconds(800));
        d.PressKey(VK_RETURN);
      });
  EXPECT_TRUE(stayedOpen) << "Escape closed a dialog without a cancel button";
  EXPECT_EQ(run.Result, 4);
  const ControlInfo* retry = run.First.DefaultButton();
  ASSERT_NE(retry, nullptr);
  EXPECT_EQ(retry->Name, "Retry");
  EXPECT_TRUE(retry->DefaultStyle);
  EXPECT_EQ(run.First.Focus, retry->Handle);
  EXPECT_FALSE(run.First.Find("Abort")->DefaultStyle);
}

TEST_F(TimedMessageDialog, FocusedButtonTakesTheDefaultFrameAndEnter) {
  DialogInfo afterTab;
  const ModalRun run = Show("Tab", dtConfirm, ButtonSet({btYes, btNo}), [&](Dialog& d) {
    d.PressKey(VK_TAB);
    // The tab has been handled once the dialog's thread answers again.
    for (int i = 0; i < 100 && d.Info().Focus != d.Control("No"); ++i) Sleep(10);
    afterTab = d.Info();
    d.PressKey(VK_RETURN);
  });
  EXPECT_EQ(run.Result, 7);
  ASSERT_NE(afterTab.Find("No"), nullptr);
  EXPECT_EQ(afterTab.Focus, afterTab.Find("No")->Handle);
  EXPECT_TRUE(afterTab.Find("No")->DefaultStyle);
  EXPECT_FALSE(afterTab.Find("Yes")->DefaultStyle);
  // The dialog's own default does not move.
  EXPECT_EQ(afterTab.DefaultButton()->Name, "Yes");
}

TEST_F(TimedMessageDialog, CloseBoxAndSystemMenuGiveCancel) {
  const ModalRun viaMenu =
      Show("Close", dtConfirm, ButtonSet({btYes, btNo}), [](Dialog& d) { d.SystemClose(); });
  EXPECT_EQ(viaMenu.Result, 2);
  const ModalRun viaClose =
      Show("Close", dtInformation, ButtonSet({btOK}), [](Dialog& d) { d.PostClose(); });
  EXPECT_EQ(viaClose.Result, 2);
}

TEST_F(TimedMessageDialog, CountdownShowsTheSecondsAndClosesAtTheLastTick) {
  std::string first;
  std::string picture;
  const ModalRun run = Show(
      "Closing by itself.", dtInformation, ButtonSet({btOK}),
      [&](Dialog& d) {
        first = d.Text("OK");
        if (d.WaitForText("OK", "OK (2)", Milliseconds(5000)))
          picture = d.Screenshot("countdown.png");
      },
      "", 3);
  EXPECT_EQ(run.Result, 1);
  EXPECT_EQ(first, "OK (3)");
  EXPECT_EQ(TextsOf(run, "OK"), (std::vector<std::string>{"OK (3)", "OK (2)", "OK (1)", "OK (0)"}));
  // Three ticks of a second each, not fewer.
  EXPECT_GE(run.Elapsed.count(), 2500);
  EXPECT_NE(picture, "");
}

TEST_F(TimedMessageDialog, CountdownKeepsTheAcceleratorAndEndsWithTheDefaultsResult) {
  std::string first;
  const ModalRun run = Show(
      "Continue?", dtConfirm, ButtonSet({btYes, btNo}), [&](Dialog& d) { first = d.Text("Yes"); },
      "", 2);
  EXPECT_EQ(first, "&Yes (2)");
  EXPECT_EQ(run.Result, 6);
  EXPECT_EQ(TextsOf(run, "Yes"), (std::vector<std::string>{"&Yes (2)", "&Yes (1)", "&Yes (0)"}));
  EXPECT_TRUE(TextsOf(run, "No").empty());
}

TEST_F(TimedMessageDialog, PressingBeforeTheCountdownEndsGivesTheButtonAtOnce) {
  const ModalRun run = Show(
      "Soon closing.", dtInformation, ButtonSet({btOK, btCancel}),
      [](Dialog& d) { d.Click("Cancel"); }, "", 5);
  EXPECT_EQ(run.Result, 2);
  EXPECT_EQ(run.First.Find("OK")->Text, "OK (5)");
}

TEST_F(TimedMessageDialog, NoCountdownWithoutADefaultButton) {
  for (TDialogButton only : {btCancel, btNo}) {
    SCOPED_TRACE(ButtonNames[only]);
    bool stayedOpen = false;
    const ModalRun run = Show(
        "Waiting for you.", dtWarning, ButtonSet({only}),
        [&](Dialog& d) {
          stayedOpen = d.StaysOpen(Milliseconds(4500));
          d.Click(ButtonNames[only]);
        },
        "", 3);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(run.Result, ModalResults[only]);
    EXPECT_EQ(run.First.DefaultId, 0);
    EXPECT_TRUE(TextsOf(run, ButtonNames[only]).empty());
  }
}

TEST_F(TimedMessageDialog, NoCountdownForZeroOrNegativeSeconds) {
  for (int32_t seconds : {0, -3}) {
    SCOPED_TRACE(seconds);
    bool stayedOpen = false;
    const ModalRun run = Show(
        "No hurry.", dtInformation, ButtonSet({btOK}),
        [&](Dialog& d) {
          stayedOpen = d.StaysOpen(Milliseconds(1500));
          d.PressKey(VK_RETURN);
        },
        "", seconds);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(run.Result, 1);
    EXPECT_EQ(run.First.Find("OK")->Text, "OK");
    EXPECT_TRUE(TextsOf(run, "OK").empty());
  }
}

TEST_F(TimedMessageDialog, ViewLogAndYesOpenTheLogButNoDoesNot) {
  ASSERT_TRUE(handlerRegistered) << "the test's open handler could not be registered";
  test::TempFile byNo("by-no.zmtlog");
  test::TempFile byYes("by-yes.zmtlog");
  test::TempFile byViewLog("by-viewlog.zmtlog");
  for (const test::TempFile* file : {&byNo, &byYes, &byViewLog}) file->Create();

  const ModalRun no = Show(
      "Open the log?", dtConfirm, ButtonSet({btYes, btNo}), [](Dialog& d) { d.Click("No"); },
      byNo.Path);
  EXPECT_EQ(no.Result, 7);
  ASSERT_NE(no.First.Find("btnLogFile"), nullptr);

  const ModalRun viewLog = Show(
      "Open the log?", dtConfirm, ButtonSet({btYes, btNo}),
      [](Dialog& d) { d.Click("btnLogFile"); }, byViewLog.Path);
  EXPECT_EQ(viewLog.Result, 6);
  EXPECT_TRUE(test::WaitForFile(byViewLog.Marker(), 20000)) << "View Log did not open the file";

  const ModalRun yes = Show(
      "Open the log?", dtConfirm, ButtonSet({btYes, btNo}), [](Dialog& d) { d.Click("Yes"); },
      byYes.Path);
  EXPECT_EQ(yes.Result, 6);
  EXPECT_TRUE(test::WaitForFile(byYes.Marker(), 20000)) << "Yes did not open the file";

  // The handler for No would have run before the two later ones.
  Sleep(500);
  EXPECT_FALSE(test::FileExists(byNo.Marker())) << "No opened the log file";
}

TEST_F(TimedMessageDialog, NoLogButtonForAMissingFileAndNothingOpens) {
  test::TempFile missing("missing.zmtlog");
  const ModalRun run = Show(
      "No log here.", dtError, ButtonSet({btYes, btNo}), [](Dialog& d) { d.Click("Yes"); },
      missing.Path);
  EXPECT_EQ(run.Result, 6);
  EXPECT_EQ(run.First.Find("btnLogFile"), nullptr);
  EXPECT_EQ(run.First.Controls.size(), 4u);

  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const ModalRun directory = Show(
      "A folder is no log.", dtError, ButtonSet({btOK}), [](Dialog& d) { d.PressKey(VK_RETURN); },
      temp);
  EXPECT_EQ(directory.First.Find("btnLogFile"), nullptr);
  Sleep(500);
  EXPECT_FALSE(test::FileExists(missing.Marker()));
}

TEST_F(TimedMessageDialog, FormTakesItsColourAndTheLabelKeepsItsOwn) {
  const TColor teal = 0x00808000;
  automation::Image image;
  DialogInfo info;
  const ModalRun run = Show(
      "W\rWWWWWWWWWWWWWWWWWWWW", dtInformation, ButtonSet({btOK}),
      [&](Dialog& d) {
        info = d.Info();
        d.Capture(image);
        d.Screenshot("dialog-colour.png");
        d.PressKey(VK_RETURN);
      },
      "", 0, teal);
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
  const ModalRun run = Show("Modal", dtInformation, ButtonSet({btOK}), [&](Dialog& d) {
    tillEnabled = IsWindowEnabled(till) != 0;
    hiddenEnabled = IsWindowEnabled(hidden) != 0;
    d.PressKey(VK_RETURN);
  });
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
  const ModalRun run = RunModal(
      [&] { return show("From the module", dtCustom, ButtonSet({btOK}), "", 0, error, 256); },
      [](Dialog& d) { d.PressKey(VK_RETURN); });
  EXPECT_TRUE(run.Found);
  EXPECT_EQ(run.Result, 1);
  EXPECT_EQ(run.First.Caption, test::ProgramTitle());

  EXPECT_EQ(show("x", 9, ButtonSet({btOK}), "", 0, error, 256), -1);
  EXPECT_NE(std::string(error).find("Dialog type 9"), std::string::npos);
  EXPECT_TRUE(FreeLibrary(module));
}

}  // namespace
}  // namespace zmt
