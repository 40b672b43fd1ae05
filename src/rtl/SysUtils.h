// The exception hierarchy that the module's units raise and its boundaries catch.
#pragma once

#include <exception>
#include <string>

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
ZMT_DECLARE_EXCEPTION(EOleException, Exception);
// A registry value that cannot be read or written as its type.
ZMT_DECLARE_EXCEPTION(ERegistryException, Exception);

}  // namespace zmt
