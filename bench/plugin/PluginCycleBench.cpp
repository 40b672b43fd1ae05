// Load, register, call every operation, free, unload: repeated, timed, and watched for growth of
// the process's private bytes, handle count and first free TLS index. The plain series is beside
// a throwing one, in which the test plug-in's Execute throws inside the module and the module
// catches it at its boundary ("fault:execute"; other modules ignore the notification).
//
//   plugin_cycle_bench [plugin.dll] [cycles]     (defaults: TestPlugin.dll beside it, 1000)
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ProcessFigures.h"
#include "kvplugin.h"

namespace {

bool Cycle(const std::string& path, bool throwing) {
  HMODULE module = LoadLibraryA(path.c_str());
  if (!module) return false;
  FARPROC proc = GetProcAddress(module, "RegisterKvPlugin");
  RegisterKvPluginProc registerPlugin = nullptr;
  static_assert(sizeof proc == sizeof registerPlugin, "function pointers of one size");
  std::memcpy(&registerPlugin, &proc, sizeof proc);
  KvPlugin* p = registerPlugin ? registerPlugin() : nullptr;
  if (!p) {
    FreeLibrary(module);
    return false;
  }
  const KvPluginVtbl& ops = *p->Vtbl;
  KvPluginFree(ops.Create(p));  // 0
  uint32_t context = 0;
  ops.GetHostContext(p, &context);          // 1
  KvStrRelease(ops.GetDescription(p));      // 2
  ops.GetHostTag(p);                        // 3
  KvStrRelease(ops.GetFileName(p));         // 4
  KvStrRelease(ops.GetExtraInfo(p));        // 5
  KvMenuItemsRelease(ops.GetMenuItems(p));  // 6
  KvStrRelease(ops.GetName(p));             // 7
  if (throwing) ops.Notify(p, "fault:execute", 1);
  ops.Execute(p);  // 8
  char message[256], source[64];
  KvTakeErrorMessage(message, sizeof message, source, sizeof source);
  ops.SetHostContext(p, 7);                        // 9
  ops.SetDescription(p, "benchmark description");  // 10
  ops.SetHostTag(p, 3);                            // 11
  ops.SetFileName(p, path.c_str());                // 12
  ops.SetName(p, "benchmark");                     // 13
  ops.Notify(p, "benchmark", 1);                   // 14
  const uint32_t values[] = {1, 2, 3, 4};
  ops.NotifyValues(p, values, 4);  // 15
  const bool freed = KvPluginFree(p) == KV_S_OK;
  return FreeLibrary(module) && freed;
}

}  // namespace

int main(int argc, char** argv) {
  std::string path;
  if (argc > 1) {
    path = argv[1];
  } else {
    char self[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
    path.assign(self, n);
    path = path.substr(0, path.find_last_of("\\/") + 1) + "TestPlugin.dll";
  }
  const int cycles = argc > 2 ? std::max(100, std::atoi(argv[2])) : 1000;

  // A host application has the system libraries loaded for itself; without this, every cycle
  // would also load and unload the ones the module imports, and measure those.
  for (const char* library : {"ole32.dll", "oleaut32.dll", "user32.dll", "gdi32.dll", "shell32.dll",
                              "advapi32.dll", "version.dll", "ws2_32.dll"})
    LoadLibraryA(library);

  std::printf("module: %s\n", path.c_str());
  std::printf("cycles: %d\n", cycles);
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  for (const bool throwing : {false, true}) {
    const char* series = throwing ? "throwing-" : "plain-";
    std::vector<double> micros;
    micros.reserve(static_cast<size_t>(cycles));
    Sample at100;
    for (int i = 1; i <= cycles; ++i) {
      LARGE_INTEGER start, stop;
      QueryPerformanceCounter(&start);
      if (!Cycle(path, throwing)) {
        std::fprintf(stderr, "%scycle %d failed for %s\n", series, i, path.c_str());
        return 1;
      }
      QueryPerformanceCounter(&stop);
      micros.push_back(1e6 * static_cast<double>(stop.QuadPart - start.QuadPart) /
                       static_cast<double>(frequency.QuadPart));
      if (i == 100) at100 = Measure();
    }
    const Sample atEnd = Measure();
    std::sort(micros.begin(), micros.end());
    const auto pct = [&](double q) { return micros[static_cast<size_t>(q * (micros.size() - 1))]; };
    std::printf("%scycle-median-us: %.1f\n", series, pct(0.5));
    std::printf("%scycle-p90-us: %.1f\n", series, pct(0.9));
    std::printf("%scycle-max-us: %.1f\n", series, micros.back());
    PrintGrowth(at100, atEnd, series);
  }
  return 0;
}
