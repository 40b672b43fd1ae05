// What a plug-in module does when the host unloads it, so that loading and unloading it again and
// again does not make the host grow.
#pragma once

namespace zmt {

// Call from DllMain on DLL_PROCESS_DETACH when the module is being unloaded (not when the
// process ends): frees the C++ run-time's emergency exception pool, which the run-time allocates
// at load and otherwise never gives back.
void ReleaseRuntimeOnUnload() noexcept;

// The module's own per-thread C++ exception state (ModuleExceptionGlobals.cpp, which the
// zmt_plugin_module build function adds to every module's own objects, not to the run-time
// library). Call the first from DllMain on DLL_THREAD_DETACH, the second on DLL_PROCESS_DETACH
// when the module is being unloaded.
void ReleaseThreadExceptionGlobals() noexcept;
void ReleaseExceptionGlobalsOnUnload() noexcept;

}  // namespace zmt
