// The operator's editor of an ADO connection string: the OLE DB data-link dialog where the service
// components offer it, the module's own editor where they do not (Wine).
#pragma once

#ifdef _WIN32

#include <string>

namespace zmt {

// Lets the operator edit Start; gives the edited string (password included) on confirmation, or
// Start unchanged on cancel or on any failing result of the dialog. Raises EOleException when the
// data-links object cannot be created.
std::string PromptConnectionString(const std::string& Start);

}  // namespace zmt

#endif  // _WIN32
