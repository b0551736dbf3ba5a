// Waiting under Wine: every wait polls with a timeout, so that a test fails instead of hanging. The
// waits of remote_program.h take the same patience.
#pragma once

#include <windows.h>

#include <chrono>

namespace varnel::test {

// How long a wait lasts unless the caller says otherwise.
inline constexpr std::chrono::milliseconds kPatience{20000};

// Runs this thread's messages until `done()` holds or the time is up; returns whether it held.
template <typename Done>
bool PumpUntil(Done&& done, std::chrono::milliseconds patience = kPatience) {
  const auto end = std::chrono::steady_clock::now() + patience;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) continue;  // a test's window was destroyed: nothing to end
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return true;
}

}  // namespace varnel::test
