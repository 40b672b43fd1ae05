// Masking must not fail on any text, must be stable when applied again, and must leave no
// password value of a plain key behind.
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
  // A password key of its own, after the fuzzed text has been closed off, is always hidden.
  const std::string secret = "Zq8secretZq8";
  const std::string probe = zmt::MaskConnectionPasswords("X=;" + secret + ";Password=" + secret);
  if (probe.find(secret, probe.size() - secret.size()) != std::string::npos) std::abort();
  return 0;
}
