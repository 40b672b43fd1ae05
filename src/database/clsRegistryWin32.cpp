#include "clsRegistryWin32.h"

#include <limits>

namespace zmt {

bool TWindowsRegistryBackend::OpenKey(const std::string& Key) {
  return RegCreateKeyExA(HKEY_LOCAL_MACHINE, Key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                         KEY_ALL_ACCESS, nullptr, key_.Put(), nullptr) == ERROR_SUCCESS;
}

bool TWindowsRegistryBackend::OpenKeyReadOnly(const std::string& Key) {
  return RegOpenKeyExA(HKEY_LOCAL_MACHINE, Key.c_str(), 0, KEY_READ, key_.Put()) == ERROR_SUCCESS;
}

void TWindowsRegistryBackend::CloseKey() noexcept {
  key_.Reset();
}

namespace {

// Every registry call is a round trip to the registry's keeper (the kernel, or Wine's server): a
// first read into a buffer this large answers most values in one call.
constexpr DWORD kFirstReadSize = 1024;

TRegistryBackend::TQuery Outcome(LONG status) {
  return status == ERROR_FILE_NOT_FOUND ? TRegistryBackend::TQuery::Missing
                                        : TRegistryBackend::TQuery::Refused;
}

}  // namespace

TRegistryBackend::TQuery TWindowsRegistryBackend::QueryValue(const std::string& Name,
                                                             uint32_t& Type, std::string& Data) {
  if (!key_) return TQuery::Refused;
  DWORD size = kFirstReadSize;
  // Another writer may grow the value between two calls: ask again with the new size.
  for (int attempt = 0; attempt < 8; ++attempt) {
    Data.assign(size, '\0');
    DWORD type = 0;
    DWORD got = size;
    const LONG status = RegQueryValueExA(key_.Get(), Name.c_str(), nullptr, &type,
                                         reinterpret_cast<BYTE*>(Data.data()), &got);
    if (status == ERROR_SUCCESS) {
      Data.resize(got);
      Type = type;
      return TQuery::Found;
    }
    if (status != ERROR_MORE_DATA) return Outcome(status);
    size = got;
  }
  return TQuery::Refused;
}

TRegistryBackend::TQuery TWindowsRegistryBackend::QueryType(const std::string& Name,
                                                            uint32_t& Type) {
  if (!key_) return TQuery::Refused;
  DWORD type = 0;
  const LONG status = RegQueryValueExA(key_.Get(), Name.c_str(), nullptr, &type, nullptr, nullptr);
  if (status != ERROR_SUCCESS) return Outcome(status);
  Type = type;
  return TQuery::Found;
}

bool TWindowsRegistryBackend::SetValue(const std::string& Name, uint32_t Type,
                                       const std::string& Data) {
  if (!key_ || Data.size() > std::numeric_limits<DWORD>::max()) return false;
  return RegSetValueExA(key_.Get(), Name.c_str(), 0, Type,
                        reinterpret_cast<const BYTE*>(Data.data()),
                        static_cast<DWORD>(Data.size())) == ERROR_SUCCESS;
}

}  // namespace zmt
