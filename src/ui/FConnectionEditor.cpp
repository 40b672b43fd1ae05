#include "FConnectionEditor.h"

#include <vector>

#include "SysUtils.h"
#include "WinText.h"
#include "clsFormSettings.h"
#include "clsModalScope.h"
#include "modMessageDlg.h"
#include "modWinControls.h"

namespace zmt {

namespace {

// Predefined control classes of a dialog template.
constexpr WORD kButtonClass = 0x0080;
constexpr WORD kEditClass = 0x0081;
constexpr WORD kStaticClass = 0x0082;

// The largest text a multi-line edit control accepts: a connection string is never cut.
constexpr WPARAM kNoTextLimit = 0x7FFFFFFE;

// A dialog template in memory: DLGTEMPLATE with DS_SETFONT, then one DLGITEMTEMPLATE per control,
// each on a DWORD boundary.
class TDialogTemplate {
 public:
  TDialogTemplate(DWORD style, short width, short height, const std::string& caption,
                  const TFont& font) {
    AddDword(style | DS_SETFONT);
    AddDword(0);  // extended style
    countAt_ = words_.size();
    words_.push_back(0);
    AddShort(0);
    AddShort(0);
    AddShort(width);
    AddShort(height);
    words_.push_back(0);  // no menu
    words_.push_back(0);  // the dialog class
    AddText(caption);
    words_.push_back(static_cast<WORD>(font.Size));
    AddText(font.Name);
  }

  void AddControl(WORD windowClass, const std::string& text, DWORD style, short x, short y,
                  short width, short height, int id) {
    if (words_.size() % 2 != 0) words_.push_back(0);
    AddDword(WS_CHILD | WS_VISIBLE | style);
    AddDword(0);
    AddShort(x);
    AddShort(y);
    AddShort(width);
    AddShort(height);
    words_.push_back(static_cast<WORD>(id));
    words_.push_back(0xFFFF);
    words_.push_back(windowClass);
    AddText(text);
    words_.push_back(0);  // no creation data
    ++words_[countAt_];
  }

  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  void AddDword(DWORD value) {
    words_.push_back(LOWORD(value));
    words_.push_back(HIWORD(value));
  }
  void AddShort(short value) { words_.push_back(static_cast<WORD>(value)); }
  // A zero-terminated UTF-16 text.
  void AddText(const std::string& text) {
    for (wchar_t c : WideFromAnsi(text)) words_.push_back(static_cast<WORD>(c));
    words_.push_back(0);
  }

  // WORDs from operator new start on a DWORD boundary, as the template must.
  std::vector<WORD> words_;
  size_t countAt_ = 0;
};

class TConnectionEditor {
 public:
  TConnectionEditor(const std::string& start, const TConnectionTester& test)
      : start_(start), test_(test) {}

  // Gives the dialog's end code: IDOK, IDCANCEL, or 0 when its loop ended without an answer.
  INT_PTR ShowModal();
  const std::string& Text() const { return text_; }

 private:
  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);
  INT_PTR Dispatch(UINT msg, WPARAM wParam);
  void InitDialog();
  void TestConnection();
  void Finish(INT_PTR code) noexcept;

  const std::string& start_;
  const TConnectionTester& test_;
  std::string text_;
  HWND dialog_ = nullptr;
  TModalScope* modal_ = nullptr;
};

INT_PTR TConnectionEditor::ShowModal() {
  TFont font;
  if (FormSettings) {
    font = FormSettings->ButtonFont;
  } else {
    font.Name = "MS Shell Dlg";
  }
  constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;
  TDialogTemplate layout(kStyle, 320, 104, kConnectionEditorCaption, font);
  layout.AddControl(kStaticClass, "&Connection string:", SS_LEFT, 7, 7, 306, 8, kConnectionLabelId);
  // Lines scroll instead of wrapping: the edit control wraps a long string in time that grows
  // with the square of its length (a 64 KB string takes seconds under Wine).
  layout.AddControl(kEditClass, std::string(),
                    WS_BORDER | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE |
                        ES_AUTOVSCROLL | ES_AUTOHSCROLL,
                    7, 18, 306, 58, kConnectionStringEditId);
  layout.AddControl(kButtonClass, "Test Connection", WS_TABSTOP | BS_PUSHBUTTON, 7, 83, 70, 14,
                    kTestConnectionButtonId);
  layout.AddControl(kButtonClass, "OK", WS_TABSTOP | BS_DEFPUSHBUTTON, 189, 83, 60, 14,
                    kEditorOkButtonId);
  layout.AddControl(kButtonClass, "Cancel", WS_TABSTOP | BS_PUSHBUTTON, 253, 83, 60, 14,
                    kEditorCancelButtonId);

  TModalScope modal(nullptr, &modal_);
  // Owned by the host's active window, so that it opens above a host window that stays on top.
  const INT_PTR code =
      DialogBoxIndirectParamA(ModuleInstance(), layout.Get(), modal.PreviouslyActive(),
                              &TConnectionEditor::DialogProc, reinterpret_cast<LPARAM>(this));
  modal.RethrowFailure();
  if (code == -1) RaiseLastError("DialogBoxIndirectParamA");
  return code;
}

INT_PTR CALLBACK TConnectionEditor::DialogProc(HWND dialog, UINT msg, WPARAM wParam,
                                               LPARAM lParam) {
  if (msg == WM_INITDIALOG) {
    SetWindowLongPtrA(dialog, DWLP_USER, lParam);
    reinterpret_cast<TConnectionEditor*>(lParam)->dialog_ = dialog;
  }
  auto* editor = reinterpret_cast<TConnectionEditor*>(GetWindowLongPtrA(dialog, DWLP_USER));
  if (editor == nullptr) return FALSE;
  if (msg == WM_DESTROY) {
    ReleaseComponentNames(dialog);
    return FALSE;
  }
  // No exception may cross the system's call back into the dialog: it closes the editor and
  // reaches the caller from there.
  try {
    return editor->Dispatch(msg, wParam);
  } catch (...) {
    if (editor->modal_ != nullptr) editor->modal_->Catch();
    editor->Finish(0);
    return TRUE;
  }
}

INT_PTR TConnectionEditor::Dispatch(UINT msg, WPARAM wParam) {
  switch (msg) {
    case WM_INITDIALOG:
      InitDialog();
      return TRUE;  // focus on the edit box, the first tab stop
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case kEditorOkButtonId:
          text_ = WindowText(GetDlgItem(dialog_, kConnectionStringEditId));
          Finish(IDOK);
          return TRUE;
        case kEditorCancelButtonId:
          Finish(IDCANCEL);
          return TRUE;
        case kTestConnectionButtonId:
          if (HIWORD(wParam) == BN_CLICKED) TestConnection();
          return TRUE;
        default:
          return FALSE;
      }
    case WM_CLOSE:
      Finish(IDCANCEL);
      return TRUE;
    default:
      return FALSE;
  }
}

void TConnectionEditor::InitDialog() {
  SetComponentName(dialog_, kConnectionEditorName);
  const struct {
    int Id;
    const char* Name;
  } names[] = {{kConnectionLabelId, "lblConnectionString"},
               {kConnectionStringEditId, "edtConnectionString"},
               {kTestConnectionButtonId, "btnTest"},
               {kEditorOkButtonId, "btnOK"},
               {kEditorCancelButtonId, "btnCancel"}};
  for (const auto& control : names) SetComponentName(GetDlgItem(dialog_, control.Id), control.Name);

  HWND edit = GetDlgItem(dialog_, kConnectionStringEditId);
  // Raised before the text goes in: the edit control's default limit would cut a long string.
  SendMessageA(edit, EM_SETLIMITTEXT, kNoTextLimit, 0);
  if (!SetWindowTextA(edit, start_.c_str())) throw EOSError(LastErrorText("SetWindowTextA"));
  if (!test_) EnableWindow(GetDlgItem(dialog_, kTestConnectionButtonId), FALSE);
}

void TConnectionEditor::TestConnection() {
  const std::string text = WindowText(GetDlgItem(dialog_, kConnectionStringEditId));
  bool opened = false;
  std::string reason;
  try {
    test_(text);
    opened = true;
  } catch (const Exception& error) {
    reason = error.Message();
  } catch (const std::exception& error) {
    reason = error.what();
  }
  if (opened) {
    TimedMessageDlg(kTestSucceededText, dtInformation, ButtonSet({btOK}), "", 0, 0, clBtnFace);
  } else {
    TimedMessageDlg(kTestFailedText + reason, dtError, ButtonSet({btOK}), "", 0, 0, clBtnFace);
  }
}

void TConnectionEditor::Finish(INT_PTR code) noexcept {
  // Enabled again before the editor hides, so that activation goes back to them and not to
  // another program.
  if (modal_ != nullptr) modal_->EnableOthers();
  EndDialog(dialog_, code);
}

}  // namespace

bool EditConnectionStringDialog(const std::string& Start, std::string& Result,
                                const TConnectionTester& Test) {
  TConnectionEditor editor(Start, Test);
  if (editor.ShowModal() == IDOK) {
    Result = editor.Text();
    return true;
  }
  Result = Start;
  return false;
}

}  // namespace zmt
