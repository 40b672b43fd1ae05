#include "modWinControls.h"

#include <algorithm>
#include <climits>

#include "WinText.h"

namespace zmt {

namespace {

BOOL CALLBACK ReleaseChildName(HWND hwnd, LPARAM) {
  ReleaseComponentName(hwnd);
  return TRUE;
}

HDC CheckedMemoryDc() {
  HDC dc = CreateCompatibleDC(nullptr);
  if (dc == nullptr) RaiseLastError("CreateCompatibleDC");
  return dc;
}

int ClampedLength(std::string_view text) {
  return static_cast<int>(std::min<size_t>(text.size(), INT_MAX));
}

}  // namespace

HINSTANCE ModuleInstance() {
  HMODULE module = nullptr;
  GetModuleHandleExA(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCSTR>(&ModuleInstance), &module);
  return module;
}

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

std::string WindowText(HWND hwnd) {
  const int length = GetWindowTextLengthA(hwnd);
  std::string text(static_cast<size_t>(std::max(length, 0)) + 1, '\0');
  const int copied = GetWindowTextA(hwnd, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<size_t>(std::max(copied, 0)));
  return text;
}

TScreenSize PrimaryScreenSize() {
  return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

COLORREF ColorToRGB(TColor color) {
  if (IsSystemColor(color)) return GetSysColor(SystemColorIndex(color));
  return color & 0x00FFFFFF;
}

UniqueFont CreateFontHandle(const TFont& font) {
  int dpi = 96;
  if (const UniqueScreenDc screen(GetDC(nullptr)); screen) {
    dpi = GetDeviceCaps(screen.Get(), LOGPIXELSY);
  }
  UniqueFont handle(CreateFontA(
      -MulDiv(font.Size, dpi, 72), 0, 0, 0, font.Style.Contains(fsBold) ? FW_BOLD : FW_NORMAL,
      font.Style.Contains(fsItalic), font.Style.Contains(fsUnderline),
      font.Style.Contains(fsStrikeOut), DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
      DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, font.Name.c_str()));
  if (!handle) RaiseLastError("CreateFontA");
  return handle;
}

TGdiTextMeasurer::TGdiTextMeasurer(HFONT font) : dc_(CheckedMemoryDc()), font_(dc_.Get(), font) {}

int32_t TGdiTextMeasurer::TextWidth(const std::string& Text) const {
  if (Text.empty()) return 0;
  SIZE size{0, 0};
  if (!GetTextExtentPoint32A(dc_.Get(), Text.data(), ClampedLength(Text), &size))
    RaiseLastError("GetTextExtentPoint32A");
  return size.cx;
}

int32_t TGdiTextMeasurer::LineHeight() const {
  TEXTMETRICA metrics{};
  if (!GetTextMetricsA(dc_.Get(), &metrics)) RaiseLastError("GetTextMetricsA");
  return metrics.tmHeight;
}

size_t TGdiTextMeasurer::FitCount(std::string_view Text, int32_t Width) const {
  if (Text.empty()) return 0;
  INT fit = 0;
  SIZE size{0, 0};
  if (!GetTextExtentExPointA(dc_.Get(), Text.data(), ClampedLength(Text), Width, &fit, nullptr,
                             &size))
    RaiseLastError("GetTextExtentExPointA");
  return static_cast<size_t>(std::max(fit, 0));
}

}  // namespace zmt
