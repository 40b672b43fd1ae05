// Connect through the stored settings against a plain ADO open of the same string: medians and
// their ratio (the registry work should cost next to nothing), then the process's private bytes
// and handles over many connect/close cycles.
//
//   connect_bench [cycles]     (default 1000; needs ODBCINI naming the build's data source)
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "BenchTiming.h"
#include "ProcessFigures.h"
#include "clsAdoComponents.h"
#include "clsKvAdoConnection.h"

namespace {

constexpr char kSqlite[] =
    "Provider=MSDASQL.1;Persist Security Info=True;User ID=;Password=;Data Source=localhost;";

}  // namespace

int main(int argc, char** argv) {
  const int cycles = argc > 1 ? std::max(100, std::atoi(argv[1])) : 1000;
  try {
    zmt::TKVAdoConnection settings;
    settings.SetApplicationName("QuroBench");
    settings.ConnectionName = "Msde";
    settings.WriteConnectionString(kSqlite);
    settings.SetLastConnectFailed(false);
    zmt::TADOConnection viaSettings;
    zmt::TADOConnection plain;

    std::vector<double> connect, open;
    for (int i = 0; i < 201; ++i) {
      double start = NowMicroseconds();
      settings.Connect(viaSettings);
      connect.push_back(NowMicroseconds() - start);
      viaSettings.Close();
      start = NowMicroseconds();
      plain.SetAnsiConnectionString(kSqlite);
      plain.Open();
      open.push_back(NowMicroseconds() - start);
      plain.Close();
    }
    const double connectMedian = Median(connect), openMedian = Median(open);
    std::printf("connect-median-us: %.1f\n", connectMedian);
    std::printf("plain-open-median-us: %.1f\n", openMedian);
    std::printf("ratio: %.3f\n", connectMedian / openMedian);
    // Where the difference goes: the registry work of one connect, step by step.
    std::vector<double> read, write;
    for (int i = 0; i < 201; ++i) {
      double start = NowMicroseconds();
      settings.GetStoredConnectionString();
      read.push_back(NowMicroseconds() - start);
      start = NowMicroseconds();
      settings.SetLastConnectFailed(false);
      write.push_back(NowMicroseconds() - start);
    }
    std::printf("stored-string-median-us: %.1f\n", Median(read));
    std::printf("flag-write-median-us: %.1f\n", Median(write));

    // Growth over the cycles, for Connect and, as the baseline of what ADO and the provider keep
    // for themselves, for the plain open.
    for (const bool viaConnect : {true, false}) {
      Sample at100;
      for (int i = 1; i <= cycles; ++i) {
        if (viaConnect) {
          settings.Connect(viaSettings);
          viaSettings.Close();
        } else {
          plain.SetAnsiConnectionString(kSqlite);
          plain.Open();
          plain.Close();
        }
        if (i == 100) at100 = Measure();
      }
      std::printf("== %s, cycles: %d\n", viaConnect ? "connect" : "plain open", cycles);
      PrintGrowth(at100, Measure());
    }
    return 0;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "connect_bench: %s\n", error.what());
    return 1;
  }
}
