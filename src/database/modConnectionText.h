// Reading and writing connection strings: what the till's screen may show of one, what it names,
// and the settings that the connection-string window edits in it.
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

// Shown, a masked string that an operator may have edited, with each "***" that stands as a
// secret's value replaced by the secret of Real (the string it was masked from) that has the
// same key, inside the same keys, in the same place among that key's secrets. Any other value,
// a secret typed over its mask included, stays as it is typed.
std::string RestoreMaskedPasswords(const std::string& Shown, const std::string& Real);

// Whether the connection string has a Provider key of its own (outside quoted and braced values),
// which then decides the provider over any the connection component was given.
bool NamesProvider(const std::string& ConnectionString);

constexpr char kSqlServerProvider[] = "SQLOLEDB.1";
// The OLE DB provider for ODBC, which the FoxPro and Access strings use.
constexpr char kOdbcProvider[] = "MSDASQL.1";

// The kinds of database whose settings the connection-string window offers as fields.
enum class TProviderChoice { SqlServer, Odbc, Other };

// By the string's Provider key: SQL Server for "SQLOLEDB" and ODBC for "MSDASQL" (any version,
// any case); Other for any other provider, and where the string names none.
TProviderChoice ProviderChoiceOf(const std::string& ConnectionString);
// The string with its Provider key set to the choice's provider, added first where it has none;
// Other leaves it unchanged.
std::string WithProviderChoice(const std::string& ConnectionString, TProviderChoice Choice);

// The settings that the connection-string window shows as fields, and the keys they stand for:
//   Server "Data Source", Database "Initial Catalog", UserName "User ID", Password "Password";
//   DataSourceName "DSN" (at the top level or inside Extended Properties), else "Data Source",
//   which the ODBC provider takes for the data source name;
//   Driver "Driver" and FileOrFolder "DBQ" or else "SourceDB", at the top level or inside
//   Extended Properties.
// Keys are found as providers find them (any case, blanks around the key ignored); values are
// read without their quotes or braces and without the doubling inside them.
enum class TConnectionField {
  Server,
  Database,
  DataSourceName,
  Driver,
  FileOrFolder,
  UserName,
  Password
};

// The field's value; empty where the string lacks its key.
std::string ConnectionField(const std::string& ConnectionString, TConnectionField Field);
// The string with the field's key set to Value where the field reads it, enclosed as the old
// value was, or else quoted only where a provider would read it otherwise. A key the string
// lacks is added at its end (a file or folder next to the driver: "SourceDB" for a FoxPro
// driver, else "DBQ"), unless Value is empty. Every other piece stays as it stands.
std::string WithConnectionField(const std::string& ConnectionString, TConnectionField Field,
                                const std::string& Value);

// Whether the string signs in with the Windows user ("Integrated Security" SSPI, true or yes).
bool UsesWindowsSignIn(const std::string& ConnectionString);
// On sets "Integrated Security=SSPI"; Off takes every Integrated Security key out.
std::string WithWindowsSignIn(const std::string& ConnectionString, bool On);

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
