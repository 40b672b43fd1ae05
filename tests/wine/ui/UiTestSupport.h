// What the dialog tests share: the figures worked out independently from GDI measurements, log
// files and the shell's "open" handler of the test prefix.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "DialogAutomation.h"

namespace zmt::test {

// The label font as the settings describe it (Tahoma, 8 points at the screen's pixels per inch),
// measured without the module's code.
class TahomaMeasure {
 public:
  TahomaMeasure();
  ~TahomaMeasure();
  TahomaMeasure(const TahomaMeasure&) = delete;
  TahomaMeasure& operator=(const TahomaMeasure&) = delete;
  int Width(const std::string& text) const;
  int LineHeight() const;
  int Dpi() const { return dpi_; }
  std::string ResolvedFace() const;
  // The height DrawText gives the text wrapped at width, breaking as an edit control does.
  int WrappedHeight(const std::string& text, int width) const;

 private:
  int dpi_ = 96;
  HFONT font_ = nullptr;
  HDC dc_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

struct ExpectedLayout {
  int W = 0;
  int LH = 0;
  int B = 0;
  bool Wrap = false;
  int LabelWidth = 0;
  int LabelHeight = 0;
  int LabelLeft = 0;
  int ClientWidth = 0;
  int ClientHeight = 0;
  int OuterWidth = 0;
  int OuterHeight = 0;
  int Left = 0;
  int Top = 0;
  int ButtonTop = 0;
  std::vector<int> ButtonLefts;
};

// The figures for a message with or without icon and a number of buttons (64 × 24, 19 apart),
// inside a frame that adds frameWidth × frameHeight. A wrapped label is as tall as its counted
// lines, or as the wrapped text when that needs more.
ExpectedLayout Expect(const std::string& msg, bool icon, int buttons, int frameWidth,
                      int frameHeight);

// What the window's styles (as read while it was open) add to its client size.
SIZE FrameOf(const automation::DialogInfo& dialog);

// A file in the test's temporary folder; Create writes it, Remove deletes it and its marker.
struct TempFile {
  explicit TempFile(const std::string& name);
  ~TempFile();
  void Create(const std::string& content = "log line\r\n") const;
  std::string Path;
  std::string Marker() const { return Path + ".opened"; }
};

bool FileExists(const std::string& path);

// Puts this process in a job object whose port tells of every program it starts and of its end;
// false when the system refuses. Programs started before are not seen.
bool WatchStartedPrograms();
// How many programs this process started since the last call, each of them ended when this
// returns; -1 when one has not ended within timeoutMs.
int ProgramsStartedAndEnded(DWORD timeoutMs = 20000);

// Registers zmt_ui_open_handler.exe (beside this test program) as the shell's "open" verb of
// *.zmtlog files in the prefix; gives false when the registry refuses.
bool RegisterLogFileHandler();
constexpr char kLogExtension[] = ".zmtlog";

// The application's title as a person would read it off the task bar: this test program's name.
std::string ProgramTitle();

// Makes the process's next operator new fail with std::bad_alloc (or, with false, no longer).
void FailNextAllocation(bool fail = true);

}  // namespace zmt::test
