#include "modDataLink.h"

#include <windows.h>
#include <oledb.h>
#include <msdasc.h>

#include "FConnectionEditor.h"
#include "WinText.h"
#include "SysUtils.h"
#include "WinHandles.h"
#include "clsAdoComponents.h"
#include "clsModalScope.h"

namespace zmt {

namespace {

// The identifiers as values here: not every import library of the tool chains carries them.
constexpr GUID kClsidDataLinks = {
    0x2206CDB2, 0x19C1, 0x11D1, {0x89, 0xE0, 0x00, 0xC0, 0x4F, 0xD7, 0xA8, 0x29}};
constexpr GUID kIidDataInitialize = {
    0x2206CCB1, 0x19C1, 0x11D1, {0x89, 0xE0, 0x00, 0xC0, 0x4F, 0xD7, 0xA8, 0x29}};
constexpr GUID kIidDBPromptInitialize = {
    0x2206CCB0, 0x19C1, 0x11D1, {0x89, 0xE0, 0x00, 0xC0, 0x4F, 0xD7, 0xA8, 0x29}};

[[noreturn]] void RaiseOleError(const char* what, HRESULT code) {
  throw EOleException(std::string(what) + ": " + OleErrorText(code));
}

void TestConnection(const std::string& connectionString) {
  TADOConnection connection;
  connection.SetLoginPrompt(false);
  connection.SetAnsiConnectionString(connectionString);
  connection.Open();
  connection.Close();
}

// The system's data-link dialog in its property-sheet form over the data source that Start
// describes.
std::string PromptDataLink(IDataInitialize& init, IDBPromptInitialize& prompt,
                           const std::string& Start) {
  const std::wstring wideStart = WideFromAnsi(Start);
  ComPtr<IUnknown> dataSource;
  // A string the service components cannot read leaves no data source: the dialog starts blank.
  init.GetDataSource(nullptr, CLSCTX_INPROC_SERVER, Start.empty() ? nullptr : wideStart.c_str(),
                     IID_IUnknown, dataSource.Put());
  // In and out: the dialog releases the reference it is given when it gives back another one, so
  // it gets a reference of its own, and what comes back is owned here whatever the result.
  IUnknown* inOut = dataSource.Get();
  if (inOut != nullptr) inOut->AddRef();
  // Modal to the whole host, as the module's own dialogs are: the plug-in is still being built,
  // and the operator must not drive the host (or unload the module) under it. Owned by the
  // host's active window, so that it opens above a host window that stays on top.
  HRESULT result = E_FAIL;
  {
    TModalScope modal;
    result =
        prompt.PromptDataSource(nullptr, modal.PreviouslyActive(), DBPROMPTOPTIONS_PROPERTYSHEET, 0,
                                nullptr, nullptr, IID_IUnknown, &inOut);
  }
  ComPtr<IUnknown> shown;
  *shown.Put() = inOut;
  if (FAILED(result) || !shown) return Start;
  UniqueCoTaskString edited;
  if (FAILED(init.GetInitializationString(shown.Get(), true, edited.Put()))) return Start;
  return AnsiFromWide(edited.Get());
}

}  // namespace

std::string PromptConnectionString(const std::string& Start) {
  ComInitializer com;
  ComPtr<IDataInitialize> init;
  const HRESULT created = CoCreateInstance(kClsidDataLinks, nullptr, CLSCTX_INPROC_SERVER,
                                           kIidDataInitialize, init.PutVoid());
  if (FAILED(created)) RaiseOleError("Cannot create the OLE DB data links object", created);

  ComPtr<IDBPromptInitialize> prompt;
  if (SUCCEEDED(init->QueryInterface(kIidDBPromptInitialize, prompt.PutVoid())) && prompt) {
    return PromptDataLink(*init.Get(), *prompt.Get(), Start);
  }
  // Service components without the data-link dialog (Wine): the module's own editor.
  std::string edited;
  EditConnectionStringDialog(Start, edited, &TestConnection);
  return edited;
}

}  // namespace zmt
