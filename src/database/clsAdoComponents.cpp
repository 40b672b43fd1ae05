#include "clsAdoComponents.h"

#include "SysUtils.h"
#include "WinText.h"
#include "modConnectionText.h"

#include <cstdio>
#include <utility>

namespace zmt {
namespace {

// The thread's error object, which the failing call has just left (or not).
std::string ErrorInfoMessage() {
  ComPtr<IErrorInfo> info;
  if (GetErrorInfo(0, info.Put()) != S_OK || !info) return {};
  UniqueBstr description;
  if (FAILED(info->GetDescription(description.Put()))) return {};
  return AnsiFromBstr(description.Get());
}

// The last entry of the connection's Errors collection, where the provider fills it.
std::string ConnectionErrorsMessage(ado::Connection* connection) {
  if (!connection) return {};
  ComPtr<ado::Errors> errors;
  LONG count = 0;
  if (FAILED(connection->get_Errors(errors.Put())) || !errors ||
      FAILED(errors->get_Count(&count)) || count <= 0) {
    return {};
  }
  VARIANT index;
  VariantInit(&index);
  index.vt = VT_I4;
  index.lVal = count - 1;
  ComPtr<ado::Error> error;
  UniqueBstr description;
  if (FAILED(errors->get_Item(index, error.Put())) || !error ||
      FAILED(error->get_Description(description.Put()))) {
    return {};
  }
  return AnsiFromBstr(description.Get());
}

[[noreturn]] void RaiseSystemOleError(HRESULT code) {
  throw EOleException(OleErrorText(code), static_cast<uint32_t>(code), true);
}

[[noreturn]] void RaiseOleError(HRESULT code, ado::Connection* connection) {
  std::string message = ErrorInfoMessage();
  if (message.empty()) message = ConnectionErrorsMessage(connection);
  if (message.empty()) RaiseSystemOleError(code);
  throw EOleException(std::move(message), static_cast<uint32_t>(code));
}

// Runs one ADO call; a failure is raised with the message the call left behind. An error object
// of an earlier, unrelated call is dropped first so that it is never reported for this one.
template <class Call>
void OleCheck(ado::Connection* connection, Call&& call) {
  SetErrorInfo(0, nullptr);
  HRESULT result = call();
  if (FAILED(result)) RaiseOleError(result, connection);
}

UniqueBstr Checked(UniqueBstr text) {
  if (!text) RaiseSystemOleError(E_OUTOFMEMORY);
  return text;
}

VARIANT IndexVariant(int index) {
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_I4;
  value.lVal = index;
  return value;
}

}  // namespace

// ---- TADOConnection ----

TADOConnection::TADOConnection() {
  if (!com_.Usable()) RaiseSystemOleError(com_.Result());
  CLSID clsid;
  HRESULT result = CLSIDFromProgID(ado::kConnectionProgId, &clsid);
  if (SUCCEEDED(result)) {
    result = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, ado::kIidConnection,
                              connection_.PutVoid());
  }
  if (FAILED(result)) RaiseSystemOleError(result);
}

TADOConnection::~TADOConnection() {
  if (Connected()) connection_->Close();
}

bool TADOConnection::Connected() const {
  LONG state = 0;
  return SUCCEEDED(connection_->get_State(&state)) && (state & ado::kStateOpen) != 0;
}

void TADOConnection::Close() {
  if (!Connected()) return;
  OleCheck(connection_.Get(), [&] { return connection_->Close(); });
}

std::wstring TADOConnection::ConnectionString() const {
  UniqueBstr value;
  OleCheck(connection_.Get(), [&] { return connection_->get_ConnectionString(value.Put()); });
  return value ? std::wstring(value.Get(), SysStringLen(value.Get())) : std::wstring();
}

void TADOConnection::SetConnectionString(const std::wstring& value) {
  UniqueBstr text = Checked(BstrFromWide(value));
  OleCheck(connection_.Get(), [&] { return connection_->put_ConnectionString(text.Get()); });
}

std::string TADOConnection::AnsiConnectionString() const {
  return AnsiFromWide(ConnectionString());
}

void TADOConnection::SetAnsiConnectionString(const std::string& value) {
  SetConnectionString(WideFromAnsi(value));
}

void TADOConnection::Open() {
  if (Connected()) return;
  // Wine's ADO takes the string only from Open's argument, never from the property.
  std::wstring held = ConnectionString();
  // The component's provider goes into the string that is opened, not into ADO's property,
  // which not every ADO honours.
  if (!provider_.empty() && !NamesProvider(AnsiFromWide(held))) {
    held = L"Provider=" + WideFromAnsi(provider_) + L";" + held;
  }
  UniqueBstr text = Checked(BstrFromWide(held));
  OleCheck(connection_.Get(), [&] {
    return connection_->Open(text.Get(), nullptr, nullptr, ado::kConnectUnspecified);
  });
  // A provider may rewrite the string on opening; one that leaves the property empty gets back
  // the string it was opened with.
  if (ConnectionString().empty() && !held.empty()) SetConnectionString(held);
}

// ---- TADOQuery ----

TADOQuery::TADOQuery() = default;

TADOQuery::~TADOQuery() {
  Close();
}

void TADOQuery::SetConnection(TADOConnection* value) {
  if (value == connection_) return;
  Close();
  connection_ = value;
}

ado::Connection* TADOQuery::OpenConnection() const {
  if (!connection_) throw Exception("Missing Connection or ConnectionString");
  if (!connection_->Connected()) throw Exception("The query's connection is not open");
  return connection_->Interface();
}

void TADOQuery::Open() {
  Close();
  ado::Connection* connection = OpenConnection();
  UniqueBstr command = Checked(BstrFromAnsi(SQL));
  // Marshalled calls (from a host thread in the other apartment) refuse a null place for the
  // count of rows affected.
  UniqueVariant affected;
  ComPtr<ado::Recordset> rows;
  OleCheck(connection, [&] {
    return connection->Execute(command.Get(), affected.Put(), ado::kCmdText, rows.Put());
  });
  LONG state = 0;
  if (!rows || FAILED(rows->get_State(&state)) || (state & ado::kStateOpen) == 0) {
    throw Exception("CommandText does not return a result set");
  }
  recordset_ = std::move(rows);
}

void TADOQuery::Close() {
  if (!recordset_) return;
  LONG state = 0;
  if (SUCCEEDED(recordset_->get_State(&state)) && (state & ado::kStateOpen) != 0) {
    recordset_->Close();
  }
  recordset_.Reset();
}

bool TADOQuery::Eof() const {
  if (!recordset_) return true;
  VARIANT_BOOL eof = VARIANT_TRUE;
  OleCheck(nullptr, [&] { return recordset_->get_EOF(&eof); });
  return eof != VARIANT_FALSE;
}

void TADOQuery::Next() {
  if (!recordset_) throw Exception("The query is not open");
  OleCheck(nullptr, [&] { return recordset_->MoveNext(); });
}

int TADOQuery::FieldCount() const {
  if (!recordset_) return 0;
  ComPtr<ado::Fields> fields;
  LONG count = 0;
  OleCheck(nullptr, [&] { return recordset_->get_Fields(fields.Put()); });
  OleCheck(nullptr, [&] { return fields->get_Count(&count); });
  return static_cast<int>(count);
}

ComPtr<ado::Field> TADOQuery::FieldAt(int index) const {
  if (!recordset_) throw Exception("The query is not open");
  ComPtr<ado::Fields> fields;
  ComPtr<ado::Field> field;
  OleCheck(nullptr, [&] { return recordset_->get_Fields(fields.Put()); });
  OleCheck(nullptr, [&] { return fields->get_Item(IndexVariant(index), field.Put()); });
  return field;
}

std::string TADOQuery::FieldName(int index) const {
  ComPtr<ado::Field> field = FieldAt(index);
  UniqueBstr name;
  OleCheck(nullptr, [&] { return field->get_Name(name.Put()); });
  return AnsiFromBstr(name.Get());
}

std::string TADOQuery::FieldText(int index) const {
  ComPtr<ado::Field> field = FieldAt(index);
  UniqueVariant value;
  OleCheck(nullptr, [&] { return field->get_Value(value.Put()); });
  if (value.Type() == VT_NULL || value.Type() == VT_EMPTY) return {};
  UniqueVariant text;
  OleCheck(nullptr,
           [&] { return VariantChangeType(text.Get(), value.Get(), VARIANT_ALPHABOOL, VT_BSTR); });
  return AnsiFromBstr(text.Get()->bstrVal);
}

int TADOQuery::ExecSQL() {
  ado::Connection* connection = OpenConnection();
  UniqueBstr command = Checked(BstrFromAnsi(SQL));
  UniqueVariant affected;
  ComPtr<ado::Recordset> rows;
  OleCheck(connection, [&] {
    return connection->Execute(command.Get(), affected.Put(),
                               ado::kCmdText | ado::kExecuteNoRecords, rows.Put());
  });
  LONG state = 0;
  if (rows && SUCCEEDED(rows->get_State(&state)) && (state & ado::kStateOpen) != 0) {
    rows->Close();
  }
  if (affected.Type() == VT_EMPTY || affected.Type() == VT_NULL) return -1;
  UniqueVariant count;
  if (FAILED(VariantChangeType(count.Get(), affected.Get(), 0, VT_I4))) return -1;
  return static_cast<int>(count.Get()->lVal);
}

}  // namespace zmt
