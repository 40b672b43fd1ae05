// GetFileVersionNumber against a reference reading of the same text: either both accept it and
// agree on the number, or the function raises EConvertError. Any other outcome is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "SysUtils.h"
#include "clsAppInfo.h"

namespace {

void Check(bool condition) {
  if (!condition) {
    std::abort();
  }
}

// Four dot-separated parts of decimal digits up to 2^31 - 1 (leading zeros of any number), with no
// more than 20 characters after any of the first three dots.
bool Reference(const std::string& text, std::int64_t& number) {
  std::vector<std::string> parts(1);
  std::vector<std::size_t> dots;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '.') {
      parts.emplace_back();
      dots.push_back(i);
    } else {
      parts.back() += text[i];
    }
  }
  if (parts.size() != 4) {
    return false;
  }
  for (const std::size_t dot : dots) {
    if (text.size() - dot - 1 > 20) {
      return false;
    }
  }
  const std::int64_t weights[] = {100000000, 1000000, 10000, 1};
  number = 1000000000;
  for (std::size_t p = 0; p < 4; ++p) {
    const std::string& part = parts[p];
    if (part.empty()) {
      return false;
    }
    std::int64_t value = 0;
    for (const char c : part) {
      if (c < '0' || c > '9') {
        return false;
      }
      value = value * 10 + (c - '0');
      if (value > 2147483647) {
        return false;
      }
    }
    number += value * weights[p];
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::int64_t expected = 0;
  const bool valid = Reference(text, expected);
  try {
    const double number = zmt::GetFileVersionNumber(text);
    Check(valid && number == static_cast<double>(expected));
  } catch (const zmt::EConvertError& e) {
    Check(!valid && e.Message().find(text) != std::string::npos);
  }
  return 0;
}
