#include "modVersionResource.h"

#include <cstring>
#include <new>
#include <vector>

#include "WinHandles.h"
#include "modWinApi.h"

namespace zmt {

namespace {

using TGetSize = DWORD(WINAPI*)(LPCSTR, LPDWORD);
using TGetInfo = BOOL(WINAPI*)(LPCSTR, DWORD, DWORD, LPVOID);
using TQueryValue = BOOL(WINAPI*)(LPCVOID, LPCSTR, LPVOID*, PUINT);

UniqueModule LoadSystemVersionLibrary() {
  const std::string path = SystemDirectoryFile("version.dll");
  return path.empty() ? UniqueModule() : UniqueModule(LoadLibraryA(path.c_str()));
}

}  // namespace

std::size_t ReadRootVersionBlock(const std::string& FileName, VS_FIXEDFILEINFO& Info) {
  std::memset(&Info, 0, sizeof Info);
  // A zero inside the name would make the system read another file than the one asked for.
  if (FileName.find('\0') != std::string::npos) return 0;
  const UniqueModule library = LoadSystemVersionLibrary();
  if (!library) return 0;
  const auto getSize = LibraryFunction<TGetSize>(library.Get(), "GetFileVersionInfoSizeA");
  const auto getInfo = LibraryFunction<TGetInfo>(library.Get(), "GetFileVersionInfoA");
  const auto queryValue = LibraryFunction<TQueryValue>(library.Get(), "VerQueryValueA");
  if (!getSize || !getInfo || !queryValue) return 0;

  DWORD unused = 0;
  const DWORD size = getSize(FileName.c_str(), &unused);
  if (size == 0) return 0;
  std::vector<char> data;
  try {
    data.resize(size);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  void* block = nullptr;
  UINT length = 0;
  if (!getInfo(FileName.c_str(), 0, size, data.data()) ||
      !queryValue(data.data(), "\\", &block, &length) || block == nullptr) {
    return 0;
  }
  std::memcpy(&Info, block, length < sizeof Info ? length : sizeof Info);
  return length;
}

}  // namespace zmt
