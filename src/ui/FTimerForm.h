// The module's modal message dialog with countdown and log-file button, and the exception report
// built on it.
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
//
// The title that dtCustom shows is the application's: the file name, without extension, of the
// process's executable (the host's, when the module is loaded as a plug-in).
#pragma once

#include "clsFormSettings.h"
#include "modDialogLayout.h"

#ifdef _WIN32

#include <windows.h>

#include <exception>
#include <memory>
#include <string>
#include <vector>

namespace zmt {

constexpr char kTimerFormClassName[] = "TfrmTimerForm";
constexpr char kTimerFormName[] = "frmTimerForm";
constexpr char kComponentNameProperty[] = "ZmtComponentName";

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
  bool inModalLoop_ = false;
  TColor color_ = clBtnFace;
  HBRUSH brush_ = nullptr;
  HBRUSH labelBrush_ = nullptr;
  HFONT buttonFont_ = nullptr;
  HFONT labelFont_ = nullptr;
  HWND focused_ = nullptr;
  std::vector<std::unique_ptr<TComponent>> others_;
  std::exception_ptr failure_;
};

// The form, laid out and not yet shown. Raises EArgumentError for a dialog type outside
// dtWarning..dtCustom and EInvalidOperation when FormSettings does not exist.
std::unique_ptr<TfrmTimerForm> CreateTimedMessageForm(const std::string& Msg, TDialogType DlgType,
                                                      TDialogButtons Buttons,
                                                      const std::string& LogFile, int32_t Seconds);

// Shows the dialog modally and gives its modal result; after a result of 6 (Yes or View Log)
// with a log file named, the shell opens that file. Reserved is not read.
int32_t TimedMessageDlg(const std::string& Msg, TDialogType DlgType, TDialogButtons Buttons,
                        const std::string& LogFile, int32_t Reserved, int32_t Seconds,
                        TColor Color);

// Reports a caught error: Msg, "Reason: " Reason, an empty line, "Raised In: " Origin, as an
// error with OK alone (and View Log when LogFile exists).
void ShowExceptionDlg(const std::string& Msg, const std::string& Reason, const std::string& Origin,
                      const std::string& LogFile, int32_t Reserved);

// The builder's steps.
TLabel& CreateMessageLabel(TfrmTimerForm& Form, const std::string& Msg);
int32_t MaxLineWidth(const std::string& Text, const TFont& Font);

// Removes the form's window class, whose procedure is in this module. Call from DllMain when the
// module is unloaded (not when the process ends), so that a later load never finds a class whose
// procedure has gone.
void UnregisterFormClasses() noexcept;

// Helpers of the Windows layer that other dialogs of the module can share.
// The module that holds this code: the plug-in DLL, or the executable that links it.
HINSTANCE ModuleInstance();
// The component name as a global atom in the window property kComponentNameProperty; a window
// whose atom cannot be made keeps only its control ID.
void SetComponentName(HWND hwnd, const std::string& name);
void ReleaseComponentName(HWND hwnd);
// The names of a window and of all its child windows, released before the window is destroyed.
void ReleaseComponentNames(HWND window);
std::string ApplicationTitle();
COLORREF ColorToRGB(TColor color);
// A GDI font of the given face, points (at the screen's pixels per inch) and style; the caller
// deletes it.
HFONT CreateFontHandle(const TFont& font);

// Measures in a GDI font on a memory DC compatible with the screen.
class TGdiTextMeasurer : public ITextMeasurer {
 public:
  explicit TGdiTextMeasurer(HFONT font);
  ~TGdiTextMeasurer() override;
  TGdiTextMeasurer(const TGdiTextMeasurer&) = delete;
  TGdiTextMeasurer& operator=(const TGdiTextMeasurer&) = delete;

  int32_t TextWidth(const std::string& Text) const override;
  int32_t LineHeight() const override;
  size_t FitCount(std::string_view Text, int32_t Width) const override;

 private:
  HDC dc_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

}  // namespace zmt

#endif  // _WIN32
