// A scripted registry, operator and connection for the connection settings.
#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "clsKvAdoConnection.h"

namespace zmt::testing {

struct FakeRegistry {
  std::map<std::string, std::map<std::string, std::pair<uint32_t, std::string>>> Keys;
  bool DenyKey = false;
  bool ReadOnlyKey = false;  // full access refused, reading an existing key allowed
  std::set<std::string> RefuseRead, RefuseWrite;
  int Open = 0;  // handles open right now

  void PutDword(const std::string& key, const std::string& name, uint32_t v) {
    Keys[key][name] = {kRegDword, std::string(reinterpret_cast<const char*>(&v), 4)};
  }
  const std::pair<uint32_t, std::string>* Find(const std::string& key, const std::string& name) {
    auto k = Keys.find(key);
    if (k == Keys.end()) return nullptr;
    auto v = k->second.find(name);
    return v == k->second.end() ? nullptr : &v->second;
  }
};

class FakeBackend : public TRegistryBackend {
 public:
  explicit FakeBackend(FakeRegistry& r) : r_(r) {}
  ~FakeBackend() override { CloseKey(); }
  bool OpenKey(const std::string& key) override {
    if (r_.DenyKey || r_.ReadOnlyKey) return false;
    r_.Keys[key];
    return Opened(key, true);
  }
  bool OpenKeyReadOnly(const std::string& key) override {
    return !r_.DenyKey && r_.Keys.count(key) && Opened(key, false);
  }
  void CloseKey() noexcept override {
    if (!key_.empty()) --r_.Open;
    key_.clear();
  }
  TQuery QueryValue(const std::string& name, uint32_t& type, std::string& data) override {
    if (r_.RefuseRead.count(name)) return TQuery::Refused;
    const auto* v = r_.Find(key_, name);
    if (v == nullptr) return TQuery::Missing;
    type = v->first;
    data = v->second;
    return TQuery::Found;
  }
  // A value that RefuseRead names still shows that it exists.
  TQuery QueryType(const std::string& name, uint32_t& type) override {
    const auto* v = r_.Find(key_, name);
    if (v == nullptr) return TQuery::Missing;
    type = v->first;
    return TQuery::Found;
  }
  bool SetValue(const std::string& name, uint32_t type, const std::string& data) override {
    if (!writable_ || r_.RefuseWrite.count(name)) return false;
    r_.Keys[key_][name] = {type, data};
    return true;
  }

 private:
  bool Opened(const std::string& key, bool writable) {
    key_ = key;
    writable_ = writable;
    ++r_.Open;
    return true;
  }
  FakeRegistry& r_;
  std::string key_;
  bool writable_ = false;
};

struct FakeEnvironment : TConnectionEnvironment {
  FakeRegistry Registry;
  std::vector<std::string> Messages, PromptStarts;
  bool Confirm = false;  // the dialog's OK, giving Edited
  std::string Edited;

  std::unique_ptr<TRegistryBackend> CreateRegistry() override {
    return std::make_unique<FakeBackend>(Registry);
  }
  void ShowMessage(const std::string& text) override { Messages.push_back(text); }
  void ShowWarning(const std::string& text) override { Messages.push_back("warning: " + text); }
  std::string PromptConnectionString(const std::string& start) override {
    PromptStarts.push_back(start);
    return Confirm ? Edited : start;
  }
};

struct FakeConnection : TCustomConnection {
  bool IsOpen = false;
  std::string Text, OpenedWith, Reported, OpenError;
  int Closes = 0;
  bool Prompt = true;

  bool Connected() const override { return IsOpen; }
  void Close() override {
    ++Closes;
    IsOpen = false;
  }
  std::string AnsiConnectionString() const override { return IsOpen ? Reported : Text; }
  void SetAnsiConnectionString(const std::string& v) override { Text = v; }
  void SetLoginPrompt(bool v) override { Prompt = v; }
  void Open() override {
    if (!OpenError.empty()) throw Exception(OpenError);
    OpenedWith = Text;
    IsOpen = true;
  }
};

}  // namespace zmt::testing
