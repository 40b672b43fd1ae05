// The load and unload of a plug-in module, shared by every module's DllMain.
#pragma once

#include <windows.h>

#include "FTimerForm.h"
#include "ModuleLifetime.h"
#include "clsFormSettings.h"

namespace zmt {

// Only the dialog settings are made at load; they live until unload. At an unload that is not the
// end of the process, everything the module registered or the run-time kept goes too, so that
// loading it again and again leaves the host as it was. A host thread that ends takes its
// exception state in the module with it.
inline BOOL PluginModuleMain(DWORD reason, LPVOID reserved) noexcept {
  if (reason == DLL_PROCESS_ATTACH) return InitializeFormSettings() ? TRUE : FALSE;
  if (reason == DLL_THREAD_DETACH) ReleaseThreadExceptionGlobals();
  if (reason == DLL_PROCESS_DETACH) {
    FinalizeFormSettings();
    if (!reserved) {
      UnregisterFormClasses();
      ReleaseRuntimeOnUnload();
      ReleaseExceptionGlobalsOnUnload();
    }
  }
  return TRUE;
}

}  // namespace zmt
