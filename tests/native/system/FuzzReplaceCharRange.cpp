// ReplaceCharRange and ReplaceChar on arbitrary text and ranges. Bytes 0 and 1 are the
// characters, bytes 2 to 5 two signed 16-bit positions, the rest is the text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "modStringUtils.h"

namespace {

void Check(bool condition) {
  if (!condition) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 6) {
    return 0;
  }
  const char from = static_cast<char>(data[0]);
  const char to = static_cast<char>(data[1]);
  const std::ptrdiff_t first = static_cast<std::int16_t>(data[2] | (data[3] << 8));
  const std::ptrdiff_t last = static_cast<std::int16_t>(data[4] | (data[5] << 8));
  const std::string text(reinterpret_cast<const char*>(data + 6), size - 6);

  const std::string result = zmt::ReplaceCharRange(text, from, to, first, last);
  Check(result.size() == text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto position = static_cast<std::ptrdiff_t>(i) + 1;
    const bool examined = position >= first && position <= last;
    const char expected = (examined && text[i] == from) ? to : text[i];
    Check(result[i] == expected);
  }

  const std::string whole = zmt::ReplaceChar(text, from, to);
  Check(whole ==
        zmt::ReplaceCharRange(text, from, to, 1, static_cast<std::ptrdiff_t>(text.size())));
  Check(from == to || whole.find(from) == std::string::npos);
  return 0;
}
