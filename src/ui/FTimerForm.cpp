#include "FTimerForm.h"

#include <algorithm>

#include "WinText.h"
#include "clsModalScope.h"

namespace zmt {

namespace {

constexpr DWORD kFormStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPSIBLINGS;
constexpr DWORD kFormExStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CONTROLPARENT;
constexpr UINT_PTR kTimerId = 1;

UniqueBrush CreateBrush(TColor color) {
  UniqueBrush brush(CreateSolidBrush(ColorToRGB(color)));
  if (!brush) RaiseLastError("CreateSolidBrush");
  return brush;
}

}  // namespace

// ---- components --------------------------------------------------------------------------

std::string TButton::Caption() const {
  return WindowText(Handle);
}

void TButton::SetCaption(const std::string& caption) const {
  SetWindowTextA(Handle, caption.c_str());
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

TFrameSize TimerFormFrameSize() {
  RECT rect{0, 0, 0, 0};
  if (!AdjustWindowRectEx(&rect, kFormStyle, FALSE, kFormExStyle)) {
    RaiseLastError("AdjustWindowRectEx");
  }
  return {rect.right - rect.left, rect.bottom - rect.top};
}

TfrmTimerForm::~TfrmTimerForm() {
  // The window goes before the brushes and fonts it paints with.
  if (handle_ != nullptr) DestroyWindow(handle_);
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

void TfrmTimerForm::SetTimerInterval(UINT Milliseconds) {
  Timer1.Interval = Milliseconds;
  if (!timerRunning_) return;
  KillTimer(handle_, kTimerId);
  timerRunning_ = false;
  UpdateTimer();
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
  brush_ = CreateBrush(color);
  color_ = color;
  if (handle_ != nullptr) InvalidateRect(handle_, nullptr, TRUE);
}

void TfrmTimerForm::SetButtonFont(const TFont& font) {
  buttonFont_ = CreateFontHandle(font);
}

void TfrmTimerForm::SetLabelFont(const TFont& font) {
  labelFont_ = CreateFontHandle(font);
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
  labelBrush_ = CreateBrush(label->Color);
  if (labelFont_) SendMessageA(label->Handle, WM_SETFONT, WPARAM(labelFont_.Get()), FALSE);
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
  if (buttonFont_) SendMessageA(button->Handle, WM_SETFONT, WPARAM(buttonFont_.Get()), FALSE);
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
  if (result != mrNone && modal_ != nullptr && handle_ != nullptr) {
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
  FillRect(item.hDC, &rect, labelBrush_.Get());
  const int oldMode = SetBkMode(item.hDC, TRANSPARENT);
  const COLORREF oldColor = SetTextColor(item.hDC, ColorToRGB(Label->Font.Color));
  const ScopedSelectObject font(item.hDC, labelFont_.Get());
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
  SetTextColor(item.hDC, oldColor);
  SetBkMode(item.hDC, oldMode);
}

void TfrmTimerForm::ReleaseNames() {
  ReleaseComponentNames(handle_);
}

TModalResult TfrmTimerForm::ShowModal() {
  if (handle_ == nullptr || modal_ != nullptr || IsWindowVisible(handle_)) {
    throw EInvalidOperation("Cannot make a visible window modal");
  }
  TModalScope modal(handle_, &modal_);
  // Hidden on every way out, after the other windows are enabled again and before activation
  // goes back.
  struct THideOnExit {
    TModalScope& Modal;
    const HWND& Handle;
    ~THideOnExit() {
      Modal.EnableOthers();
      if (Handle != nullptr) {
        SetWindowPos(Handle, nullptr, 0, 0, 0, 0,
                     SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      }
    }
  } hide{modal, handle_};

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
  while (ModalResult == mrNone && !modal.Failed()) {
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
  modal.RethrowFailure();
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
  // reaches the caller from there. Outside the loop nobody waits for the window's answer.
  try {
    return form->Dispatch(msg, wParam, lParam);
  } catch (...) {
    if (form->modal_ != nullptr) form->modal_->Catch();
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
      FillRect(reinterpret_cast<HDC>(wParam), &client, brush_.Get());
      return 1;
    }
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
      SetBkColor(reinterpret_cast<HDC>(wParam), ColorToRGB(color_));
      return reinterpret_cast<LRESULT>(brush_.Get());
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

}  // namespace zmt
