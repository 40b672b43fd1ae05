#include "clsRegistryWin32.h"

#include <limits>

namespace zmt {

bool TWindowsRegistryBackend::OpenKey(const std::string& Key) {
  return RegCreateKeyExA(HKEY_LOCAL_MACHINE, Key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                         KEY_ALL_ACCESS, nullptr, key_.Put(), nullptr) == ERROR_SUCCESS;
}

void TWindowsRegistryBackend::CloseKey() noexcept {
  key_.Reset();
}

TRegistryBackend::TQuery TWindowsRegistryBackend::QueryValue(const std::string& Name,
                                                             uint32_t& Type, std::string& Data) {
  if (!key_) return TQuery::Refused;
  DWORD type = 0;
  DWORD size = 0;
  LONG status = RegQueryValueExA(key_.Get(), Name.c_str(), nullptr, &type, nullptr, &size);
  // Another writer may grow the value between the two calls: ask again with the new size.
  for (int attempt = 0; status == ERROR_SUCCESS || status == ERROR_MORE_DATA; ++attempt) {
    if (attempt == 8) return TQuery::Refused;
    Data.assign(size, '\0');
    DWORD got = size;
    status = RegQueryValueExA(key_.Get(), Name.c_str(), nullptr, &type,
                              reinterpret_cast<BYTE*>(Data.data()), &got);
    if (status == ERROR_SUCCESS) {
      Data.resize(got);
      Type = type;
      return TQuery::Found;
    }
    size = got;
  }
  return status == ERROR_FILE_NOT_FOUND ? TQuery::Missing : TQuery::Refused;
}

bool TWindowsRegistryBackend::SetValue(const std::string& Name, uint32_t Type,
                                       const std::string& Data) {
  if (!key_ || Data.size() > std::numeric_limits<DWORD>::max()) return false;
  return RegSetValueExA(key_.Get(), Name.c_str(), 0, Type,
                        reinterpret_cast<const BYTE*>(Data.data()),
                        static_cast<DWORD>(Data.size())) == ERROR_SUCCESS;
}

}  // namespace zmt
