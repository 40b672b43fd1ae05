// Files as the module's Windows code tests for them.
#pragma once

#ifdef _WIN32
#include <string>

namespace zmt {

// True when FileName names an existing file; a folder of that name is no file.
bool FileExists(const std::string& FileName);

}  // namespace zmt
#endif
