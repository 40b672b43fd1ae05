// ZMTCheck.dll with the service running: Execute against "sc query zmtservice" in the same run,
// then load / register / Execute / free / unload cycles watched for growth.
//
//   zmtcheck_bench [cycles]     (default 1000; needs the bench's ODBC data source "localhost")
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ProcessFigures.h"
#include "kvplugin.h"

namespace {

const char kExecutable[] = "c:\\program files\\tessinor\\quro\\zmt.exe";

std::string Beside(const char* file) {
  char self[MAX_PATH];
  const std::string path(self, GetModuleFileNameA(nullptr, self, MAX_PATH));
  return path.substr(0, path.find_last_of("\\/") + 1) + file;
}

int Run(const std::string& commandLine) {
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      nullptr, &startup, &process))
    return -1;
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return static_cast<int>(code);
}

// The stored connection and the running service that every Execute below finds.
bool Prepare() {
  const std::string connection =
      "Provider=MSDASQL.1;Persist Security Info=False;Data Source=localhost";
  const DWORD failed = 0;
  if (RegSetKeyValueA(HKEY_LOCAL_MACHINE, "Software\\Tessinor\\Quro", "Msde-ConnectionString",
                      REG_SZ, connection.c_str(), static_cast<DWORD>(connection.size() + 1)) ||
      RegSetKeyValueA(HKEY_LOCAL_MACHINE, "Software\\Tessinor\\Quro", "Msde-Failed", REG_DWORD,
                      &failed, sizeof failed))
    return false;
  CreateDirectoryA("c:\\program files\\tessinor", nullptr);
  CreateDirectoryA("c:\\program files\\tessinor\\quro", nullptr);
  if (!CopyFileA(Beside("zmt_service.exe").c_str(), kExecutable, FALSE)) return false;
  Run(std::string("\"") + kExecutable + "\" /install");
  return Run("net start zmtservice") == 0;
}

template <class Work>
double MedianMicros(int times, Work work) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  std::vector<double> micros;
  for (int i = 0; i < times; ++i) {
    LARGE_INTEGER start, stop;
    QueryPerformanceCounter(&start);
    work();
    QueryPerformanceCounter(&stop);
    micros.push_back(1e6 * static_cast<double>(stop.QuadPart - start.QuadPart) /
                     static_cast<double>(frequency.QuadPart));
  }
  std::sort(micros.begin(), micros.end());
  return micros[micros.size() / 2];
}

struct Module {
  HMODULE Handle = nullptr;
  RegisterKvPluginProc Register = nullptr;
  bool Load(const std::string& path) {
    Handle = LoadLibraryA(path.c_str());
    FARPROC proc = Handle ? GetProcAddress(Handle, "RegisterKvPlugin") : nullptr;
    std::memcpy(&Register, &proc, sizeof proc);
    return Register != nullptr;
  }
};

}  // namespace

int main(int argc, char** argv) {
  const int cycles = argc > 1 ? std::max(100, std::atoi(argv[1])) : 1000;
  if (!Prepare()) {
    std::fprintf(stderr, "cannot prepare the connection and the service\n");
    return 1;
  }
  // A host has these loaded for itself; otherwise every cycle would measure loading them too.
  for (const char* library : {"ole32.dll", "oleaut32.dll", "user32.dll", "gdi32.dll", "shell32.dll",
                              "advapi32.dll", "version.dll", "ws2_32.dll", "msado15.dll"})
    LoadLibraryA(library);
  const std::string path = Beside("ZMTCheck.dll");

  Module module;
  if (!module.Load(path)) return 1;
  KvPlugin* plugin = module.Register();
  if (!plugin) return 1;
  const double execute = MedianMicros(50, [&] { plugin->Vtbl->Execute(plugin); });
  const double query = MedianMicros(50, [] { Run("sc query zmtservice"); });
  KvPluginFree(plugin);
  FreeLibrary(module.Handle);
  std::printf("execute-median-us: %.1f\n", execute);
  std::printf("sc-query-median-us: %.1f\n", query);
  std::printf("execute-to-sc-query: %.3f\n", execute / query);

  Sample at100, atEnd;
  const double cycle = MedianMicros(cycles, [&, i = 0]() mutable {
    Module m;
    KvPlugin* p = m.Load(path) ? m.Register() : nullptr;
    if (!p || p->Vtbl->Execute(p) != 1 || KvPluginFree(p) != KV_S_OK) {
      std::fprintf(stderr, "cycle %d failed\n", i + 1);
      std::exit(1);
    }
    FreeLibrary(m.Handle);
    if (++i == 100) at100 = Measure();
  });
  atEnd = Measure();
  std::printf("cycles: %d\n", cycles);
  std::printf("cycle-median-us: %.1f\n", cycle);
  PrintGrowth(at100, atEnd);

  Run(std::string("\"") + kExecutable + "\" /uninstall");
  DeleteFileA(kExecutable);
  return 0;
}
