#include <windows.h>

#include <cstddef>
#include <cstring>

#include "clsAppInfo.h"
#include "modVersionResource.h"

namespace zmt {

static_assert(offsetof(VS_FIXEDFILEINFO, dwFileDateMS) == sizeof(TFixedFileInfo),
              "the fields kept are the ones before the file date");

void ReadFixedFileInfo(const std::string& FileName, TFixedFileInfo& Info) {
  VS_FIXEDFILEINFO block;
  // A resource whose root block is shorter than the fields would leave some of them unread.
  if (ReadRootVersionBlock(FileName, block) >= sizeof(TFixedFileInfo)) {
    std::memcpy(&Info, &block, sizeof Info);
  }
}

std::string GetFileVersionText(const std::string& FileName) {
  TFixedFileInfo info = {};
  ReadFixedFileInfo(FileName, info);
  return FormatVersionText(info.dwFileVersionMS, info.dwFileVersionLS);
}

std::string GetModuleVersionText(const std::string& FileName) {
  return GetFileVersionText(FileName);
}

}  // namespace zmt
