// The module's own connection-string editor, for systems whose OLE DB service components have no
// data-link dialog.
//
// Finding the editor from outside (UI tests, automation, screen readers):
//   * It is a top-level dialog of the system's dialog class "#32770" (kConnectionEditorClassName)
//     owned by the window that was active when it opened, captioned "Connection String".
//   * The dialog and every control carry their component name in the window property
//     "ZmtComponentName", as in the message dialog (see FTimerForm.h): the dialog
//     "frmConnectionEditor", then "lblConnectionString" (100), "edtConnectionString" (101),
//     "btnTest" (102), "btnOK" (IDOK) and "btnCancel" (IDCANCEL), with their fixed control IDs.
//   * "btnOK" is the default button (Enter); Escape and the close box act as "btnCancel".
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
constexpr int kEditorOkButtonId = IDOK;
constexpr int kEditorCancelButtonId = IDCANCEL;

// Tries to open a connection with the string; throws (zmt::Exception, with the provider's message)
// when it does not open.
using TConnectionTester = std::function<void(const std::string&)>;

// Modal editor: gives true and the edited string in Result on OK; false (Result = Start) on
// Cancel, the close box or Escape. The calling thread's other top-level windows are disabled while
// it is open. "Test Connection" calls Test with the edited text and reports the outcome in the
// module's message dialog (FormSettings must exist for that); an error of Test that is not a
// zmt::Exception or std::exception, or a failure of the message dialog, closes the editor and
// leaves this function. Without a Test the button is disabled.
bool EditConnectionStringDialog(const std::string& Start, std::string& Result,
                                const TConnectionTester& Test);

}  // namespace zmt

#endif  // _WIN32
