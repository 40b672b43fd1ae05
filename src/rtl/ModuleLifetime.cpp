#include "ModuleLifetime.h"

#include <cstddef>  // defines __GLIBCXX__ when the run-time is libstdc++

namespace __gnu_cxx {
void __freeres() noexcept;  // libstdc++: releases its static allocations
}

namespace zmt {

void ReleaseRuntimeOnUnload() noexcept {
#if defined(__GLIBCXX__)
  __gnu_cxx::__freeres();
#endif
}

}  // namespace zmt
