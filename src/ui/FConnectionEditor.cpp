#include "FConnectionEditor.h"

#include <cstring>
#include <vector>

#include "SysUtils.h"
#include "WinText.h"
#include "clsFormSettings.h"
#include "clsModalScope.h"
#include "modConnectionText.h"
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

constexpr WORD kComboBoxClass = 0x0085;

// Wine wraps a line in time that grows with the square of its length (16 KB take a second): a
// string longer than any provider takes is shown in a field that scrolls sideways instead.
constexpr size_t kWrapLimit = 4096;

constexpr DWORD kTextFieldStyle =
    WS_BORDER | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL;
constexpr DWORD kScrollingTextField = WS_HSCROLL | ES_AUTOHSCROLL;

// Layout in dialog units: the provider, five rows of settings, the string, the buttons.
constexpr short kMargin = 7;
constexpr short kDialogWidth = 320;
constexpr short kInnerWidth = kDialogWidth - 2 * kMargin;
constexpr short kFieldX = 76;
constexpr short kFieldWidth = kDialogWidth - kMargin - kFieldX;
constexpr short kLabelWidth = kFieldX - kMargin - 3;
constexpr short kFirstRowY = 23;
constexpr short kRowPitch = 16;
constexpr short kRowHeight = 12;
constexpr short kStringLabelY = kFirstRowY + 5 * kRowPitch + 2;
constexpr short kStringY = kStringLabelY + 11;
constexpr short kStringHeight = 58;
constexpr short kButtonY = kStringY + kStringHeight + 7;
constexpr short kDialogHeight = kButtonY + 14 + kMargin;

// Which providers a row of settings is shown for, as bits of TProviderChoice.
constexpr unsigned kForSqlServer = 1u << static_cast<unsigned>(TProviderChoice::SqlServer);
constexpr unsigned kForOdbc = 1u << static_cast<unsigned>(TProviderChoice::Odbc);
constexpr unsigned kForAll =
    kForSqlServer | kForOdbc | 1u << static_cast<unsigned>(TProviderChoice::Other);

struct TFieldRow {
  int LabelId;
  const char* LabelName;
  const char* Label;
  int EditId;
  const char* EditName;
  TConnectionField Field;
  short Slot;
  unsigned ShownFor;
  DWORD EditStyle;
};

// In the tab order; the SQL Server and ODBC rows share slots, since only one set shows.
constexpr TFieldRow kRows[] = {
    {kServerLabelId, "lblServer", "&Server:", kServerEditId, "edtServer", TConnectionField::Server,
     0, kForSqlServer, 0},
    {kDataSourceNameLabelId, "lblDataSourceName", "Data source &name:", kDataSourceNameEditId,
     "edtDataSourceName", TConnectionField::DataSourceName, 0, kForOdbc, 0},
    {kDatabaseLabelId, "lblDatabase", "&Database:", kDatabaseEditId, "edtDatabase",
     TConnectionField::Database, 1, kForSqlServer, 0},
    {kDriverLabelId, "lblDriver", "D&river:", kDriverEditId, "edtDriver", TConnectionField::Driver,
     1, kForOdbc, 0},
    {kFileOrFolderLabelId, "lblFileOrFolder", "&File or folder:", kFileOrFolderEditId,
     "edtFileOrFolder", TConnectionField::FileOrFolder, 2, kForOdbc, 0},
    {kUserNameLabelId, "lblUserName", "&User name:", kUserNameEditId, "edtUserName",
     TConnectionField::UserName, 3, kForAll, 0},
    {kPasswordLabelId, "lblPassword", "&Password:", kPasswordEditId, "edtPassword",
     TConnectionField::Password, 4, kForAll, ES_PASSWORD},
};

constexpr short SlotY(short slot) {
  return kFirstRowY + slot * kRowPitch;
}

class TConnectionEditor {
 public:
  TConnectionEditor(const std::string& start, const TConnectionTester& test)
      : start_(start), test_(test), text_(start) {}

  // Gives the dialog's end code: IDOK, IDCANCEL, or 0 when its loop ended without an answer.
  INT_PTR ShowModal();
  const std::string& Text() const { return text_; }

 private:
  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK TextFieldProc(HWND edit, UINT msg, WPARAM wParam, LPARAM lParam);
  INT_PTR Dispatch(UINT msg, WPARAM wParam);
  bool Command(int id, int code);
  void InitDialog();
  void ShowProvider(TProviderChoice choice);
  void ShowFields();
  void ShowText();
  void SetText(HWND control, const std::string& text);
  HWND TextField() const { return GetDlgItem(dialog_, kConnectionStringEditId); }
  HWND UnwrapTextField();
  void SubclassTextField(HWND edit);
  void TextEdited();
  void TestConnection();
  void Finish(INT_PTR code) noexcept;

  const std::string& start_;
  const TConnectionTester& test_;
  // The whole string, passwords included; the window shows it masked.
  std::string text_;
  HWND dialog_ = nullptr;
  TModalScope* modal_ = nullptr;
  // While the window sets a control's text itself, the change it reports is no edit.
  bool updating_ = false;
  WNDPROC textFieldProc_ = nullptr;
};

INT_PTR TConnectionEditor::ShowModal() {
  TFont font;
  if (FormSettings) {
    font = FormSettings->ButtonFont;
  } else {
    font.Name = "MS Shell Dlg";
  }
  constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;
  TDialogTemplate layout(kStyle, kDialogWidth, kDialogHeight, kConnectionEditorCaption, font);
  layout.AddControl(kStaticClass, "Pro&vider:", SS_LEFT, kMargin, 9, kLabelWidth, 8,
                    kProviderLabelId);
  layout.AddControl(kComboBoxClass, std::string(), WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST,
                    kFieldX, 7, kFieldWidth, 60, kProviderComboId);
  for (const TFieldRow& row : kRows) {
    if (row.Field == TConnectionField::UserName) {
      layout.AddControl(kButtonClass, "Use &Windows sign-in", WS_TABSTOP | BS_AUTOCHECKBOX, kFieldX,
                        SlotY(2), kFieldWidth, kRowHeight, kWindowsSignInCheckId);
    }
    layout.AddControl(kStaticClass, row.Label, SS_LEFT, kMargin, SlotY(row.Slot) + 2, kLabelWidth,
                      8, row.LabelId);
    layout.AddControl(kEditClass, std::string(),
                      WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL | row.EditStyle, kFieldX,
                      SlotY(row.Slot), kFieldWidth, kRowHeight, row.EditId);
  }
  layout.AddControl(kStaticClass, "&Connection string:", SS_LEFT, kMargin, kStringLabelY,
                    kInnerWidth, 8, kConnectionLabelId);
  const DWORD textStyle = MaskConnectionPasswords(start_).size() > kWrapLimit
                              ? kTextFieldStyle | kScrollingTextField
                              : kTextFieldStyle;
  layout.AddControl(kEditClass, std::string(), textStyle, kMargin, kStringY, kInnerWidth,
                    kStringHeight, kConnectionStringEditId);
  layout.AddControl(kButtonClass, "Test Connection", WS_TABSTOP | BS_PUSHBUTTON, kMargin, kButtonY,
                    70, 14, kTestConnectionButtonId);
  layout.AddControl(kButtonClass, "OK", WS_TABSTOP | BS_DEFPUSHBUTTON, kDialogWidth - 131, kButtonY,
                    60, 14, kEditorOkButtonId);
  layout.AddControl(kButtonClass, "Cancel", WS_TABSTOP | BS_PUSHBUTTON, kDialogWidth - 67, kButtonY,
                    60, 14, kEditorCancelButtonId);

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

// Before a wrapping field takes in text that would make it longer than the wrap limit, it gives
// way to one that scrolls, which then takes the text.
LRESULT CALLBACK TConnectionEditor::TextFieldProc(HWND edit, UINT msg, WPARAM wParam,
                                                  LPARAM lParam) {
  auto* editor = reinterpret_cast<TConnectionEditor*>(GetWindowLongPtrA(edit, GWLP_USERDATA));
  size_t length = 0;
  switch (msg) {
    case WM_SETTEXT:
      length = lParam ? strlen(reinterpret_cast<const char*>(lParam)) : 0;
      break;
    case EM_REPLACESEL:
      length =
          GetWindowTextLengthA(edit) + (lParam ? strlen(reinterpret_cast<const char*>(lParam)) : 0);
      break;
    case WM_PASTE:
      length = GetWindowTextLengthA(edit);
      if (OpenClipboard(edit)) {
        if (HANDLE data = GetClipboardData(CF_TEXT)) length += GlobalSize(data);
        CloseClipboard();
      }
      break;
    case WM_CHAR:
      length = GetWindowTextLengthA(edit) + 1;
      break;
    default:
      break;
  }
  const WNDPROC original = editor->textFieldProc_;
  const bool wraps = (GetWindowLongPtrA(edit, GWL_STYLE) & ES_AUTOHSCROLL) == 0;
  HWND scrolling = wraps && length > kWrapLimit ? editor->UnwrapTextField() : nullptr;
  const LRESULT result = scrolling ? SendMessageA(scrolling, msg, wParam, lParam)
                                   : CallWindowProcA(original, edit, msg, wParam, lParam);
  // A multi-line field reports no change for a text set from outside, as automation sets it.
  if (msg == WM_SETTEXT && !scrolling && !editor->updating_) editor->TextEdited();
  return result;
}

void TConnectionEditor::SubclassTextField(HWND edit) {
  SetWindowLongPtrA(edit, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  textFieldProc_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
      edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TConnectionEditor::TextFieldProc)));
}

// What the operator types goes in as it stands; the fields follow it.
void TConnectionEditor::TextEdited() {
  text_ = RestoreMaskedPasswords(WindowText(TextField()), text_);
  ShowProvider(ProviderChoiceOf(text_));
  ShowFields();
}

// Takes the wrapping field's place, text, selection and focus with one that scrolls, and
// destroys the wrapping one; null when the new field cannot be made (the old one stays).
HWND TConnectionEditor::UnwrapTextField() {
  HWND wrapping = TextField();
  RECT place{};
  GetWindowRect(wrapping, &place);
  MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&place), 2);
  const DWORD style = static_cast<DWORD>(GetWindowLongPtrA(wrapping, GWL_STYLE));
  const DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrA(wrapping, GWL_EXSTYLE));
  HWND scrolling =
      CreateWindowExA(exStyle, "EDIT", "", style | kScrollingTextField, place.left, place.top,
                      place.right - place.left, place.bottom - place.top, dialog_,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kConnectionStringEditId)),
                      ModuleInstance(), nullptr);
  if (scrolling == nullptr) return nullptr;
  // The old field reports under no ID from here on, and the new one stands in its tab place.
  SetWindowLongPtrA(wrapping, GWLP_ID, 0);
  SetWindowPos(scrolling, wrapping, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  SendMessageA(scrolling, WM_SETFONT, SendMessageA(wrapping, WM_GETFONT, 0, 0), FALSE);
  SendMessageA(scrolling, EM_SETLIMITTEXT, kNoTextLimit, 0);
  DWORD selStart = 0;
  DWORD selEnd = 0;
  SendMessageA(wrapping, EM_GETSEL, reinterpret_cast<WPARAM>(&selStart),
               reinterpret_cast<LPARAM>(&selEnd));
  const bool updating = updating_;
  updating_ = true;
  SetWindowTextA(scrolling, WindowText(wrapping).c_str());
  updating_ = updating;
  SendMessageA(scrolling, EM_SETSEL, selStart, selEnd);
  SetComponentName(scrolling, "edtConnectionString");
  SubclassTextField(scrolling);
  if (GetFocus() == wrapping) SetFocus(scrolling);
  ReleaseComponentName(wrapping);
  DestroyWindow(wrapping);
  return scrolling;
}

INT_PTR TConnectionEditor::Dispatch(UINT msg, WPARAM wParam) {
  switch (msg) {
    case WM_INITDIALOG:
      InitDialog();
      return TRUE;  // focus on the provider, the first tab stop
    case WM_COMMAND:
      return Command(LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
    case WM_CLOSE:
      Finish(IDCANCEL);
      return TRUE;
    default:
      return FALSE;
  }
}

bool TConnectionEditor::Command(int id, int code) {
  switch (id) {
    case kEditorOkButtonId:
      Finish(IDOK);
      return true;
    case kEditorCancelButtonId:
      Finish(IDCANCEL);
      return true;
    case kTestConnectionButtonId:
      if (code == BN_CLICKED) TestConnection();
      return true;
    case kProviderComboId:
      if (code == CBN_SELCHANGE) {
        const auto choice = static_cast<TProviderChoice>(
            SendMessageA(GetDlgItem(dialog_, kProviderComboId), CB_GETCURSEL, 0, 0));
        text_ = WithProviderChoice(text_, choice);
        ShowProvider(choice);
        ShowFields();
        ShowText();
      }
      return true;
    case kWindowsSignInCheckId:
      if (code == BN_CLICKED) {
        text_ = WithWindowsSignIn(
            text_, IsDlgButtonChecked(dialog_, kWindowsSignInCheckId) == BST_CHECKED);
        ShowFields();
        ShowText();
      }
      return true;
    case kConnectionStringEditId:
      // A password typed in the string shows masked once the operator leaves it.
      if (code == EN_CHANGE && !updating_) {
        TextEdited();
      } else if (code == EN_KILLFOCUS) {
        ShowText();
      }
      return true;
    default:
      for (const TFieldRow& row : kRows) {
        if (id == row.EditId && code == EN_CHANGE && !updating_) {
          text_ = WithConnectionField(text_, row.Field, WindowText(GetDlgItem(dialog_, id)));
          ShowText();
          return true;
        }
      }
      return false;
  }
}

void TConnectionEditor::InitDialog() {
  SetComponentName(dialog_, kConnectionEditorName);
  const struct {
    int Id;
    const char* Name;
  } names[] = {
      {kConnectionLabelId, "lblConnectionString"}, {kConnectionStringEditId, "edtConnectionString"},
      {kTestConnectionButtonId, "btnTest"},        {kEditorOkButtonId, "btnOK"},
      {kEditorCancelButtonId, "btnCancel"},        {kProviderLabelId, "lblProvider"},
      {kProviderComboId, "cbxProvider"},           {kWindowsSignInCheckId, "chkWindowsSignIn"}};
  for (const auto& control : names) SetComponentName(GetDlgItem(dialog_, control.Id), control.Name);
  for (const TFieldRow& row : kRows) {
    SetComponentName(GetDlgItem(dialog_, row.LabelId), row.LabelName);
    SetComponentName(GetDlgItem(dialog_, row.EditId), row.EditName);
  }

  HWND combo = GetDlgItem(dialog_, kProviderComboId);
  for (const std::string& item :
       {std::string("SQL Server (") + kSqlServerProvider + ")",
        std::string("ODBC data source or driver (") + kOdbcProvider + ")", std::string("Other")}) {
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  }

  HWND edit = TextField();
  SubclassTextField(edit);
  // Raised before the text goes in: the edit control's default limit would cut a long string.
  SendMessageA(edit, EM_SETLIMITTEXT, kNoTextLimit, 0);
  ShowProvider(ProviderChoiceOf(text_));
  ShowFields();
  ShowText();
  if (!test_) EnableWindow(GetDlgItem(dialog_, kTestConnectionButtonId), FALSE);
}

// The choice in the list and the rows of settings it has.
void TConnectionEditor::ShowProvider(TProviderChoice choice) {
  SendMessageA(GetDlgItem(dialog_, kProviderComboId), CB_SETCURSEL, static_cast<WPARAM>(choice), 0);
  const unsigned bit = 1u << static_cast<unsigned>(choice);
  for (const TFieldRow& row : kRows) {
    const int show = (row.ShownFor & bit) != 0 ? SW_SHOWNA : SW_HIDE;
    ShowWindow(GetDlgItem(dialog_, row.LabelId), show);
    ShowWindow(GetDlgItem(dialog_, row.EditId), show);
  }
  ShowWindow(GetDlgItem(dialog_, kWindowsSignInCheckId),
             (kForSqlServer & bit) != 0 ? SW_SHOWNA : SW_HIDE);
}

// The fields as the string reads; with Windows' own sign-in, SQL Server takes no user and
// password, so their fields are off.
void TConnectionEditor::ShowFields() {
  for (const TFieldRow& row : kRows) {
    SetText(GetDlgItem(dialog_, row.EditId), ConnectionField(text_, row.Field));
  }
  const bool windows = UsesWindowsSignIn(text_);
  CheckDlgButton(dialog_, kWindowsSignInCheckId, windows ? BST_CHECKED : BST_UNCHECKED);
  const bool signIn = !windows || ProviderChoiceOf(text_) != TProviderChoice::SqlServer;
  for (int id : {kUserNameLabelId, kUserNameEditId, kPasswordLabelId, kPasswordEditId}) {
    EnableWindow(GetDlgItem(dialog_, id), signIn);
  }
}

void TConnectionEditor::ShowText() {
  SetText(TextField(), MaskConnectionPasswords(text_));
}

// A control's text, set only where it differs, so that a field being edited keeps its caret.
void TConnectionEditor::SetText(HWND control, const std::string& text) {
  if (WindowText(control) == text) return;
  updating_ = true;
  const BOOL set = SetWindowTextA(control, text.c_str());
  updating_ = false;
  if (!set) throw EOSError(LastErrorText("SetWindowTextA"));
}

void TConnectionEditor::TestConnection() {
  bool opened = false;
  std::string reason;
  try {
    test_(text_);
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
