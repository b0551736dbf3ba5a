// The program's own state: the UI thread, the program directory, and the main window entry through
// which every other part finds the window and its controls by their identifiers.
#pragma once

#include <windows.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>

namespace varnel {

using WindowId = std::uint32_t;
using ControlId = std::uint32_t;

// Identifiers of the form. Nothing reaches the window or a control by any other means.
inline constexpr WindowId kMainWindow = 0x52010001;
inline constexpr ControlId 编辑框1 = 0x16010002;
inline constexpr ControlId 编辑框2 = 0x16010003;
inline constexpr ControlId 编辑框3 = 0x16010004;
inline constexpr ControlId 标签1 = 0x16010005;
inline constexpr ControlId 按钮1 = 0x16010006;

inline constexpr ControlId kFirstControl = 编辑框1;
inline constexpr std::size_t kControlCount = 5;

enum class EntryState { kNotLoaded, kLoaded, kDiscarded };

struct IconDestroyer {
  void operator()(HICON icon) const { DestroyIcon(icon); }
};
using UniqueIcon = std::unique_ptr<std::remove_pointer_t<HICON>, IconDestroyer>;

// One per process, made before start-up and alive until the process ends.
//
// Threads: the UI thread alone writes every field and alone reads `controls`. Worker threads read
// only the two atomics and the call token, to learn where to send a call (app/ui_call.h) and why it
// could not run; they never touch a window through this state, so the UI thread may destroy the
// window at any moment without a lock.
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
