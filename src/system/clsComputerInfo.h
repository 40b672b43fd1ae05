// The local machine's identity: its computer name and IPv4 address.
#pragma once

#include <memory>
#include <string>

namespace zmt {

#ifdef _WIN32
// Holds no data: every read asks the system anew, and a failing system call gives empty text.
class TJvIdentification {
 public:
  // The first IPv4 address that the resolver lists for the local host name, in dotted-decimal
  // text, through Windows sockets 1.1.
  std::string IPAddress() const;
  // The computer name as the system reports it, at most 15 characters.
  std::string LocalComputerName() const;
};

// Computer information; its identification part is made on first use and lives as long as the
// component.
class TJvComputerInfoEx {
 public:
  TJvComputerInfoEx();
  ~TJvComputerInfoEx();
  TJvComputerInfoEx(const TJvComputerInfoEx&) = delete;
  TJvComputerInfoEx& operator=(const TJvComputerInfoEx&) = delete;

  TJvIdentification& Identification();

 private:
  std::unique_ptr<TJvIdentification> identification_;
};
#endif

}  // namespace zmt
