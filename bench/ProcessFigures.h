// The process's private bytes and handle count, for benchmarks that watch for growth.
#pragma once

#include <windows.h>
#include <psapi.h>

#include <cstdint>
#include <cstdio>

namespace {

struct Sample {
  SIZE_T privateBytes = 0;
  DWORD handles = 0;
};

// Wine leaves PrivateUsage and the handle count at 0; walking the address space and probing the
// handle table gives the same figures on any system.
SIZE_T CommittedPrivateBytes() {
  SIZE_T total = 0;
  MEMORY_BASIC_INFORMATION info;
  for (const char* address = nullptr; VirtualQuery(address, &info, sizeof info) == sizeof info;
       address = static_cast<const char*>(info.BaseAddress) + info.RegionSize) {
    if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) total += info.RegionSize;
    if (info.RegionSize == 0) break;
  }
  return total;
}

DWORD ProbedHandleCount() {
  DWORD count = 0;
  DWORD flags = 0;
  for (uintptr_t value = 4; value < 0x10000; value += 4)
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
  return count;
}

Sample Measure() {
  Sample s;
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

void PrintGrowth(const Sample& at100, const Sample& atEnd) {
  std::printf("private-bytes-at-100: %llu\n", static_cast<unsigned long long>(at100.privateBytes));
  std::printf("private-bytes-at-end: %llu\n", static_cast<unsigned long long>(atEnd.privateBytes));
  std::printf("private-bytes-change: %lld\n", static_cast<long long>(atEnd.privateBytes) -
                                                  static_cast<long long>(at100.privateBytes));
  std::printf("handles-at-100: %lu\n", static_cast<unsigned long>(at100.handles));
  std::printf("handles-at-end: %lu\n", static_cast<unsigned long>(atEnd.handles));
  std::printf("handles-change: %ld\n",
              static_cast<long>(atEnd.handles) - static_cast<long>(at100.handles));
}

}  // namespace
