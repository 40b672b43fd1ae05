// The C++ run-time's per-thread exception state (the Itanium C++ ABI's __cxa_get_globals: the
// chain of caught exceptions and the count of uncaught ones), kept by the module itself.
//
// libstdc++ keeps it in an emulated thread-local whose TLS index and lock semaphore are made at
// the module's first throw and never released, so every load in which the module threw left one
// TLS index and one handle in the host, and a host that loads the module often enough runs out
// of TLS indexes. This object defines the two entry points (being an object of the module, not
// an archive member, it is linked before libstdc++'s copy is sought, and the module build checks
// that no emulated thread-local is left): one Windows TLS slot, taken at the first throw, and a
// block per thread on the process heap, which the thread's end or the module's unload frees.
#include <windows.h>

#include <cxxabi.h>

#include "ModuleLifetime.h"

namespace __cxxabiv1 {
// The layout libstdc++ uses on x86 and x86_64 (it declares the type without defining it).
struct __cxa_eh_globals {
  void* caughtExceptions;
  unsigned int uncaughtExceptions;
};
}  // namespace __cxxabiv1

namespace {

using __cxxabiv1::__cxa_eh_globals;

struct ThreadBlock {
  __cxa_eh_globals globals;
  ThreadBlock* previous;
  ThreadBlock* next;
};

// The slot's life: none yet, being taken, taken, or never again (none could be had, or the module
// is being unloaded). A slot is taken at most once, so a thread never has its state in two places.
enum SlotState : LONG { kNoSlotYet, kTakingSlot, kSlotTaken, kNoSlotEver };
volatile LONG slotState = kNoSlotYet;
DWORD slot = TLS_OUT_OF_INDEXES;

// Every thread's block, so that the unload frees those of threads that are still running.
volatile LONG listLocked = 0;
ThreadBlock* blocks = nullptr;

// For a thread that cannot have its own (no slot, no memory) and after the unload has begun.
// The host calls the module on one thread, so sharing it is safe for every host that keeps the
// contract.
ThreadBlock sharedBlock = {};

class ListLock {
 public:
  ListLock() noexcept {
    while (InterlockedCompareExchange(&listLocked, 1, 0) != 0) SwitchToThread();
  }
  ~ListLock() { InterlockedExchange(&listLocked, 0); }
  ListLock(const ListLock&) = delete;
  ListLock& operator=(const ListLock&) = delete;
};

void Link(ThreadBlock* block) noexcept {
  const ListLock lock;
  block->next = blocks;
  if (blocks) blocks->previous = block;
  blocks = block;
}

void Unlink(ThreadBlock* block) noexcept {
  const ListLock lock;
  if (block->previous) block->previous->next = block->next;
  if (block->next) block->next->previous = block->previous;
  if (blocks == block) blocks = block->next;
}

bool TakeSlot() noexcept {
  for (;;) {
    const LONG state = slotState;
    if (state == kSlotTaken || state == kNoSlotEver) return state == kSlotTaken;
    // The first throw of the module on any thread; another thread may be racing for it.
    if (state == kTakingSlot ||
        InterlockedCompareExchange(&slotState, kTakingSlot, kNoSlotYet) != kNoSlotYet) {
      SwitchToThread();
      continue;
    }
    slot = TlsAlloc();
    InterlockedExchange(&slotState, slot == TLS_OUT_OF_INDEXES ? kNoSlotEver : kSlotTaken);
  }
}

ThreadBlock* FindOrMakeThreadBlock() noexcept {
  if (!TakeSlot()) return &sharedBlock;
  if (auto* block = static_cast<ThreadBlock*>(TlsGetValue(slot))) return block;
  auto* block =
      static_cast<ThreadBlock*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(ThreadBlock)));
  // Without memory the thread keeps to the shared block from now on.
  if (!TlsSetValue(slot, block ? block : &sharedBlock)) {
    if (block) HeapFree(GetProcessHeap(), 0, block);
    return &sharedBlock;
  }
  if (!block) return &sharedBlock;
  Link(block);
  return block;
}

// The code that throws or catches may be about to read the thread's last error, which
// TlsGetValue clears.
ThreadBlock* ThisThreadsBlock() noexcept {
  const DWORD lastError = GetLastError();
  ThreadBlock* block = FindOrMakeThreadBlock();
  SetLastError(lastError);
  return block;
}

}  // namespace

extern "C" __cxa_eh_globals* __cxxabiv1::__cxa_get_globals() noexcept {
  return &ThisThreadsBlock()->globals;
}

extern "C" __cxa_eh_globals* __cxxabiv1::__cxa_get_globals_fast() noexcept {
  return &ThisThreadsBlock()->globals;
}

namespace zmt {

void ReleaseThreadExceptionGlobals() noexcept {
  if (slotState != kSlotTaken) return;
  auto* block = static_cast<ThreadBlock*>(TlsGetValue(slot));
  if (!block || block == &sharedBlock) return;
  TlsSetValue(slot, nullptr);
  Unlink(block);
  HeapFree(GetProcessHeap(), 0, block);
}

void ReleaseExceptionGlobalsOnUnload() noexcept {
  const LONG state = InterlockedExchange(&slotState, kNoSlotEver);
  {
    const ListLock lock;
    while (ThreadBlock* block = blocks) {
      blocks = block->next;
      HeapFree(GetProcessHeap(), 0, block);
    }
  }
  if (state == kSlotTaken) TlsFree(slot);
}

}  // namespace zmt
