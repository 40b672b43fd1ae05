// The library ZMTCheck.dll: its load and unload, and its identification message.
#include <windows.h>

#include <string>

#include "modWinControls.h"
#include "PluginModuleMain.h"
#include "clsZMTCheckPlugin.h"

extern "C" {

// Only the dialog settings are made at load; a plug-in object and its connection wait for the
// host's RegisterKvPlugin.
BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  return zmt::PluginModuleMain(reason, reserved);
}

void KVAPI DllMessage() {
  try {
    const std::string title = zmt::ApplicationTitle();
    const HWND owner = GetActiveWindow();
    MessageBoxA(owner, "ZMTCheck For Quro POS", title.c_str(), MB_OK | (owner ? 0 : MB_TASKMODAL));
  } catch (...) {
    // Out of memory for the caption: the host has no way to hear of it, and nothing was changed.
  }
}
}
