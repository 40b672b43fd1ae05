#include "modWinApi.h"

#include <cstring>

namespace zmt {

bool PrepareCommandLine(const std::string& CommandLine, TCommandLineBuffer& Buffer) noexcept {
  if (CommandLine.size() > kMaxCommandLine || CommandLine.find('\0') != std::string::npos) {
    return false;
  }
  std::memcpy(Buffer.data(), CommandLine.data(), CommandLine.size());
  Buffer[CommandLine.size()] = '\0';
  return true;
}

}  // namespace zmt
