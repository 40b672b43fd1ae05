// Masking must not fail on any text, must be stable when applied again, must change no text
// without a key, must give back the text when its masks are restored from it, and must hide a
// password however it is enclosed or typed:
// - a plain password appended to any text, in each of the three enclosures;
// - a password made of the characters that break connection strings (the first byte gives its
//   length, the bytes after it pick the characters, each followed by a marker), between a
//   setting and any text, enclosed as a provider reads it or typed raw, undoubled quotes and
//   unquoted ";" included. Raw, a "=" after a ";" would start a key of its own, which no reader
//   can tell from the next setting, so it is left out there.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "modConnectionText.h"

namespace {

constexpr char kMarker[] = "Zq8";

std::string Enclosed(const std::string& secret, char open, char close) {
  std::string result(1, open);
  for (char c : secret) {
    result += c;
    if (c == close) result += c;
  }
  return result + close;
}

std::string Raw(const std::string& secret) {
  std::string result;
  bool afterSemicolon = false;
  for (char c : secret) {
    afterSemicolon = afterSemicolon || c == ';';
    if (!(afterSemicolon && c == '=')) result += c;
  }
  return result;
}

void ExpectHidden(const std::string& text) {
  if (zmt::MaskConnectionPasswords(text).find(kMarker) != std::string::npos) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::string once = zmt::MaskConnectionPasswords(input);
  if (zmt::MaskConnectionPasswords(once) != once) std::abort();
  if (input.find('=') == std::string::npos && once != input) std::abort();
  if (zmt::RestoreMaskedPasswords(once, input) != input) std::abort();
  if (input.find(kMarker) != std::string::npos) return 0;

  for (const std::string& value :
       {std::string(kMarker), Enclosed(kMarker, '{', '}'), Enclosed(kMarker, '"', '"')}) {
    ExpectHidden(input + ";Password=" + value);
  }

  if (size == 0) return 0;
  const std::size_t length = std::min<std::size_t>(data[0] % 13, size - 1);
  static constexpr char kBreakers[] = {';', '"', '\'', '=', '{', '}', ' ', '\t'};
  std::string secret = length == 0 ? kMarker : "";
  for (std::size_t i = 1; i <= length; ++i) {
    secret += kBreakers[data[i] % sizeof kBreakers];
    secret += kMarker;
  }
  const std::string text = input.substr(1 + length);
  for (const std::string& value : {Raw(secret), Enclosed(secret, '"', '"'),
                                   Enclosed(secret, '\'', '\''), Enclosed(secret, '{', '}')}) {
    ExpectHidden("Data Source=s;Password=" + value + ";" + text);
  }
  return 0;
}
