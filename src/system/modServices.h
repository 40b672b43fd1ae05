// The state of a Windows service as the service control manager reports it.
#pragma once

#include <cstdint>

namespace zmt {

#ifdef _WIN32
// The current state of the service ServiceName (its key name) on MachineName, null or empty for
// this computer: 1 (stopped) to 7 (paused) as Windows publishes them, or 0 when the manager or the
// service cannot be opened or the status cannot be read (a null ServiceName gives 0 too). Asks
// only for the right to connect to the manager and to query the service's status.
std::uint32_t GetServiceState(const char* MachineName, const char* ServiceName);
#endif

}  // namespace zmt
