// The module's own connection-string editor, for systems whose OLE DB service components have no
// data-link dialog: the provider, the settings of the three kinds of database the module knows
// as fields (the password in a masked field), and the whole string, its passwords shown as "***",
// wrapped in a field of its own that may be edited directly.
//
// Finding the editor from outside (UI tests, automation, screen readers):
//   * It is a top-level dialog of the system's dialog class "#32770" (kConnectionEditorClassName)
//     owned by the window that was active when it opened, captioned "Connection String".
//   * The dialog and every control carry their component name in the window property
//     "ZmtComponentName", as in the message dialog (see FTimerForm.h): the dialog
//     "frmConnectionEditor", then, with their fixed control IDs, in the tab order:
//       "lblProvider" (103), "cbxProvider" (104): SQL Server, ODBC data source or driver, Other;
//       SQL Server only: "lblServer" (105), "edtServer" (106), "lblDatabase" (107),
//         "edtDatabase" (108), "chkWindowsSignIn" (109);
//       ODBC only: "lblDataSourceName" (110), "edtDataSourceName" (111), "lblDriver" (112),
//         "edtDriver" (113), "lblFileOrFolder" (114), "edtFileOrFolder" (115);
//       every provider: "lblUserName" (116), "edtUserName" (117), "lblPassword" (118),
//         "edtPassword" (119, a password field);
//       "lblConnectionString" (100), "edtConnectionString" (101), "btnTest" (102), "btnOK" (IDOK)
//       and "btnCancel" (IDCANCEL).
//     The rows of the other providers are hidden; with Windows' sign-in the user and password
//     rows are disabled. Each label's underlined letter moves to its field.
//   * "btnOK" is the default button (Enter); Escape and the close box act as "btnCancel".
//   * "edtConnectionString" wraps; a string longer than 4096 characters is shown in a field that
//     scrolls sideways instead (the field is replaced, under the same name and ID, when an edit
//     makes the string that long).
//   * A field's edit rewrites only its own key in the string; an edit of the string sets the
//     fields from it. In the string, a "***" standing as a password keeps the password it stands
//     for; a password typed there shows in clear until the string's field loses the focus.
#pragma once

#ifdef _WIN32

#include <windows.h>

#include <functional>
#include <string>

namespace zmt {

constexpr char kConnectionEditorClassName[] = "#32770";
constexpr char kConnectionEditorName[] = "frmConnectionEditor";
constexpr char kConnectionEditorCaption[] = "Connection String";
constexpr char kTestSucceededText[] = "Test connection succeeded.";
// Followed by the provider's message.
constexpr char kTestFailedText[] = "Test connection failed:\r";

constexpr int kConnectionLabelId = 100;
constexpr int kConnectionStringEditId = 101;
constexpr int kTestConnectionButtonId = 102;
constexpr int kProviderLabelId = 103;
constexpr int kProviderComboId = 104;
constexpr int kServerLabelId = 105;
constexpr int kServerEditId = 106;
constexpr int kDatabaseLabelId = 107;
constexpr int kDatabaseEditId = 108;
constexpr int kWindowsSignInCheckId = 109;
constexpr int kDataSourceNameLabelId = 110;
constexpr int kDataSourceNameEditId = 111;
constexpr int kDriverLabelId = 112;
constexpr int kDriverEditId = 113;
constexpr int kFileOrFolderLabelId = 114;
constexpr int kFileOrFolderEditId = 115;
constexpr int kUserNameLabelId = 116;
constexpr int kUserNameEditId = 117;
constexpr int kPasswordLabelId = 118;
constexpr int kPasswordEditId = 119;
constexpr int kEditorOkButtonId = IDOK;
constexpr int kEditorCancelButtonId = IDCANCEL;

// Tries to open a connection with the string; throws (zmt::Exception, with the provider's message)
// when it does not open.
using TConnectionTester = std::function<void(const std::string&)>;

// Modal editor: gives true and the edited string, passwords included, in Result on OK; false
// (Result = Start) on Cancel, the close box or Escape. The calling thread's other top-level
// windows are disabled while it is open. "Test Connection" calls Test with the string that OK
// would give and reports the outcome in the
// module's message dialog (FormSettings must exist for that); an error of Test that is not a
// zmt::Exception or std::exception, or a failure of the message dialog, closes the editor and
// leaves this function. Without a Test the button is disabled.
bool EditConnectionStringDialog(const std::string& Start, std::string& Result,
                                const TConnectionTester& Test);

}  // namespace zmt

#endif  // _WIN32
