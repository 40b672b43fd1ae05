#include "DialogAutomation.h"
#include "TestPaths.h"

#include <atomic>

#include "PngWriter.h"
#include "../../native/TestThread.h"

namespace zmt::automation {

namespace {

using Clock = std::chrono::steady_clock;
constexpr Milliseconds kPoll{10};

void Pause(Milliseconds duration) {
  test::SleepMs(static_cast<unsigned>(duration.count()));
}
// The dialog's thread may have been blocked for far longer just before the dialog appeared (the
// module's pauses and commands); the system counts such a thread as hung until it pumps again, so
// the sends wait for it, up to their time-out, rather than give up at once.
constexpr UINT kSendTimeoutMs = 5000;

std::string ClassNameOf(HWND hwnd) {
  char name[256] = {};
  const int length = GetClassNameA(hwnd, name, sizeof name);
  return std::string(name, static_cast<size_t>(length > 0 ? length : 0));
}

bool SameText(const std::string& a, const char* b) {
  return lstrcmpiA(a.c_str(), b) == 0;
}

Rect ToRect(const RECT& r) {
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

bool IsOpenWindow(HWND hwnd) {
  return IsWindow(hwnd) && IsWindowVisible(hwnd);
}

// Waits until the window's thread has handled everything sent to it before.
bool Sync(HWND hwnd) {
  DWORD_PTR ignored = 0;
  return SendMessageTimeoutA(hwnd, WM_NULL, 0, 0, SMTO_BLOCK, kSendTimeoutMs, &ignored) != 0;
}

HWND FocusOf(HWND dialog) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info) &&
      info.hwndFocus != nullptr) {
    return info.hwndFocus;
  }
  return dialog;
}

struct Search {
  std::string ClassName;
  HWND Found = nullptr;
};

BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  if (IsWindowVisible(hwnd) && SameText(ClassNameOf(hwnd), search->ClassName.c_str())) {
    search->Found = hwnd;
    return FALSE;
  }
  return TRUE;
}

HWND FindWindowOfClass(const std::string& className, DWORD threadId) {
  Search search{className, nullptr};
  if (threadId != 0) {
    EnumThreadWindows(threadId, MatchWindow, reinterpret_cast<LPARAM>(&search));
  } else {
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
  }
  return search.Found;
}

struct ChildList {
  HWND Parent;
  std::vector<HWND> Children;
};

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM param) {
  auto* list = reinterpret_cast<ChildList*>(param);
  if (GetParent(hwnd) == list->Parent) list->Children.push_back(hwnd);
  return TRUE;
}

struct FindByName {
  std::string Name;
  HWND Found = nullptr;
};

BOOL CALLBACK MatchName(HWND hwnd, LPARAM param) {
  auto* find = reinterpret_cast<FindByName*>(param);
  if (ComponentName(hwnd) == find->Name) {
    find->Found = hwnd;
    return FALSE;
  }
  return TRUE;
}

// Records WM_SETTEXT on one thread through a thread hook: captions that live shorter than any
// poll (the countdown's last one) are seen too.
class TextRecorder {
 public:
  explicit TextRecorder(DWORD threadId) {
    const Locked lock;
    Current() = this;
    hook_ = SetWindowsHookExA(WH_CALLWNDPROC, &TextRecorder::Hook, nullptr, threadId);
  }
  ~TextRecorder() {
    if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
    const Locked lock;
    Current() = nullptr;
  }
  TextRecorder(const TextRecorder&) = delete;
  TextRecorder& operator=(const TextRecorder&) = delete;

  std::vector<TextChange> Take() {
    const Locked lock;
    return std::move(changes_);
  }

 private:
  // The hook runs on the dialog's thread, Take on the test's.
  class Locked {
   public:
    Locked() { AcquireSRWLockExclusive(&lock_); }
    ~Locked() { ReleaseSRWLockExclusive(&lock_); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

   private:
    static inline SRWLOCK lock_ = SRWLOCK_INIT;
  };
  static TextRecorder*& Current() {
    static TextRecorder* current = nullptr;
    return current;
  }
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
      const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
      if (message->message == WM_SETTEXT && message->lParam != 0) {
        TextChange change;
        change.Handle = message->hwnd;
        change.Name = ComponentName(message->hwnd);
        change.Text = reinterpret_cast<const char*>(message->lParam);
        const Locked lock;
        if (Current() != nullptr) Current()->changes_.push_back(std::move(change));
      }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }

  HHOOK hook_ = nullptr;
  std::vector<TextChange> changes_;
};

}  // namespace

std::string WindowText(HWND hwnd) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutA(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kSendTimeoutMs, &length)) {
    return std::string();
  }
  std::string text(length + 1, '\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutA(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                           SMTO_NORMAL, kSendTimeoutMs, &copied)) {
    return std::string();
  }
  text.resize(copied);
  return text;
}

std::string ComponentName(HWND hwnd) {
  const auto atom =
      static_cast<ATOM>(reinterpret_cast<UINT_PTR>(GetPropA(hwnd, kComponentNameProperty)));
  if (atom == 0) return std::string();
  char name[256] = {};
  const UINT length = GlobalGetAtomNameA(atom, name, sizeof name);
  return std::string(name, length);
}

HWND FindControl(HWND dialog, const std::string& name) {
  FindByName find{name, nullptr};
  EnumChildWindows(dialog, MatchName, reinterpret_cast<LPARAM>(&find));
  return find.Found;
}

ControlInfo ReadControl(HWND dialog, HWND control) {
  ControlInfo info;
  info.Handle = control;
  info.Id = GetDlgCtrlID(control);
  info.Name = ComponentName(control);
  info.ClassName = ClassNameOf(control);
  info.Text = WindowText(control);
  RECT r;
  GetWindowRect(control, &r);
  info.ScreenBounds = ToRect(r);
  MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&r), 2);
  info.Bounds = ToRect(r);
  info.Style = GetWindowLongA(control, GWL_STYLE);
  info.Visible = IsWindowVisible(control) != 0;
  info.Enabled = IsWindowEnabled(control) != 0;
  if (SameText(info.ClassName, "Button")) {
    const LONG type = info.Style & BS_TYPEMASK;
    info.PushButton = type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
    info.DefaultStyle = type == BS_DEFPUSHBUTTON;
  }
  DWORD_PTR font = 0;
  if (SendMessageTimeoutA(control, WM_GETFONT, 0, 0, SMTO_NORMAL, kSendTimeoutMs, &font) &&
      font != 0) {
    LOGFONTA logFont{};
    if (GetObjectA(reinterpret_cast<HFONT>(font), sizeof logFont, &logFont) != 0) {
      info.FontFace = logFont.lfFaceName;
      info.FontHeight = logFont.lfHeight;
      info.FontWeight = logFont.lfWeight;
    }
  }
  return info;
}

DialogInfo ReadDialog(HWND dialog) {
  DialogInfo info;
  info.Handle = dialog;
  info.ClassName = ClassNameOf(dialog);
  info.Caption = WindowText(dialog);
  info.Name = ComponentName(dialog);
  RECT r;
  GetWindowRect(dialog, &r);
  info.WindowBounds = ToRect(r);
  RECT client;
  GetClientRect(dialog, &client);
  POINT origin{0, 0};
  ClientToScreen(dialog, &origin);
  info.ClientBounds = {origin.x, origin.y, client.right, client.bottom};
  info.Style = GetWindowLongA(dialog, GWL_STYLE);
  info.ExStyle = GetWindowLongA(dialog, GWL_EXSTYLE);
  info.Owner = GetWindow(dialog, GW_OWNER);
  info.ThreadId = GetWindowThreadProcessId(dialog, nullptr);
  DWORD_PTR defId = 0;
  if (SendMessageTimeoutA(dialog, DM_GETDEFID, 0, 0, SMTO_NORMAL, kSendTimeoutMs, &defId) &&
      HIWORD(defId) == DC_HASDEFID) {
    info.DefaultId = LOWORD(defId);
  }
  info.Focus = FocusOf(dialog);
  ChildList children{dialog, {}};
  EnumChildWindows(dialog, CollectChild, reinterpret_cast<LPARAM>(&children));
  for (HWND child : children.Children) info.Controls.push_back(ReadControl(dialog, child));
  return info;
}

const ControlInfo* DialogInfo::Find(const std::string& name) const {
  for (const ControlInfo& control : Controls) {
    if (control.Name == name) return &control;
  }
  return nullptr;
}

const ControlInfo* DialogInfo::DefaultButton() const {
  if (DefaultId == 0) return nullptr;
  for (const ControlInfo& control : Controls) {
    if (control.Id == DefaultId) return &control;
  }
  return nullptr;
}

HWND WaitForWindow(const std::string& className, DWORD threadId, Milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    if (HWND found = FindWindowOfClass(className, threadId)) return found;
    if (Clock::now() >= deadline) return nullptr;
    Pause(kPoll);
  }
}

bool WaitUntilClosed(HWND hwnd, Milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  while (IsOpenWindow(hwnd)) {
    if (Clock::now() >= deadline) return false;
    Pause(kPoll);
  }
  return true;
}

bool WaitForText(HWND hwnd, const std::string& text, Milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    if (WindowText(hwnd) == text) return true;
    if (!IsWindow(hwnd) || Clock::now() >= deadline) return false;
    Pause(kPoll);
  }
}

COLORREF Image::Pixel(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= Width || y >= Height) return CLR_INVALID;
  const size_t at =
      (static_cast<size_t>(y) * static_cast<size_t>(Width) + static_cast<size_t>(x)) * 3;
  return RGB(Rgb[at], Rgb[at + 1], Rgb[at + 2]);
}

bool CaptureWindow(HWND hwnd, Image& image) {
  if (!IsOpenWindow(hwnd)) return false;
  RedrawWindow(hwnd, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  Sync(hwnd);
  // The X server shows what the window drew once Wine has flushed it.
  Pause(Milliseconds(300));
  Sync(hwnd);

  RECT r;
  GetWindowRect(hwnd, &r);
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  if (width <= 0 || height <= 0) return false;

  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  const bool copied =
      BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY | CAPTUREBLT) != 0;
  SelectObject(memory, old);

  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;  // top row first
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  std::vector<uint8_t> bgra(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
  const int rows = copied ? GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), bgra.data(),
                                      &bi, DIB_RGB_COLORS)
                          : 0;
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  if (rows != height) return false;

  image.Width = width;
  image.Height = height;
  image.Rgb.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
  for (size_t i = 0, j = 0; i < bgra.size(); i += 4, j += 3) {
    image.Rgb[j] = bgra[i + 2];
    image.Rgb[j + 1] = bgra[i + 1];
    image.Rgb[j + 2] = bgra[i];
  }
  return true;
}

bool SavePng(const Image& image, const std::string& path) {
  return WritePng(path, image.Width, image.Height, image.Rgb);
}

std::string ScreenshotPath(const std::string& fileName) {
  std::string dir = test::ProgramDirectory();   // bin
  dir = dir.substr(0, dir.find_last_of('\\'));  // build/<preset>
  dir += "\\screenshots";
  CreateDirectoryA(dir.c_str(), nullptr);
  return dir + "\\" + fileName;
}

bool Dialog::IsOpen() const {
  return IsOpenWindow(handle_);
}

DialogInfo Dialog::Info() const {
  return ReadDialog(handle_);
}

HWND Dialog::Control(const std::string& name) const {
  return FindControl(handle_, name);
}

std::string Dialog::Text(const std::string& name) const {
  HWND control = Control(name);
  return control != nullptr ? WindowText(control) : std::string();
}

bool Dialog::Click(const std::string& name) const {
  HWND button = Control(name);
  if (button == nullptr) return false;
  DWORD_PTR ignored = 0;
  return SendMessageTimeoutA(button, BM_CLICK, 0, 0, SMTO_NORMAL, kSendTimeoutMs, &ignored) != 0;
}

bool Dialog::PressKey(UINT virtualKey) const {
  if (!IsOpen()) return false;
  HWND focus = FocusOf(handle_);
  const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC)) << 16;
  return PostMessageA(focus, WM_KEYDOWN, virtualKey, scan | 1) &&
         PostMessageA(focus, WM_KEYUP, virtualKey, scan | 1 | (LPARAM(3) << 30));
}

bool Dialog::TypeChar(char character) const {
  if (!IsOpen()) return false;
  return PostMessageA(FocusOf(handle_), WM_CHAR, static_cast<unsigned char>(character), 1) != 0;
}

bool Dialog::SystemClose() const {
  return PostMessageA(handle_, WM_SYSCOMMAND, SC_CLOSE, 0) != 0;
}

bool Dialog::PostClose() const {
  return PostMessageA(handle_, WM_CLOSE, 0, 0) != 0;
}

bool Dialog::WaitForText(const std::string& name, const std::string& text,
                         Milliseconds timeout) const {
  HWND control = Control(name);
  return control != nullptr && automation::WaitForText(control, text, timeout);
}

bool Dialog::WaitUntilClosed(Milliseconds timeout) const {
  return automation::WaitUntilClosed(handle_, timeout);
}

bool Dialog::StaysOpen(Milliseconds period) const {
  const auto end = Clock::now() + period;
  while (Clock::now() < end) {
    if (!IsOpen()) return false;
    Pause(kPoll);
  }
  return IsOpen();
}

bool Dialog::Capture(Image& image) const {
  return CaptureWindow(handle_, image);
}

std::string Dialog::Screenshot(const std::string& fileName) const {
  Image image;
  if (!Capture(image)) return std::string();
  const std::string path = ScreenshotPath(fileName);
  return SavePng(image, path) ? path : std::string();
}

ModalRun RunModal(const std::function<int64_t()>& show, const std::function<void(Dialog&)>& script,
                  const RunOptions& options) {
  ModalRun run;
  const DWORD threadId = GetCurrentThreadId();
  std::atomic<bool> showDone{false};
  std::atomic<bool> quitPosted{false};
  TextRecorder recorder(threadId);

  test::TestThread watcher([&] {
    const auto start = Clock::now();
    HWND dialog = nullptr;
    while (dialog == nullptr && !showDone && Clock::now() - start < options.AppearTimeout) {
      dialog = FindWindowOfClass(options.ClassName, threadId);
      if (dialog == nullptr) Pause(kPoll);
    }
    if (dialog == nullptr) {
      // Whatever keeps show() from returning is not the dialog looked for: end its loop.
      if (!showDone) {
        run.TimedOut = true;
        PostThreadMessageA(threadId, WM_QUIT, 0, 0);
        quitPosted = true;
      }
      return;
    }
    run.Found = true;
    const auto appeared = Clock::now();
    Sync(dialog);
    run.First = ReadDialog(dialog);
    Dialog driver(dialog);
    try {
      if (script) script(driver);
    } catch (const std::exception& error) {
      run.ScriptError = error.what();
    } catch (...) {
      run.ScriptError = "unknown exception in the script";
    }
    const auto deadline = appeared + options.CloseTimeout;
    while (IsOpenWindow(dialog) && Clock::now() < deadline) Pause(kPoll);
    run.Elapsed = std::chrono::duration_cast<Milliseconds>(Clock::now() - appeared);
    if (IsOpenWindow(dialog)) {
      run.TimedOut = true;
      PostMessageA(dialog, WM_CLOSE, 0, 0);
      if (!automation::WaitUntilClosed(dialog, Milliseconds(3000))) {
        PostThreadMessageA(threadId, WM_QUIT, 0, 0);
        quitPosted = true;
      }
    }
  });

  struct JoinAtEnd {
    std::atomic<bool>& Done;
    test::TestThread& Thread;
    ~JoinAtEnd() {
      Done = true;
      Thread.join();
    }
  };
  {
    JoinAtEnd join{showDone, watcher};
    run.Result = show();
  }
  if (quitPosted) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
  }
  run.Closed = !run.Found || !IsOpenWindow(run.First.Handle);
  run.Texts = recorder.Take();
  return run;
}

SequenceRun RunModalSequence(const std::function<int64_t()>& show, const std::vector<Step>& steps,
                             Milliseconds timeout) {
  SequenceRun run;
  const DWORD threadId = GetCurrentThreadId();
  std::atomic<bool> showDone{false};
  auto giveUp = [&] {
    run.TimedOut = true;
    PostThreadMessageA(threadId, WM_QUIT, 0, 0);
  };
  test::TestThread watcher([&] {
    for (const Step& step : steps) {
      const auto start = Clock::now();
      HWND dialog = nullptr;
      while (dialog == nullptr && !showDone && Clock::now() - start < timeout) {
        dialog = FindWindowOfClass(step.ClassName, threadId);
        if (dialog == nullptr) Pause(kPoll);
      }
      if (dialog == nullptr) {
        if (!showDone) giveUp();
        return;
      }
      Sync(dialog);
      run.Seen.push_back(ReadDialog(dialog));
      Dialog driver(dialog);
      try {
        if (step.Script) step.Script(driver);
      } catch (const std::exception& error) {
        run.ScriptError = error.what();
      }
      if (!automation::WaitUntilClosed(dialog, timeout)) {
        PostMessageA(dialog, WM_CLOSE, 0, 0);
        giveUp();
        return;
      }
    }
    // The module's own dialogs and the system's are watched for even when no step names them.
    std::vector<std::string> watched = {"TfrmTimerForm", "#32770"};
    for (const Step& step : steps) watched.push_back(step.ClassName);
    while (!showDone) {
      for (const std::string& className : watched) {
        if (HWND extra = FindWindowOfClass(className, threadId)) {
          Sync(extra);
          run.Unexpected.push_back(ReadDialog(extra));
          PostMessageA(extra, WM_CLOSE, 0, 0);
          automation::WaitUntilClosed(extra, Milliseconds(3000));
        }
      }
      Pause(kPoll);
    }
  });
  try {
    run.Result = show();
  } catch (...) {
    showDone = true;
    watcher.join();
    throw;
  }
  showDone = true;
  watcher.join();
  MSG msg;
  while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
  return run;
}

std::vector<std::string> TextsOf(const ModalRun& run, const std::string& name) {
  std::vector<std::string> texts;
  for (const TextChange& change : run.Texts) {
    if (change.Name == name) texts.push_back(change.Text);
  }
  return texts;
}

}  // namespace zmt::automation
