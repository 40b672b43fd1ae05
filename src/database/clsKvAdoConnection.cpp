#include "clsKvAdoConnection.h"

#include "SysUtils.h"

namespace zmt {

std::string ConnectionStringOf(const TConnectionDefaults& Defaults) {
  std::string provider;
  std::string extension;
  switch (Defaults.ProviderKind) {
    case pkSqlServer:
      provider = "SQLOLEDB.1";
      break;
    case pkFoxProDbf:
      provider = "MSDASQL.1";
      extension = "Extended Properties=\"Driver={Microsoft Visual FoxPro Driver};SourceDB=" +
                  Defaults.Directory + ";" + "SourceType=DBF;" +
                  "Exclusive=No;BackgroundFetch=Yes;Collate=Machine;Null=No;Deleted=Yes;\"";
      break;
    case pkAccessMdb:
      provider = "MSDASQL.1";
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
  bool opened = false;
  const std::unique_ptr<TRegistry> registry = OpenRegistry(opened, true);
  if (!opened) return {};
  if (!registry->ValueExists(RegistryName.ConnectionStringValueName)) {
    environment_.ShowMessage("Use the following window to specify a connection string for " +
                             Brackets());
    EditConnectionString();
  } else if (LastConnectFailed() && !NoRetryPrompt) {
    environment_.ShowMessage("The last attempt to connect to " + Brackets() + " failed" + "\r\r" +
                             "Use the next window to verify the connection settings are correct");
    CurrentConnectionString = registry->ReadString(RegistryName.ConnectionStringValueName);
    EditConnectionString();
  }
  return registry->ReadString(RegistryName.ConnectionStringValueName);
}

void TKVAdoConnection::WriteConnectionString(const std::string& S) {
  BuildValueNames();
  bool opened = false;
  const std::unique_ptr<TRegistry> registry = OpenRegistry(opened, false);
  if (opened) registry->WriteString(RegistryName.ConnectionStringValueName, S);
}

void TKVAdoConnection::EditConnectionString() {
  WriteConnectionString(environment_.PromptConnectionString(CurrentConnectionString));
}

bool TKVAdoConnection::LastConnectFailed() {
  BuildValueNames();
  std::unique_ptr<TRegistry> holder;
  return StoredFlag(OpenRegistryOrRaise(holder, true));
}

void TKVAdoConnection::SetLastConnectFailed(bool Value) {
  BuildValueNames();
  std::unique_ptr<TRegistry> holder;
  TRegistry& registry = OpenRegistryOrRaise(holder, true);
  if (!registry.ReadOnly()) {
    registry.WriteBool(RegistryName.FailedValueName, Value);
    return;
  }
  // Connect writes the flag after every open: a till whose user may only read the key still
  // connects while the flag already says Value. Any other flag, one that cannot be read as a flag
  // included, needed the write that full access would have allowed.
  bool unchanged = false;
  try {
    unchanged = StoredFlag(registry) == Value;
  } catch (const ERegistryException&) {
  }
  if (!unchanged) RaiseKeyNotOpened();
}

bool TKVAdoConnection::Connect(TCustomConnection& Connection) {
  try {
    if (Connection.Connected()) Connection.Close();
    Connection.Close();
    const std::string stored = GetStoredConnectionString();
    Connection.SetAnsiConnectionString(stored);
    Connection.SetLoginPrompt(false);
    Connection.Open();
    SetLastConnectFailed(false);
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
    // A failing flag write replaces the error in flight: the registry is what needs fixing.
    SetLastConnectFailed(true);
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
