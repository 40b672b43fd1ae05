// The registry backend of the module: one key of HKEY_LOCAL_MACHINE, opened with full access and
// created when missing, or opened for reading alone; closed on every way out.
#pragma once

#include "WinHandles.h"
#include "clsRegistry.h"

namespace zmt {

class TWindowsRegistryBackend : public TRegistryBackend {
 public:
  bool OpenKey(const std::string& Key) override;
  bool OpenKeyReadOnly(const std::string& Key) override;
  void CloseKey() noexcept override;
  TQuery QueryValue(const std::string& Name, uint32_t& Type, std::string& Data) override;
  TQuery QueryType(const std::string& Name, uint32_t& Type) override;
  bool SetValue(const std::string& Name, uint32_t Type, const std::string& Data) override;

 private:
  UniqueHkey key_;
};

}  // namespace zmt
