#include "datamodQuro.h"

#include "modMessageDlg.h"
#include "HostError.h"
#include "Sync.h"
#include "modConnectionText.h"

namespace zmt {

TdmQuro* dmQuro = nullptr;

std::string DesignTimeConnectionString() {
  return std::string(
             "Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;"
             "User ID=quro;Initial Catalog=zqsql;Data Source=(local);Use Procedure for Prepare=1;"
             "Auto Translate=True;Packet Size=4096;Workstation ID=") +
         kWorkstationName +
         ";Use Encryption for Data=False;Tag with column collation when possible=False";
}

TdmQuro::TdmQuro() {
  {
    WriteLockGuard lock(GlobalNameSpace());
    con.SetLoginPrompt(false);
    con.SetProvider("SQLOLEDB.1");
    con.SetAnsiConnectionString(DesignTimeConnectionString());
  }
  DataModuleCreate();
}

TdmQuro::~TdmQuro() {
  DataModuleDestroy();
}

void TdmQuro::DataModuleCreate() {
  ConnectionSettings = std::make_unique<TKVAdoConnection>();
  con.Close();
  ApplicationName = "Quro";
  ConnectionName = "Msde";
  NoRetryPrompt = false;
  Defaults =
      TConnectionDefaults{pkSqlServer, "quro", "vqk", "zqSql", kDefaultServerAddress, "", ""};
}

void TdmQuro::DataModuleDestroy() {
  ConnectionSettings.reset();
}

void TdmQuro::SetConnected() {
  try {
    con.Close();
    if (!ConnectionSettings) throw Exception("The connection settings are gone");
    ConnectionSettings->BuildConnectionString(Defaults);
    ConnectionSettings->SetApplicationName(ApplicationName);
    ConnectionSettings->ConnectionName = ConnectionName;
    ConnectionSettings->NoRetryPrompt = NoRetryPrompt;
    ConnectionSettings->Connect(con);
  } catch (...) {
    try {
      TConnectFailure failure{DescribeCurrentException().Message};
      try {
        throw;
      } catch (const EOleException& e) {
        failure.Code = e.ErrorCode();
        failure.SystemText = e.SystemText();
      } catch (...) {
      }
      std::string held;
      try {
        held = con.AnsiConnectionString();
      } catch (...) {
        // The report goes out without the string rather than not at all.
      }
      ShowExceptionDlg("Connect to the quro MSDE",
                       ConnectFailureReason(failure, held, con.Provider()), "TdmMain.SetConnected",
                       "", 0);
    } catch (...) {
      // Nothing is left to tell the operator with; the caller relies on no error reaching it,
      // and con stays closed for everything that reads it.
    }
  }
}

}  // namespace zmt
