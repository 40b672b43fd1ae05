// The module's modal message dialog with countdown and log-file button, and the exception report
// built on it: the builder that lays out a TfrmTimerForm and the functions that show it.
//
// The title that dtCustom shows is the application's: the file name, without extension, of the
// process's executable (the host's, when the module is loaded as a plug-in).
#pragma once

#include "clsFormSettings.h"
#include "modDialogLayout.h"

#ifdef _WIN32

#include <memory>
#include <string>

namespace zmt {

// In FTimerForm, which only the builder's callers need.
class TfrmTimerForm;
struct TLabel;

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

}  // namespace zmt

#endif  // _WIN32
