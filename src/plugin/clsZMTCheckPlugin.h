// The service-check plug-in: opens the POS database connection when it is made and makes sure
// that the product's service runs each time the host calls Execute.
#pragma once

#include <memory>

#include "clsKvPlugin.h"
#include "modServiceCheck.h"

namespace zmt {

class TdmQuro;
class TGenericDB;
class TJvComputerInfoEx;

// The service check's effects on this machine: the service control manager, the system's "net"
// command, the product's installer, the version library and the standard message box.
class TWin32ServiceCheckEffects : public TServiceCheckEffects {
 public:
  TWin32ServiceCheckEffects(TJvComputerInfoEx& ComputerInfo, TdmQuro* DataModule);

  std::string IPAddress() override;
  std::string LocalComputerName() override;
  std::string ConnectionString() override;
  std::uint32_t ServiceState() override;
  void RunHiddenAndWait(const TSystemCommand& Command) override;
  void StartHidden(const std::string& CommandLine) override;
  bool FileExists(const std::string& FileName) override;
  std::string FileVersionText(const std::string& FileName) override;
  void ShowInformation(const std::string& Text) override;
  void Pause(std::uint32_t Milliseconds) override;

 private:
  TJvComputerInfoEx& computerInfo_;
  TdmQuro* dataModule_;
};

// Several objects may live at once. Each owns its own data module and generic database object;
// the module-level dmQuro and GenericDB always name the pair of the newest live object (or
// nothing), whatever order the objects are freed in.
class TZMTCheckPlugin : public TKvPlugin {
 public:
  TZMTCheckPlugin();
  ~TZMTCheckPlugin() override;

  TKvPlugin* Create() const override;
  // Runs the service check against this object's own connection; true whatever it found.
  bool Execute() override;
  // GenericDB, then the data module (their errors go out as they are), then the base part.
  void Destroy() override;

 private:
  void FreeDatabaseObjects();
  void Unlink() noexcept;
  static void PublishNewest() noexcept;

  std::unique_ptr<TdmQuro> dataModule_;
  std::unique_ptr<TGenericDB> genericDB_;  // declared later, so freed first
  TZMTCheckPlugin* older_ = nullptr;
  TZMTCheckPlugin* newer_ = nullptr;
};

// The check of the service "zmtservice" against the connection of DataModule; a missing data
// module ends it silently like every other error of its work.
void CheckZMTService(TdmQuro* DataModule);
// The same against the module-level dmQuro.
void CheckZMTService();

}  // namespace zmt
