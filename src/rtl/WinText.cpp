#include "WinText.h"

#include <cstdio>

#include "SysUtils.h"

namespace zmt {

namespace {

// Texts for codes that the system may have none for: ADO's own codes (FACILITY_CONTROL), with
// ADO's wording, and the COM codes that a missing provider or a failed marshalling gives (Wine's
// message table lacks these).
const char* KnownCodeText(HRESULT code) {
  switch (static_cast<unsigned long>(code)) {
    case 0x800401F3UL:  // CO_E_CLASSSTRING: the provider is not installed
      return "Invalid class string";
    case 0x80040154UL:  // REGDB_E_CLASSNOTREG
      return "Class not registered";
    case 0x80020008UL:  // DISP_E_BADVARTYPE
      return "Bad variable type";
    case 0x80004001UL:  // E_NOTIMPL
      return "Not implemented";
    default:
      break;
  }
  if (HRESULT_FACILITY(code) != FACILITY_CONTROL) return nullptr;
  switch (HRESULT_CODE(code)) {
    case 3001:
      return "Arguments are of the wrong type, are out of acceptable range, or are in conflict "
             "with one another";
    case 3021:
      return "Either BOF or EOF is True, or the current record has been deleted. Requested "
             "operation requires a current record";
    case 3251:
      return "Object or provider is not capable of performing requested operation";
    case 3265:
      return "Item cannot be found in the collection corresponding to the requested name or "
             "ordinal";
    case 3704:
      return "Operation is not allowed when the object is closed";
    case 3705:
      return "Operation is not allowed when the object is open";
    case 3706:
      return "Provider cannot be found. It may not be properly installed";
    case 3709:
      return "The connection cannot be used to perform this operation. It is either closed or "
             "invalid in this context";
    default:
      return nullptr;
  }
}

int WideLength(std::string_view text) noexcept {
  return text.empty() ? 0
                      : MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                            nullptr, 0);
}

void ToWide(std::string_view text, wchar_t* out, int length) noexcept {
  if (length > 0) {
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out, length);
  }
}

}  // namespace

std::wstring WideFromAnsi(std::string_view text) {
  const int length = WideLength(text);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  ToWide(text, wide.data(), length);
  return wide;
}

std::string AnsiFromWide(std::wstring_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  int length = WideCharToMultiByte(CP_ACP, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string ansi(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), size, ansi.data(), length, nullptr, nullptr);
  return ansi;
}

std::string AnsiFromBstr(BSTR text) {
  return text ? AnsiFromWide(std::wstring_view(text, SysStringLen(text))) : std::string();
}

UniqueBstr BstrFromAnsi(std::string_view text) noexcept {
  const int length = WideLength(text);
  UniqueBstr result(SysAllocStringLen(nullptr, static_cast<UINT>(length)));
  if (result) ToWide(text, result.Get(), length);
  return result;
}

UniqueBstr BstrFromWide(std::wstring_view text) noexcept {
  return UniqueBstr(SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
}

// The system's text for a result code, without its line end, and the code itself in hex.
std::string OleErrorText(HRESULT code) {
  char text[512] = {};
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                static_cast<DWORD>(code), 0, text, sizeof text, nullptr);
  std::string message(text, length);
  while (!message.empty() && (message.back() == '\r' || message.back() == '\n' ||
                              message.back() == ' ' || message.back() == '.')) {
    message.pop_back();
  }
  if (message.empty()) {
    const char* known = KnownCodeText(code);
    message = known ? known : "OLE error";
  }
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08lX", static_cast<unsigned long>(code));
  return message + " (" + hex + ")";
}

std::string LastErrorText(const char* what) {
  const DWORD code = GetLastError();
  char* buffer = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string text = std::string(what) + " failed (error " + std::to_string(code) + ")";
  if (length > 0 && buffer != nullptr) {
    std::string reason(buffer, length);
    while (!reason.empty() && (reason.back() == '\r' || reason.back() == '\n')) reason.pop_back();
    text += ": " + reason;
  }
  if (buffer != nullptr) LocalFree(buffer);
  return text;
}

void RaiseLastError(const char* what) {
  throw EOSError(LastErrorText(what));
}

}  // namespace zmt
