#include "HostError.h"

#include <new>

#include "SysUtils.h"

#ifdef _WIN32
#include "WinHandles.h"
#include "WinText.h"
#endif

namespace zmt {

#ifdef _WIN32

void ClearHostError() noexcept {
  SetErrorInfo(0, nullptr);
}

void SetHostError(std::string_view source, std::string_view message) noexcept {
  ComPtr<ICreateErrorInfo> create;
  if (FAILED(CreateErrorInfo(create.Put())) || !create) return;
  // A text that cannot be allocated is left out rather than the whole error.
  const UniqueBstr description = BstrFromAnsi(message);
  const UniqueBstr origin = BstrFromAnsi(source);
  create->SetDescription(description.Get());
  create->SetSource(origin.Get());
  ComPtr<IErrorInfo> info;
  if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, info.PutVoid())) && info) {
    SetErrorInfo(0, info.Get());
  }
}

bool TakeHostError(HostError& error) {
  ComPtr<IErrorInfo> info;
  if (GetErrorInfo(0, info.Put()) != S_OK || !info) return false;
  UniqueBstr text;
  if (SUCCEEDED(info->GetDescription(text.Put()))) error.Message = AnsiFromBstr(text.Get());
  if (SUCCEEDED(info->GetSource(text.Put()))) error.Source = AnsiFromBstr(text.Get());
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
