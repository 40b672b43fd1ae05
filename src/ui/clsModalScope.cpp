#include "clsModalScope.h"

#include <utility>

namespace zmt {

TModalScope::TModalScope(HWND Except, TModalScope** Slot)
    : previouslyActive_(GetActiveWindow()), slot_(Slot), disabled_(Except) {
  if (slot_ != nullptr) *slot_ = this;
}

TModalScope::~TModalScope() {
  if (slot_ != nullptr) *slot_ = nullptr;
  disabled_.Restore();
  if (previouslyActive_ != nullptr && IsWindow(previouslyActive_)) {
    SetActiveWindow(previouslyActive_);
  }
}

void TModalScope::RethrowFailure() {
  if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
}

}  // namespace zmt
