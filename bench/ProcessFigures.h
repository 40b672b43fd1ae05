// The process's private bytes, handle count and free TLS indexes, for benchmarks and tests that
// watch for growth.
#pragma once

#include <windows.h>
#include <psapi.h>

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

struct Sample {
  SIZE_T privateBytes = 0;
  DWORD handles = 0;
  DWORD freeTlsIndexes = 0;
};

// Wine leaves PrivateUsage and the handle count at 0; walking the address space and probing the
// handle table gives the same figures on any system.
inline SIZE_T CommittedPrivateBytes() {
  SIZE_T total = 0;
  MEMORY_BASIC_INFORMATION info;
  for (const char* address = nullptr; VirtualQuery(address, &info, sizeof info) == sizeof info;
       address = static_cast<const char*>(info.BaseAddress) + info.RegionSize) {
    if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) total += info.RegionSize;
    if (info.RegionSize == 0) break;
  }
  return total;
}

inline DWORD ProbedHandleCount() {
  DWORD count = 0;
  DWORD flags = 0;
  for (uintptr_t value = 4; value < 0x10000; value += 4)
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
  return count;
}

// Counted by taking every free index and giving them back: an index that a module leaves behind
// may sit above a free one, which the lowest free index would not show.
inline DWORD FreeTlsIndexes() {
  std::vector<DWORD> taken;
  for (DWORD index; (index = TlsAlloc()) != TLS_OUT_OF_INDEXES;) taken.push_back(index);
  for (const DWORD index : taken) TlsFree(index);
  return static_cast<DWORD>(taken.size());
}

inline Sample Measure() {
  Sample s;
  s.freeTlsIndexes = FreeTlsIndexes();
  PROCESS_MEMORY_COUNTERS_EX counters = {};
  counters.cb = sizeof counters;
  if (GetProcessMemoryInfo(GetCurrentProcess(),
                           reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters))
    s.privateBytes = counters.PrivateUsage;
  GetProcessHandleCount(GetCurrentProcess(), &s.handles);
  if (s.privateBytes == 0) s.privateBytes = CommittedPrivateBytes();
  if (s.handles == 0) s.handles = ProbedHandleCount();
  return s;
}

// Key: value lines; a prefix tells series apart ("plain-", say).
inline void PrintGrowth(const Sample& at100, const Sample& atEnd, const char* prefix = "") {
  const auto print = [prefix](const char* name, long long at100Value, long long atEndValue) {
    std::printf("%s%s-at-100: %lld\n", prefix, name, at100Value);
    std::printf("%s%s-at-end: %lld\n", prefix, name, atEndValue);
    std::printf("%s%s-change: %lld\n", prefix, name, atEndValue - at100Value);
  };
  print("private-bytes", static_cast<long long>(at100.privateBytes),
        static_cast<long long>(atEnd.privateBytes));
  print("handles", at100.handles, atEnd.handles);
  print("free-tls-indexes", at100.freeTlsIndexes, atEnd.freeTlsIndexes);
}

}  // namespace
