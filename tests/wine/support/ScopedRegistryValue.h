// A registry value that a suite sets for a scope and that is put back as it was on every way out.
//
// The suites share one Wine prefix with each other and with the main job, so a value left behind
// breaks whatever runs next (ADO's class registration, say). Before the change the old state is
// noted in a journal under HKCU; the owner's end puts it back and removes the note, and a suite
// that starts after one that died in between puts back whatever the journal still holds.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace zmt::test {

class ScopedRegistryValue {
 public:
  // Sets name (nullptr: the key's default value) under root\key, creating the key when needed.
  ScopedRegistryValue(HKEY root, std::string key, const char* name, DWORD type, const void* data,
                      DWORD size);
  ScopedRegistryValue(HKEY root, std::string key, const char* name, const std::string& text)
      : ScopedRegistryValue(root, std::move(key), name, REG_SZ, text.c_str(),
                            static_cast<DWORD>(text.size() + 1)) {}
  ScopedRegistryValue(HKEY root, std::string key, const char* name, DWORD value)
      : ScopedRegistryValue(root, std::move(key), name, REG_DWORD, &value, sizeof value) {}
  // Deletes the value for the scope.
  ScopedRegistryValue(HKEY root, std::string key, const char* name)
      : ScopedRegistryValue(root, std::move(key), name, REG_NONE, nullptr, kDelete) {}
  ~ScopedRegistryValue();
  ScopedRegistryValue(const ScopedRegistryValue&) = delete;
  ScopedRegistryValue& operator=(const ScopedRegistryValue&) = delete;

  // The change took place (false: the registry refused it; nothing needs putting back).
  bool Written() const { return written_; }

 private:
  static constexpr DWORD kDelete = 0xFFFFFFFF;

  HKEY root_;
  std::string key_;
  std::string name_;
  bool hasName_;
  bool written_ = false;
  std::vector<BYTE> saved_;   // the journal note: found flag, type, data
  std::string journalEntry_;  // empty when an outer owner of the same value holds the note
};

// Puts back every value that the journal still holds. Runs at the start of every Wine suite.
void RestoreJournaledRegistryValues();

}  // namespace zmt::test
