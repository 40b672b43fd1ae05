#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "ConnectionFakes.h"
#include "modConnectionText.h"

namespace zmt {
namespace {

using namespace std::string_literals;
using testing::FakeConnection;
using testing::FakeEnvironment;

constexpr char kKey[] = "Software\\Tessinor\\Quro";
constexpr char kFirst[] = "Use the following window to specify a connection string for [Quro:Msde]";
constexpr char kVerify[] =
    "The last attempt to connect to [Quro:Msde] failed\r\rUse the next window to verify the "
    "connection settings are correct";
constexpr char kKeyError[] = "Failed to open the registry key \\Software\\Tessinor\\Quro";
constexpr char kNotSaved[] =
    "warning: The connection settings for [Quro:Msde] could not be saved in the registry key "
    "HKEY_LOCAL_MACHINE\\Software\\Tessinor\\Quro\r\rThey are used for this connection only. An "
    "administrator must store them";

std::string Repeat(const std::string& text, int times) {
  std::string result;
  for (int i = 0; i < times; ++i) result += text;
  return result;
}

TEST(ConnectionString, EveryKindByteForByte) {
  const struct {
    uint8_t Kind;
    TConnectionDefaults Defaults;
    std::string Expected;
  } cases[] = {
      {0,
       {pkSqlServer, "u", "", "c", "s", "", ""},
       "Provider=SQLOLEDB.1;Persist Security Info=True;User ID=u;Password=;Initial Catalog=c;"
       "Data Source=s;"},
      {1,
       {pkFoxProDbf, "", "", "", "", "c:\\kv", ""},
       "Provider=MSDASQL.1;Persist Security Info=True;User ID=;Password=;Initial Catalog=;"
       "Data Source=;Extended Properties=\"Driver={Microsoft Visual FoxPro Driver};SourceDB=c:\\kv;"
       "SourceType=DBF;Exclusive=No;BackgroundFetch=Yes;Collate=Machine;Null=No;Deleted=Yes;\""},
      {2,
       {pkAccessMdb, "", "", "", "", "d", "f"},
       "Provider=MSDASQL.1;Persist Security Info=True;User ID=;Password=;Initial Catalog=;"
       "Data Source=;DRIVER=Microsoft Access Driver (*.mdb);UID=admin;UserCommitSync=Yes;"
       "Threads=3;SafeTransactions=0;PageTimeout=5;MaxScanRows=8;MaxBufferSize=2048;"
       "FIL=MS Access;DriverId=25;DefaultDir=d;DBQ=f;"},
      {3,
       {pkOther, "a", "p w", "b", "c", "d", "e"},
       "Provider=;Persist Security Info=True;User ID=a;Password=p w;Initial Catalog=b;"
       "Data Source=c;"},
      {200,
       {static_cast<TProviderKind>(200), "", "", "", "", "", ""},
       "Provider=;Persist Security Info=True;User ID=;Password=;Initial Catalog=;Data Source=;"},
  };
  for (const auto& c : cases) {
    FakeEnvironment env;
    TKVAdoConnection settings(env);
    settings.BuildConnectionString(c.Defaults);
    EXPECT_EQ(settings.CurrentConnectionString, c.Expected) << int(c.Kind);
    EXPECT_EQ(settings.Defaults.DatabaseFile, c.Defaults.DatabaseFile);
  }
}

class ConnectionSettings : public ::testing::Test {
 protected:
  ConnectionSettings() : settings(env) {
    settings.BuildConnectionString({pkSqlServer, "quro", "vqk", "zqSql", "srv", "", ""});
    settings.SetApplicationName("Quro");
    settings.ConnectionName = "Msde";
  }
  void Store(const std::string& s, uint32_t type = kRegSz) {
    env.Registry.Keys[kKey]["Msde-ConnectionString"] = {type, s + '\0'};
  }
  // Type and bytes; type 0 when missing.
  std::pair<uint32_t, std::string> Stored(const std::string& name) {
    const auto* v = env.Registry.Find(kKey, name);
    return v ? *v : std::pair<uint32_t, std::string>{};
  }
  uint32_t Flag() {
    const auto* v = env.Registry.Find(kKey, "Msde-Failed");
    EXPECT_TRUE(v && v->first == kRegDword && v->second.size() == 4);
    uint32_t f = 99;
    if (v && v->second.size() == 4) memcpy(&f, v->second.data(), 4);
    return f;
  }

  FakeEnvironment env;
  TKVAdoConnection settings;
  FakeConnection con;
};

TEST_F(ConnectionSettings, RegistryStateDecidesThePrompts) {
  const struct {
    uint32_t Stored;  // the string's type; 0: missing
    int Flag;         // -1: missing
    bool NoRetry;
    bool Confirm;  // else the window is cancelled
    std::vector<std::string> Messages;
    std::vector<std::string> Starts;
    std::string Got;
    std::pair<uint32_t, std::string> After;  // the stored string's type and bytes
  } rows[] = {
      {0, 1, false, true, {kFirst}, {"built"}, "edited", {kRegSz, "edited\0"s}},
      {kRegSz, 7, false, true, {kVerify}, {"stored"}, "edited", {kRegSz, "edited\0"s}},
      // A cancelled window writes nothing: the value keeps its type.
      {kRegExpandSz, 1, false, false, {kVerify}, {"stored"}, "stored", {kRegExpandSz, "stored\0"s}},
      {kRegSz, 1, true, true, {}, {}, "stored", {kRegSz, "stored\0"s}},
      {kRegSz, 0, false, true, {}, {}, "stored", {kRegSz, "stored\0"s}},
      {kRegExpandSz, -1, false, true, {}, {}, "stored", {kRegExpandSz, "stored\0"s}},
  };
  for (const auto& row : rows) {
    env = FakeEnvironment{};
    env.Confirm = row.Confirm;
    env.Edited = "edited";
    settings.CurrentConnectionString = "built";
    settings.NoRetryPrompt = row.NoRetry;
    if (row.Stored) Store("stored", row.Stored);
    if (row.Flag >= 0) env.Registry.PutDword(kKey, "Msde-Failed", uint32_t(row.Flag));
    const std::string got = settings.GetStoredConnectionString();
    EXPECT_EQ(env.Messages, row.Messages);
    EXPECT_EQ(env.PromptStarts, row.Starts);
    EXPECT_EQ(got, row.Got);
    EXPECT_EQ(Stored("Msde-ConnectionString"), row.After);
    EXPECT_EQ(env.Registry.Open, 0) << "every handle closed";
  }
}

TEST_F(ConnectionSettings, CancelledFirstPromptStoresTheBuiltString) {
  const std::string built = settings.CurrentConnectionString;
  EXPECT_EQ(settings.GetStoredConnectionString(), built);
  EXPECT_EQ(Stored("Msde-ConnectionString").second, built + '\0');
}

TEST_F(ConnectionSettings, ConnectMovesTheFlagAndReadsTheProviderBack) {
  const std::pair<std::string, TProviderKind> reported[] = {
      {"Provider=sqloledb.1;x", pkSqlServer},
      {"Provider=MSDASQL.1;DSN=a", pkFoxProDbf},
      {"Provider=Other;", pkOther},
  };
  for (const auto& [text, kind] : reported) {
    Store("Provider=MSDASQL.1;Data Source=a");
    env.Registry.PutDword(kKey, "Msde-Failed", 1);
    settings.NoRetryPrompt = true;
    con.IsOpen = true;  // an open connection is closed and opened with the stored string
    con.Text = "old";
    con.Reported = text;
    EXPECT_TRUE(settings.Connect(con));
    EXPECT_EQ(con.OpenedWith, "Provider=MSDASQL.1;Data Source=a");
    EXPECT_FALSE(con.Prompt);
    EXPECT_EQ(Flag(), 0u);
    EXPECT_EQ(settings.ProviderKind, kind);
  }
}

TEST_F(ConnectionSettings, FailuresSetTheFlagAndRaiseTheirOwnMessage) {
  const struct {
    const char* Name;
    std::function<void(FakeEnvironment&, FakeConnection&)> Arrange;
    std::string Message;
    bool FlagSet;
  } cases[] = {
      {"provider refuses",
       [](auto& e, auto& c) {
         e.Registry.Keys[kKey]["Msde-ConnectionString"] = {kRegSz, "s"};
         c.OpenError = "Unspecified error (0x80004005)";
       },
       "Unspecified error (0x80004005)", true},
      // Nothing stored could be read, so the provider's refusal of an empty string is not why.
      {"key cannot be opened",
       [](auto& e, auto& c) {
         e.Registry.DenyKey = true;
         c.OpenError = "E";
       },
       kKeyError, false},
      {"flag of the wrong type",
       [](auto& e, auto&) {
         e.Registry.Keys[kKey]["Msde-ConnectionString"] = {kRegSz, "s"};
         e.Registry.Keys[kKey]["Msde-Failed"] = {kRegSz, "1"};
       },
       "Invalid data type for 'Msde-Failed'", true},
      {"flag of the wrong size",
       [](auto& e, auto&) {
         e.Registry.Keys[kKey]["Msde-ConnectionString"] = {kRegSz, "s"};
         e.Registry.Keys[kKey]["Msde-Failed"] = {kRegDword, std::string("\1\0", 2)};
       },
       "Invalid data type for 'Msde-Failed'", true},
      {"string of the wrong type",
       [](auto& e, auto&) {
         e.Registry.Keys[kKey]["Msde-ConnectionString"] = {kRegBinary, "s"};
       },
       "Invalid data type for 'Msde-ConnectionString'", true},
      {"string unreadable",
       [](auto& e, auto&) {
         e.Registry.Keys[kKey]["Msde-ConnectionString"] = {kRegSz, "s"};
         e.Registry.RefuseRead.insert("Msde-ConnectionString");
       },
       "Failed to get data for 'Msde-ConnectionString'", true},
      {"four-byte string flag, no retry prompt",
       [this](auto& e, auto&) {
         settings.NoRetryPrompt = true;
         e.Registry.Keys[kKey]["Msde-ConnectionString"] = {kRegSz, "s"};
         e.Registry.Keys[kKey]["Msde-Failed"] = {kRegSz, "100\0"s};
       },
       "Invalid data type for 'Msde-Failed'", true},
      {"four-byte binary flag",
       [](auto& e, auto&) {
         e.Registry.Keys[kKey]["Msde-ConnectionString"] = {kRegSz, "s"};
         e.Registry.Keys[kKey]["Msde-Failed"] = {kRegBinary, "\1\0\0\0"s};
       },
       "Invalid data type for 'Msde-Failed'", true},
  };
  for (const auto& c : cases) {
    env = FakeEnvironment{};
    con = FakeConnection{};
    settings.NoRetryPrompt = false;
    c.Arrange(env, con);
    const auto before = Stored("Msde-ConnectionString");
    try {
      settings.Connect(con);
      ADD_FAILURE() << c.Name << ": no error";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), c.Message) << c.Name;
    }
    if (c.FlagSet) EXPECT_EQ(Flag(), 1u) << c.Name;
    EXPECT_EQ(env.Registry.Open, 0) << c.Name;
    EXPECT_TRUE(env.Messages.empty()) << c.Name << ": a stored string is not asked for again";
    EXPECT_EQ(Stored("Msde-ConnectionString"), before) << c.Name << ": the stored string is kept";
  }
}

TEST_F(ConnectionSettings, SettingsThatCannotBeStoredAreUsedAndTheOperatorToldOnce) {
  enum TOp { kConnect, kSetFailed, kWriteString };
  const struct {
    const char* Name;
    TOp Op;
    bool ReadOnly;  // the key may only be read; else only writing the flag is refused
    bool Stored;
    int Flag;  // -1: missing
    std::string OpenError;
    std::string Outcome;  // the string opened, or the error's message
    std::vector<std::string> Messages;
  } rows[] = {
      {"stored string", kConnect, true, true, -1, "", "s", {}},
      {"first use", kConnect, true, false, -1, "", "edited", {kFirst, kNotSaved}},
      {"verified", kConnect, true, true, 1, "", "edited", {kVerify, kNotSaved}},
      {"provider refuses", kConnect, true, true, 0, "E", "E", {}},
      {"flag refused after a good open", kConnect, false, true, -1, "", "s", {kNotSaved}},
      {"flag refused after a failed open", kConnect, false, true, -1, "E", "E", {}},
      {"flag already set", kSetFailed, true, true, 7, "", "", {}},
      {"string", kWriteString, true, true, 0, "", "not stored", {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Name);
    env = FakeEnvironment{};
    con = FakeConnection{};
    env.Confirm = true;
    env.Edited = "edited";
    env.Registry.ReadOnlyKey = row.ReadOnly;
    if (!row.ReadOnly) env.Registry.RefuseWrite.insert("Msde-Failed");
    env.Registry.Keys[kKey];
    if (row.Stored) Store("s");
    if (row.Flag >= 0) env.Registry.PutDword(kKey, "Msde-Failed", uint32_t(row.Flag));
    con.OpenError = row.OpenError;
    const auto before = env.Registry.Keys;
    std::string outcome;
    try {
      if (row.Op == kConnect && settings.Connect(con)) outcome = con.OpenedWith;
      if (row.Op == kSetFailed) settings.SetLastConnectFailed(true);
      if (row.Op == kWriteString && !settings.WriteConnectionString("new")) outcome = "not stored";
    } catch (const Exception& e) {
      outcome = e.Message();
    }
    EXPECT_EQ(outcome, row.Outcome);
    EXPECT_EQ(con.IsOpen, row.Op == kConnect && row.OpenError.empty());
    EXPECT_EQ(env.Messages, row.Messages);
    EXPECT_EQ(env.Registry.Keys, before) << "nothing stored changes";
    EXPECT_EQ(env.Registry.Open, 0);
  }
}

TEST_F(ConnectionSettings, ConnectWithDefaultsBuildsItsSetOrRefuses) {
  settings.NoRetryPrompt = true;
  Store("s");
  EXPECT_TRUE(settings.ConnectWithDefaults(con, cdLocalSqlServer));
  EXPECT_EQ(settings.CurrentConnectionString,
            "Provider=SQLOLEDB.1;Persist Security Info=True;User ID=sa;Password=;"
            "Initial Catalog=quro;Data Source=127.0.0.1;");
  EXPECT_TRUE(settings.ConnectWithDefaults(con, cdDbfFolder));
  EXPECT_EQ(settings.Defaults.Directory, "c:\\kv");
  EXPECT_EQ(settings.Defaults.ProviderKind, pkFoxProDbf);

  settings.SetApplicationName("Other");
  settings.ConnectionName = "Pos";
  env.Registry.Keys["Software\\Tessinor\\Quro"]["Msde-ConnectionString"] = {kRegSz, "s"};
  EXPECT_TRUE(settings.ConnectWithDefaults(con, cdPosMsde));
  EXPECT_EQ(settings.RegistryName.Key, "\\Software\\Tessinor\\Quro");
  EXPECT_EQ(settings.RegistryName.FailedValueName, "Msde-Failed");
  EXPECT_EQ(settings.CurrentConnectionString,
            "Provider=SQLOLEDB.1;Persist Security Info=True;User ID=quro;Password=;"
            "Initial Catalog=zqSql;Data Source=localhost;");

  const std::string before = settings.CurrentConnectionString;
  try {
    settings.ConnectWithDefaults(con, 3);
    ADD_FAILURE() << "set 3 accepted";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "No connection defaults specified");
  }
  EXPECT_EQ(settings.CurrentConnectionString, before);
}

TEST(ConnectionText, PasswordsAreMaskedAndNothingElse) {
  const std::pair<std::string, std::string> cases[] = {
      {"Provider=SQLOLEDB.1;User ID=quro;Password=vqk;Data Source=s;",
       "Provider=SQLOLEDB.1;User ID=quro;Password=***;Data Source=s;"},
      {"password=;pwd = x y ;PassWord=\"a;b\";PWD={c;d}}e};X=1",
       "password=;pwd = ***;PassWord=***;PWD=***;X=1"},
      {"Extended Properties=\"DSN=a;PWD=secret;UID=u\";Password=p",
       "Extended Properties=\"DSN=a;PWD=***;UID=u\";Password=***"},
      {"Extended Properties='Pwd=s'", "Extended Properties='Pwd=***'"},
      {"no keys; at all;", "no keys; at all;"},
      {"Password=\"unclosed;rest", "Password=***"},
      {"Passwords=x;MyPwd=y;Jet OLEDB:Database Password=z",
       "Passwords=x;MyPwd=***;"
       "Jet OLEDB:Database Password=***"},
      // Braced and quoted values are connection strings of their own; doubled closers undone.
      {"Extended Properties={DSN=a;PWD=secret}", "Extended Properties={DSN=a;PWD=***}"},
      {"Extended Properties=\"DSN=a;PWD=\"\"x;y\"\"\";", "Extended Properties=\"DSN=a;PWD=***\";"},
      {"X={DSN=a;PWD={p}}};Y=1", "X={DSN=a;PWD=***};Y=1"},
      {"PWD={a}};X=b};Y=1", "PWD=***;Y=1"},
      {"Password=\t {a;b}", "Password=\t ***"},
      {"Extended Properties=PWD=x", "Extended Properties=PWD=***"},
      // An unclosed brace or quote ends at the next ";", so the keys after it are read.
      {"Provider=MSDASQL.1;DRIVER={SQL Server;PWD=secret2;Data Source=nowhere",
       "Provider=MSDASQL.1;DRIVER={SQL Server;PWD=***;Data Source=nowhere"},
      {"User ID={u;Password=vqk;Data Source=s;", "User ID={u;Password=***;Data Source=s;"},
      // Text after a closing quote may be a password that closed an unfinished value.
      {"X=\";Password=\"s\"", "X=\";Password=\"***"},
      {"DRIVER={SQL Server} ;X=1", "DRIVER={SQL Server} ;X=1"},
      {"X=\";Password=\"s ;Y=1", "X=\";Password=\"***;Y=1"},
      {"X=\";Password=\"it's;secret\";Y=1", "X=\";Password=\"***;Y=1"},
      // Typed by hand: a secret runs up to the next well-formed piece.
      {"User ID=u;Password=Sommer;2024;Data Source=till01",
       "User ID=u;Password=***;Data Source=till01"},
      {"Password='it's;secret';", "Password=***;"},
      {"Password=\"ab\"cd;ef\"", "Password=***"},
      {"Password\xA0=x;Password\v=y;Password\f=z",
       "Password\xA0=***;Password\v=***;Password\f=***"},
      {"PASSWORD=a;Jet OLEDB:Database PASSWORD=b", "PASSWORD=***;Jet OLEDB:Database PASSWORD=***"},
      // Deeper than the limit; and far deeper, which must not exhaust the stack.
      {Repeat("X={", 9) + "Password=s", Repeat("X={", 9) + "***"},
      {Repeat("X={", 20000) + "Password=s", Repeat("X={", 9) + "***"},
  };
  for (const auto& [in, out] : cases) {
    EXPECT_EQ(MaskConnectionPasswords(in), out) << in.substr(0, 100);
  }
}

TEST(ConnectionText, MasksStandingForSecretsAreRestoredFromTheRealString) {
  const std::string nested = "Extended Properties=\"DSN=a;PWD=\"\"x;y\"\"\";Password=p;";
  const struct {
    std::string Real;
    std::string Shown;
    std::string Restored;
  } rows[] = {
      {nested, MaskConnectionPasswords(nested), nested},
      {nested, "Extended Properties='DSN=b;PWD=***';Password=***;",
       "Extended Properties='DSN=b;PWD=\"x;y\"';Password=p;"},
      {"User ID=u;Password=Sommer;2024;Data Source=s", "User ID=v;Password=***;Data Source=s",
       "User ID=v;Password=Sommer;2024;Data Source=s"},
      // A secret typed over its mask, and the place among a key's secrets.
      {"PWD=a;X=1;PWD=b", "PWD=**x;X=1;PWD=***", "PWD=**x;X=1;PWD=b"},
      {"Password=vqk", "Password=***;Password=***", "Password=vqk;Password=***"},
      {"X={a=b}", "Y=" + Repeat("{", 9) + "***", "Y=" + Repeat("{", 9) + "***"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(RestoreMaskedPasswords(row.Shown, row.Real), row.Restored) << row.Shown;
  }
}

TEST(ConnectionText, FieldsAreReadFromTheirKeysAndWrittenInPlace) {
  TConnectionDefaults defaults;
  defaults.UserID = "quro";
  defaults.Password = "vqk";
  defaults.InitialCatalog = "zqSql";
  defaults.DataSource = "localhost";
  const std::string sql = ConnectionStringOf(defaults);
  defaults = {pkFoxProDbf, "", "", "", "", "C:\\Quro\\Tables", ""};
  const std::string foxPro = ConnectionStringOf(defaults);
  defaults = {pkAccessMdb, "", "", "", "", "C:\\Quro", "C:\\Quro\\pos.mdb"};
  const std::string access = ConnectionStringOf(defaults);
  using F = TConnectionField;
  using P = TProviderChoice;
  const struct {
    std::string Start;
    P Provider;
    bool WindowsSignIn;
    // Server, Database, DataSourceName, Driver, FileOrFolder, UserName, Password.
    std::vector<std::string> Fields;
    std::function<std::string(const std::string&)> Change;
    std::string Written;
  } rows[] = {
      {sql,
       P::SqlServer,
       false,
       {"localhost", "zqSql", "localhost", "", "", "quro", "vqk"},
       [](auto& s) { return WithConnectionField(s, F::Server, "till01\\SQLEXPRESS"); },
       "Provider=SQLOLEDB.1;Persist Security Info=True;User ID=quro;Password=vqk;"
       "Initial Catalog=zqSql;Data Source=till01\\SQLEXPRESS;"},
      {foxPro,
       P::Odbc,
       false,
       {"", "", "", "Microsoft Visual FoxPro Driver", "C:\\Quro\\Tables", "", ""},
       [](auto& s) { return WithConnectionField(s, F::FileOrFolder, "D:\\Free \"Tables\""); },
       "Provider=MSDASQL.1;Persist Security Info=True;User ID=;Password=;Initial Catalog=;"
       "Data Source=;Extended Properties=\"Driver={Microsoft Visual FoxPro Driver};"
       "SourceDB=D:\\Free \"\"Tables\"\";SourceType=DBF;Exclusive=No;BackgroundFetch=Yes;"
       "Collate=Machine;Null=No;Deleted=Yes;\""},
      {access,
       P::Odbc,
       false,
       {"", "", "", "Microsoft Access Driver (*.mdb)", "C:\\Quro\\pos.mdb", "", ""},
       [](auto& s) { return WithConnectionField(s, F::Password, "it's;\"secret\""); },
       "Provider=MSDASQL.1;Persist Security Info=True;User ID=;Password=\"it's;\"\"secret\"\"\";"
       "Initial Catalog=;Data Source=;DRIVER=Microsoft Access Driver (*.mdb);UID=admin;"
       "UserCommitSync=Yes;Threads=3;SafeTransactions=0;PageTimeout=5;MaxScanRows=8;"
       "MaxBufferSize=2048;FIL=MS Access;DriverId=25;DefaultDir=C:\\Quro;DBQ=C:\\Quro\\pos.mdb;"},
      // Keys of their own, quoted and braced values, a password typed with a ";".
      {"provider = msdasql;App=\"x;y\";DRIVER={SQL Server};Server=s;Password=a;b",
       P::Odbc,
       false,
       {"", "", "", "SQL Server", "", "", "a;b"},
       [](auto& s) { return WithConnectionField(s, F::Driver, "ODBC Driver 17 for SQL Server"); },
       "provider = msdasql;App=\"x;y\";DRIVER={ODBC Driver 17 for SQL Server};Server=s;"
       "Password=a;b"},
      {"Provider=SQLOLEDB.1;Password=Sommer;2024;Data Source=till01",
       P::SqlServer,
       false,
       {"till01", "", "till01", "", "", "", "Sommer;2024"},
       [](auto& s) { return WithConnectionField(s, F::Password, " Winter;2025"); },
       "Provider=SQLOLEDB.1;Password=\" Winter;2025\";Data Source=till01"},
      {"Integrated Security=SSPI;Extended Properties='DSN=pos;Uid=x';User ID='a''b'",
       P::Other,
       true,
       {"", "", "pos", "", "", "a'b", ""},
       [](auto& s) { return WithWindowsSignIn(WithProviderChoice(s, P::SqlServer), false); },
       "Provider=SQLOLEDB.1;Extended Properties='DSN=pos;Uid=x';User ID='a''b'"},
      // Keys the string lacks: added where the field reads them, unless empty.
      {"",
       P::Other,
       false,
       {"", "", "", "", "", "", ""},
       [](auto& s) {
         return WithConnectionField(WithConnectionField(s, F::Database, ""), F::DataSourceName,
                                    "localhost");
       },
       "Data Source=localhost;"},
      {"Provider=MSDASQL.1;Driver={Microsoft Visual FoxPro Driver}",
       P::Odbc,
       false,
       {"", "", "", "Microsoft Visual FoxPro Driver", "", "", ""},
       [](auto& s) {
         return WithWindowsSignIn(WithConnectionField(s, F::FileOrFolder, "C:\\t"), true);
       },
       "Provider=MSDASQL.1;Driver={Microsoft Visual FoxPro Driver};SourceDB=C:\\t;"
       "Integrated Security=SSPI"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Start);
    EXPECT_EQ(ProviderChoiceOf(row.Start), row.Provider);
    EXPECT_EQ(UsesWindowsSignIn(row.Start), row.WindowsSignIn);
    std::vector<std::string> fields;
    for (F field : {F::Server, F::Database, F::DataSourceName, F::Driver, F::FileOrFolder,
                    F::UserName, F::Password}) {
      fields.push_back(ConnectionField(row.Start, field));
    }
    EXPECT_EQ(fields, row.Fields);
    EXPECT_EQ(row.Change(row.Start), row.Written);
  }
}

TEST(ConnectionText, FailureReasonsSayWhatToCheckWhereTheProviderSaysNothing) {
  const struct {
    TConnectFailure Failure;
    std::string ConnectionString;
    std::string Advice;  // how the reason starts; "" for none
  } rows[] = {
      {{"E"}, "Password=vqk;", ""},
      {{"Invalid class string (0x800401F3)", 0x800401F3u, true},
       "Provider = SQLOLEDB.1 ;X=1",
       "The provider SQLOLEDB.1 is not installed or not registered on this computer: install it"},
      {{"Class not registered (0x80040154)", 0x80040154u, true},
       "Data Source=s",
       "The provider DEFAULT.1 is not installed"},
      {{"Call failed (0x80004005)", 0x80004005u, true},
       "Provider=\"MSDASQL.1\"",
       "The provider MSDASQL.1 could not open the database: check that the server or data source"},
      {{"Access denied (0x80070005)", 0x80070005u, true},
       "Provider=;",
       "Access was denied: check that this Windows user may use the database"},
      // A provider's own message, and codes without advice, stand alone.
      {{"[DBNETLIB]SQL Server does not exist", 0x80004005u, false}, "", ""},
      {{"Out of memory (0x8007000E)", 0x8007000Eu, true}, "", ""},
  };
  for (const auto& row : rows) {
    const std::string reason = ConnectFailureReason(row.Failure, row.ConnectionString, "DEFAULT.1");
    const std::string tail = row.Failure.Message + "\rConnection String: " +
                             MaskConnectionPasswords(row.ConnectionString);
    if (row.Advice.empty()) {
      EXPECT_EQ(reason, tail);
      continue;
    }
    EXPECT_EQ(reason.rfind(row.Advice, 0), 0u) << reason;
    const std::string end = ". " + tail;
    EXPECT_TRUE(reason.size() > end.size() && reason.substr(reason.size() - end.size()) == end)
        << reason;
  }
}

TEST(ConnectionText, OnlyATopLevelProviderKeyNamesTheProvider) {
  const std::pair<std::string, bool> cases[] = {
      {"Provider=SQLOLEDB.1;X=1", true},
      {"X=1; provider = ;", true},
      {"Data Source=s;Extended Properties=\"Provider=x\"", false},
      {"DRIVER={a;Provider=x};UID=u", false},
      {"ProviderName=x;MyProvider=y", false},
      {"", false},
      // After pieces without a key, and after a brace that never closes.
      {"Data Source=s;;Provider=MSDASQL.1", true},
      {";Provider=MSDASQL.1", true},
      {"Data Source;Provider=MSDASQL.1", true},
      {"DRIVER={SQL Server;Provider=MSDASQL.1;Data Source=s", true},
  };
  for (const auto& [in, names] : cases) EXPECT_EQ(NamesProvider(in), names) << in;
}

}  // namespace
}  // namespace zmt
