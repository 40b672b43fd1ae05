#include "FTimerForm.h"

#include "WinText.h"
#include "clsThreadWindows.h"

#include <shellapi.h>

#include <algorithm>
#include <limits>

namespace zmt {

namespace {

constexpr DWORD kFormStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPSIBLINGS;
constexpr DWORD kFormExStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CONTROLPARENT;
constexpr UINT_PTR kTimerId = 1;

[[noreturn]] void RaiseLastError(const char* what) {
  throw EOSError(LastErrorText(what));
}

TScreenSize PrimaryScreenSize() {
  return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

TFrameSize FormFrameSize() {
  RECT rect{0, 0, 0, 0};
  if (!AdjustWindowRectEx(&rect, kFormStyle, FALSE, kFormExStyle)) {
    RaiseLastError("AdjustWindowRectEx");
  }
  return {rect.right - rect.left, rect.bottom - rect.top};
}

bool FileExists(const std::string& name) {
  const DWORD attributes = GetFileAttributesA(name.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

BOOL CALLBACK ReleaseChildName(HWND hwnd, LPARAM) {
  ReleaseComponentName(hwnd);
  return TRUE;
}

// Deletes a GDI object on every way out of a scope.
class TGdiObject {
 public:
  explicit TGdiObject(HGDIOBJ object) : object_(object) {}
  ~TGdiObject() {
    if (object_ != nullptr) DeleteObject(object_);
  }
  TGdiObject(const TGdiObject&) = delete;
  TGdiObject& operator=(const TGdiObject&) = delete;

 private:
  HGDIOBJ object_;
};

void ReplaceObject(HGDIOBJ& slot, HGDIOBJ object) {
  if (slot != nullptr) DeleteObject(slot);
  slot = object;
}

}  // namespace

// ---- helpers shared by the module's dialogs ----------------------------------------------

void SetComponentName(HWND hwnd, const std::string& name) {
  const ATOM atom = GlobalAddAtomA(name.c_str());
  if (atom == 0) return;  // the fixed control IDs still identify the control
  if (!SetPropA(hwnd, kComponentNameProperty, reinterpret_cast<HANDLE>(UINT_PTR{atom}))) {
    GlobalDeleteAtom(atom);
  }
}

void ReleaseComponentName(HWND hwnd) {
  const auto atom =
      static_cast<ATOM>(reinterpret_cast<UINT_PTR>(RemovePropA(hwnd, kComponentNameProperty)));
  if (atom != 0) GlobalDeleteAtom(atom);
}

void ReleaseComponentNames(HWND window) {
  ReleaseComponentName(window);
  EnumChildWindows(window, ReleaseChildName, 0);
}

std::string ApplicationTitle() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return std::string();
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  return ApplicationTitleFromPath(path);
}

COLORREF ColorToRGB(TColor color) {
  if (IsSystemColor(color)) return GetSysColor(SystemColorIndex(color));
  return color & 0x00FFFFFF;
}

HFONT CreateFontHandle(const TFont& font) {
  HDC screen = GetDC(nullptr);
  const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  HFONT handle = CreateFontA(
      -MulDiv(font.Size, dpi, 72), 0, 0, 0, font.Style.Contains(fsBold) ? FW_BOLD : FW_NORMAL,
      font.Style.Contains(fsItalic), font.Style.Contains(fsUnderline),
      font.Style.Contains(fsStrikeOut), DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
      DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, font.Name.c_str());
  if (handle == nullptr) RaiseLastError("CreateFontA");
  return handle;
}

TGdiTextMeasurer::TGdiTextMeasurer(HFONT font) {
  dc_ = CreateCompatibleDC(nullptr);
  if (dc_ == nullptr) RaiseLastError("CreateCompatibleDC");
  old_ = SelectObject(dc_, font);
}

TGdiTextMeasurer::~TGdiTextMeasurer() {
  SelectObject(dc_, old_);
  DeleteDC(dc_);
}

int32_t TGdiTextMeasurer::TextWidth(const std::string& Text) const {
  if (Text.empty()) return 0;
  SIZE size{0, 0};
  const int length = static_cast<int>(std::min<size_t>(Text.size(), INT_MAX));
  if (!GetTextExtentPoint32A(dc_, Text.data(), length, &size))
    RaiseLastError("GetTextExtentPoint32A");
  return size.cx;
}

int32_t TGdiTextMeasurer::LineHeight() const {
  TEXTMETRICA metrics{};
  if (!GetTextMetricsA(dc_, &metrics)) RaiseLastError("GetTextMetricsA");
  return metrics.tmHeight;
}

size_t TGdiTextMeasurer::FitCount(std::string_view Text, int32_t Width) const {
  if (Text.empty()) return 0;
  INT fit = 0;
  SIZE size{0, 0};
  const int length = static_cast<int>(std::min<size_t>(Text.size(), INT_MAX));
  if (!GetTextExtentExPointA(dc_, Text.data(), length, Width, &fit, nullptr, &size))
    RaiseLastError("GetTextExtentExPointA");
  return static_cast<size_t>(std::max(fit, 0));
}

// ---- components --------------------------------------------------------------------------

std::string TButton::Caption() const {
  const int length = GetWindowTextLengthA(Handle);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  const int copied = GetWindowTextA(Handle, text.data(), length + 1);
  text.resize(static_cast<size_t>(std::max(copied, 0)));
  return text;
}

void TButton::SetCaption(const std::string& caption) const {
  SetWindowTextA(Handle, caption.c_str());
}

// The module that holds this code: the plug-in DLL, or the executable that links it.
HINSTANCE ModuleInstance() {
  HMODULE module = nullptr;
  GetModuleHandleExA(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCSTR>(&ModuleInstance), &module);
  return module;
}

// ---- the form ----------------------------------------------------------------------------

TfrmTimerForm::TfrmTimerForm(HWND Owner) {
  instance_ = ModuleInstance();
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  if (!GetClassInfoExA(instance_, kTimerFormClassName, &windowClass)) {
    windowClass = WNDCLASSEXA{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &TfrmTimerForm::WindowProc;
    windowClass.hInstance = instance_;
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    windowClass.lpszClassName = kTimerFormClassName;
    if (RegisterClassExA(&windowClass) == 0) RaiseLastError("RegisterClassExA (TfrmTimerForm)");
  }
  // The size and place of the form's design; the builder replaces them.
  handle_ = CreateWindowExA(kFormExStyle, kTimerFormClassName, kTimerFormName, kFormStyle, 227, 103,
                            696, 480, Owner, nullptr, instance_, this);
  if (handle_ == nullptr) {
    const std::string error = LastErrorText("CreateWindowExA (TfrmTimerForm)");
    // The class's procedure lives in this module: it must not outlive the form that needed it.
    UnregisterClassA(kTimerFormClassName, instance_);
    throw EOSError(error);
  }
  try {
    SetComponentName(handle_, kTimerFormName);
    SetColor(clBtnFace);
    FormCreate();
  } catch (...) {
    DestroyWindow(handle_);
    UnregisterClassA(kTimerFormClassName, instance_);
    throw;
  }
}

TfrmTimerForm::~TfrmTimerForm() {
  if (handle_ != nullptr) DestroyWindow(handle_);
  if (buttonFont_ != nullptr) DeleteObject(buttonFont_);
  if (labelFont_ != nullptr) DeleteObject(labelFont_);
  if (brush_ != nullptr) DeleteObject(brush_);
  if (labelBrush_ != nullptr) DeleteObject(labelBrush_);
  // Fails while another of these forms is open, which is what it should do.
  UnregisterClassA(kTimerFormClassName, instance_);
}

void UnregisterFormClasses() noexcept {
  UnregisterClassA(kTimerFormClassName, ModuleInstance());
}

void TfrmTimerForm::FormCreate() {
  Timer1.Enabled = false;
  UpdateTimer();
  Seconds = 5;
}

void TfrmTimerForm::FormShow() {
  if (Seconds > 0 && CountdownButton != nullptr) {
    CountdownButton->SetCaption(CountdownCaption(ButtonCaption, Seconds));
  }
}

void TfrmTimerForm::Timer1Timer() {
  const TCountdownTick tick = CountdownTick(Seconds);
  Seconds = tick.Seconds;
  if (CountdownButton != nullptr) {
    CountdownButton->SetCaption(CountdownCaption(ButtonCaption, Seconds));
  }
  if (tick.Expired) EndModal(TimeoutResult);
}

void TfrmTimerForm::SetSeconds(int32_t Value) {
  Seconds = Value;
  if (Value > 0) {
    Timer1.Enabled = true;
    UpdateTimer();
  }
}

void TfrmTimerForm::SetCountdownButton(TButton* Button) {
  CountdownButton = Button;
  ButtonCaption = Button != nullptr ? Button->Caption() : std::string();
}

void TfrmTimerForm::UpdateTimer() {
  if (handle_ == nullptr) return;
  if (Timer1.Enabled && !timerRunning_) {
    timerRunning_ = SetTimer(handle_, kTimerId, Timer1.Interval, nullptr) != 0;
  } else if (!Timer1.Enabled && timerRunning_) {
    KillTimer(handle_, kTimerId);
    timerRunning_ = false;
  }
}

void TfrmTimerForm::SetColor(TColor color) {
  HBRUSH brush = CreateSolidBrush(ColorToRGB(color));
  if (brush == nullptr) RaiseLastError("CreateSolidBrush");
  if (brush_ != nullptr) DeleteObject(brush_);
  brush_ = brush;
  color_ = color;
  if (handle_ != nullptr) InvalidateRect(handle_, nullptr, TRUE);
}

void TfrmTimerForm::SetButtonFont(const TFont& font) {
  HGDIOBJ slot = buttonFont_;
  ReplaceObject(slot, CreateFontHandle(font));
  buttonFont_ = static_cast<HFONT>(slot);
}

void TfrmTimerForm::SetLabelFont(const TFont& font) {
  HGDIOBJ slot = labelFont_;
  ReplaceObject(slot, CreateFontHandle(font));
  labelFont_ = static_cast<HFONT>(slot);
}

HWND TfrmTimerForm::CreateControl(const char* className, const std::string& text, DWORD style,
                                  const TBounds& bounds, int id, const std::string& name) {
  HWND control =
      CreateWindowExA(0, className, text.c_str(), WS_CHILD | WS_VISIBLE | style, bounds.Left,
                      bounds.Top, bounds.Width, bounds.Height, handle_,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
  if (control == nullptr) {
    const std::string what = "CreateWindowExA (" + name + ")";
    RaiseLastError(what.c_str());
  }
  SetComponentName(control, name);
  return control;
}

TLabel& TfrmTimerForm::AddLabel(std::unique_ptr<TLabel> label) {
  HBRUSH brush = CreateSolidBrush(ColorToRGB(label->Color));
  if (brush == nullptr) RaiseLastError("CreateSolidBrush");
  if (labelBrush_ != nullptr) DeleteObject(labelBrush_);
  labelBrush_ = brush;
  if (labelFont_ != nullptr) SendMessageA(label->Handle, WM_SETFONT, WPARAM(labelFont_), FALSE);
  Label = label.get();
  others_.push_back(std::move(label));
  return *Label;
}

TImage& TfrmTimerForm::AddImage(std::unique_ptr<TImage> image) {
  Image = image.get();
  others_.push_back(std::move(image));
  return *Image;
}

TButton& TfrmTimerForm::AddButton(std::unique_ptr<TButton> button) {
  if (buttonFont_ != nullptr) SendMessageA(button->Handle, WM_SETFONT, WPARAM(buttonFont_), FALSE);
  Buttons.push_back(std::move(button));
  return *Buttons.back();
}

TButton* TfrmTimerForm::FindButton(HWND handle) const {
  for (const auto& button : Buttons) {
    if (button->Handle == handle) return button.get();
  }
  return nullptr;
}

TButton* TfrmTimerForm::FindButtonById(int id) const {
  for (const auto& button : Buttons) {
    if (button->Id == id) return button.get();
  }
  return nullptr;
}

TButton* TfrmTimerForm::DefaultButton() const {
  for (const auto& button : Buttons) {
    if (button->Default) return button.get();
  }
  return nullptr;
}

TButton* TfrmTimerForm::CancelButton() const {
  for (const auto& button : Buttons) {
    if (button->Cancel) return button.get();
  }
  return nullptr;
}

void TfrmTimerForm::Click(const TButton& button) {
  // A button without a result (Help) leaves the dialog open.
  if (button.ModalResult != mrNone) EndModal(button.ModalResult);
}

void TfrmTimerForm::EndModal(TModalResult result) {
  ModalResult = result;
  // A click can arrive as a sent message (BM_CLICK from automation, a screen reader), which the
  // loop's GetMessage handles without returning; a posted message lets it see the result.
  if (result != mrNone && inModalLoop_ && handle_ != nullptr) {
    PostMessageA(handle_, WM_NULL, 0, 0);
  }
}

void TfrmTimerForm::FocusButton(HWND focus) {
  // The focused push button shows the default frame and answers Enter; the others give it up,
  // as in a dialog of the system's dialog manager.
  focused_ = focus;
  for (const auto& button : Buttons) {
    const LONG_PTR style = GetWindowLongPtrA(button->Handle, GWL_STYLE);
    const LONG_PTR type = button->Handle == focus ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    if ((style & BS_TYPEMASK) != type) {
      SendMessageA(button->Handle, BM_SETSTYLE, WPARAM((style & 0xFFFF & ~BS_TYPEMASK) | type),
                   TRUE);
    }
  }
}

void TfrmTimerForm::DrawLabel(const DRAWITEMSTRUCT& item) const {
  if (Label == nullptr) return;
  RECT rect = item.rcItem;
  FillRect(item.hDC, &rect, labelBrush_);
  const int oldMode = SetBkMode(item.hDC, TRANSPARENT);
  const COLORREF oldColor = SetTextColor(item.hDC, ColorToRGB(Label->Font.Color));
  HGDIOBJ oldFont = labelFont_ != nullptr ? SelectObject(item.hDC, labelFont_) : nullptr;
  // The lines as the layout broke them, each where the system's text drawing would put it, and
  // only those in the area to paint: the label of a long message is far taller than the screen.
  const std::vector<std::string>& lines = Label->Layout.Lines;
  const int64_t lineHeight = std::max(Label->Layout.LineHeight, 1);
  RECT paint = rect;
  if (GetClipBox(item.hDC, &paint) == ERROR) paint = rect;
  const auto lineAt = [&](int64_t y) {
    return static_cast<size_t>(
        std::clamp<int64_t>((y - rect.top) / lineHeight, 0, static_cast<int64_t>(lines.size())));
  };
  const size_t last = lineAt(int64_t{paint.bottom} + lineHeight - 1);
  for (size_t n = lineAt(paint.top); n < last; ++n) {
    const std::string& line = lines[n];
    const int length = static_cast<int>(std::min<size_t>(line.size(), INT_MAX));
    SIZE size{0, 0};
    if (Label->Alignment != taLeftJustify)
      GetTextExtentPoint32A(item.hDC, line.data(), length, &size);
    int x = rect.left;
    if (Label->Alignment == taCenter) x = (rect.left + rect.right - size.cx) / 2;
    if (Label->Alignment == taRightJustify) x = rect.right - size.cx;
    const int y = static_cast<int>(rect.top + static_cast<int64_t>(n) * lineHeight);
    ExtTextOutA(item.hDC, x, y, ETO_CLIPPED, &rect, line.data(), static_cast<UINT>(length),
                nullptr);
  }
  if (oldFont != nullptr) SelectObject(item.hDC, oldFont);
  SetTextColor(item.hDC, oldColor);
  SetBkMode(item.hDC, oldMode);
}

void TfrmTimerForm::ReleaseNames() {
  ReleaseComponentNames(handle_);
}

TModalResult TfrmTimerForm::ShowModal() {
  if (handle_ == nullptr || inModalLoop_ || IsWindowVisible(handle_)) {
    throw EInvalidOperation("Cannot make a visible window modal");
  }
  HWND previouslyActive = GetActiveWindow();
  TThreadWindowsDisabled disabled(handle_);

  struct TModalScope {
    TfrmTimerForm& Form;
    TThreadWindowsDisabled& Disabled;
    HWND PreviouslyActive;
    ~TModalScope() {
      Form.inModalLoop_ = false;
      // Enabled again before the form hides, so that activation goes back to them and not to
      // another program.
      Disabled.Restore();
      if (Form.handle_ != nullptr) {
        SetWindowPos(Form.handle_, nullptr, 0, 0, 0, 0,
                     SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      }
      if (PreviouslyActive != nullptr && IsWindow(PreviouslyActive)) {
        SetActiveWindow(PreviouslyActive);
      }
    }
  } scope{*this, disabled, previouslyActive};

  inModalLoop_ = true;
  ModalResult = mrNone;
  FormShow();
  ShowWindow(handle_, SW_SHOWNORMAL);
  TButton* first = DefaultButton();
  if (first == nullptr && !Buttons.empty()) first = Buttons.front().get();
  if (first != nullptr) {
    SetFocus(first->Handle);
    FocusButton(first->Handle);
  } else {
    SetFocus(handle_);
  }
  UpdateWindow(handle_);

  MSG msg;
  while (ModalResult == mrNone && !failure_) {
    const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0) {
      // The application is ending: leave the quit message for the loop that owns it.
      PostQuitMessage(static_cast<int>(msg.wParam));
      ModalResult = mrCancel;
      break;
    }
    if (got == -1) {
      ModalResult = mrCancel;
      break;
    }
    if (!IsDialogMessageA(handle_, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (handle_ == nullptr) {
      ModalResult = mrCancel;
      break;
    }
  }
  if (failure_) {
    std::exception_ptr failure = failure_;
    failure_ = nullptr;
    std::rethrow_exception(failure);
  }
  return ModalResult;
}

LRESULT CALLBACK TfrmTimerForm::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    auto* form = static_cast<TfrmTimerForm*>(create->lpCreateParams);
    form->handle_ = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  }
  auto* form = reinterpret_cast<TfrmTimerForm*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (form == nullptr) return DefWindowProcA(hwnd, msg, wParam, lParam);
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    form->handle_ = nullptr;
    form->timerRunning_ = false;
    return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
  // No exception may cross the system's call back into this window: it ends the modal loop and
  // reaches the caller from there.
  try {
    return form->Dispatch(msg, wParam, lParam);
  } catch (...) {
    form->failure_ = std::current_exception();
    return 0;
  }
}

LRESULT TfrmTimerForm::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      const int code = HIWORD(wParam);
      if (TButton* button = FindButton(reinterpret_cast<HWND>(lParam))) {
        if (code == BN_CLICKED) Click(*button);
        if (code == BN_SETFOCUS) focused_ = button->Handle;
        return 0;
      }
      // What the dialog manager sends for Enter without a focused default button, and for
      // Escape.
      if (id == IDOK && lParam == 0) {
        if (TButton* button = DefaultButton()) Click(*button);
        return 0;
      }
      if (id == IDCANCEL) {
        if (TButton* button = CancelButton()) Click(*button);
        return 0;
      }
      if (TButton* button = FindButtonById(id)) {
        if (code == BN_CLICKED) Click(*button);
      }
      return 0;
    }
    case DM_GETDEFID:
      if (TButton* button = DefaultButton()) return MAKELRESULT(button->Id, DC_HASDEFID);
      return 0;
    case DM_SETDEFID:
      return TRUE;
    case WM_NEXTDLGCTL: {
      HWND next = LOWORD(lParam) != 0
                      ? reinterpret_cast<HWND>(wParam)
                      : GetNextDlgTabItem(handle_, GetFocus(), static_cast<BOOL>(wParam != 0));
      // The dialog manager asks this of a window that is not one of its dialogs only on some
      // systems (Wine moves the focus and the default frame itself); the frame follows here.
      if (next != nullptr) {
        SetFocus(next);
        if (FindButton(next) != nullptr) FocusButton(next);
      }
      return 0;
    }
    case WM_CLOSE:
      // The close box and the system menu's Close, as for any modal form.
      EndModal(mrCancel);
      return 0;
    case WM_TIMER:
      if (wParam == kTimerId) {
        Timer1Timer();
        return 0;
      }
      break;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && focused_ != nullptr && IsWindow(focused_)) {
        SetFocus(focused_);
        return 0;
      }
      break;
    case WM_ERASEBKGND: {
      RECT client;
      GetClientRect(handle_, &client);
      FillRect(reinterpret_cast<HDC>(wParam), &client, brush_);
      return 1;
    }
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
      SetBkColor(reinterpret_cast<HDC>(wParam), ColorToRGB(color_));
      return reinterpret_cast<LRESULT>(brush_);
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item != nullptr && item->CtlID == static_cast<UINT>(kMessageControlId)) {
        DrawLabel(*item);
        return TRUE;
      }
      break;
    }
    case WM_DESTROY:
      if (timerRunning_) KillTimer(handle_, kTimerId);
      timerRunning_ = false;
      ReleaseNames();
      return 0;
    default:
      break;
  }
  return DefWindowProcA(handle_, msg, wParam, lParam);
}

// ---- the builder -------------------------------------------------------------------------

int32_t MaxLineWidth(const std::string& Text, const TFont& Font) {
  HFONT font = CreateFontHandle(Font);
  TGdiObject owner(font);
  TGdiTextMeasurer measurer(font);
  return MaxLineWidth(Text, static_cast<const ITextMeasurer&>(measurer));
}

TLabel& CreateMessageLabel(TfrmTimerForm& Form, const std::string& Msg) {
  const TFormSettings& settings = RequireFormSettings();
  auto label = std::make_unique<TLabel>();
  label->Name = "Message";
  label->Id = kMessageControlId;
  label->Alignment = settings.LabelAlignment;
  label->Caption = Msg;
  label->Font = settings.LabelFont;
  label->Color = settings.LabelColor;

  Form.SetLabelFont(label->Font);
  {
    HFONT font = CreateFontHandle(label->Font);
    TGdiObject owner(font);
    TGdiTextMeasurer measurer(font);
    label->Layout = LayoutMessageLabel(Msg, measurer, PrimaryScreenSize(), label->Alignment);
  }
  label->Bounds = {0, 0, label->Layout.Width, label->Layout.Height};
  label->Handle = Form.CreateControl("STATIC", Msg, SS_OWNERDRAW | SS_NOPREFIX, label->Bounds,
                                     label->Id, label->Name);
  return Form.AddLabel(std::move(label));
}

std::unique_ptr<TfrmTimerForm> CreateTimedMessageForm(const std::string& Msg, TDialogType DlgType,
                                                      TDialogButtons Buttons,
                                                      const std::string& LogFile, int32_t Seconds) {
  const TFormSettings& settings = RequireFormSettings();
  CheckDialogType(DlgType);

  auto form = std::make_unique<TfrmTimerForm>(GetActiveWindow());
  const bool logButton = !LogFile.empty() && FileExists(LogFile);

  // The countdown is armed however the building ends; a failure still frees the form.
  struct TArmCountdown {
    TfrmTimerForm& Form;
    int32_t Seconds;
    ~TArmCountdown() { Form.SetSeconds(Seconds); }
  } arm{*form, Seconds};

  const TFrameSize frame = FormFrameSize();
  const TScreenSize screen = PrimaryScreenSize();

  TLabel& label = CreateMessageLabel(*form, Msg);
  form->Layout = LayoutTimedMessageForm(DlgType, Buttons, logButton, ApplicationTitle(), settings,
                                        label.Layout, screen, frame);
  const TFormLayout& layout = form->Layout;

  SetWindowTextA(form->Handle(), layout.Caption.c_str());
  if (layout.IconId != 0) {
    auto image = std::make_unique<TImage>();
    image->Name = "Image";
    image->Id = kImageControlId;
    image->Bounds = layout.Image;
    image->Icon = LoadIconA(nullptr, MAKEINTRESOURCEA(layout.IconId));
    image->Handle = form->CreateControl("STATIC", std::string(), SS_ICON, image->Bounds, image->Id,
                                        image->Name);
    SendMessageA(image->Handle, STM_SETICON, WPARAM(image->Icon), 0);
    // Setting the icon sizes the control to it; the image keeps its own 32 × 32.
    SetWindowPos(image->Handle, nullptr, image->Bounds.Left, image->Bounds.Top, image->Bounds.Width,
                 image->Bounds.Height, SWP_NOZORDER | SWP_NOACTIVATE);
    form->AddImage(std::move(image));
  }

  SetWindowPos(form->Handle(), nullptr, layout.Left, layout.Top, layout.Width, layout.Height,
               SWP_NOZORDER | SWP_NOACTIVATE);
  label.Bounds = layout.LabelBounds;
  SetWindowPos(label.Handle, nullptr, label.Bounds.Left, label.Bounds.Top, label.Bounds.Width,
               label.Bounds.Height, SWP_NOZORDER | SWP_NOACTIVATE);

  form->SetButtonFont(settings.ButtonFont);
  bool first = true;
  for (const TButtonLayout& placed : layout.Buttons) {
    auto button = std::make_unique<TButton>();
    button->Name = placed.Name;
    button->Id = placed.Index < kDialogButtonCount
                     ? ButtonControlId(static_cast<TDialogButton>(placed.Index))
                     : kLogButtonControlId;
    button->ModalResult = placed.ModalResult;
    button->Default = placed.Default;
    button->Cancel = placed.Cancel;
    DWORD style = WS_TABSTOP | BS_NOTIFY | (placed.Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
    if (first) style |= WS_GROUP;
    first = false;
    button->Handle = form->CreateControl("BUTTON", placed.Caption, style, placed.Bounds, button->Id,
                                         button->Name);
    TButton& added = form->AddButton(std::move(button));
    if (added.Default && Seconds > 0) {
      form->SetCountdownButton(&added);
      form->TimeoutResult = added.ModalResult;
    }
  }
  return form;
}

int32_t TimedMessageDlg(const std::string& Msg, TDialogType DlgType, TDialogButtons Buttons,
                        const std::string& LogFile, int32_t Reserved, int32_t Seconds,
                        TColor Color) {
  (void)Reserved;
  std::unique_ptr<TfrmTimerForm> form =
      CreateTimedMessageForm(Msg, DlgType, Buttons, LogFile, Seconds);
  form->SetColor(Color);
  const TModalResult result = form->ShowModal();
  if (result == mrYes && !LogFile.empty()) {
    // Whether the shell finds a program for the file is not the dialog's concern.
    ShellExecuteA(nullptr, "open", LogFile.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  }
  form.reset();
  return result;
}

void ShowExceptionDlg(const std::string& Msg, const std::string& Reason, const std::string& Origin,
                      const std::string& LogFile, int32_t Reserved) {
  TimedMessageDlg(ExceptionReportText(Msg, Reason, Origin), dtError, ButtonSet({btOK}), LogFile,
                  Reserved, 0, clBtnFace);
}

}  // namespace zmt
