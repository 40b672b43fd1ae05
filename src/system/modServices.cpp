#include "modServices.h"

#include <windows.h>

#include "WinHandles.h"

namespace zmt {

std::uint32_t GetServiceState(const char* MachineName, const char* ServiceName) {
  if (ServiceName == nullptr) {
    return 0;
  }
  const UniqueServiceHandle manager(OpenSCManagerA(MachineName, nullptr, SC_MANAGER_CONNECT));
  if (!manager) {
    return 0;
  }
  const UniqueServiceHandle service(OpenServiceA(manager.Get(), ServiceName, SERVICE_QUERY_STATUS));
  if (!service) {
    return 0;
  }
  SERVICE_STATUS status = {};
  return QueryServiceStatus(service.Get(), &status) ? status.dwCurrentState : 0;
}

}  // namespace zmt
