#include "UiTestSupport.h"
#include "TestPaths.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <new>

namespace zmt::test {

TahomaMeasure::TahomaMeasure() {
  HDC screen = GetDC(nullptr);
  dpi_ = GetDeviceCaps(screen, LOGPIXELSY);
  dc_ = CreateCompatibleDC(screen);
  ReleaseDC(nullptr, screen);
  font_ = CreateFontA(-MulDiv(8, dpi_, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                      DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                      DEFAULT_PITCH, "Tahoma");
  old_ = SelectObject(dc_, font_);
}

TahomaMeasure::~TahomaMeasure() {
  SelectObject(dc_, old_);
  DeleteObject(font_);
  DeleteDC(dc_);
}

int TahomaMeasure::Width(const std::string& text) const {
  SIZE size{0, 0};
  GetTextExtentPoint32A(dc_, text.data(), static_cast<int>(text.size()), &size);
  return size.cx;
}

int TahomaMeasure::LineHeight() const {
  TEXTMETRICA tm{};
  GetTextMetricsA(dc_, &tm);
  return tm.tmHeight;
}

std::string TahomaMeasure::ResolvedFace() const {
  char face[LF_FACESIZE] = {};
  GetTextFaceA(dc_, LF_FACESIZE, face);
  return face;
}

int TahomaMeasure::WrappedHeight(const std::string& text, int width) const {
  RECT r{0, 0, width, 0};
  return DrawTextA(dc_, text.data(), static_cast<int>(text.size()), &r,
                   DT_CALCRECT | DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX);
}

ExpectedLayout Expect(const std::string& msg, bool icon, int buttons, int frameWidth,
                      int frameHeight) {
  TahomaMeasure font;
  ExpectedLayout e;
  // Each line is measured with the carriage return that ends it.
  std::string::size_type start = 0;
  while (start < msg.size()) {
    auto end = msg.find('\r', start);
    end = end == std::string::npos ? msg.size() : end + 1;
    e.W = std::max(e.W, font.Width(msg.substr(start, end - start)));
    start = end;
  }
  e.LH = font.LineHeight();
  e.B = static_cast<int>(std::count(msg.begin(), msg.end(), '\r'));
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  const int half = screenWidth / 2;
  e.Wrap = e.W > half;
  e.LabelWidth = e.Wrap ? half : e.W;
  e.LabelHeight = ((e.Wrap ? e.W / half : 0) + e.B + 1) * e.LH;
  if (e.Wrap) {
    std::string lines;
    for (char c : msg) lines += c == '\r' ? std::string("\r\n") : std::string(1, c);
    e.LabelHeight = std::max(e.LabelHeight, font.WrappedHeight(lines, half));
  }
  const int iconSize = icon ? 32 : 0;
  const int group = buttons > 0 ? buttons * 64 + (buttons - 1) * 19 : 0;
  e.LabelLeft = iconSize + 18;
  e.ClientWidth = std::max(iconSize + e.LabelWidth + 10, group) + 16;
  e.ClientHeight = std::max(iconSize, e.LabelHeight) + 24 + 26;
  e.OuterWidth = e.ClientWidth + frameWidth;
  e.OuterHeight = e.ClientHeight + frameHeight;
  e.Left = screenWidth / 2 - e.OuterWidth / 2;
  e.Top = screenHeight / 2 - e.OuterHeight / 2;
  e.ButtonTop = e.ClientHeight - 8 - 24;
  int x = (e.OuterWidth - group) / 2;
  for (int i = 0; i < buttons; ++i, x += 64 + 19) e.ButtonLefts.push_back(x);
  return e;
}

SIZE FrameOf(const automation::DialogInfo& dialog) {
  RECT r{0, 0, 0, 0};
  AdjustWindowRectEx(&r, static_cast<DWORD>(dialog.Style), FALSE,
                     static_cast<DWORD>(dialog.ExStyle));
  return {r.right - r.left, r.bottom - r.top};
}

TempFile::TempFile(const std::string& name) {
  char dir[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, dir);
  Path = std::string(dir) + "zmt-ui-" + std::to_string(GetCurrentProcessId()) + "-" + name;
  DeleteFileA(Path.c_str());
  DeleteFileA(Marker().c_str());
}

TempFile::~TempFile() {
  DeleteFileA(Path.c_str());
  DeleteFileA(Marker().c_str());
}

void TempFile::Create(const std::string& content) const {
  std::ofstream(Path, std::ios::binary) << content;
}

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

namespace {

HANDLE programsPort = nullptr;

}  // namespace

bool WatchStartedPrograms() {
  if (programsPort != nullptr) return true;
  HANDLE job = CreateJobObjectA(nullptr, nullptr);
  HANDLE port = CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1);
  JOBOBJECT_ASSOCIATE_COMPLETION_PORT link{};
  link.CompletionKey = job;
  link.CompletionPort = port;
  // The job lives as long as the process: a process never leaves its job.
  if (job == nullptr || port == nullptr ||
      !SetInformationJobObject(job, JobObjectAssociateCompletionPortInformation, &link,
                               sizeof link) ||
      !AssignProcessToJobObject(job, GetCurrentProcess())) {
    return false;
  }
  programsPort = port;
  ProgramsStartedAndEnded();  // this process joining
  return true;
}

int ProgramsStartedAndEnded(DWORD timeoutMs) {
  if (programsPort == nullptr) return -1;
  const auto self = static_cast<ULONG_PTR>(GetCurrentProcessId());
  std::vector<ULONG_PTR> running;
  int started = 0;
  DWORD event = 0;
  ULONG_PTR key = 0;
  LPOVERLAPPED data = nullptr;
  // What has happened so far, then the ends of those still running.
  while (GetQueuedCompletionStatus(programsPort, &event, &key, &data,
                                   running.empty() ? 0 : timeoutMs)) {
    const auto process = reinterpret_cast<ULONG_PTR>(data);
    if (process == self) continue;
    if (event == JOB_OBJECT_MSG_NEW_PROCESS) {
      running.push_back(process);
      ++started;
    } else if (event == JOB_OBJECT_MSG_EXIT_PROCESS ||
               event == JOB_OBJECT_MSG_ABNORMAL_EXIT_PROCESS) {
      running.erase(std::remove(running.begin(), running.end(), process), running.end());
    }
  }
  return running.empty() ? started : -1;
}

namespace {

bool SetDefaultValue(const std::string& key, const std::string& value) {
  HKEY handle = nullptr;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &handle, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const LONG status =
      RegSetValueExA(handle, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>(value.size() + 1));
  RegCloseKey(handle);
  return status == ERROR_SUCCESS;
}

}  // namespace

bool RegisterLogFileHandler() {
  const std::string handler = ProgramDirectory() + "\\zmt_ui_open_handler.exe";
  return FileExists(handler) && SetDefaultValue(kLogExtension, "ZmtTest.LogFile") &&
         SetDefaultValue("ZmtTest.LogFile", "ZMTCheck test log") &&
         SetDefaultValue("ZmtTest.LogFile\\shell\\open\\command", "\"" + handler + "\" \"%1\"");
}

std::string ProgramTitle() {
  char module[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  std::string name = module;
  name = name.substr(name.find_last_of('\\') + 1);
  return name.substr(0, name.rfind('.'));
}

}  // namespace zmt::test

// This test program's own allocator, which a test can make fail once.
namespace {
std::atomic<bool> failNext{false};
}  // namespace

void zmt::test::FailNextAllocation(bool fail) {
  failNext = fail;
}

void* operator new(std::size_t size) {
  if (failNext.exchange(false)) throw std::bad_alloc();
  if (void* block = std::malloc(size != 0 ? size : 1)) return block;
  throw std::bad_alloc();
}

void operator delete(void* block) noexcept {
  std::free(block);
}

void operator delete(void* block, std::size_t) noexcept {
  std::free(block);
}
