#include "modServices.h"

#include <windows.h>

namespace zmt {

std::uint32_t GetServiceState(const char* MachineName, const char* ServiceName) {
  if (ServiceName == nullptr) {
    return 0;
  }
  SC_HANDLE manager = OpenSCManagerA(MachineName, nullptr, SC_MANAGER_CONNECT);
  if (manager == nullptr) {
    return 0;
  }
  SC_HANDLE service = OpenServiceA(manager, ServiceName, SERVICE_QUERY_STATUS);
  if (service == nullptr) {
    CloseServiceHandle(manager);
    return 0;
  }
  SERVICE_STATUS status = {};
  const std::uint32_t state = QueryServiceStatus(service, &status) ? status.dwCurrentState : 0;
  CloseServiceHandle(service);
  CloseServiceHandle(manager);
  return state;
}

}  // namespace zmt
