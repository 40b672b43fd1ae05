// Reading and writing typed values of one registry key, with the messages the operator sees
// when a value cannot be read or written as its type. The key itself is reached through a
// backend: the Windows registry in the module, an in-memory one in the portable tests.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "SysUtils.h"

namespace zmt {

// The registry's own type codes.
enum : uint32_t { kRegSz = 1, kRegExpandSz = 2, kRegBinary = 3, kRegDword = 4 };

// One key of HKEY_LOCAL_MACHINE, opened with full access or for reading alone.
class TRegistryBackend {
 public:
  enum class TQuery { Found, Missing, Refused };

  virtual ~TRegistryBackend() = default;
  // Opens the key with full access, creating it when missing; Key has no leading backslash.
  // False when the registry refuses.
  virtual bool OpenKey(const std::string& Key) = 0;
  // Opens an existing key for reading alone; false when it is missing or the registry refuses.
  virtual bool OpenKeyReadOnly(const std::string& Key) = 0;
  virtual void CloseKey() noexcept = 0;
  // The value's type and its bytes, whatever their size.
  virtual TQuery QueryValue(const std::string& Name, uint32_t& Type, std::string& Data) = 0;
  // Whether the value exists, without reading it.
  virtual TQuery QueryType(const std::string& Name, uint32_t& Type) = 0;
  virtual bool SetValue(const std::string& Name, uint32_t Type, const std::string& Data) = 0;
};

class TRegistry {
 public:
  explicit TRegistry(std::unique_ptr<TRegistryBackend> Backend);
  ~TRegistry();
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  // Opens (and creates) the key with full access; a leading backslash is the registry's root and
  // is dropped.
  bool OpenKey(const std::string& Key);
  // As OpenKey; when full access is refused, as a standard user is refused it under
  // HKEY_LOCAL_MACHINE, opens the existing key for reading alone.
  bool OpenKeyForReading(const std::string& Key);
  // Whether the open key may only be read.
  bool ReadOnly() const noexcept { return read_only_; }
  void CloseKey() noexcept;

  bool ValueExists(const std::string& Name);
  // A REG_SZ or REG_EXPAND_SZ value as stored (not expanded); empty when the value is missing.
  std::string ReadString(const std::string& Name);
  // A REG_DWORD value.
  int32_t ReadInteger(const std::string& Name);
  bool ReadBool(const std::string& Name) { return ReadInteger(Name) != 0; }
  void WriteString(const std::string& Name, const std::string& Value);
  void WriteInteger(const std::string& Name, int32_t Value);
  void WriteBool(const std::string& Name, bool Value) { WriteInteger(Name, Value ? 1 : 0); }

 private:
  std::unique_ptr<TRegistryBackend> backend_;
  bool open_ = false;
  bool read_only_ = false;
};

}  // namespace zmt
