// Drives a modal dialog of this process from a second thread, the way a person or a screen
// reader would meet it: finds the window, reads its caption, controls, component names, texts,
// rectangles, default and cancel buttons, presses buttons and keys, and takes screenshots.
//
// Typical use, on the thread that will show the dialog:
//
//   automation::ModalRun run = automation::RunModal(
//       [&] { return TimedMessageDlg(...); },          // runs here, blocks in the modal loop
//       [&](automation::Dialog& dialog) {              // runs on the automation thread
//         caption = dialog.Info().Caption;
//         dialog.Click("OK");
//       });
//   EXPECT_TRUE(run.Found); EXPECT_EQ(run.Result, 1);
//
// Nothing here hangs a test run: waiting for the dialog and for its end both time out, and a
// dialog still open at the end is closed (WM_CLOSE, then WM_QUIT to its thread) and reported as
// TimedOut; when no dialog appears while show() blocks, its thread gets WM_QUIT as well. A test
// fails on !run.Found or run.TimedOut.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zmt::automation {

using Milliseconds = std::chrono::milliseconds;

// The window property and control IDs by which the module names its controls.
constexpr char kComponentNameProperty[] = "ZmtComponentName";

struct Rect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  bool operator==(const Rect& o) const {
    return Left == o.Left && Top == o.Top && Width == o.Width && Height == o.Height;
  }
};

struct ControlInfo {
  HWND Handle = nullptr;
  int Id = 0;
  std::string Name;  // the component name ("" when the control has none)
  std::string ClassName;
  std::string Text;
  Rect Bounds;        // in the dialog's client coordinates
  Rect ScreenBounds;  // on the screen
  LONG Style = 0;
  bool Visible = false;
  bool Enabled = false;
  bool PushButton = false;
  bool DefaultStyle = false;  // BS_DEFPUSHBUTTON: the frame of the button Enter presses
  std::string FontFace;       // of the font the control was given (WM_GETFONT)
  LONG FontHeight = 0;
  LONG FontWeight = 0;
};

struct DialogInfo {
  HWND Handle = nullptr;
  std::string ClassName;
  std::string Caption;
  std::string Name;
  Rect WindowBounds;  // outer rectangle on the screen
  Rect ClientBounds;  // client area: its screen origin and its size
  LONG Style = 0;
  LONG ExStyle = 0;
  HWND Owner = nullptr;
  DWORD ThreadId = 0;
  int DefaultId = 0;     // from DM_GETDEFID; 0 when the dialog has no default button
  HWND Focus = nullptr;  // the dialog thread's focused window
  std::vector<ControlInfo> Controls;

  const ControlInfo* Find(const std::string& name) const;
  // The control whose ID DM_GETDEFID gives, or null.
  const ControlInfo* DefaultButton() const;
};

std::string ComponentName(HWND hwnd);
HWND FindControl(HWND dialog, const std::string& name);
ControlInfo ReadControl(HWND dialog, HWND control);
DialogInfo ReadDialog(HWND dialog);
std::string WindowText(HWND hwnd);

// A visible top-level window of the class on the thread (any thread when threadId is 0), or null
// after the timeout.
HWND WaitForWindow(const std::string& className, DWORD threadId, Milliseconds timeout);
bool WaitUntilClosed(HWND hwnd, Milliseconds timeout);
bool WaitForText(HWND hwnd, const std::string& text, Milliseconds timeout);

// A 24-bit picture, top row first, three bytes per pixel (red, green, blue).
struct Image {
  int32_t Width = 0;
  int32_t Height = 0;
  std::vector<uint8_t> Rgb;
  COLORREF Pixel(int32_t x, int32_t y) const;
};

// What the screen shows inside the window's outer rectangle, after the window has painted.
bool CaptureWindow(HWND hwnd, Image& image);
bool SavePng(const Image& image, const std::string& path);
// build/<preset>/screenshots/<fileName>, beside the bin directory of this test program; the
// directory is created.
std::string ScreenshotPath(const std::string& fileName);

// One WM_SETTEXT seen on the dialog's thread while the run lasted.
struct TextChange {
  HWND Handle = nullptr;
  std::string Name;
  std::string Text;
};

class Dialog {
 public:
  explicit Dialog(HWND handle) : handle_(handle) {}
  HWND Handle() const { return handle_; }
  bool IsOpen() const;
  DialogInfo Info() const;
  HWND Control(const std::string& name) const;
  std::string Text(const std::string& name) const;

  // BM_CLICK on the named button; false when there is no such control.
  bool Click(const std::string& name) const;
  // WM_KEYDOWN and WM_KEYUP posted to the focused control, as the keyboard would send them.
  bool PressKey(UINT virtualKey) const;
  // WM_CHAR posted to the focused control (a mnemonic letter, say).
  bool TypeChar(char character) const;
  // The close box and the system menu's Close, which both arrive as SC_CLOSE.
  bool SystemClose() const;
  bool PostClose() const;

  bool WaitForText(const std::string& name, const std::string& text, Milliseconds timeout) const;
  bool WaitUntilClosed(Milliseconds timeout) const;
  // Stays open for the whole period (false as soon as it closes).
  bool StaysOpen(Milliseconds period) const;

  bool Capture(Image& image) const;
  // Saves a screenshot under ScreenshotPath(fileName); gives the path, empty on failure.
  std::string Screenshot(const std::string& fileName) const;

 private:
  HWND handle_;
};

struct RunOptions {
  std::string ClassName = "TfrmTimerForm";
  Milliseconds AppearTimeout{15000};
  // From the dialog's appearance to its end, script included.
  Milliseconds CloseTimeout{20000};
};

struct ModalRun {
  bool Found = false;     // the dialog appeared
  bool TimedOut = false;  // it had to be closed by force
  bool Closed = false;    // it was gone when show() returned
  int64_t Result = 0;     // what show() returned
  std::string ScriptError;
  DialogInfo First;  // the dialog as first seen
  std::vector<TextChange> Texts;
  Milliseconds Elapsed{0};  // from the appearance to the end of the dialog
};

// Runs show() on the calling thread and, once a dialog of the class appears on it, script() on
// a second thread. An exception of show() passes to the caller after the second thread ended.
ModalRun RunModal(const std::function<int64_t()>& show, const std::function<void(Dialog&)>& script,
                  const RunOptions& options = {});

// One dialog expected in a sequence: its window class and what to do with it.
struct Step {
  std::string ClassName;
  std::function<void(Dialog&)> Script;
};

struct SequenceRun {
  int64_t Result = 0;
  std::vector<DialogInfo> Seen;        // each step's dialog as first seen, in order
  std::vector<DialogInfo> Unexpected;  // dialogs that came after the last step
  bool TimedOut = false;               // a step's dialog did not appear or did not close
  std::string ScriptError;
};

// Runs show() on the calling thread while a second thread meets the steps' dialogs one after the
// other. Dialogs that appear after the last step (of the steps' classes, the module's message
// dialog or the system's dialog class) are closed and recorded;
// a step that times out ends show()'s loops, so the run never hangs.
SequenceRun RunModalSequence(const std::function<int64_t()>& show, const std::vector<Step>& steps,
                             Milliseconds timeout = Milliseconds(20000));

// The component names and texts recorded for one control, in order.
std::vector<std::string> TextsOf(const ModalRun& run, const std::string& name);

}  // namespace zmt::automation
