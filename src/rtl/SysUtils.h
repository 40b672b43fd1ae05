// The exception hierarchy that the module's units raise and its boundaries catch, and the case
// rules of the ASCII letters.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

namespace zmt {

// Base of every error that carries a message for the operator or the host.
class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const std::string& Message() const noexcept { return message_; }
  const char* what() const noexcept override { return message_.c_str(); }
  // The class name that the host sees as the error's source.
  virtual const char* ClassName() const noexcept { return "Exception"; }

 private:
  std::string message_;
};

#define ZMT_DECLARE_EXCEPTION(Name, Base)                             \
  class Name : public Base {                                          \
   public:                                                            \
    using Base::Base;                                                 \
    const char* ClassName() const noexcept override { return #Name; } \
  }

// A text that is not a number where one is required.
ZMT_DECLARE_EXCEPTION(EConvertError, Exception);
// An argument outside an operation's range (an empty delimiter, say).
ZMT_DECLARE_EXCEPTION(EArgumentError, Exception);
// A failing Windows call whose failure the caller must hear about.
ZMT_DECLARE_EXCEPTION(EOSError, Exception);
// A failing COM call (ADO, OLE DB): the provider's own message, or the system's text for the code.
class EOleException : public Exception {
 public:
  explicit EOleException(std::string message, uint32_t code = 0, bool systemText = false)
      : Exception(std::move(message)), code_(code), system_text_(systemText) {}
  const char* ClassName() const noexcept override { return "EOleException"; }
  // The call's result; 0 where it is not known.
  uint32_t ErrorCode() const noexcept { return code_; }
  // Whether the message is only the system's text for the code: the provider left none.
  bool SystemText() const noexcept { return system_text_; }

 private:
  uint32_t code_;
  bool system_text_;
};
// A registry value that cannot be read or written as its type.
ZMT_DECLARE_EXCEPTION(ERegistryException, Exception);

// Case changes and comparisons that touch the ASCII letters only: names of services, servers,
// keys and registry values compare the same whatever the code page or the C locale.
constexpr char UpCase(char c) noexcept {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
constexpr char LowCase(char c) noexcept {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
inline std::string UpperCase(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = UpCase(c);
  return result;
}
inline std::string LowerCase(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = LowCase(c);
  return result;
}
constexpr bool SameText(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (UpCase(a[i]) != UpCase(b[i])) return false;
  }
  return true;
}

}  // namespace zmt
