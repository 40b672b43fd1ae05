// The exception report of a failed connection whose reason quotes a very long connection string:
// the time to build and lay out the dialog (what ShowExceptionDlg does before the modal loop), and
// the time of its first paint, for each text size. Time that grows faster than the text shows as
// a per-KB figure that rises with the size.
//
//   exception_report_bench [RUNS]   RUNS builds per size, the median is printed (default 3)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchTiming.h"
#include "FTimerForm.h"
#include "modMessageDlg.h"

namespace {

// Milliseconds, as the figures are printed.
double Now() {
  return NowMicroseconds() / 1e3;
}

// A connection string of the given length, made of the properties a till's string holds.
std::string ConnectionString(size_t length) {
  static const char kProperties[] =
      "Provider=SQLOLEDB.1;Password=till;Persist Security Info=True;User ID=sa;"
      "Initial Catalog=Quro;Data Source=TILL01\\QURO;Use Procedure for Prepare=1;"
      "Auto Translate=True;Packet Size=4096;Workstation ID=TILL01;";
  std::string text;
  text.reserve(length + sizeof kProperties);
  while (text.size() < length) text += kProperties;
  text.resize(length);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  zmt::TFormSettingsScope settings;
  std::printf("Exception report of a connection string (%d-bit build, median of %d)\n",
              static_cast<int>(sizeof(void*) * 8), runs);
  for (const size_t kilobytes : {64u, 256u, 1024u, 2048u}) {
    const std::string text = zmt::ExceptionReportText(
        "Connecting to the POS database failed",
        "Invalid connection string: " + ConnectionString(kilobytes * 1024), "TdmMain.SetConnected");
    std::vector<double> layout;
    std::vector<double> paint;
    int32_t height = 0;
    for (int run = 0; run < runs; ++run) {
      double start = Now();
      std::unique_ptr<zmt::TfrmTimerForm> form = zmt::CreateTimedMessageForm(
          text, zmt::dtError, zmt::ButtonSet({zmt::btOK}), std::string(), 0);
      layout.push_back(Now() - start);
      height = form->Label->Bounds.Height;
      ShowWindow(form->Handle(), SW_SHOWNOACTIVATE);
      start = Now();
      RedrawWindow(form->Handle(), nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
      paint.push_back(Now() - start);
    }
    const double layoutMs = Median(layout);
    std::printf("%5u KB: layout %10.1f ms (%7.3f ms/KB), first paint %10.1f ms, label height %d\n",
                static_cast<unsigned>(kilobytes), layoutMs,
                layoutMs / static_cast<double>(kilobytes), Median(paint), height);
    std::fflush(stdout);
  }
  return 0;
}
