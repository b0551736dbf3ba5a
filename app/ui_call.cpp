#include "app/ui_call.h"

#include "app/program_state.h"

namespace varnel {

UiCallResult SendUiCall(UiCall& call) {
  ProgramState& program = Program();
  // The handle may go stale between this read and the send: SendMessage then fails on the invalid
  // window and the work does not run. A handle is a checked name, never a pointer into freed
  // memory.
  if (HWND target = program.mainWindow.load()) {
    SendMessageW(target, kUiCallMessage, static_cast<WPARAM>(program.callToken),
                 reinterpret_cast<LPARAM>(&call));
    if (call.done) return UiCallResult::kDone;
  }
  return program.mainWindowEntry.load() == EntryState::kDiscarded ? UiCallResult::kEntriesDiscarded
                                                                  : UiCallResult::kWindowNotLoaded;
}

LRESULT HandleUiCall(WPARAM wParam, LPARAM lParam) {
  // A message of this number from another process carries no valid call: it is ignored.
  if (static_cast<std::uint64_t>(wParam) != Program().callToken) return 0;
  auto& call = *reinterpret_cast<UiCall*>(lParam);
  call.run(call.context);
  call.done = true;
  return 1;
}

}  // namespace varnel
