#include "clsKvAdoConnection.h"

#include "SysUtils.h"
#include "modConnectionText.h"

namespace zmt {

std::string ConnectionStringOf(const TConnectionDefaults& Defaults) {
  std::string provider;
  std::string extension;
  switch (Defaults.ProviderKind) {
    case pkSqlServer:
      provider = kSqlServerProvider;
      break;
    case pkFoxProDbf:
      provider = kOdbcProvider;
      extension = "Extended Properties=\"Driver={Microsoft Visual FoxPro Driver};SourceDB=" +
                  Defaults.Directory + ";" + "SourceType=DBF;" +
                  "Exclusive=No;BackgroundFetch=Yes;Collate=Machine;Null=No;Deleted=Yes;\"";
      break;
    case pkAccessMdb:
      provider = kOdbcProvider;
      extension =
          "DRIVER=Microsoft Access Driver (*.mdb);UID=admin;UserCommitSync=Yes;Threads=3;"
          "SafeTransactions=0;PageTimeout=5;MaxScanRows=8;MaxBufferSize=2048;FIL=MS Access;"
          "DriverId=25;DefaultDir=" +
          Defaults.Directory + ";" + "DBQ=" + Defaults.DatabaseFile + ";";
      break;
    default:
      break;
  }
  return "Provider=" + provider + ";" + "Persist Security Info=True;" +
         "User ID=" + Defaults.UserID + ";" + "Password=" + Defaults.Password + ";" +
         "Initial Catalog=" + Defaults.InitialCatalog + ";" + "Data Source=" + Defaults.DataSource +
         ";" + extension;
}

TKVAdoConnection::TKVAdoConnection(TConnectionEnvironment& Environment)
    : environment_(Environment) {}

void TKVAdoConnection::SetApplicationName(const std::string& Name) {
  ApplicationName = Name;
  RegistryName.Key = "\\Software\\" + CompanyName + "\\" + Name;
}

void TKVAdoConnection::BuildValueNames() {
  RegistryName.ConnectionStringValueName = ConnectionName + "-" + "ConnectionString";
  RegistryName.FailedValueName = ConnectionName + "-" + "Failed";
}

void TKVAdoConnection::BuildConnectionString(const TConnectionDefaults& NewDefaults) {
  Defaults = NewDefaults;
  CurrentConnectionString = ConnectionStringOf(Defaults);
}

std::unique_ptr<TRegistry> TKVAdoConnection::OpenRegistry(bool& Opened, bool ForReading) {
  auto registry = std::make_unique<TRegistry>(environment_.CreateRegistry());
  Opened = ForReading ? registry->OpenKeyForReading(RegistryName.Key)
                      : registry->OpenKey(RegistryName.Key);
  return registry;
}

TRegistry& TKVAdoConnection::OpenRegistryOrRaise(std::unique_ptr<TRegistry>& Registry,
                                                 bool ForReading) {
  bool opened = false;
  Registry = OpenRegistry(opened, ForReading);
  if (!opened) RaiseKeyNotOpened();
  return *Registry;
}

void TKVAdoConnection::RaiseKeyNotOpened() const {
  throw Exception("Failed to open the registry key " + RegistryName.Key);
}

bool TKVAdoConnection::StoredFlag(TRegistry& Registry) const {
  if (!Registry.ValueExists(RegistryName.FailedValueName)) return false;
  return Registry.ReadBool(RegistryName.FailedValueName);
}

std::string TKVAdoConnection::Brackets() const {
  return "[" + ApplicationName + ":" + ConnectionName + "]";
}

std::string TKVAdoConnection::GetStoredConnectionString() {
  BuildValueNames();
  notSavedTold_ = false;
  bool opened = false;
  const std::unique_ptr<TRegistry> registry = OpenRegistry(opened, true);
  if (!opened) return {};
  const std::string& name = RegistryName.ConnectionStringValueName;
  if (!registry->ValueExists(name)) {
    environment_.ShowMessage("Use the following window to specify a connection string for " +
                             Brackets());
    return EditConnectionString();
  }
  if (LastConnectFailed() && !NoRetryPrompt) {
    environment_.ShowMessage("The last attempt to connect to " + Brackets() + " failed" + "\r\r" +
                             "Use the next window to verify the connection settings are correct");
    CurrentConnectionString = registry->ReadString(name);
    return EditConnectionString(CurrentConnectionString);
  }
  return registry->ReadString(name);
}

bool TKVAdoConnection::WriteConnectionString(const std::string& S) {
  BuildValueNames();
  bool opened = false;
  const std::unique_ptr<TRegistry> registry = OpenRegistry(opened, false);
  if (!opened) return false;
  registry->WriteString(RegistryName.ConnectionStringValueName, S);
  return true;
}

std::string TKVAdoConnection::EditConnectionString(const std::optional<std::string>& Stored) {
  const std::string outcome = environment_.PromptConnectionString(CurrentConnectionString);
  if (outcome != Stored && !WriteConnectionString(outcome)) TellSettingsNotSaved();
  return outcome;
}

void TKVAdoConnection::TellSettingsNotSaved() {
  if (notSavedTold_) return;
  notSavedTold_ = true;
  environment_.ShowWarning("The connection settings for " + Brackets() +
                           " could not be saved in the registry key HKEY_LOCAL_MACHINE" +
                           RegistryName.Key + "\r\r" +
                           "They are used for this connection only. An administrator must store "
                           "them");
}

bool TKVAdoConnection::LastConnectFailed() {
  BuildValueNames();
  std::unique_ptr<TRegistry> holder;
  return StoredFlag(OpenRegistryOrRaise(holder, true));
}

bool TKVAdoConnection::StoreFlag(bool Value) {
  BuildValueNames();
  std::unique_ptr<TRegistry> holder;
  TRegistry& registry = OpenRegistryOrRaise(holder, true);
  if (!registry.ReadOnly()) {
    registry.WriteBool(RegistryName.FailedValueName, Value);
    return true;
  }
  // A till whose user may only read the key keeps whatever flag it has; that is enough where
  // the flag already says Value. One that cannot be read as a flag needed the write.
  try {
    return StoredFlag(registry) == Value;
  } catch (const ERegistryException&) {
    return false;
  }
}

void TKVAdoConnection::SetLastConnectFailed(bool Value) {
  if (!StoreFlag(Value)) RaiseKeyNotOpened();
}

bool TKVAdoConnection::Connect(TCustomConnection& Connection) {
  try {
    if (Connection.Connected()) Connection.Close();
    Connection.Close();
    const std::string stored = GetStoredConnectionString();
    Connection.SetAnsiConnectionString(stored);
    Connection.SetLoginPrompt(false);
    Connection.Open();
    // A flag left at 1 only makes the next attempt ask to verify the settings again.
    bool recorded = false;
    try {
      recorded = StoreFlag(false);
    } catch (const Exception&) {
    }
    if (!recorded) TellSettingsNotSaved();
    const std::string reported = UpperCase(Connection.AnsiConnectionString());
    if (reported.find("SQLOLEDB") != std::string::npos) {
      ProviderKind = pkSqlServer;
    } else if (reported.find("MSDASQL") != std::string::npos) {
      ProviderKind = pkFoxProDbf;
    } else {
      ProviderKind = pkOther;
    }
    return true;
  } catch (...) {
    // The error in flight is what the operator has to act on; a flag that cannot be recorded
    // does not replace it. A key that cannot be opened at all does: then no stored setting could
    // be read, and that is the cause.
    try {
      StoreFlag(true);
    } catch (const ERegistryException&) {
    }
    throw;
  }
}

bool TKVAdoConnection::ConnectWithDefaults(TCustomConnection& Connection, uint8_t Set) {
  TConnectionDefaults defaults;
  switch (Set) {
    case cdPosMsde:
      defaults.UserID = "quro";
      defaults.InitialCatalog = "zqSql";
      defaults.DataSource = kDefaultServerAddress;
      SetApplicationName("Quro");
      ConnectionName = "Msde";
      break;
    case cdLocalSqlServer:
      defaults.UserID = "sa";
      defaults.InitialCatalog = kDefaultCatalogName;
      defaults.DataSource = "127.0.0.1";
      break;
    case cdDbfFolder:
      defaults.ProviderKind = pkFoxProDbf;
      defaults.Directory = "c:\\kv";
      break;
    default:
      throw Exception("No connection defaults specified");
  }
  BuildConnectionString(defaults);
  return Connect(Connection);
}

}  // namespace zmt
