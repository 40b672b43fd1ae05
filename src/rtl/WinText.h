// Text at the Windows boundary: the ANSI code page's text to and from wide strings and BSTRs, and
// messages for failing calls. Every conversion of the module goes through here.
#pragma once

#ifdef _WIN32
#include <windows.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "WinHandles.h"

namespace zmt {

std::wstring WideFromAnsi(std::string_view text);
std::string AnsiFromWide(std::wstring_view text);
// Empty text for a null BSTR, which COM allows for an empty string.
std::string AnsiFromBstr(BSTR text);
// A null owner when the system cannot allocate the string; never throws, so that error paths
// can use it.
UniqueBstr BstrFromAnsi(std::string_view text) noexcept;
UniqueBstr BstrFromWide(std::wstring_view text) noexcept;

// The system's text for the code (or the ADO wording where the system has none), then the code in
// hex: "Invalid class string (0x800401F3)". Never empty.
std::string OleErrorText(HRESULT code);

// "<what> failed (error <code>): <system text>" for the calling thread's last error.
std::string LastErrorText(const char* what);
// Raises EOSError with LastErrorText(what).
[[noreturn]] void RaiseLastError(const char* what);

}  // namespace zmt
#endif
