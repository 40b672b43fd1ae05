#include "WinFile.h"

#include <windows.h>

namespace zmt {

bool FileExists(const std::string& FileName) {
  const DWORD attributes = GetFileAttributesA(FileName.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace zmt
