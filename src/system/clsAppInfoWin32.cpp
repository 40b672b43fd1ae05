#include <windows.h>

#include <cstddef>
#include <cstring>
#include <new>
#include <vector>

#include "clsAppInfo.h"

namespace zmt {

static_assert(offsetof(VS_FIXEDFILEINFO, dwFileDateMS) == sizeof(TFixedFileInfo),
              "the fields kept are the ones before the file date");

void ReadFixedFileInfo(const std::string& FileName, TFixedFileInfo& Info) {
  // A zero inside the name would make the system read another file than the one asked for.
  if (FileName.find('\0') != std::string::npos) {
    return;
  }
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeA(FileName.c_str(), &handle);
  if (size == 0) {
    return;
  }
  std::vector<char> data;
  try {
    data.resize(size);
  } catch (const std::bad_alloc&) {
    return;
  }
  if (!GetFileVersionInfoA(FileName.c_str(), handle, size, data.data())) {
    return;
  }
  void* block = nullptr;
  UINT length = 0;
  // A resource whose root block is shorter than the fields would make the copy read past it.
  if (!VerQueryValueA(data.data(), "\\", &block, &length) || block == nullptr ||
      length < sizeof(TFixedFileInfo)) {
    return;
  }
  std::memcpy(&Info, block, sizeof Info);
}

std::string GetFileVersionText(const std::string& FileName) {
  TFixedFileInfo info = {};
  ReadFixedFileInfo(FileName, info);
  return FormatVersionText(info.dwFileVersionMS, info.dwFileVersionLS);
}

}  // namespace zmt
