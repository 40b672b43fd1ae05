// The start-up object of every i686 module: it takes the place of the toolchain's crtbegin.o
// (the build links it under that name, found first through -B), so that the module's DWARF unwind
// tables are registered with the module's own unwinder and that unwinder leaves nothing behind.
//
// i686 modules unwind with their own static copy of libgcc's DWARF unwinder, which finds a
// frame's handler only in the tables registered with it. crtbegin.o registers them with
// libgcc_s_dw2-1.dll instead whenever the host process has that DLL loaded (any program built
// with MinGW's shared run-time), and the module's first throw then finds no handler and ends the
// host. Here the tables always go to the module's own unwinder.
//
// That unwinder's registration lock makes a semaphore at the first registration that nothing
// closes: one kernel handle more in the host at every load. The build links a copy of the
// unwinder object whose semaphore import is renamed to the slot below (and checks the renaming
// took), so the module knows the handle and closes it once its tables are deregistered.
#include <windows.h>

#include <cstdlib>

// The first bytes of the module's .eh_frame: this object is linked right after the DLL start-up
// code, before every other object, and the toolchain's crtend.o ends the section with the zero
// terminator after the last library. The assembler writes the frames of this file's own
// functions after the label, so they are covered too.
__asm__(
    ".section .eh_frame,\"dr\"\n"
    "\t.balign 4\n"
    "zmt_frame_begin:\n"
    "\t.text\n");

extern "C" {
extern const char zmtFrameBegin[] __asm__("zmt_frame_begin");

// libgcc's registry; the object is opaque to its users (six words on i686, with room to spare).
void __register_frame_info(const void* begin, void* object);
void* __deregister_frame_info(const void* begin);

void __gcc_register_frame();
void __gcc_deregister_frame();
}

namespace {

alignas(8) void* frameObject[16] = {};
LONG framesRegistered = 0;

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

// crtend.o's constructor calls this first of all the module's constructors. The exit handler
// runs after the module's static destructors, which may still throw and catch.
extern "C" void __gcc_register_frame() {
  __register_frame_info(zmtFrameBegin, frameObject);
  InterlockedExchange(&framesRegistered, 1);
  std::atexit(&__gcc_deregister_frame);
}

// At unload and at process end. No code of the module runs any more, so the lock is uncontended
// during the deregistration (an uncontended lock never touches its semaphore), and nothing takes
// it afterwards.
extern "C" void __gcc_deregister_frame() {
  if (InterlockedExchange(&framesRegistered, 0)) __deregister_frame_info(zmtFrameBegin);
  for (HANDLE& semaphore : unwinderSemaphores) {
    if (semaphore) CloseHandle(semaphore);
    semaphore = nullptr;
  }
}
