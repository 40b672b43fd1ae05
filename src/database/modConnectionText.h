// Connection-string texts meant for people: what the till's screen may show of a connection
// string.
#pragma once

#include <string>

namespace zmt {

// The connection string with the value of every Password or PWD key (any case, blanks allowed
// around the key) shown as "***", also inside quoted values such as Extended Properties. Empty
// values stay empty; everything else is left as it stands.
std::string MaskConnectionPasswords(const std::string& ConnectionString);

// The reason line of a connection failure report: the error, then on its own line the
// connection string, its passwords masked.
std::string ConnectFailureReason(const std::string& ErrorMessage,
                                 const std::string& ConnectionString);

}  // namespace zmt
