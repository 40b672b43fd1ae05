// Text at the Windows boundary: the ANSI code page's text to and from wide strings, and messages
// for failing calls.
#pragma once

#ifdef _WIN32
#include <windows.h>

#include <cstddef>
#include <string>

namespace zmt {

std::wstring WideFromAnsi(const std::string& text);
std::string AnsiFromWide(const wchar_t* text, size_t size);

// The system's text for the code (or the ADO wording where the system has none), then the code in
// hex: "Invalid class string (0x800401F3)". Never empty.
std::string OleErrorText(HRESULT code);

// "<what> failed (error <code>): <system text>" for the calling thread's last error.
std::string LastErrorText(const char* what);

}  // namespace zmt
#endif
