// Where the contract suite gets its objects from: linked in (native) or from the fixture DLL
// (Windows). The suite itself talks to them only through the SDK header.
#pragma once

#include <string>

#include "kvplugin.h"

namespace plugintest {

KvPlugin* NewTestPlugin();  // the derived fixture class
KvPlugin* NewBasePlugin();  // a plain base-class object
// The error object of the last failing call on this thread; false when there is none.
bool TakeError(std::string& source, std::string& message);
// Unloads the module that made the objects, where the build has one (all objects must be free).
void UnloadModule();

// Takes a text the module gave and releases the caller's reference.
inline std::string Take(KvStr text) {
  std::string result = KvStrChars(text);
  KvStrRelease(text);
  return result;
}

}  // namespace plugintest
