// The root block of a file's version resource, read with the system's own version library.
#pragma once

#ifdef _WIN32
#include <windows.h>

#include <cstddef>
#include <string>

namespace zmt {

// Copies the root block (the fixed file information) of FileName's version resource into Info,
// zero beyond what the resource holds, and gives the block's length; 0 when the file has no
// readable version resource or the version library cannot be loaded. VERSION.dll is not a known
// DLL, so a library of that name in the host's folder would be found first by name: it is loaded
// by its full path in the system directory, and only for the call.
std::size_t ReadRootVersionBlock(const std::string& FileName, VS_FIXEDFILEINFO& Info);

}  // namespace zmt
#endif
