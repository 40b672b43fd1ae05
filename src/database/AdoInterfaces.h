// The ADO interfaces this module calls, declared in their published table order. The system's
// adoint.h does not compile as C++, and ADO's late binding fails where its type library is not
// registered (Wine), so every call goes through these tables. Wine implements the interfaces
// under their newer identifiers (the _Connection interface is 00000550-...), and sizes that the
// tables name ADO_LONGPTR are pointer-sized, as in ADO 2.8 and later.
#pragma once

#ifdef _WIN32
#include <windows.h>
#include <oaidl.h>

namespace zmt::ado {

inline constexpr IID kIidConnection = {
    0x00000550, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x6D, 0x2E, 0xA4}};
inline constexpr wchar_t kConnectionProgId[] = L"ADODB.Connection";

// ObjectStateEnum
inline constexpr LONG kStateOpen = 1;
// CommandTypeEnum and ExecuteOptionEnum
inline constexpr LONG kCmdText = 1;
inline constexpr LONG kExecuteNoRecords = 128;
// ConnectOptionEnum
inline constexpr LONG kConnectUnspecified = -1;

struct Recordset;

// _ADO
struct AdoObject : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE get_Properties(IDispatch** properties) = 0;
};

// _Collection
struct Collection : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE get_Count(LONG* count) = 0;
  virtual HRESULT STDMETHODCALLTYPE _NewEnum(IUnknown** enumerator) = 0;
  virtual HRESULT STDMETHODCALLTYPE Refresh() = 0;
};

// Error
struct Error : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE get_Number(LONG* number) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Source(BSTR* source) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Description(BSTR* description) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_HelpFile(BSTR* file) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_HelpContext(LONG* context) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_SQLState(BSTR* state) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_NativeError(LONG* error) = 0;
};

// Errors
struct Errors : public Collection {
  virtual HRESULT STDMETHODCALLTYPE get_Item(VARIANT index, Error** error) = 0;
  virtual HRESULT STDMETHODCALLTYPE Clear() = 0;
};

// Field20 and Field
struct Field : public AdoObject {
  virtual HRESULT STDMETHODCALLTYPE get_ActualSize(LONG_PTR* size) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Attributes(LONG* attributes) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_DefinedSize(LONG_PTR* size) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Type(LONG* type) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Value(VARIANT* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Value(VARIANT value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Precision(BYTE* precision) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_NumericScale(BYTE* scale) = 0;
  virtual HRESULT STDMETHODCALLTYPE AppendChunk(VARIANT data) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetChunk(LONG length, VARIANT* data) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_OriginalValue(VARIANT* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_UnderlyingValue(VARIANT* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_DataFormat(IUnknown** format) = 0;
  virtual HRESULT STDMETHODCALLTYPE putref_DataFormat(IUnknown* format) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Precision(BYTE precision) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_NumericScale(BYTE scale) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Type(LONG type) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_DefinedSize(LONG_PTR size) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Attributes(LONG attributes) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Status(LONG* status) = 0;
};

// Fields15, the start of Fields: the later methods change the collection, which this module
// never does.
struct Fields : public Collection {
  virtual HRESULT STDMETHODCALLTYPE get_Item(VARIANT index, Field** field) = 0;
};

// Recordset15, the start of _Recordset: the later methods are not used here.
struct Recordset : public AdoObject {
  virtual HRESULT STDMETHODCALLTYPE get_AbsolutePosition(LONG_PTR* position) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_AbsolutePosition(LONG_PTR position) = 0;
  virtual HRESULT STDMETHODCALLTYPE putref_ActiveConnection(IDispatch* connection) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_ActiveConnection(VARIANT connection) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_ActiveConnection(VARIANT* connection) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_BOF(VARIANT_BOOL* bof) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Bookmark(VARIANT* bookmark) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Bookmark(VARIANT bookmark) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_CacheSize(LONG* size) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_CacheSize(LONG size) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_CursorType(LONG* type) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_CursorType(LONG type) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_EOF(VARIANT_BOOL* eof) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Fields(Fields** fields) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_LockType(LONG* type) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_LockType(LONG type) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_MaxRecords(LONG_PTR* records) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_MaxRecords(LONG_PTR records) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_RecordCount(LONG_PTR* count) = 0;
  virtual HRESULT STDMETHODCALLTYPE putref_Source(IDispatch* source) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Source(BSTR source) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Source(VARIANT* source) = 0;
  virtual HRESULT STDMETHODCALLTYPE AddNew(VARIANT field_list, VARIANT values) = 0;
  virtual HRESULT STDMETHODCALLTYPE CancelUpdate() = 0;
  virtual HRESULT STDMETHODCALLTYPE Close() = 0;
  virtual HRESULT STDMETHODCALLTYPE Delete(LONG affect_records) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetRows(LONG rows, VARIANT start, VARIANT fields,
                                            VARIANT* result) = 0;
  virtual HRESULT STDMETHODCALLTYPE Move(LONG_PTR records, VARIANT start) = 0;
  virtual HRESULT STDMETHODCALLTYPE MoveNext() = 0;
  virtual HRESULT STDMETHODCALLTYPE MovePrevious() = 0;
  virtual HRESULT STDMETHODCALLTYPE MoveFirst() = 0;
  virtual HRESULT STDMETHODCALLTYPE MoveLast() = 0;
  virtual HRESULT STDMETHODCALLTYPE Open(VARIANT source, VARIANT active_connection,
                                         LONG cursor_type, LONG lock_type, LONG options) = 0;
  virtual HRESULT STDMETHODCALLTYPE Requery(LONG options) = 0;
  virtual HRESULT STDMETHODCALLTYPE _xResync(LONG affect_records) = 0;
  virtual HRESULT STDMETHODCALLTYPE Update(VARIANT fields, VARIANT values) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_AbsolutePage(LONG_PTR* page) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_AbsolutePage(LONG_PTR page) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_EditMode(LONG* mode) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Filter(VARIANT* criteria) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Filter(VARIANT criteria) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_PageCount(LONG_PTR* count) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_PageSize(LONG* size) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_PageSize(LONG size) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Sort(BSTR* criteria) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Sort(BSTR criteria) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Status(LONG* status) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_State(LONG* state) = 0;
};

// Connection15 and _Connection
struct Connection : public AdoObject {
  virtual HRESULT STDMETHODCALLTYPE get_ConnectionString(BSTR* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_ConnectionString(BSTR value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_CommandTimeout(LONG* timeout) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_CommandTimeout(LONG timeout) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_ConnectionTimeout(LONG* timeout) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_ConnectionTimeout(LONG timeout) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Version(BSTR* version) = 0;
  virtual HRESULT STDMETHODCALLTYPE Close() = 0;
  virtual HRESULT STDMETHODCALLTYPE Execute(BSTR command, VARIANT* records_affected, LONG options,
                                            Recordset** recordset) = 0;
  virtual HRESULT STDMETHODCALLTYPE BeginTrans(LONG* level) = 0;
  virtual HRESULT STDMETHODCALLTYPE CommitTrans() = 0;
  virtual HRESULT STDMETHODCALLTYPE RollbackTrans() = 0;
  virtual HRESULT STDMETHODCALLTYPE Open(BSTR connection_string, BSTR user_id, BSTR password,
                                         LONG options) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Errors(Errors** errors) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_DefaultDatabase(BSTR* database) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_DefaultDatabase(BSTR database) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_IsolationLevel(LONG* level) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_IsolationLevel(LONG level) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Attributes(LONG* attributes) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Attributes(LONG attributes) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_CursorLocation(LONG* location) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_CursorLocation(LONG location) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Mode(LONG* mode) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Mode(LONG mode) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Provider(BSTR* provider) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Provider(BSTR provider) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_State(LONG* state) = 0;
  virtual HRESULT STDMETHODCALLTYPE OpenSchema(LONG schema, VARIANT restrictions, VARIANT schema_id,
                                               Recordset** recordset) = 0;
  virtual HRESULT STDMETHODCALLTYPE Cancel() = 0;
};

}  // namespace zmt::ado
#endif
