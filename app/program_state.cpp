#include "app/program_state.h"

#include <random>

namespace varnel {

ProgramState& Program() {
  // Never destroyed: worker threads may still read it while the process ends.
  static ProgramState* const state = [] {
    auto* made = new ProgramState;
    std::random_device entropy;
    made->callToken = (std::uint64_t{entropy()} << 32) ^ entropy();
    return made;
  }();
  return *state;
}

FoundControl FindControl(WindowId window, ControlId control) {
  const ProgramState& program = Program();
  if (program.mainWindowEntry.load() == EntryState::kDiscarded)
    return {Lookup::kEntriesDiscarded, nullptr};
  if (window != kMainWindow) return {Lookup::kNoSuchControl, nullptr};
  if (control < kFirstControl || control >= kFirstControl + kControlCount)
    return {Lookup::kNoSuchControl, nullptr};
  if (program.mainWindowEntry.load() != EntryState::kLoaded) return {Lookup::kNotLoaded, nullptr};
  HWND hwnd = program.controls[control - kFirstControl];
  if (hwnd == nullptr || !IsWindow(hwnd)) return {Lookup::kNotLoaded, nullptr};
  return {Lookup::kFound, hwnd};
}

}  // namespace varnel
