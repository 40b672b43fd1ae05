// Character replacement in 8-bit text, comparing characters as exact byte values.
#pragma once

#include <cstddef>
#include <string>

namespace zmt {

// Text with every character equal to FromChar replaced by ToChar; Text itself is not changed.
std::string ReplaceChar(const std::string& Text, char FromChar, char ToChar);

// Like ReplaceChar, but only the 1-based positions First to Last (both included) are examined.
// A Last below First examines nothing. A range reaching outside the text is cut to the text: a
// position that does not exist has nothing to replace, and nothing outside the text is touched.
std::string ReplaceCharRange(const std::string& Text, char FromChar, char ToChar,
                             std::ptrdiff_t First, std::ptrdiff_t Last);

}  // namespace zmt
