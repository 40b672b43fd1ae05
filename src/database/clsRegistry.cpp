#include "clsRegistry.h"

#include <cstring>

namespace zmt {

namespace {

std::string Relative(const std::string& Key) {
  return !Key.empty() && Key.front() == '\\' ? Key.substr(1) : Key;
}

[[noreturn]] void RaiseValueError(const char* format, const std::string& name) {
  std::string text = format;
  const std::string::size_type at = text.find("%s");
  text.replace(at, 2, name);
  throw ERegistryException(text);
}

}  // namespace

TRegistry::TRegistry(std::unique_ptr<TRegistryBackend> Backend) : backend_(std::move(Backend)) {}

TRegistry::~TRegistry() {
  CloseKey();
}

bool TRegistry::OpenKey(const std::string& Key) {
  CloseKey();
  open_ = backend_->OpenKey(Relative(Key));
  return open_;
}

bool TRegistry::OpenKeyForReading(const std::string& Key) {
  if (OpenKey(Key)) return true;
  open_ = read_only_ = backend_->OpenKeyReadOnly(Relative(Key));
  return open_;
}

void TRegistry::CloseKey() noexcept {
  if (open_) backend_->CloseKey();
  open_ = read_only_ = false;
}

bool TRegistry::ValueExists(const std::string& Name) {
  uint32_t type = 0;
  return backend_->QueryType(Name, type) != TRegistryBackend::TQuery::Missing;
}

std::string TRegistry::ReadString(const std::string& Name) {
  uint32_t type = 0;
  std::string data;
  switch (backend_->QueryValue(Name, type, data)) {
    case TRegistryBackend::TQuery::Missing:
      return {};
    case TRegistryBackend::TQuery::Refused:
      RaiseValueError("Failed to get data for '%s'", Name);
    case TRegistryBackend::TQuery::Found:
      break;
  }
  if (type != kRegSz && type != kRegExpandSz) RaiseValueError("Invalid data type for '%s'", Name);
  // The stored text ends at its terminating zero; a value written without one is taken whole.
  const std::string::size_type end = data.find('\0');
  if (end != std::string::npos) data.resize(end);
  return data;
}

int32_t TRegistry::ReadInteger(const std::string& Name) {
  uint32_t type = 0;
  std::string data;
  if (backend_->QueryValue(Name, type, data) != TRegistryBackend::TQuery::Found) {
    RaiseValueError("Failed to get data for '%s'", Name);
  }
  if (type != kRegDword || data.size() != sizeof(int32_t)) {
    RaiseValueError("Invalid data type for '%s'", Name);
  }
  int32_t value = 0;
  std::memcpy(&value, data.data(), sizeof value);
  return value;
}

void TRegistry::WriteString(const std::string& Name, const std::string& Value) {
  if (!backend_->SetValue(Name, kRegSz, Value + '\0')) {
    RaiseValueError("Failed to set data for '%s'", Name);
  }
}

void TRegistry::WriteInteger(const std::string& Name, int32_t Value) {
  std::string data(sizeof Value, '\0');
  std::memcpy(data.data(), &Value, sizeof Value);
  if (!backend_->SetValue(Name, kRegDword, data)) {
    RaiseValueError("Failed to set data for '%s'", Name);
  }
}

}  // namespace zmt
