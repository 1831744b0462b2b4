#include "core/state.h"

namespace core {

namespace {
CoreState& defaultState() {
  static CoreState s;
  return s;
}
CoreState* g_current = nullptr;
const std::string kEmpty;
}  // namespace

CoreState& coreState() { return g_current ? *g_current : defaultState(); }

ScopedCoreState::ScopedCoreState() : previous_(g_current) { g_current = &state_; }
ScopedCoreState::~ScopedCoreState() { g_current = previous_; }

const std::string& msgMain(int n) {
  return (n >= 1 && n <= kMainMessages) ? coreState().msgMain[static_cast<std::size_t>(n)] : kEmpty;
}

const std::string& msgForm(int n) {
  return (n >= 1 && n <= 100) ? coreState().msgForm[static_cast<std::size_t>(n)] : kEmpty;
}

}  // namespace core
