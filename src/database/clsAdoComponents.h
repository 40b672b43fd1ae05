// The ADO connection and query components: thin owners of ADO's Connection and Recordset objects.
// Every failing ADO call is raised as EOleException with the provider's message, or, where the
// provider leaves none, the system's text for the result code with the code in hex.
#pragma once

#ifdef _WIN32
#include "AdoInterfaces.h"
#include "clsCustomConnection.h"
#include "WinHandles.h"

#include <string>

namespace zmt {

class TADOConnection : public TCustomConnection {
 public:
  // Initialises COM on this thread where it is not yet, and creates "ADODB.Connection"; raises
  // EOleException when COM or ADO cannot be used.
  TADOConnection();
  // Closes an open connection; never throws.
  ~TADOConnection() override;
  TADOConnection(const TADOConnection&) = delete;
  TADOConnection& operator=(const TADOConnection&) = delete;

  bool Connected() const override;
  void Close() override;

  // The connection string as the ADO object reports it.
  std::wstring ConnectionString() const;
  void SetConnectionString(const std::wstring& value);
  std::string AnsiConnectionString() const override;
  void SetAnsiConnectionString(const std::string& value) override;

  // Kept for the callers only: ADO itself never prompts here.
  bool LoginPrompt() const { return login_prompt_; }
  void SetLoginPrompt(bool value) override { login_prompt_ = value; }

  // The provider that Open uses for a connection string without a Provider key; a string that
  // names one keeps its own.
  const std::string& Provider() const { return provider_; }
  void SetProvider(const std::string& value) { provider_ = value; }

  // Opens with the connection string it holds, and the provider; does nothing when already open.
  void Open() override;

  // The ADO object, for the query components bound to this connection.
  ado::Connection* Interface() const { return connection_.Get(); }

 private:
  // First, so that COM stays initialised until every reference below is released.
  ComInitializer com_;
  ComPtr<ado::Connection> connection_;
  bool login_prompt_ = true;
  std::string provider_;
};

class TADOQuery {
 public:
  TADOQuery();
  ~TADOQuery();
  TADOQuery(const TADOQuery&) = delete;
  TADOQuery& operator=(const TADOQuery&) = delete;

  // Not owned; it must outlive the query's rows.
  TADOConnection* Connection() const { return connection_; }
  void SetConnection(TADOConnection* value);

  // The statement that Open and ExecSQL run.
  std::string SQL;

  // Runs SQL on the connection and keeps its rows; raises zmt::Exception when there is no open
  // connection, EOleException when the provider refuses the statement.
  void Open();
  // Drops the rows; never throws.
  void Close();
  bool Active() const { return static_cast<bool>(recordset_); }

  // True past the last row, and whenever the query is not active.
  bool Eof() const;
  void Next();

  // The columns of the rows held; 0 when not active.
  int FieldCount() const;
  std::string FieldName(int index) const;
  // The current row's value in the column as text; NULL gives "".
  std::string FieldText(int index) const;

  // Runs SQL as a statement that gives no rows (CREATE, INSERT, ...); gives the rows affected, or
  // -1 when the provider does not tell.
  int ExecSQL();

 private:
  ado::Connection* OpenConnection() const;
  ComPtr<ado::Field> FieldAt(int index) const;

  ComInitializer com_;
  TADOConnection* connection_ = nullptr;
  ComPtr<ado::Recordset> recordset_;
};

}  // namespace zmt
#endif
