// Drives the modal dialogs that a call shows on the calling thread, the way a person or a screen
// reader would meet them: reads their caption, controls, component names, texts, rectangles,
// default and cancel buttons, presses buttons and keys, and takes screenshots.
//
// Everything runs on the dialog's own thread, inside its modal loop: a thread hook sees a dialog
// shown, enabled or activated and posts a message to a hidden window of the thread; the loop
// hands that message on once it has handled all that came before, and the next step runs. A step
// that presses a key therefore ends, and the next one starts when the key has been handled: if
// it closed the dialog, the loop is gone and the next step never runs.
//
// Typical use, on the thread that will show the dialog:
//
//   automation::ModalRun run = automation::RunModal(
//       [&] { return TimedMessageDlg(...); },          // blocks in the modal loop
//       [&](automation::Dialog& dialog) {              // runs in that loop
//         caption = dialog.Info().Caption;
//         dialog.Click("OK");
//       });
//   EXPECT_TRUE(run.Found); EXPECT_EQ(run.Result, 1);
//
// Nothing here hangs a test run: when the next step's dialog has not come, or a dialog has not
// closed, within the time-out of the run, the dialogs are closed (WM_CLOSE, then WM_QUIT to end
// every loop) and the run is reported as TimedOut. A test fails on !run.Found or run.TimedOut.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace zmt::automation {

using Milliseconds = std::chrono::milliseconds;

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
  Rect Bounds;  // in the dialog's client coordinates
  LONG Style = 0;
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
  int DefaultId = 0;     // from DM_GETDEFID; 0 when the dialog has no default button
  HWND Focus = nullptr;  // the dialog thread's focused window
  std::vector<ControlInfo> Controls;

  const ControlInfo* Find(const std::string& name) const;
  // The named control, or one without handle, ID or text when there is none.
  const ControlInfo& Named(const std::string& name) const;
  // The control whose ID DM_GETDEFID gives, or null; and its name, or "".
  const ControlInfo* DefaultButton() const;
  std::string DefaultName() const;
};

// A 24-bit picture, top row first, three bytes per pixel (red, green, blue).
struct Image {
  int32_t Width = 0;
  int32_t Height = 0;
  std::vector<uint8_t> Rgb;
  COLORREF Pixel(int32_t x, int32_t y) const;
};

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

  // BM_CLICK on the named button, handled before this returns (a dialog the click opens has run
  // its own steps by then); false when there is no such control.
  bool Click(const std::string& name) const;
  // WM_KEYDOWN and WM_KEYUP posted to the focused control, as the keyboard would send them.
  bool PressKey(UINT virtualKey) const;
  // WM_CHAR posted to the focused control (a mnemonic letter, say).
  bool TypeChar(char character) const;
  // The close box and the system menu's Close, which both arrive as SC_CLOSE.
  bool SystemClose() const;
  bool PostClose() const;

  // What the dialog shows inside its outer rectangle, frame and caption included, painted anew.
  bool Capture(Image& image) const;
  // Saves it as build/<preset>/screenshots/<fileName>, beside the bin directory of this test
  // program; gives the path, empty on failure.
  std::string Screenshot(const std::string& fileName) const;

 private:
  HWND handle_;
};

// One dialog expected in a run: its window class and what to do with it. The step starts once a
// shown, enabled dialog of the class is in its modal loop and, with AfterTicks, once the loop has
// taken that many of the dialog's WM_TIMER messages since.
struct Step {
  std::string ClassName;
  std::function<void(Dialog&)> Script;
  int AfterTicks = 0;
};

// The step, with a picture of its dialog saved first (Dialog::Screenshot); a picture that cannot
// be saved ends the run with a ScriptError. The integrator's guide is illustrated from these.
inline Step Pictured(const std::string& fileName, Step step) {
  step.Script = [fileName, script = std::move(step.Script)](Dialog& dialog) {
    if (dialog.Screenshot(fileName).empty()) throw std::runtime_error("no picture: " + fileName);
    if (script) script(dialog);
  };
  return step;
}

struct RunOptions {
  std::string ClassName = "TfrmTimerForm";
  // How long the next step's dialog may take to come, or the last one to close.
  Milliseconds Timeout{20000};
};

struct ModalRun {
  int64_t Result = 0;     // what show() returned
  bool Found = false;     // every step's dialog came and its step ran
  bool TimedOut = false;  // a dialog had to be closed by force, or the loops ended
  bool Closed = false;    // no dialog of the steps was shown any more when show() returned
  std::string ScriptError;
  std::vector<DialogInfo> Seen;        // each step's dialog as its step started, in order
  std::vector<DialogInfo> Unexpected;  // dialogs that came after the last step, closed
  DialogInfo First;                    // Seen[0]
  std::vector<TextChange> Texts;
};
using SequenceRun = ModalRun;

// Runs show() on the calling thread, and script() inside the loop of the first dialog of the
// class that it shows. An exception of show() passes to the caller.
ModalRun RunModal(const std::function<int64_t()>& show, const std::function<void(Dialog&)>& script,
                  const RunOptions& options = {});

// Runs show() on the calling thread while the steps meet its dialogs one after the other.
// Dialogs that appear after the last step (of the steps' classes, the module's message dialog or
// the system's dialog class) are closed and recorded.
ModalRun RunModalSequence(const std::function<int64_t()>& show, const std::vector<Step>& steps,
                          Milliseconds timeout = Milliseconds(20000));

// The texts recorded for one control, by component name, in order.
std::vector<std::string> TextsOf(const ModalRun& run, const std::string& name);

}  // namespace zmt::automation
