#include "clsZMTCheckPlugin.h"

#include <windows.h>

#include "clsAppInfo.h"
#include "clsComputerInfo.h"
#include "clsGenericDB.h"
#include "datamodQuro.h"
#include "modServiceCheck.h"
#include "modServices.h"
#include "WinFile.h"
#include "modWinApi.h"

namespace zmt {

namespace {

// The live objects, newest first; the module-level pair follows the head.
TZMTCheckPlugin* newestPlugin = nullptr;

}  // namespace

// ---- the check on this machine ----

TWin32ServiceCheckEffects::TWin32ServiceCheckEffects(TJvComputerInfoEx& ComputerInfo,
                                                     TdmQuro* DataModule)
    : computerInfo_(ComputerInfo), dataModule_(DataModule) {}

std::string TWin32ServiceCheckEffects::IPAddress() {
  return computerInfo_.Identification().IPAddress();
}

std::string TWin32ServiceCheckEffects::LocalComputerName() {
  return computerInfo_.Identification().LocalComputerName();
}

std::string TWin32ServiceCheckEffects::ConnectionString() {
  if (!dataModule_) throw Exception("There is no data module to read the connection from");
  return dataModule_->con.AnsiConnectionString();
}

std::uint32_t TWin32ServiceCheckEffects::ServiceState() {
  return GetServiceState(nullptr, kZmtServiceName);
}

void TWin32ServiceCheckEffects::RunHiddenAndWait(const TSystemCommand& Command) {
  const std::string program = SystemDirectoryFile(Command.Program);
  if (program.empty()) throw Exception("No system directory");
  RunAndWait(program, Command.CommandLine, SW_HIDE);
}

void TWin32ServiceCheckEffects::StartHidden(const std::string& CommandLine) {
  StartProgram(CommandLine, SW_HIDE);
}

bool TWin32ServiceCheckEffects::FileExists(const std::string& FileName) {
  return zmt::FileExists(FileName);
}

std::string TWin32ServiceCheckEffects::FileVersionText(const std::string& FileName) {
  return GetFileVersionText(FileName);
}

void TWin32ServiceCheckEffects::ShowInformation(const std::string& Text) {
  // Owned by the host's active window, so that the till waits for the operator's answer.
  const HWND owner = GetActiveWindow();
  MessageBoxA(owner, Text.c_str(), kZmtInformationCaption,
              MB_OK | MB_ICONINFORMATION | (owner ? 0 : MB_TASKMODAL));
}

void TWin32ServiceCheckEffects::Pause(std::uint32_t Milliseconds) {
  Sleep(Milliseconds);
}

void CheckZMTService(TdmQuro* DataModule) {
  TJvComputerInfoEx computerInfo;
  TWin32ServiceCheckEffects effects(computerInfo, DataModule);
  RunServiceCheck(effects);
}

void CheckZMTService() {
  CheckZMTService(dmQuro);
}

// ---- TZMTCheckPlugin ----

TZMTCheckPlugin::TZMTCheckPlugin() {
  ExtraInfo = KvString();
  Name = KvString("ZMTCheckPlugin");
  Description = KvString("Quro ZMTCheckPlugin Plugin");
  older_ = newestPlugin;
  if (older_) older_->newer_ = this;
  newestPlugin = this;
  try {
    dataModule_ = std::make_unique<TdmQuro>();
    PublishNewest();
    dataModule_->SetConnected();
    genericDB_ = std::make_unique<TGenericDB>(dataModule_->con);
    PublishNewest();
  } catch (...) {
    // The host gets no object: what was built goes, and the module-level pair goes back to the
    // object that was newest before.
    FreeDatabaseObjects();
    Unlink();
    throw;
  }
}

TZMTCheckPlugin::~TZMTCheckPlugin() {
  // Reached also when a step of Destroy failed: nothing may keep pointing at this object.
  Unlink();
  genericDB_.reset();
  dataModule_.reset();
  PublishNewest();
}

TKvPlugin* TZMTCheckPlugin::Create() const {
  return new TZMTCheckPlugin();
}

bool TZMTCheckPlugin::Execute() {
  if (!TKvPlugin::Execute()) return false;
  CheckZMTService(dataModule_.get());
  return true;
}

void TZMTCheckPlugin::Destroy() {
  FreeDatabaseObjects();
  TKvPlugin::Destroy();
}

void TZMTCheckPlugin::FreeDatabaseObjects() {
  // The query never outlives its connection.
  if (GenericDB == genericDB_.get()) GenericDB = nullptr;
  genericDB_.reset();
  if (dmQuro == dataModule_.get()) dmQuro = nullptr;
  dataModule_.reset();
}

void TZMTCheckPlugin::Unlink() noexcept {
  if (older_) older_->newer_ = newer_;
  if (newer_) newer_->older_ = older_;
  if (newestPlugin == this) newestPlugin = older_;
  older_ = newer_ = nullptr;
  PublishNewest();
}

void TZMTCheckPlugin::PublishNewest() noexcept {
  const TZMTCheckPlugin* newest = newestPlugin;
  dmQuro = newest ? newest->dataModule_.get() : nullptr;
  GenericDB = newest ? newest->genericDB_.get() : nullptr;
}

}  // namespace zmt

extern "C" KvPlugin* KVAPI RegisterKvPlugin() {
  return zmt::ConstructForHost<zmt::TZMTCheckPlugin>();
}
