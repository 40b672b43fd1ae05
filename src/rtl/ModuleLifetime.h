// What a plug-in module does when the host unloads it, so that loading and unloading it again and
// again does not make the host grow.
#pragma once

namespace zmt {

// Call from DllMain on DLL_PROCESS_DETACH when the module is being unloaded (not when the
// process ends): frees the C++ run-time's emergency exception pool, which the run-time allocates
// at load and otherwise never gives back.
void ReleaseRuntimeOnUnload() noexcept;

// Call from DllMain on DLL_PROCESS_DETACH when the module is being unloaded: closes what the
// module's own exception unwinder keeps for itself. Defined in the module's own sources (the
// zmt_plugin_module build function adds them), not in the run-time library.
void ReleaseUnwinderLockOnUnload() noexcept;

}  // namespace zmt
