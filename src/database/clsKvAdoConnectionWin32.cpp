// The Windows side of the connection settings: the real registry, the module's message dialog and
// the connection-string dialog.
#include "modMessageDlg.h"
#include "clsKvAdoConnection.h"
#include "clsRegistryWin32.h"
#include "modDataLink.h"

namespace zmt {

namespace {

class TWindowsConnectionEnvironment : public TConnectionEnvironment {
 public:
  std::unique_ptr<TRegistryBackend> CreateRegistry() override {
    return std::make_unique<TWindowsRegistryBackend>();
  }
  void ShowMessage(const std::string& Text) override {
    TimedMessageDlg(Text, dtInformation, ButtonSet({btOK}), "", 0, 0, clBtnFace);
  }
  void ShowWarning(const std::string& Text) override {
    TimedMessageDlg(Text, dtWarning, ButtonSet({btOK}), "", 0, 0, clBtnFace);
  }
  std::string PromptConnectionString(const std::string& Start) override {
    return zmt::PromptConnectionString(Start);
  }
};

// At namespace scope, not as a function's static: the guard of a function's static makes the
// run-time create a lock that it never frees, one more kernel handle in the host for every load
// and unload of the module.
TWindowsConnectionEnvironment environment;

}  // namespace

TConnectionEnvironment& WindowsConnectionEnvironment() {
  return environment;
}

TKVAdoConnection::TKVAdoConnection() : TKVAdoConnection(WindowsConnectionEnvironment()) {}

}  // namespace zmt
