#include "clsComputerInfo.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace zmt {
namespace {

// The IPv4 addresses of this machine's interfaces, as the IP helper reports them. The resolver
// answers the local host name from these (Wine's getaddrinfo asks the host's resolver instead and
// may give the loopback address, so it is no witness here).
std::vector<std::string> OwnIPv4Addresses() {
  std::vector<std::string> addresses;
  ULONG size = 0;
  if (GetIpAddrTable(nullptr, &size, FALSE) != ERROR_INSUFFICIENT_BUFFER) {
    return addresses;
  }
  std::vector<unsigned char> buffer(size);
  auto* table = reinterpret_cast<MIB_IPADDRTABLE*>(buffer.data());
  if (GetIpAddrTable(table, &size, FALSE) != NO_ERROR) {
    return addresses;
  }
  for (DWORD i = 0; i < table->dwNumEntries; ++i) {
    in_addr address;
    address.s_addr = table->table[i].dwAddr;
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address, text, sizeof text);
    addresses.push_back(text);
  }
  return addresses;
}

class MachineIdentity : public testing::Test {
 protected:
  // The test's own sockets session, as a host application would have one.
  void SetUp() override {
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
  }
  void TearDown() override { WSACleanup(); }

  TJvComputerInfoEx info_;
};

TEST_F(MachineIdentity, ComputerNameIsTheOneTheSystemReportsElsewhere) {
  const std::string name = info_.Identification().LocalComputerName();
  ASSERT_FALSE(name.empty());
  EXPECT_LE(name.size(), 15u);

  char netbios[64] = {};
  DWORD size = sizeof netbios;
  ASSERT_TRUE(GetComputerNameExA(ComputerNameNetBIOS, netbios, &size));
  EXPECT_EQ(name, netbios);
  if (const char* environment = std::getenv("COMPUTERNAME")) {
    EXPECT_EQ(name, environment);
  }
  EXPECT_EQ(info_.Identification().LocalComputerName(), name);
}

TEST_F(MachineIdentity, IPAddressIsAnIPv4AddressOfThisMachine) {
  const std::string address = info_.Identification().IPAddress();
  ASSERT_FALSE(address.empty());
  in_addr parsed;
  EXPECT_EQ(inet_pton(AF_INET, address.c_str(), &parsed), 1) << address;
  EXPECT_THAT(OwnIPv4Addresses(), testing::Contains(address));
}

TEST_F(MachineIdentity, ReadingTheAddressLeavesTheCallersSocketsSessionIntact) {
  const std::string first = info_.Identification().IPAddress();
  const std::string second = info_.Identification().IPAddress();
  EXPECT_EQ(first, second);
  // Each read starts and releases the library once; the test's own session must still work.
  const SOCKET probe = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  EXPECT_NE(probe, INVALID_SOCKET) << WSAGetLastError();
  if (probe != INVALID_SOCKET) {
    closesocket(probe);
  }
}

TEST(MachineIdentityWithoutSockets, ReadsTheAddressWithoutAnySessionOfTheCaller) {
  TJvComputerInfoEx info;
  const std::string address = info.Identification().IPAddress();
  EXPECT_FALSE(address.empty());
  // Nothing of the sockets library is left started: a call now fails for want of a session.
  EXPECT_EQ(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP), INVALID_SOCKET);
  EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
}

TEST(ComputerInfo, MakesItsIdentificationOnceAndKeepsIt) {
  TJvComputerInfoEx info;
  TJvIdentification* first = &info.Identification();
  EXPECT_EQ(&info.Identification(), first);
  TJvComputerInfoEx other;
  EXPECT_NE(&other.Identification(), first);
}

}  // namespace
}  // namespace zmt
