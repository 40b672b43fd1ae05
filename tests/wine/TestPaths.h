// Where a Wine suite finds what the build put beside it: every Windows binary of a build lands in
// build/<preset>/bin.
#pragma once

#include <windows.h>

#include <string>

namespace zmt::test {

// The directory of the running test program, without a trailing separator.
inline std::string ProgramDirectory() {
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  const std::string program(path, length);
  return program.substr(0, program.find_last_of("\\/"));
}

inline std::string BesideThisProgram(const std::string& file) {
  return ProgramDirectory() + "\\" + file;
}

}  // namespace zmt::test
