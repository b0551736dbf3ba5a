// Carrying a piece of work over to the UI thread, from any other thread, as one blocking call.
//
// The work runs inside the main window's procedure, so it is one step of the UI thread: no user
// input and no other call can come between its parts, and it sees the program state exactly as
// the UI thread leaves it between messages. The caller holds no lock while it waits.
#pragma once

#include <windows.h>

#include <type_traits>

namespace varnel {

// The private message that carries a call; the main window's procedure hands it to HandleUiCall.
inline constexpr UINT kUiCallMessage = WM_APP + 1;

enum class UiCallResult {
  kDone,              // the work ran on the UI thread
  kWindowNotLoaded,   // the main window is not (or no longer) loaded: the work did not run
  kEntriesDiscarded,  // the program has ended its window entries: the work did not run
};

struct UiCall {
  void (*run)(void* context);
  void* context;
  bool done = false;
};

UiCallResult SendUiCall(UiCall& call);

// Runs `work()` on the UI thread and waits until it is done.
template <typename Work>
UiCallResult CallOnUiThread(Work&& work) {
  using W = std::remove_reference_t<Work>;
  UiCall call{[](void* context) { (*static_cast<W*>(context))(); }, &work};
  return SendUiCall(call);
}

// For the main window's procedure: runs the call that kUiCallMessage carries in `lParam`, when
// `wParam` holds this process's call token.
LRESULT HandleUiCall(WPARAM wParam, LPARAM lParam);

}  // namespace varnel
