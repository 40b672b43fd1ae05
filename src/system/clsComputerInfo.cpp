#include <winsock2.h>
#include <windows.h>

#include <cstring>

#include "clsComputerInfo.h"

namespace zmt {

namespace {

// Releases the sockets library on every way out once it has started.
class SocketsSession {
 public:
  SocketsSession() {
    WSADATA data;
    started_ = WSAStartup(MAKEWORD(1, 1), &data) == 0;
  }
  ~SocketsSession() {
    if (started_) {
      WSACleanup();
    }
  }
  SocketsSession(const SocketsSession&) = delete;
  SocketsSession& operator=(const SocketsSession&) = delete;
  bool Started() const { return started_; }

 private:
  bool started_ = false;
};

}  // namespace

std::string TJvIdentification::IPAddress() const {
  SocketsSession sockets;
  if (!sockets.Started()) {
    return std::string();
  }
  char hostName[260] = {};
  if (gethostname(hostName, sizeof hostName) != 0) {
    return std::string();
  }
  hostName[sizeof hostName - 1] = '\0';
  const hostent* host = gethostbyname(hostName);
  // A host entry may come without addresses, or with addresses that are not IPv4.
  if (host == nullptr || host->h_addrtype != AF_INET || host->h_length != 4 ||
      host->h_addr_list == nullptr || host->h_addr_list[0] == nullptr) {
    return std::string();
  }
  in_addr address;
  std::memcpy(&address, host->h_addr_list[0], sizeof address);
  const char* text = inet_ntoa(address);
  return text != nullptr ? std::string(text) : std::string();
}

std::string TJvIdentification::LocalComputerName() const {
  char name[16] = {};
  DWORD size = sizeof name;
  if (!GetComputerNameA(name, &size)) {
    return std::string();
  }
  return std::string(name, strnlen(name, sizeof name));
}

TJvComputerInfoEx::TJvComputerInfoEx() = default;
TJvComputerInfoEx::~TJvComputerInfoEx() = default;

TJvIdentification& TJvComputerInfoEx::Identification() {
  if (!identification_) {
    identification_ = std::make_unique<TJvIdentification>();
  }
  return *identification_;
}

}  // namespace zmt
