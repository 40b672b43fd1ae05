#include "modModuleVersion.h"

#include <windows.h>

#include <cstddef>
#include <new>
#include <vector>

#include "clsAppInfo.h"

namespace zmt {

std::string GetModuleVersionText(const std::string& FileName) {
  std::string result = "0.0.0.0";
  if (FileName.find('\0') != std::string::npos) {
    return result;
  }
  DWORD unused = 0;
  const DWORD size = GetFileVersionInfoSizeA(FileName.c_str(), &unused);
  if (size == 0) {
    return result;
  }
  std::vector<char> data;
  try {
    data.resize(size);
  } catch (const std::bad_alloc&) {
    return result;
  }
  void* block = nullptr;
  UINT length = 0;
  // Same length rule as ReadFixedFileInfo, so that both give the same text for every file.
  if (GetFileVersionInfoA(FileName.c_str(), 0, size, data.data()) &&
      VerQueryValueA(data.data(), "\\", &block, &length) && block != nullptr &&
      length >= offsetof(VS_FIXEDFILEINFO, dwFileDateMS)) {
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(block);
    result = FormatVersionText(info->dwFileVersionMS, info->dwFileVersionLS);
  }
  return result;
}

}  // namespace zmt
