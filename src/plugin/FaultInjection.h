// Test builds only: places where a suite can make the base class fail or watch it work.
#pragma once

#ifdef ZMT_FAULT_INJECTION

#include <functional>
#include <string>

namespace zmt::fault {

// When not empty, the root part of the next destructions raises an Exception with this message.
extern std::string RootDestroyMessage;
// Called by the base constructor while it holds the component-creation lock.
extern std::function<void()> ConstructionProbe;

}  // namespace zmt::fault

#endif
