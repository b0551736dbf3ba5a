// The program's own state: the UI thread, the program directory, and the main window entry through
// which every other part finds the window and its controls by their identifiers.
#pragma once

#include <windows.h>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "app/form.h"
#include "app/handles.h"

namespace varnel {

enum class EntryState { kNotLoaded, kLoaded, kDiscarded };

// Output on its way to 编辑框3. Workers add whole pieces and go on at once; the UI thread takes
// them and appends them in steps of its own (app/editbox/output.h), so no worker ever holds the UI
// thread and the user's input always goes first.
struct OutputQueue {
  // The output of one run, kept apart so that the UI thread can serve runs in turn.
  struct RunOutput {
    DWORD thread = 0;  // the worker that adds to it
    std::string text;  // UTF-8, whole pieces in their order; appended up to `done`
    std::size_t done = 0;
  };

  // Shared: guarded by `mutex`.
  std::mutex mutex;
  std::condition_variable roomMade;  // workers wait here while too much of their output waits
  std::vector<RunOutput> runs;  // the runs with output waiting (if only the empty text), in turn
  std::size_t nextRun = 0;      // the run that the UI thread's next step serves
  bool wakePosted = false;      // the UI thread has been told, or is already working
  bool open = false;            // the output box exists: from loading to destruction

  // UI thread only: how its steps are paced.
  struct Steps {
    // What an append costs, fitted to the recent steps by least squares with forgetting:
    // milliseconds = fixed + perByte * bytes, where `fixed` holds what grows with the box.
    struct CostFit {
      double weight = 0, bytes = 0, bytes2 = 0, ms = 0, bytesMs = 0;
    } cost;
    bool larger = false;    // the next step is the larger one of a pair, so that sizes vary
    bool boxStale = false;  // appended to since the box was last painted
    std::chrono::steady_clock::time_point lastPaint{};
    std::chrono::steady_clock::duration paintCost{};
    bool timerRunning = false;
  } steps;
};

// One per process, made before start-up and alive until the process ends.
//
// Threads: the UI thread alone writes every field and alone reads `controls`. Worker threads read
// only the two atomics and the call token, to learn where to send a call (app/ui_call.h) and why it
// could not run, and add to `output` under its lock; they never touch a window through this state,
// so the UI thread may destroy the window at any moment without waiting for a worker.
struct ProgramState {
  DWORD uiThread = 0;
  std::wstring programDirectory;
  std::atomic<EntryState> mainWindowEntry{EntryState::kNotLoaded};
  std::atomic<HWND> mainWindow{nullptr};       // set while the entry is loaded
  std::array<HWND, kControlCount> controls{};  // indexed by ControlId - kFirstControl
  UniqueIcon largeIcon, smallIcon;             // the main window's icons, kept until the normal end
  // Carried by every call to the UI thread (app/ui_call.h), so that the window procedure takes
  // only calls made inside this process as calls: another process cannot guess it. Set once, when
  // the state is made.
  std::uint64_t callToken = 0;
  OutputQueue output;
};

ProgramState& Program();

// Why a control could not be found.
enum class Lookup { kFound, kEntriesDiscarded, kNotLoaded, kNoSuchControl };

struct FoundControl {
  Lookup lookup;
  HWND window;  // the live control when lookup is kFound, else null
};

// UI thread only: the live control named by (window, control), checked with IsWindow.
FoundControl FindControl(WindowId window, ControlId control);

}  // namespace varnel
