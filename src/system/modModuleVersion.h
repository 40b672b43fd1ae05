// The file version of a module, read on its own without the fixed file information record.
#pragma once

#include <string>

namespace zmt {

#ifdef _WIN32
// The file version of FileName as version text, the same text that GetFileVersionText gives for
// it; "0.0.0.0" when it has no readable version.
std::string GetModuleVersionText(const std::string& FileName);
#endif

}  // namespace zmt
