// Masking must not fail on any text, must be stable when applied again, must change no text
// without a key, and must hide a password appended to any text, however it is enclosed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "modConnectionText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string once = zmt::MaskConnectionPasswords(text);
  if (zmt::MaskConnectionPasswords(once) != once) std::abort();
  if (text.find('=') == std::string::npos && once != text) std::abort();
  const std::string secret = "Zq8secretZq8";
  if (text.find(secret) != std::string::npos) return 0;
  for (const std::string& value : {secret, "{" + secret + "}", "\"" + secret + "\""}) {
    const std::string probe = zmt::MaskConnectionPasswords(text + ";Password=" + value);
    if (probe.find(secret) != std::string::npos) std::abort();
  }
  return 0;
}
