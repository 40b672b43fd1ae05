#include "ScopedRegistryValue.h"

#include <cstring>

namespace zmt::test {

namespace {

constexpr char kJournalKey[] = "Software\\Tessinor\\ZMTCheck test journal";
constexpr size_t kHeader = 1 + sizeof(DWORD);

// A journal entry is named "HKLM|key|name" ("HKCU|..."; no name: the default value) and holds a
// flag whether the value existed, its type and its bytes.
std::string EntryName(HKEY root, const std::string& key, const std::string& name) {
  return std::string(root == HKEY_LOCAL_MACHINE ? "HKLM|" : "HKCU|") + key + "|" + name;
}

std::vector<BYTE> Note(HKEY root, const std::string& key, const char* name) {
  std::vector<BYTE> note(kHeader, 0);
  DWORD type = 0, size = 0;
  if (RegGetValueA(root, key.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, &type, nullptr, &size) ==
      ERROR_SUCCESS) {
    note.resize(kHeader + size);
    note[0] = RegGetValueA(root, key.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, &type,
                           note.data() + kHeader, &size) == ERROR_SUCCESS;
    note.resize(kHeader + size);
    std::memcpy(&note[1], &type, sizeof type);
  }
  return note;
}

void PutBack(HKEY root, const std::string& key, const char* name, const std::vector<BYTE>& note) {
  if (note.size() < kHeader || note[0] == 0) {
    RegDeleteKeyValueA(root, key.c_str(), name);
    return;
  }
  DWORD type = 0;
  std::memcpy(&type, &note[1], sizeof type);
  RegSetKeyValueA(root, key.c_str(), name, type, note.data() + kHeader,
                  static_cast<DWORD>(note.size() - kHeader));
}

// Whatever an earlier suite could not put back is put back before this one's first test.
const bool kRestoredAtStart = (RestoreJournaledRegistryValues(), true);

}  // namespace

ScopedRegistryValue::ScopedRegistryValue(HKEY root, std::string key, const char* name, DWORD type,
                                         const void* data, DWORD size)
    : root_(root), key_(std::move(key)), name_(name ? name : ""), hasName_(name != nullptr) {
  saved_ = Note(root_, key_, name);
  // The note goes first, so that the value never differs from what it was without one; an outer
  // owner's note of the same value, which holds the older state, stays.
  const std::string entry = EntryName(root_, key_, name_);
  if (RegGetValueA(HKEY_CURRENT_USER, kJournalKey, entry.c_str(), RRF_RT_ANY, nullptr, nullptr,
                   nullptr) != ERROR_SUCCESS) {
    if (RegSetKeyValueA(HKEY_CURRENT_USER, kJournalKey, entry.c_str(), REG_BINARY, saved_.data(),
                        static_cast<DWORD>(saved_.size())) != ERROR_SUCCESS) {
      return;
    }
    journalEntry_ = entry;
  }
  const LONG result = size == kDelete
                          ? RegDeleteKeyValueA(root_, key_.c_str(), name)
                          : RegSetKeyValueA(root_, key_.c_str(), name, type, data, size);
  written_ = result == ERROR_SUCCESS || (size == kDelete && result == ERROR_FILE_NOT_FOUND);
  if (!written_ && !journalEntry_.empty()) {
    RegDeleteKeyValueA(HKEY_CURRENT_USER, kJournalKey, journalEntry_.c_str());
  }
}

ScopedRegistryValue::~ScopedRegistryValue() {
  if (!written_) return;
  PutBack(root_, key_, hasName_ ? name_.c_str() : nullptr, saved_);
  if (!journalEntry_.empty()) {
    RegDeleteKeyValueA(HKEY_CURRENT_USER, kJournalKey, journalEntry_.c_str());
  }
}

void RestoreJournaledRegistryValues() {
  HKEY journal = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kJournalKey, 0, KEY_READ | KEY_SET_VALUE, &journal) !=
      ERROR_SUCCESS) {
    return;
  }
  DWORD longestName = 0, longestData = 0;
  RegQueryInfoKeyA(journal, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                   &longestName, &longestData, nullptr, nullptr);
  std::vector<char> entry(longestName + 1);
  std::vector<std::string> done;
  for (DWORD index = 0;; ++index) {
    std::vector<BYTE> note(longestData);
    DWORD entrySize = static_cast<DWORD>(entry.size()), noteSize = longestData;
    if (RegEnumValueA(journal, index, entry.data(), &entrySize, nullptr, nullptr, note.data(),
                      &noteSize) != ERROR_SUCCESS) {
      break;
    }
    note.resize(noteSize);
    done.emplace_back(entry.data(), entrySize);
    const std::string& name = done.back();
    const size_t first = name.find('|'), last = name.rfind('|');
    if (first == std::string::npos || last == first) continue;
    const std::string value = name.substr(last + 1);
    PutBack(name.compare(0, first, "HKLM") == 0 ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER,
            name.substr(first + 1, last - first - 1), value.empty() ? nullptr : value.c_str(),
            note);
  }
  for (const std::string& name : done) RegDeleteValueA(journal, name.c_str());
  RegCloseKey(journal);
}

}  // namespace zmt::test
