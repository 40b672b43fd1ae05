// The settings of one named database connection of one application: the connection string the
// operator chose and whether the last attempt to connect failed, kept in the registry under
// HKEY_LOCAL_MACHINE\Software\<company>\<application>; the default string built from a record
// of defaults; the prompts when no string is stored or the last attempt failed.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "clsCustomConnection.h"
#include "clsRegistry.h"

namespace zmt {

enum TProviderKind : uint8_t { pkSqlServer = 0, pkFoxProDbf = 1, pkAccessMdb = 2, pkOther = 3 };

struct TConnectionDefaults {
  TProviderKind ProviderKind = pkSqlServer;
  std::string UserID;
  std::string Password;
  std::string InitialCatalog;
  std::string DataSource;
  std::string Directory;
  std::string DatabaseFile;
};

struct TRegistryName {
  std::string Key;
  std::string FailedValueName;
  std::string ConnectionStringValueName;
};

enum TConnectionDefaultSet : uint8_t { cdPosMsde = 0, cdLocalSqlServer = 1, cdDbfFolder = 2 };

// The server that the POS database is offered on at first use, and the catalog of a local SQL
// Server.
constexpr char kDefaultServerAddress[] = "localhost";
constexpr char kDefaultCatalogName[] = "quro";

// What the settings reach outside themselves: the registry, the operator and the connection
// dialog. The module's own reaches Windows; the portable tests give a scripted one.
class TConnectionEnvironment {
 public:
  virtual ~TConnectionEnvironment() = default;
  // A new handle on the registry for one operation.
  virtual std::unique_ptr<TRegistryBackend> CreateRegistry() = 0;
  // An information message with OK alone; the answer is not looked at.
  virtual void ShowMessage(const std::string& Text) = 0;
  // The same as a warning: something the operator cannot mend needs an administrator.
  virtual void ShowWarning(const std::string& Text) = 0;
  // The connection-string dialog: the edited string, or Start unchanged on cancel.
  virtual std::string PromptConnectionString(const std::string& Start) = 0;
};

// Reaches the Windows registry, TimedMessageDlg and the data-link dialog.
TConnectionEnvironment& WindowsConnectionEnvironment();

class TKVAdoConnection {
 public:
  // Uses the Windows environment.
  TKVAdoConnection();
  explicit TKVAdoConnection(TConnectionEnvironment& Environment);
  virtual ~TKVAdoConnection() = default;
  TKVAdoConnection(const TKVAdoConnection&) = delete;
  TKVAdoConnection& operator=(const TKVAdoConnection&) = delete;

  TRegistryName RegistryName;
  std::string CurrentConnectionString;
  std::string ConnectionName;
  std::string ApplicationName;
  TConnectionDefaults Defaults;
  std::string CompanyName = "Tessinor";
  TProviderKind ProviderKind = pkSqlServer;
  bool NoRetryPrompt = false;

  void SetApplicationName(const std::string& Name);
  void BuildValueNames();
  void BuildConnectionString(const TConnectionDefaults& NewDefaults);

  // Opens Connection with the stored string and records the outcome; gives true or raises the
  // error that stopped it, after recording the failure. A connection that opened stays open and
  // is never reported as failed for want of recording it: where the settings cannot be stored
  // (a till whose user may only read the key), the operator is told so once and the string
  // chosen is used for this attempt.
  virtual bool Connect(TCustomConnection& Connection);
  // Builds the current string from a built-in set, then Connect. Raises "No connection defaults
  // specified" for an unknown set, changing nothing.
  virtual bool ConnectWithDefaults(TCustomConnection& Connection, uint8_t Set);

  // The string to connect with, after the prompts that the stored values call for: what the
  // operator chose where a prompt was shown, else the stored string.
  std::string GetStoredConnectionString();
  // False, storing nothing, when the key cannot be opened for writing.
  bool WriteConnectionString(const std::string& S);
  // Lets the operator edit CurrentConnectionString and gives the outcome. It is stored unless it
  // is the text Stored holds, so a cancelled window changes nothing stored (nor the value's
  // type); one that cannot be stored is still given, and the operator told.
  std::string EditConnectionString(const std::optional<std::string>& Stored = std::nullopt);
  bool LastConnectFailed();
  void SetLastConnectFailed(bool Value);

 private:
  // Writes the flag; false when the key may only be read and holds another flag. Raises when the
  // key cannot be opened at all, or the registry refuses the write.
  bool StoreFlag(bool Value);
  // Once per attempt: the settings chosen could not be saved, and who can save them.
  void TellSettingsNotSaved();
  // ForReading: an operation that only reads, which goes on when full access is refused.
  std::unique_ptr<TRegistry> OpenRegistry(bool& Opened, bool ForReading);
  TRegistry& OpenRegistryOrRaise(std::unique_ptr<TRegistry>& Registry, bool ForReading);
  [[noreturn]] void RaiseKeyNotOpened() const;
  bool StoredFlag(TRegistry& Registry) const;
  std::string Brackets() const;

  TConnectionEnvironment& environment_;
  bool notSavedTold_ = false;
};

// The connection string that BuildConnectionString makes of Defaults.
std::string ConnectionStringOf(const TConnectionDefaults& Defaults);

}  // namespace zmt
