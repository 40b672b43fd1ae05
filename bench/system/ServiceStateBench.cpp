// GetServiceState on the fixture service against reading the same state by running
// "sc query zmtservice" as a process. Installs the fixture service beside this program, starts
// it, measures, and removes it again.
//
//   bench_service_state [CALLS [RUNS]]   CALLS GetServiceState calls (2000), RUNS sc runs (30)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchTiming.h"
#include "modServices.h"

namespace {

const char kService[] = "zmtservice";

std::string Beside(const char* name) {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string directory(path, length);
  return directory.substr(0, directory.find_last_of("\\/") + 1) + name;
}

// Runs a command line hidden; gives its exit code and, when wanted, what it wrote to stdout.
int Run(const std::string& commandLine, std::string* output = nullptr) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (output != nullptr) {
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
      return -1;
    }
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  }
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW | (output != nullptr ? STARTF_USESTDHANDLES : 0);
  startup.wShowWindow = SW_HIDE;
  startup.hStdOutput = writeEnd;
  startup.hStdError = writeEnd;
  PROCESS_INFORMATION process = {};
  std::vector<char> buffer(commandLine.begin(), commandLine.end());
  buffer.push_back('\0');
  const BOOL created = CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, output != nullptr,
                                      CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process);
  if (writeEnd != nullptr) {
    CloseHandle(writeEnd);
  }
  if (!created) {
    if (readEnd != nullptr) {
      CloseHandle(readEnd);
    }
    return -1;
  }
  if (output != nullptr) {
    output->clear();
    char chunk[512];
    DWORD got = 0;
    while (ReadFile(readEnd, chunk, sizeof chunk, &got, nullptr) && got > 0) {
      output->append(chunk, got);
    }
    CloseHandle(readEnd);
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD exitCode = 0;
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return static_cast<int>(exitCode);
}

// The number after "STATE" and ":" in the output of "sc query"; 0 when there is none.
unsigned long StateInScOutput(const std::string& output) {
  const std::size_t state = output.find("STATE");
  if (state == std::string::npos) {
    return 0;
  }
  const std::size_t colon = output.find(':', state);
  return colon == std::string::npos ? 0 : std::strtoul(output.c_str() + colon + 1, nullptr, 10);
}

double Percentile(std::vector<double> values, double share) {
  std::sort(values.begin(), values.end());
  return values[static_cast<std::size_t>(share * static_cast<double>(values.size() - 1))];
}

class Stopwatch {
 public:
  Stopwatch() {
    QueryPerformanceFrequency(&frequency_);
    QueryPerformanceCounter(&start_);
  }
  double Microseconds() const {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart - start_.QuadPart) * 1e6 /
           static_cast<double>(frequency_.QuadPart);
  }

 private:
  LARGE_INTEGER frequency_;
  LARGE_INTEGER start_;
};

bool WaitForState(std::uint32_t state) {
  for (int tick = 0; tick < 300; ++tick) {
    if (zmt::GetServiceState(nullptr, kService) == state) {
      return true;
    }
    Sleep(100);
  }
  return false;
}

// Leaves the machine without the fixture service however the measurement ends.
class InstalledFixtureService {
 public:
  explicit InstalledFixtureService(std::string program) : program_(std::move(program)) {
    Remove();
    installed_ = Run("\"" + program_ + "\" /install") == 0;
  }
  ~InstalledFixtureService() { Remove(); }
  InstalledFixtureService(const InstalledFixtureService&) = delete;
  InstalledFixtureService& operator=(const InstalledFixtureService&) = delete;
  bool Installed() const { return installed_; }

 private:
  void Remove() {
    if (zmt::GetServiceState(nullptr, kService) != 0) {
      Run("\"" + program_ + "\" /uninstall");
    }
  }
  std::string program_;
  bool installed_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  const int calls = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 30;

  InstalledFixtureService service(Beside("zmt_service.exe"));
  if (!service.Installed()) {
    std::fprintf(stderr, "bench_service_state: the fixture service could not be installed\n");
    return 1;
  }
  if (Run("net start zmtservice") != 0 || !WaitForState(SERVICE_RUNNING)) {
    std::fprintf(stderr, "bench_service_state: the fixture service does not start\n");
    return 1;
  }

  for (int i = 0; i < 50; ++i) {
    zmt::GetServiceState(nullptr, kService);
  }
  std::vector<double> callTimes;
  callTimes.reserve(static_cast<std::size_t>(calls));
  for (int i = 0; i < calls; ++i) {
    Stopwatch watch;
    const std::uint32_t state = zmt::GetServiceState(nullptr, kService);
    callTimes.push_back(watch.Microseconds());
    if (state != SERVICE_RUNNING) {
      std::fprintf(stderr, "bench_service_state: GetServiceState gave %u\n", state);
      return 1;
    }
  }

  std::vector<double> runTimes;
  std::string output;
  Run("sc query zmtservice", &output);  // first start of sc loads it from disk
  for (int i = 0; i < runs; ++i) {
    Stopwatch watch;
    Run("sc query zmtservice", &output);
    const unsigned long state = StateInScOutput(output);
    runTimes.push_back(watch.Microseconds());
    if (state != SERVICE_RUNNING) {
      std::fprintf(stderr, "bench_service_state: sc query gave state %lu:\n%s\n", state,
                   output.c_str());
      return 1;
    }
  }

  const double callMedian = Median(callTimes);
  const double runMedian = Median(runTimes);
  std::printf("State of the running fixture service \"%s\" (%d-bit build)\n", kService,
              static_cast<int>(sizeof(void*) * 8));
  std::printf("  %-28s %8s %14s %14s %14s\n", "method", "samples", "median us", "p10 us", "p90 us");
  std::printf("  %-28s %8d %14.1f %14.1f %14.1f\n", "GetServiceState", calls, callMedian,
              Percentile(callTimes, 0.1), Percentile(callTimes, 0.9));
  std::printf("  %-28s %8d %14.1f %14.1f %14.1f\n", "sc query zmtservice (process)", runs,
              runMedian, Percentile(runTimes, 0.1), Percentile(runTimes, 0.9));
  std::printf("  ratio of medians (sc / GetServiceState): %.0f\n", runMedian / callMedian);

  Run("net stop zmtservice");
  return 0;
}
