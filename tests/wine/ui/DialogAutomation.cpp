#include "DialogAutomation.h"
#include "TestPaths.h"

#include <algorithm>

#include "PngWriter.h"

namespace zmt::automation {

namespace {

std::string ClassNameOf(HWND hwnd) {
  char name[256] = {};
  const int length = GetClassNameA(hwnd, name, sizeof name);
  return std::string(name, static_cast<size_t>(length > 0 ? length : 0));
}

bool SameText(const std::string& a, const std::string& b) {
  return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

Rect ToRect(const RECT& r) {
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

bool IsOpenWindow(HWND hwnd) {
  return IsWindow(hwnd) && IsWindowVisible(hwnd);
}

HWND FocusOf(HWND dialog) {
  HWND focus = GetFocus();
  return focus != nullptr ? focus : dialog;
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

std::string WindowText(HWND hwnd) {
  const LRESULT length = SendMessageA(hwnd, WM_GETTEXTLENGTH, 0, 0);
  std::string text(static_cast<size_t>(std::max<LRESULT>(length, 0)) + 1, '\0');
  const LRESULT copied =
      SendMessageA(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(std::max<LRESULT>(copied, 0)));
  return text;
}

// The window property by which the module names its controls: a global atom of the name.
constexpr char kComponentNameProperty[] = "ZmtComponentName";

std::string ComponentName(HWND hwnd) {
  const auto atom =
      static_cast<ATOM>(reinterpret_cast<UINT_PTR>(GetPropA(hwnd, kComponentNameProperty)));
  if (atom == 0) return std::string();
  char name[256] = {};
  const UINT length = GlobalGetAtomNameA(atom, name, sizeof name);
  return std::string(name, length);
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
  MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&r), 2);
  info.Bounds = ToRect(r);
  info.Style = GetWindowLongA(control, GWL_STYLE);
  info.Enabled = IsWindowEnabled(control) != 0;
  if (SameText(info.ClassName, "Button")) {
    const LONG type = info.Style & BS_TYPEMASK;
    info.PushButton = type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
    info.DefaultStyle = type == BS_DEFPUSHBUTTON;
  }
  const auto font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
  LOGFONTA logFont{};
  if (font != nullptr && GetObjectA(font, sizeof logFont, &logFont) != 0) {
    info.FontFace = logFont.lfFaceName;
    info.FontHeight = logFont.lfHeight;
    info.FontWeight = logFont.lfWeight;
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
  const LRESULT defId = SendMessageA(dialog, DM_GETDEFID, 0, 0);
  if (HIWORD(defId) == DC_HASDEFID) info.DefaultId = LOWORD(defId);
  info.Focus = FocusOf(dialog);
  ChildList children{dialog, {}};
  EnumChildWindows(dialog, CollectChild, reinterpret_cast<LPARAM>(&children));
  for (HWND child : children.Children) info.Controls.push_back(ReadControl(dialog, child));
  return info;
}

bool CaptureWindow(HWND hwnd, Image& image) {
  if (!IsOpenWindow(hwnd)) return false;
  // Painted here and now, frame and children too; the window's own device context then holds
  // what the screen shows, without waiting for the display to catch up.
  RedrawWindow(hwnd, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  RECT r;
  GetWindowRect(hwnd, &r);
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  if (width <= 0 || height <= 0) return false;

  HDC window = GetWindowDC(hwnd);
  HDC memory = CreateCompatibleDC(window);
  HBITMAP bitmap = CreateCompatibleBitmap(window, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  const bool copied = BitBlt(memory, 0, 0, width, height, window, 0, 0, SRCCOPY) != 0;
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
  ReleaseDC(hwnd, window);
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

std::string ScreenshotPath(const std::string& fileName) {
  std::string dir = test::ProgramDirectory();   // bin
  dir = dir.substr(0, dir.find_last_of('\\'));  // build/<preset>
  dir += "\\screenshots";
  CreateDirectoryA(dir.c_str(), nullptr);
  return dir + "\\" + fileName;
}

// A shown and enabled top-level window of the class on this thread that is none of the excluded;
// the topmost when there are several. A dialog that a nested one has disabled is not meant.
struct Search {
  const std::string& ClassName;
  const std::vector<HWND>& Excluded;
  HWND Found = nullptr;
};

BOOL CALLBACK MatchShown(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  if (IsWindowVisible(hwnd) && IsWindowEnabled(hwnd) &&
      SameText(ClassNameOf(hwnd), search->ClassName) &&
      std::find(search->Excluded.begin(), search->Excluded.end(), hwnd) == search->Excluded.end()) {
    search->Found = hwnd;
    return FALSE;
  }
  return TRUE;
}

HWND ShownDialog(const std::string& className, const std::vector<HWND>& excluded = {}) {
  Search search{className, excluded};
  EnumThreadWindows(GetCurrentThreadId(), MatchShown, reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

constexpr char kDriverClass[] = "ZmtDialogDriver";
constexpr UINT kNextStep = WM_APP + 0x5A;
constexpr UINT_PTR kWatchdog = 1;

// One run's steps, on the thread that shows the dialogs. The hooks and the hidden window's
// procedure reach it through Current(): one run at a time per process.
class Driver {
 public:
  Driver(const std::vector<Step>& steps, Milliseconds timeout, ModalRun& run)
      : steps_(steps), timeout_(timeout), run_(run) {
    for (const char* always : {"TfrmTimerForm", "#32770"}) watched_.push_back(always);
    for (const Step& step : steps) watched_.push_back(step.ClassName);
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass{};
    if (!GetClassInfoA(instance, kDriverClass, &windowClass)) {
      windowClass.lpfnWndProc = &Driver::WindowProc;
      windowClass.hInstance = instance;
      windowClass.lpszClassName = kDriverClass;
      RegisterClassA(&windowClass);
    }
    Current() = this;
    // A message-only window: no modal dialog disables it, and every modal loop dispatches to it.
    window_ = CreateWindowExA(0, kDriverClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance,
                              nullptr);
    const DWORD thread = GetCurrentThreadId();
    calls_ = SetWindowsHookExA(WH_CALLWNDPROC, &Driver::CallHook, nullptr, thread);
    taken_ = SetWindowsHookExA(WH_GETMESSAGE, &Driver::TakenHook, nullptr, thread);
    SetTimer(window_, kWatchdog, static_cast<UINT>(timeout_.count()), nullptr);
  }

  ~Driver() {
    UnhookWindowsHookEx(taken_);
    UnhookWindowsHookEx(calls_);
    MSG msg;
    while (PeekMessageA(&msg, window_, 0, 0, PM_REMOVE)) {
    }
    if (quitPosted_) {
      while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
      }
    }
    DestroyWindow(window_);
    Current() = nullptr;
  }
  Driver(const Driver&) = delete;
  Driver& operator=(const Driver&) = delete;

  bool Ready() const { return window_ != nullptr && calls_ != nullptr && taken_ != nullptr; }
  bool AllStepsRan() const { return next_ == steps_.size(); }

 private:
  static Driver*& Current() {
    static Driver* current = nullptr;
    return current;
  }

  // Posted once however often it is asked for: it runs after whatever the loop has queued.
  void RequestStep() {
    if (!stepRequested_) stepRequested_ = PostMessageA(window_, kNextStep, 0, 0) != 0;
  }

  std::vector<HWND> Known() const {
    std::vector<HWND> known;
    for (const DialogInfo& info : run_.Seen) known.push_back(info.Handle);
    for (const DialogInfo& info : run_.Unexpected) known.push_back(info.Handle);
    return known;
  }

  void NextStep() {
    stepRequested_ = false;
    if (gaveUp_) return;
    if (next_ == steps_.size()) {
      for (const std::string& className : watched_) {
        if (HWND extra = ShownDialog(className, Known())) {
          run_.Unexpected.push_back(ReadDialog(extra));
          PostMessageA(extra, WM_CLOSE, 0, 0);
        }
      }
      return;
    }
    const Step& step = steps_[next_];
    HWND dialog = ShownDialog(step.ClassName);
    if (dialog == nullptr) return;
    if (step.AfterTicks > 0) {
      if (ticking_ != dialog) {
        ticking_ = dialog;
        ticks_ = 0;
      }
      if (ticks_ < step.AfterTicks) return;
    }
    ticking_ = nullptr;
    // Counted before the script runs: a dialog that its click opens takes the next step inside.
    ++next_;
    run_.Seen.push_back(ReadDialog(dialog));
    Dialog driver(dialog);
    try {
      if (step.Script) step.Script(driver);
    } catch (const std::exception& error) {
      run_.ScriptError = error.what();
    } catch (...) {
      run_.ScriptError = "unknown exception in the script";
    }
    SetTimer(window_, kWatchdog, static_cast<UINT>(timeout_.count()), nullptr);
    RequestStep();
  }

  // The run waited too long for a dialog or for one to close: close what is open, and if that
  // does not end it, end every loop of the thread.
  void TimeOut() {
    std::vector<HWND> open;
    for (HWND known : Known()) {
      if (IsOpenWindow(known)) open.push_back(known);
    }
    if (next_ == steps_.size() && open.empty()) {
      KillTimer(window_, kWatchdog);
      return;
    }
    run_.TimedOut = true;
    gaveUp_ = true;
    if (!closing_ && !open.empty()) {
      closing_ = true;
      for (HWND hwnd : open) PostMessageA(hwnd, WM_CLOSE, 0, 0);
      SetTimer(window_, kWatchdog, 3000, nullptr);
      return;
    }
    KillTimer(window_, kWatchdog);
    PostQuitMessage(0);
    quitPosted_ = true;
  }

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Driver* driver = Current();
    if (driver != nullptr && hwnd == driver->window_) {
      if (msg == kNextStep) {
        driver->NextStep();
        return 0;
      }
      if (msg == WM_TIMER && wParam == kWatchdog) {
        driver->TimeOut();
        return 0;
      }
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
  }

  // Sent messages: the texts that controls are given, and the moments a dialog may be ready.
  static LRESULT CALLBACK CallHook(int code, WPARAM wParam, LPARAM lParam) {
    Driver* driver = Current();
    if (code == HC_ACTION && driver != nullptr) {
      const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
      switch (message->message) {
        case WM_SETTEXT:
          if (message->lParam != 0) {
            driver->run_.Texts.push_back({message->hwnd, ComponentName(message->hwnd),
                                          reinterpret_cast<const char*>(message->lParam)});
          }
          break;
        case WM_SHOWWINDOW:
        case WM_ENABLE:
          if (message->wParam) driver->RequestStep();
          break;
        case WM_ACTIVATE:
          if (LOWORD(message->wParam) != WA_INACTIVE) driver->RequestStep();
          break;
        default:
          break;
      }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }

  // Taken messages: the ticks of the dialog a step waits on.
  static LRESULT CALLBACK TakenHook(int code, WPARAM wParam, LPARAM lParam) {
    Driver* driver = Current();
    if (code == HC_ACTION && wParam == PM_REMOVE && driver != nullptr) {
      const auto* message = reinterpret_cast<const MSG*>(lParam);
      if (message->message == WM_TIMER && message->hwnd == driver->ticking_ &&
          driver->ticking_ != nullptr) {
        ++driver->ticks_;
        driver->RequestStep();
      }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }

  const std::vector<Step>& steps_;
  const Milliseconds timeout_;
  ModalRun& run_;
  std::vector<std::string> watched_;
  HWND window_ = nullptr;
  HHOOK calls_ = nullptr;
  HHOOK taken_ = nullptr;
  size_t next_ = 0;
  bool stepRequested_ = false;
  HWND ticking_ = nullptr;
  int ticks_ = 0;
  bool gaveUp_ = false;
  bool closing_ = false;
  bool quitPosted_ = false;
};

}  // namespace

const ControlInfo* DialogInfo::Find(const std::string& name) const {
  for (const ControlInfo& control : Controls) {
    if (control.Name == name) return &control;
  }
  return nullptr;
}

const ControlInfo& DialogInfo::Named(const std::string& name) const {
  static const ControlInfo none;
  const ControlInfo* found = Find(name);
  return found != nullptr ? *found : none;
}

std::string DialogInfo::DefaultName() const {
  const ControlInfo* button = DefaultButton();
  return button != nullptr ? button->Name : std::string();
}

const ControlInfo* DialogInfo::DefaultButton() const {
  if (DefaultId == 0) return nullptr;
  for (const ControlInfo& control : Controls) {
    if (control.Id == DefaultId) return &control;
  }
  return nullptr;
}

COLORREF Image::Pixel(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= Width || y >= Height) return CLR_INVALID;
  const size_t at =
      (static_cast<size_t>(y) * static_cast<size_t>(Width) + static_cast<size_t>(x)) * 3;
  return RGB(Rgb[at], Rgb[at + 1], Rgb[at + 2]);
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
  SendMessageA(button, BM_CLICK, 0, 0);
  return true;
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

bool Dialog::Capture(Image& image) const {
  return CaptureWindow(handle_, image);
}

std::string Dialog::Screenshot(const std::string& fileName) const {
  Image image;
  if (!Capture(image)) return std::string();
  const std::string path = ScreenshotPath(fileName);
  return WritePng(path, image.Width, image.Height, image.Rgb) ? path : std::string();
}

ModalRun RunModalSequence(const std::function<int64_t()>& show, const std::vector<Step>& steps,
                          Milliseconds timeout) {
  ModalRun run;
  {
    Driver driver(steps, timeout, run);
    if (!driver.Ready()) {
      run.ScriptError = "the dialog driver's window or hooks could not be made";
      return run;
    }
    run.Result = show();
    run.Found = driver.AllStepsRan();
  }
  run.Closed = std::none_of(run.Seen.begin(), run.Seen.end(),
                            [](const DialogInfo& info) { return IsOpenWindow(info.Handle); });
  if (!run.Seen.empty()) run.First = run.Seen.front();
  return run;
}

ModalRun RunModal(const std::function<int64_t()>& show, const std::function<void(Dialog&)>& script,
                  const RunOptions& options) {
  return RunModalSequence(show, {Step{options.ClassName, script}}, options.Timeout);
}

std::vector<std::string> TextsOf(const ModalRun& run, const std::string& name) {
  std::vector<std::string> texts;
  for (const TextChange& change : run.Texts) {
    if (change.Name == name) texts.push_back(change.Text);
  }
  return texts;
}

}  // namespace zmt::automation
