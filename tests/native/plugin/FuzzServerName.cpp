// The server name of arbitrary connection strings: never a byte the comparison cannot meet, and
// a name read back from a string that holds only it gives the same name.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "modServiceCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string server = zmt::ServerNameOf(text);
  const auto check = [](bool condition) {
    if (!condition) std::abort();
  };
  check(server.size() <= text.size());
  check(server.find_first_of(";_") == std::string::npos);
  for (const char c : server) check(c < 'a' || c > 'z');
  if (!server.empty()) {
    check(static_cast<unsigned char>(server.front()) > 32);
    check(static_cast<unsigned char>(server.back()) > 32);
  }
  check(zmt::ServerNameOf("data source=" + server) == server);
  if (text.find('=') == std::string::npos) check(server.empty());
  return 0;
}
