#include "modStringUtils.h"

#include <algorithm>

namespace zmt {

std::string ReplaceCharRange(const std::string& Text, char FromChar, char ToChar,
                             std::ptrdiff_t First, std::ptrdiff_t Last) {
  std::string result = Text;
  const auto length = static_cast<std::ptrdiff_t>(result.size());
  const std::ptrdiff_t first = std::max<std::ptrdiff_t>(First, 1);
  const std::ptrdiff_t last = std::min(Last, length);
  for (std::ptrdiff_t position = first; position <= last; ++position) {
    char& c = result[static_cast<std::size_t>(position - 1)];
    if (c == FromChar) {
      c = ToChar;
    }
  }
  return result;
}

std::string ReplaceChar(const std::string& Text, char FromChar, char ToChar) {
  return ReplaceCharRange(Text, FromChar, ToChar, 1, static_cast<std::ptrdiff_t>(Text.size()));
}

}  // namespace zmt
