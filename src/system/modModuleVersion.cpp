#include "modModuleVersion.h"

#include <cstddef>

#include "clsAppInfo.h"
#include "modVersionResource.h"

namespace zmt {

std::string GetModuleVersionText(const std::string& FileName) {
  VS_FIXEDFILEINFO info;
  // Same length rule as ReadFixedFileInfo, so that both give the same text for every file.
  if (ReadRootVersionBlock(FileName, info) < offsetof(VS_FIXEDFILEINFO, dwFileDateMS)) {
    return "0.0.0.0";
  }
  return FormatVersionText(info.dwFileVersionMS, info.dwFileVersionLS);
}

}  // namespace zmt
