// What the connection settings need of a database connection: the ADO connection component on
// Windows, a scripted stand-in in the portable tests.
#pragma once

#include <string>

namespace zmt {

class TCustomConnection {
 public:
  virtual ~TCustomConnection() = default;
  virtual bool Connected() const = 0;
  // Closing a closed connection does nothing.
  virtual void Close() = 0;
  // The connection string in the system's ANSI code page; the component converts it to and from
  // its own wide-character string.
  virtual std::string AnsiConnectionString() const = 0;
  virtual void SetAnsiConnectionString(const std::string& value) = 0;
  virtual void SetLoginPrompt(bool value) = 0;
  // Opens with the connection string it holds; raises the provider's error.
  virtual void Open() = 0;
};

}  // namespace zmt
