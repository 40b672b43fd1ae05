// The data module and its connection settings on Wine: the real registry, the real ADO and the
// build's SQLite data source, with the module's dialogs answered inside their own modal loops.
#include <gtest/gtest.h>
#include <windows.h>

#include <deque>
#include <memory>
#include <string>

#include "DialogAutomation.h"
#include "ScopedRegistryValue.h"
#include "WinHandles.h"
#include "clsFormSettings.h"
#include "clsGenericDB.h"
#include "datamodQuro.h"

namespace zmt {
namespace {

using automation::Dialog;
using automation::Pictured;
using automation::SequenceRun;
using automation::Step;

constexpr char kKey[] = "Software\\Tessinor\\Quro";
constexpr char kDefault[] =
    "Provider=SQLOLEDB.1;Persist Security Info=True;User ID=quro;Password=vqk;"
    "Initial Catalog=zqSql;Data Source=localhost;";
constexpr char kSqlite[] =
    "Provider=MSDASQL.1;Persist Security Info=True;User ID=;Password=;Data Source=localhost;";

// The registry as the test sees it, without the module's code.
struct RawValue {
  DWORD Type = 0;
  std::string Data;
  bool Found = false;
};

RawValue Read(const char* name, const char* key = kKey) {
  RawValue value;
  HKEY handle = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &handle) != ERROR_SUCCESS) return value;
  DWORD size = 0;
  if (RegQueryValueExA(handle, name, nullptr, &value.Type, nullptr, &size) == ERROR_SUCCESS) {
    value.Data.resize(size);
    value.Found = RegQueryValueExA(handle, name, nullptr, &value.Type,
                                   reinterpret_cast<BYTE*>(value.Data.data()), &size) == 0;
  }
  RegCloseKey(handle);
  return value;
}

// What a test changed under the key, put back in reverse order when it ends.
std::deque<test::ScopedRegistryValue> changes;
void PutBack() {
  while (!changes.empty()) changes.pop_back();
}
// The key as a new till has it: neither value.
void ClearValues() {
  PutBack();
  for (const char* name : {"Msde-ConnectionString", "Msde-Failed"}) {
    changes.emplace_back(HKEY_LOCAL_MACHINE, kKey, name);
  }
}
void Put(const char* name, DWORD type, const std::string& data) {
  changes.emplace_back(HKEY_LOCAL_MACHINE, kKey, name, type, data.data(),
                       static_cast<DWORD>(data.size()));
  ASSERT_TRUE(changes.back().Written());
}
void PutString(const std::string& s) {
  Put("Msde-ConnectionString", REG_SZ, s + '\0');
}
std::string Dword(DWORD value) {
  return std::string(reinterpret_cast<const char*>(&value), 4);
}
void PutFlag(DWORD flag) {
  Put("Msde-Failed", REG_DWORD, Dword(flag));
}
DWORD Flag() {
  const RawValue v = Read("Msde-Failed");
  EXPECT_TRUE(v.Found && v.Type == REG_DWORD && v.Data.size() == 4);
  DWORD flag = 99;
  if (v.Data.size() == 4) memcpy(&flag, v.Data.data(), 4);
  return flag;
}

Step Ok(const char* cls = "TfrmTimerForm") {
  return {cls, [](Dialog& d) { d.Click("OK"); }};
}
Step EditorCancel() {
  return {"#32770", [](Dialog& d) { d.Click("btnCancel"); }};
}
Step EditorEnter(const std::string& text) {
  return {"#32770", [text](Dialog& d) {
            SendMessageA(d.Control("edtConnectionString"), WM_SETTEXT, 0,
                         reinterpret_cast<LPARAM>(text.c_str()));
            d.Click("btnOK");
          }};
}
std::string Label(const automation::DialogInfo& d) {
  const auto* label = d.Find("Message");
  return label ? label->Text : "<no label>";
}

class DataModule : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(getenv("ODBCINI"), nullptr) << "the SQLite data source is named by ODBCINI (README)";
    ClearValues();
    dm = std::make_unique<TdmQuro>();
  }
  void TearDown() override {
    dm.reset();
    PutBack();
  }
  SequenceRun Connect(const std::vector<Step>& steps) {
    SequenceRun run = automation::RunModalSequence(
        [&] {
          dm->SetConnected();
          return int64_t{0};
        },
        steps);
    EXPECT_FALSE(run.TimedOut);
    EXPECT_EQ(run.ScriptError, "");
    EXPECT_EQ(run.Seen.size(), steps.size());
    EXPECT_TRUE(run.Unexpected.empty()) << Label(run.Unexpected.front());
    return run;
  }

  TFormSettingsScope settings;
  std::unique_ptr<TdmQuro> dm;
};

TEST_F(DataModule, FirstUseOffersTheDefaultAndReportsTheProvidersRefusalOnce) {
  EXPECT_EQ(dm->con.AnsiConnectionString(), DesignTimeConnectionString());
  const SequenceRun run = Connect({Pictured("connection-first-use.png", Ok()),
                                   Pictured("connection-editor.png", EditorCancel()),
                                   Pictured("connection-error.png", Ok())});
  ASSERT_EQ(run.Seen.size(), 3u);
  EXPECT_EQ(Label(run.Seen[0]),
            "Use the following window to specify a connection string for [Quro:Msde]");
  const std::string masked =
      "Provider=SQLOLEDB.1;Persist Security Info=True;User ID=quro;Password=***;"
      "Initial Catalog=zqSql;Data Source=localhost;";
  EXPECT_EQ(run.Seen[1].Find("edtConnectionString")->Text, masked);
  const std::string report = Label(run.Seen[2]);
  EXPECT_EQ(run.Seen[2].Caption, "Error");
  EXPECT_EQ(report.rfind("Connect to the quro MSDE\rReason: ", 0), 0u) << report;
  EXPECT_NE(report.find("0x800401F3"), std::string::npos) << "the provider's code: " << report;
  const std::string tail =
      "\rConnection String: Provider=SQLOLEDB.1;Persist Security Info=True;User ID=quro;"
      "Password=***;Initial Catalog=zqSql;Data Source=localhost;\r\rRaised In: "
      "TdmMain.SetConnected";
  EXPECT_EQ(report.substr(report.size() - std::min(report.size(), tail.size())), tail);
  EXPECT_EQ(Read("Msde-ConnectionString").Data, std::string(kDefault) + '\0');
  EXPECT_EQ(Flag(), 1u);
  EXPECT_FALSE(dm->con.Connected());
  EXPECT_EQ(dm->con.AnsiConnectionString(), kDefault) << "con holds the stored string";

  // The next connect asks to verify the stored string; a working one opens.
  const SequenceRun again = Connect({Pictured("connection-retry.png", Ok()), EditorEnter(kSqlite)});
  ASSERT_EQ(again.Seen.size(), 2u);
  EXPECT_EQ(Label(again.Seen[0]),
            "The last attempt to connect to [Quro:Msde] failed\r\rUse the next window to verify "
            "the connection settings are correct");
  EXPECT_EQ(again.Seen[1].Find("edtConnectionString")->Text, masked);
  EXPECT_TRUE(dm->con.Connected());
  EXPECT_EQ(Flag(), 0u);
  EXPECT_EQ(dm->ConnectionSettings->ProviderKind, pkFoxProDbf) << "MSDASQL reads as kind 1";
}

TEST_F(DataModule, AFieldChangedInTheEditorIsStoredAndOnlyItsMaskedFieldHoldsThePassword) {
  const struct {
    const char* Name;
    std::string Stored;
    const char* Field;
    std::string Typed;
    std::string Password;
    std::string Written;
    bool Opens;
  } rows[] = {
      {"SQL Server's server",
       "Provider=SQLOLEDB.1;User ID=quro;Password=Sommer;2024;Initial Catalog=zqSql;"
       "Data Source=localhost;",
       "edtServer", "till01", "Sommer;2024",
       "Provider=SQLOLEDB.1;User ID=quro;Password=Sommer;2024;Initial Catalog=zqSql;"
       "Data Source=till01;",
       false},
      {"ODBC's data source", "Provider=MSDASQL.1;Password=\"s3c;r't\";Data Source=nowhere;",
       "edtDataSourceName", "localhost", "s3c;r't",
       "Provider=MSDASQL.1;Password=\"s3c;r't\";Data Source=localhost;", true},
      {"ODBC's password", kSqlite, "edtPassword", "n3w;pw", "n3w;pw",
       "Provider=MSDASQL.1;Persist Security Info=True;User ID=;Password=\"n3w;pw\";"
       "Data Source=localhost;",
       true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Name);
    ClearValues();
    PutString(row.Stored);
    PutFlag(1);
    std::vector<std::string> shown;  // controls other than the password's that hold it
    std::vector<Step> steps = {Ok(),
                               {"#32770", [&](Dialog& d) {
                                  SendMessageA(d.Control(row.Field), WM_SETTEXT, 0,
                                               reinterpret_cast<LPARAM>(row.Typed.c_str()));
                                  for (const auto& control : d.Info().Controls) {
                                    if (control.Name != "edtPassword" &&
                                        control.Text.find(row.Password) != std::string::npos) {
                                      shown.push_back(control.Name);
                                    }
                                  }
                                  d.Click("btnOK");
                                }}};
    if (!row.Opens) steps.push_back(Ok());
    const SequenceRun run = Connect(steps);
    for (const auto& change : run.Texts) {
      if (change.Name != "edtPassword" && change.Text.find(row.Password) != std::string::npos) {
        shown.push_back(change.Name);
      }
    }
    EXPECT_TRUE(shown.empty()) << shown.front();
    EXPECT_EQ(Read("Msde-ConnectionString").Data, row.Written + '\0');
    EXPECT_EQ(dm->con.Connected(), row.Opens);
  }
}

TEST_F(DataModule, StoredFlagDecidesWhetherToAskAgain) {
  const struct {
    const char* Name;
    DWORD Type;  // REG_NONE: missing
    std::string Flag;
    bool NoRetry;
    bool Verify;  // the verify message and the editor come first
    bool Opens;
  } rows[] = {
      {"missing", REG_NONE, "", false, false, true},
      {"zero", REG_DWORD, Dword(0), false, false, true},
      {"failed, no retry prompt", REG_DWORD, Dword(1), true, false, true},
      {"seven", REG_DWORD, Dword(7), false, true, true},
      {"wrong type", REG_SZ, std::string("0\0", 2), false, false, false},
      {"two bytes", REG_DWORD, std::string(2, '\0'), false, false, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Name);
    ClearValues();
    PutString(kSqlite);
    if (row.Type != REG_NONE) Put("Msde-Failed", row.Type, row.Flag);
    dm->NoRetryPrompt = row.NoRetry;
    std::vector<Step> steps;
    if (row.Verify) steps = {Ok(), EditorCancel()};
    if (!row.Opens) steps = {Ok()};
    const SequenceRun run = Connect(steps);
    EXPECT_EQ(dm->con.Connected(), row.Opens);
    EXPECT_EQ(Flag(), row.Opens ? 0u : 1u);
    if (!row.Opens && !run.Seen.empty()) {
      EXPECT_NE(Label(run.Seen[0]).find("Reason: Invalid data type for 'Msde-Failed'\r"),
                std::string::npos);
    }
  }
}

TEST_F(DataModule, AnOpenConnectionServesQueriesAndReopensWithTheStoredString) {
  PutString(kSqlite);
  Connect({});
  ASSERT_TRUE(dm->con.Connected());
  TGenericDB db(dm->con);
  for (const char* sql :
       {"DROP TABLE IF EXISTS tills", "CREATE TABLE tills (id INTEGER, name TEXT)",
        "INSERT INTO tills VALUES (1, 'front')", "INSERT INTO tills VALUES (2, NULL)"}) {
    db.Query->SQL = sql;
    db.Query->ExecSQL();
  }
  db.Query->SQL = "SELECT id, name FROM tills ORDER BY id";
  db.Query->Open();
  ASSERT_EQ(db.Query->FieldCount(), 2);
  EXPECT_EQ(db.Query->FieldName(1), "name");
  // Wine's provider for ODBC fetches no rows: there the next ctest entry reads them from the file.
  if (!db.Query->Eof()) {
    std::string rows;
    for (; !db.Query->Eof(); db.Query->Next()) {
      rows += db.Query->FieldText(0) + "=" + db.Query->FieldText(1) + ";";
    }
    EXPECT_EQ(rows, "1=front;2=;");
  }
  db.Query->Close();

  const std::string other = std::string(kSqlite) + "Initial Catalog=;";
  PutString(other);
  Connect({});
  EXPECT_TRUE(dm->con.Connected());
  EXPECT_EQ(dm->con.AnsiConnectionString(), other);
}

// Gives the key an access list of one entry: Access allowed, or denied, to everyone.
void SetEveryonesAccess(const char* key, bool allow, REGSAM access) {
  UniqueHkey handle;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, WRITE_DAC, handle.Put()), ERROR_SUCCESS);
  SID everyone = {SID_REVISION, 1, SECURITY_WORLD_SID_AUTHORITY, {SECURITY_WORLD_RID}};
  alignas(DWORD) char buffer[64];
  ACL* acl = reinterpret_cast<ACL*>(buffer);
  SECURITY_DESCRIPTOR sd;
  ASSERT_TRUE(
      InitializeAcl(acl, sizeof buffer, ACL_REVISION) &&
      (allow ? AddAccessAllowedAce : AddAccessDeniedAce)(acl, ACL_REVISION, access, &everyone) &&
      InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION) &&
      SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE));
  ASSERT_EQ(RegSetKeySecurity(handle.Get(), DACL_SECURITY_INFORMATION, &sd), ERROR_SUCCESS);
}

TEST_F(DataModule, AKeyThatMayNotBeOpenedIsWhatTheReportNames) {
  // A key that denies everyone everything: made once per prefix, then left as it is.
  constexpr char kLocked[] = "Software\\Tessinor\\QuroLocked";
  UniqueHkey handle;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kLocked, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      handle.Put(), nullptr) == ERROR_SUCCESS) {
    SetEveryonesAccess(kLocked, false, KEY_ALL_ACCESS);
  }
  dm->ApplicationName = "QuroLocked";
  const SequenceRun run = Connect({Ok()});
  ASSERT_EQ(run.Seen.size(), 1u);
  EXPECT_EQ(Label(run.Seen[0]),
            "Connect to the quro MSDE\rReason: Failed to open the registry key "
            "\\Software\\Tessinor\\QuroLocked\rConnection String: \r\rRaised In: "
            "TdmMain.SetConnected");
  EXPECT_FALSE(dm->con.Connected());
}

// The key as a standard user's till has it: everyone may read it, no one may change it.
struct ReadOnlyKey {
  ReadOnlyKey() { SetEveryonesAccess(kKey, true, KEY_READ); }
  ~ReadOnlyKey() { SetEveryonesAccess(kKey, true, KEY_ALL_ACCESS); }
};

TEST_F(DataModule, AStandardUsersTillConnectsWithTheStoredStringAndChangesNothing) {
  PutString(kSqlite);
  PutFlag(0);
  const ReadOnlyKey readOnly;
  UniqueHkey full;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            full.Put(), nullptr),
            ERROR_ACCESS_DENIED)
      << "Wine keeps to the access list";

  Connect({});
  EXPECT_TRUE(dm->con.Connected());
  try {
    dm->ConnectionSettings->SetLastConnectFailed(true);
    ADD_FAILURE() << "the flag was written";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Failed to open the registry key \\Software\\Tessinor\\Quro");
  }
  dm->ConnectionSettings->WriteConnectionString("Provider=;");
  EXPECT_EQ(Read("Msde-ConnectionString").Data, std::string(kSqlite) + '\0');
  EXPECT_EQ(Flag(), 0u);
}

TEST_F(DataModule, AStandardUsersTillUsesWhatTheOperatorChoseAndReportsTheProvidersReason) {
  constexpr char kNotSaved[] =
      "The connection settings for [Quro:Msde] could not be saved in the registry key "
      "HKEY_LOCAL_MACHINE\\Software\\Tessinor\\Quro\r\rThey are used for this connection only. "
      "An administrator must store them";
  constexpr char kProviderReason[] = "Connect to the quro MSDE\rReason: The provider SQLOLEDB.1 is";
  const struct {
    const char* Name;
    DWORD Type;
    DWORD Flag;
    std::vector<Step> Steps;
    std::vector<std::string> Messages;  // each message dialog's text, from its start
    bool Opens;
  } rows[] = {
      {"an edited string opens, and cannot be saved",
       REG_SZ,
       1,
       {Ok(), EditorEnter(kSqlite), Pictured("connection-not-saved.png", Ok())},
       {"The last attempt", kNotSaved},
       true},
      {"a cancelled window writes nothing",
       REG_EXPAND_SZ,
       1,
       {Ok(), EditorCancel(), Ok()},
       {"The last attempt", kProviderReason},
       false},
      {"the flag cannot be set", REG_SZ, 0, {Ok()}, {kProviderReason}, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Name);
    ClearValues();
    Put("Msde-ConnectionString", row.Type, std::string(kDefault) + '\0');
    PutFlag(row.Flag);
    std::vector<std::string> messages;
    {
      const ReadOnlyKey readOnly;
      for (const auto& seen : Connect(row.Steps).Seen) {
        if (seen.Find("Message")) messages.push_back(Label(seen));
      }
    }
    ASSERT_EQ(messages.size(), row.Messages.size());
    for (std::size_t i = 0; i < messages.size(); ++i) {
      EXPECT_EQ(messages[i].rfind(row.Messages[i], 0), 0u) << messages[i];
    }
    EXPECT_EQ(dm->con.Connected(), row.Opens);
    EXPECT_EQ(dm->con.AnsiConnectionString(), row.Opens ? kSqlite : kDefault);
    const RawValue stored = Read("Msde-ConnectionString");
    EXPECT_EQ(stored.Type, row.Type);
    EXPECT_EQ(stored.Data, std::string(kDefault) + '\0');
    EXPECT_EQ(Flag(), row.Flag);
  }
}

TEST(ConnectionSettingsRegistry, ValuesAreReadWholeAndVerbatim) {
  ClearValues();
  struct TPutBack {
    ~TPutBack() { PutBack(); }
  } putBack;
  {
    TdmQuro unused;  // made and freed without a connect: the registry is not touched
  }
  EXPECT_FALSE(Read("Msde-Failed").Found || Read("Msde-ConnectionString").Found);

  TKVAdoConnection settings;
  settings.SetApplicationName("Quro");
  settings.ConnectionName = "Msde";
  std::string big(1 << 20, 'x');
  big.replace(0, 10, "Provider=;");
  settings.WriteConnectionString(big);
  settings.SetLastConnectFailed(false);
  EXPECT_EQ(settings.GetStoredConnectionString(), big);
  Put("Msde-ConnectionString", REG_EXPAND_SZ, std::string("%SystemRoot%\\x") + '\0');
  EXPECT_EQ(settings.GetStoredConnectionString(), "%SystemRoot%\\x");
}

}  // namespace
}  // namespace zmt
