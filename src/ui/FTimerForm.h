// The form of the module's modal message dialog: its controls, countdown and modal loop. The
// dialog functions that build and show it are in modMessageDlg.
//
// Finding the dialog from outside (UI tests, automation, screen readers):
//   * The form is a top-level window of class "TfrmTimerForm" (kTimerFormClassName), owned by the
//     calling thread's active window, captioned with the dialog type's caption.
//   * Every control carries its component name in the window property "ZmtComponentName"
//     (kComponentNameProperty). The property's value is a global atom of the name: read it with
//     GlobalGetAtomNameA((ATOM)(UINT_PTR)GetPropA(hwnd, "ZmtComponentName"), ...). The form
//     itself carries "frmTimerForm". The atoms are released when the dialog closes.
//   * Every control also has a fixed control ID (GetDlgCtrlID / GetDlgItem):
//       "Image" 100, "Message" 101, button n (TDialogButton) 200 + n ("Yes" 200 ... "Help" 210),
//       "btnLogFile" 211.
//   * The default button answers DM_GETDEFID (DC_HASDEFID and its ID); the button that has the
//     focus carries BS_DEFPUSHBUTTON, as in any Windows dialog, and Enter presses it. Focus starts
//     on the default button, or on the first button when there is none.
//   * "Image" is a STATIC with SS_ICON (STM_GETICON gives the system icon). "Message" is an
//     owner-drawn STATIC whose window text is the message exactly as given; it draws each
//     carriage return as a line break.
#pragma once

#include "clsFormSettings.h"
#include "modDialogLayout.h"
#include "modWinControls.h"

#ifdef _WIN32

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace zmt {

class TModalScope;

constexpr char kTimerFormClassName[] = "TfrmTimerForm";
constexpr char kTimerFormName[] = "frmTimerForm";

constexpr int kImageControlId = 100;
constexpr int kMessageControlId = 101;
constexpr int kFirstButtonControlId = 200;  // + TDialogButton
constexpr int kLogButtonControlId = kFirstButtonControlId + kDialogButtonCount;

// The control ID of a button of the set, or kLogButtonControlId for the log button.
constexpr int ButtonControlId(TDialogButton button) {
  return kFirstButtonControlId + button;
}

// The modal loop's timer: ticks every Interval milliseconds while Enabled.
struct TTimer {
  bool Enabled = true;
  UINT Interval = 1000;
};

struct TComponent {
  std::string Name;
  HWND Handle = nullptr;
  int Id = 0;
};

struct TButton : TComponent {
  TModalResult ModalResult = mrNone;
  bool Default = false;
  bool Cancel = false;
  std::string Caption() const;
  void SetCaption(const std::string& caption) const;
};

struct TLabel : TComponent {
  TBounds Bounds;
  TLabelLayout Layout;
  TAlignment Alignment = taLeftJustify;
  TColor Color = clBtnFace;
  TFont Font;
  std::string Caption;
};

struct TImage : TComponent {
  TBounds Bounds;
  HICON Icon = nullptr;
};

class TfrmTimerForm {
 public:
  // Creates the (hidden) window owned by Owner and runs FormCreate.
  explicit TfrmTimerForm(HWND Owner);
  ~TfrmTimerForm();
  TfrmTimerForm(const TfrmTimerForm&) = delete;
  TfrmTimerForm& operator=(const TfrmTimerForm&) = delete;

  TTimer Timer1;
  int32_t Seconds = 0;
  TButton* CountdownButton = nullptr;
  std::string ButtonCaption;
  int32_t TimeoutResult = 0;

  void FormCreate();
  void FormShow();
  void Timer1Timer();
  void SetSeconds(int32_t Value);
  // As a TTimer's Interval: a running timer starts again with the new interval.
  void SetTimerInterval(UINT Milliseconds);
  void SetCountdownButton(TButton* Button);

  // Shows the form modally on the calling thread and gives the modal result of whatever closed
  // it: a button's result, TimeoutResult, or mrCancel for the close box, the system menu's Close
  // or a WM_QUIT that ends the loop (which is posted again for the caller's own loop).
  TModalResult ShowModal();

  HWND Handle() const { return handle_; }
  TModalResult ModalResult = mrNone;
  TColor Color() const { return color_; }
  void SetColor(TColor color);

  // The layout the builder gave the form (sizes, positions, names).
  TFormLayout Layout;

  TImage* Image = nullptr;
  TLabel* Label = nullptr;
  // The buttons in the order they stand, the log button last.
  std::vector<std::unique_ptr<TButton>> Buttons;

  // Used by the builder: a child control with a component name and control ID.
  HWND CreateControl(const char* className, const std::string& text, DWORD style,
                     const TBounds& bounds, int id, const std::string& name);
  TLabel& AddLabel(std::unique_ptr<TLabel> label);
  TImage& AddImage(std::unique_ptr<TImage> image);
  TButton& AddButton(std::unique_ptr<TButton> button);
  void SetButtonFont(const TFont& font);
  void SetLabelFont(const TFont& font);

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT Dispatch(UINT msg, WPARAM wParam, LPARAM lParam);
  void UpdateTimer();
  void Click(const TButton& button);
  void EndModal(TModalResult result);
  void DrawLabel(const DRAWITEMSTRUCT& item) const;
  void FocusButton(HWND button);
  TButton* FindButton(HWND handle) const;
  TButton* FindButtonById(int id) const;
  TButton* DefaultButton() const;
  TButton* CancelButton() const;
  void ReleaseNames();

  HWND handle_ = nullptr;
  HINSTANCE instance_ = nullptr;
  bool timerRunning_ = false;
  TColor color_ = clBtnFace;
  UniqueBrush brush_;
  UniqueBrush labelBrush_;
  UniqueFont buttonFont_;
  UniqueFont labelFont_;
  HWND focused_ = nullptr;
  std::vector<std::unique_ptr<TComponent>> others_;
  TModalScope* modal_ = nullptr;
};

// What the form's border and caption add to its client size.
TFrameSize TimerFormFrameSize();

// Removes the form's window class, whose procedure is in this module. Call from DllMain when the
// module is unloaded (not when the process ends), so that a later load never finds a class whose
// procedure has gone.
void UnregisterFormClasses() noexcept;

}  // namespace zmt

#endif  // _WIN32
