#include "HostError.h"
#include "PluginUnderTest.h"
#include "TestPlugin.h"

namespace plugintest {

KvPlugin* NewTestPlugin() {
  return zmt::ConstructForHost<zmt::TTestPlugin>();
}
KvPlugin* NewBasePlugin() {
  return zmt::ConstructForHost<zmt::TKvPlugin>();
}

bool TakeError(std::string& source, std::string& message) {
  zmt::HostError error;
  if (!zmt::TakeHostError(error)) return false;
  source = error.Source;
  message = error.Message;
  return true;
}

void UnloadModule() {}

}  // namespace plugintest
