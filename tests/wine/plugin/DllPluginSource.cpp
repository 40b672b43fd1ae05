// The contract suite's objects from the fixture DLL, through nothing but the SDK header.
#include <windows.h>

#include <stdexcept>
#include <string>

#include "PluginUnderTest.h"
#include "TestPaths.h"

namespace plugintest {
namespace {

HMODULE module = nullptr;

using zmt::test::BesideThisProgram;

KvPlugin* Register(const char* exportName) {
  if (!module) module = LoadLibraryA(BesideThisProgram("TestPlugin.dll").c_str());
  if (!module) throw std::runtime_error("TestPlugin.dll does not load");
  auto proc = reinterpret_cast<RegisterKvPluginProc>(
      reinterpret_cast<void*>(GetProcAddress(module, exportName)));
  if (!proc) throw std::runtime_error(std::string("no export ") + exportName);
  return proc();
}

}  // namespace

KvPlugin* NewTestPlugin() {
  return Register("RegisterKvPlugin");
}
KvPlugin* NewBasePlugin() {
  return Register("RegisterBasePlugin");
}

bool TakeError(std::string& source, std::string& message) {
  char text[1024];
  char origin[256];
  if (!KvTakeErrorMessage(text, sizeof text, origin, sizeof origin)) return false;
  source = origin;
  message = text;
  return true;
}

void UnloadModule() {
  if (module && FreeLibrary(module)) module = nullptr;
}

}  // namespace plugintest
