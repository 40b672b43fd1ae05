// The data module that owns the module's one connection to the POS database.
#pragma once

#include <memory>
#include <string>

#include "clsAdoComponents.h"
#include "clsKvAdoConnection.h"

namespace zmt {

// The workstation name inside the design-time connection string.
constexpr char kWorkstationName[] = "QUROPOS";

class TdmQuro {
 public:
  // Builds the components from their design-time values under the component-creation lock, then
  // runs DataModuleCreate. Raises when ADO cannot be created.
  TdmQuro();
  // DataModuleDestroy, then the components; an open connection closes.
  ~TdmQuro();
  TdmQuro(const TdmQuro&) = delete;
  TdmQuro& operator=(const TdmQuro&) = delete;

  TADOConnection con;
  std::unique_ptr<TKVAdoConnection> ConnectionSettings;
  TConnectionDefaults Defaults;
  std::string ApplicationName;
  std::string ConnectionName;
  bool NoRetryPrompt = false;

  void DataModuleCreate();
  void DataModuleDestroy();
  // (Re)connects con through the settings; every error is shown to the operator here and goes
  // no further.
  void SetConnected();
};

// The connection string that con holds before its first connect.
std::string DesignTimeConnectionString();

// The live data module; set and freed by the plug-in.
extern TdmQuro* dmQuro;

}  // namespace zmt
