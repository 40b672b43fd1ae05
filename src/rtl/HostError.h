// How an error reaches the host: never as a C++ exception, but as the calling thread's COM error
// object (description = message, source = error class), with a failing result from the operation.
#pragma once

#include <string>
#include <string_view>

namespace zmt {

void ClearHostError() noexcept;
void SetHostError(std::string_view source, std::string_view message) noexcept;

struct HostError {
  std::string Source;
  std::string Message;
};

// Call only inside a catch block: the error class and message of the exception in flight.
HostError DescribeCurrentException() noexcept;
// Call only inside a catch block: records the exception in flight as the host error.
void SetHostErrorFromCurrentException() noexcept;

// Reads and clears the thread's error object; false when there is none.
bool TakeHostError(HostError& error);

// Runs work; an exception becomes the host error and the result is false.
template <class Work>
bool RunGuarded(Work&& work) noexcept {
  try {
    work();
    return true;
  } catch (...) {
    SetHostErrorFromCurrentException();
    return false;
  }
}

}  // namespace zmt
