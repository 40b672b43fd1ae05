// Reading connection strings: what the till's screen may show of one, and what it names.
#pragma once

#include <cstdint>
#include <string>

namespace zmt {

// The connection string with the value of every key whose name ends in "password" or "pwd" (any
// case, blanks allowed around the key) shown as "***", also inside quoted and braced values such
// as Extended Properties and inside values that are connection strings themselves. Empty values
// stay empty; where the text is malformed, more is hidden rather than less: a secret's value runs
// up to the next piece that is a well-formed "key=value" of its own, so that a password typed with
// a ";" or an undoubled quote in it is hidden whole. Everything else is left as it stands.
std::string MaskConnectionPasswords(const std::string& ConnectionString);

// Whether the connection string has a Provider key of its own (outside quoted and braced values),
// which then decides the provider over any the connection component was given.
bool NamesProvider(const std::string& ConnectionString);

// An error that stopped a connection from opening.
struct TConnectFailure {
  std::string Message;
  uint32_t Code = 0;        // the COM result where the error is one, else 0
  bool SystemText = false;  // Message is only the system's text for Code: no provider message
};

// The reason line of a connection failure report: the error, then on its own line the
// connection string, its passwords masked. Where the provider left no message of its own and
// the code is one an operator can act on (the provider missing, a bare failure, access denied),
// a sentence on what to check comes first, naming the provider of the string, or
// DefaultProvider where the string names none.
std::string ConnectFailureReason(const TConnectFailure& Failure,
                                 const std::string& ConnectionString,
                                 const std::string& DefaultProvider);

}  // namespace zmt
