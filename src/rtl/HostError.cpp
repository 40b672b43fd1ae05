#include "HostError.h"

#include <new>

#include "SysUtils.h"

#ifdef _WIN32
#include <windows.h>
#include <oleauto.h>
#endif

namespace zmt {

#ifdef _WIN32

namespace {

BSTR ToBstr(std::string_view text) {
  const int size = static_cast<int>(text.size());
  const int wide = size ? MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0) : 0;
  BSTR result = SysAllocStringLen(nullptr, static_cast<UINT>(wide));
  if (result && wide) MultiByteToWideChar(CP_ACP, 0, text.data(), size, result, wide);
  return result;
}

std::string FromBstr(BSTR text) {
  if (!text) return {};
  const int len = static_cast<int>(SysStringLen(text));
  const int size = WideCharToMultiByte(CP_ACP, 0, text, len, nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<std::size_t>(size), '\0');
  if (size) WideCharToMultiByte(CP_ACP, 0, text, len, result.data(), size, nullptr, nullptr);
  return result;
}

}  // namespace

void ClearHostError() noexcept {
  SetErrorInfo(0, nullptr);
}

void SetHostError(std::string_view source, std::string_view message) noexcept {
  ICreateErrorInfo* create = nullptr;
  if (FAILED(CreateErrorInfo(&create)) || !create) return;
  BSTR description = ToBstr(message);
  BSTR origin = ToBstr(source);
  create->SetDescription(description);
  create->SetSource(origin);
  SysFreeString(description);
  SysFreeString(origin);
  IErrorInfo* info = nullptr;
  if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)))) {
    SetErrorInfo(0, info);
    info->Release();
  }
  create->Release();
}

bool TakeHostError(HostError& error) {
  IErrorInfo* info = nullptr;
  if (GetErrorInfo(0, &info) != S_OK || !info) return false;
  BSTR text = nullptr;
  if (SUCCEEDED(info->GetDescription(&text))) error.Message = FromBstr(text);
  SysFreeString(text);
  text = nullptr;
  if (SUCCEEDED(info->GetSource(&text))) error.Source = FromBstr(text);
  SysFreeString(text);
  info->Release();
  return true;
}

#else

namespace {
thread_local bool hasError = false;
thread_local HostError lastError;
}  // namespace

void ClearHostError() noexcept {
  hasError = false;
}

void SetHostError(std::string_view source, std::string_view message) noexcept {
  try {
    lastError.Source.assign(source);
    lastError.Message.assign(message);
    hasError = true;
  } catch (...) {
    hasError = false;
  }
}

bool TakeHostError(HostError& error) {
  if (!hasError) return false;
  error = lastError;
  hasError = false;
  return true;
}

#endif

HostError DescribeCurrentException() noexcept {
  try {
    try {
      throw;
    } catch (const Exception& e) {
      return {e.ClassName(), e.Message()};
    } catch (const std::bad_alloc&) {
      return {"EOutOfMemory", "Out of memory"};
    } catch (const std::exception& e) {
      return {"Exception", e.what()};
    } catch (...) {
      return {"Exception", "Unexpected error"};
    }
  } catch (...) {
    // Copying the texts ran out of memory.
    return {};
  }
}

void SetHostErrorFromCurrentException() noexcept {
  const HostError error = DescribeCurrentException();
  SetHostError(error.Source, error.Message);
}

}  // namespace zmt
