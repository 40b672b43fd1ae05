// i686 modules carry their own copy of the DWARF unwinder (libgcc's unwind-dw2-fde), whose
// registration lock makes a semaphore at load that nothing ever closes: one more kernel handle in
// the host for every load and unload. The build links a copy of that unwinder object whose
// semaphore import is renamed to the slot below, so that the module knows the handle and closes
// it when it is unloaded. Other builds have nothing to close.
#include <windows.h>

#include "ModuleLifetime.h"

#if defined(_WIN32) && !defined(_WIN64)

namespace {

HANDLE unwinderSemaphores[4] = {};
LONG unwinderSemaphoreCount = 0;

HANDLE WINAPI CreateUnwinderSemaphore(LPSECURITY_ATTRIBUTES attributes, LONG initial, LONG maximum,
                                      LPCWSTR name) {
  const HANDLE semaphore = CreateSemaphoreW(attributes, initial, maximum, name);
  const LONG slot = InterlockedIncrement(&unwinderSemaphoreCount) - 1;
  if (semaphore && slot < 4) unwinderSemaphores[slot] = semaphore;
  return semaphore;
}

}  // namespace

// The import slot that the renamed unwinder calls through, as the import library's would be.
using CreateSemaphoreWProc = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, LONG, LONG, LPCWSTR);
extern "C" {
extern const CreateSemaphoreWProc zmtUnwinderCreateSemaphoreW __asm__(
    "__imp__zmt_unwinder_CreateSemaphoreW");
const CreateSemaphoreWProc zmtUnwinderCreateSemaphoreW = &CreateUnwinderSemaphore;
}

namespace zmt {

// The unwinder still deregisters the module's frames after DllMain, under the same lock; it is
// uncontended then (no code of the module runs any more), and an uncontended lock never touches
// its semaphore.
void ReleaseUnwinderLockOnUnload() noexcept {
  for (HANDLE& semaphore : unwinderSemaphores) {
    if (semaphore) CloseHandle(semaphore);
    semaphore = nullptr;
  }
}

}  // namespace zmt

#else

namespace zmt {

void ReleaseUnwinderLockOnUnload() noexcept {}

}  // namespace zmt

#endif
