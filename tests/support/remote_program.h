// Driving a built program from another process, as a user would: start it, find its windows and
// boxes, put text in, click, read text out, close it, read its exit code. Used by the window and
// end-to-end tests, by the README's sample run and by the GUI benchmark. Every wait has a timeout,
// kPatience (wait.h) unless the caller gives one.
#pragma once

#include <windows.h>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "app/form.h"
#include "app/handles.h"
#include "tests/support/text.h"
#include "tests/support/wait.h"

namespace varnel::test {

using std::chrono::milliseconds;

// The class of the program's main window and the child IDs of its controls, as its form gives them.
using varnel::kMainWindowClass;
inline constexpr int kSourceBox = ChildIdOf(编辑框1);
inline constexpr int kRemovalBox = ChildIdOf(编辑框2);
inline constexpr int kOutputBox = ChildIdOf(编辑框3);
inline constexpr int kLabel = ChildIdOf(标签1);
inline constexpr int kStartButton = ChildIdOf(按钮1);

// A started process, and its main window once found. Ending the object ends a process still
// running.
struct Program {
  UniqueHandle process;
  DWORD id = 0;
  HWND window = nullptr;

  Program() = default;
  Program(Program&&) noexcept = default;
  Program& operator=(Program&&) = delete;
  ~Program();

  HWND Control(int childId) const;
};

// The folder of the running executable, without a closing backslash.
std::wstring FolderOfThisProgram();

// A program in the folder of the running executable (every program of the build lands there).
std::wstring ProgramBesideThis(std::wstring_view name = L"varnel.exe");

// Starts `path` with `arguments` after its quoted path on the command line and the given working
// directory (this process's own when empty), and waits for nothing. nullopt when the system
// refuses, with GetLastError() telling why.
std::optional<Program> StartProcess(std::wstring_view path, std::wstring_view workingDirectory = {},
                                    std::wstring_view arguments = {});

// Starts the program and waits for its visible main window. nullopt when either fails.
std::optional<Program> Start(std::wstring_view path, milliseconds timeout = kPatience);

// The process's exit code once it has ended, waiting at most `timeout`; nullopt while it runs.
std::optional<DWORD> WaitForExit(const Program& program, milliseconds timeout = kPatience);

// The visible top-level window of the program's process with the given class, waiting for it to
// appear (looking at least once); nullptr when none appeared in time or the process ended.
HWND FindWindowOf(const Program& program, std::wstring_view className,
                  milliseconds timeout = kPatience);

// The control that has the focus in the thread of `window`, waiting until there is one.
HWND FocusOf(HWND window, milliseconds timeout = kPatience);

// Replaces the box's text by one cross-process WM_SETTEXT (small texts only: the system drops the
// message above about a million UTF-16 units).
bool SetText(HWND box, std::wstring_view text);

// Replaces the box's text as a user's paste does: select all, clipboard, WM_PASTE. Any size.
bool PasteText(HWND box, std::wstring_view text);

// The window's text by one cross-process WM_GETTEXT (small texts only); nullopt when the message
// fails.
std::optional<std::wstring> GetText(HWND window);

// The box's text through the clipboard (select all, WM_COPY), as a user's copy does. Any size.
std::optional<std::wstring> CopyText(HWND box);

// The box's length in UTF-16 units, or -1 when the message fails.
long long TextLength(HWND box);

// Clicks the button (BM_CLICK), as the mouse would.
bool Click(HWND button);

// Polls the box until its text equals `expected` (small texts); the last text seen otherwise.
bool WaitForText(HWND box, std::wstring_view expected, milliseconds timeout,
                 std::wstring* last = nullptr);

// The number of threads the program runs: the UI thread, the system's own, and one per run going
// on. A run leaves no other trace of its end.
int ThreadCount(const Program& program);

// Waits until the program runs at most `count` threads.
bool WaitForThreadCount(const Program& program, int count, milliseconds timeout);

// Brings the window to the foreground, types Tab through the system's input queue as the keyboard
// does, and waits until the focus in the window's thread moves: how long that took, or nullopt when
// it did not move within `timeout`.
std::optional<std::chrono::steady_clock::duration> TypeTabAndTimeFocusMove(HWND window,
                                                                           milliseconds timeout);

// Closes the window (WM_CLOSE) and waits for the process to end: its exit code, or nullopt when
// it did not end in time.
std::optional<DWORD> CloseAndWait(Program& program, milliseconds timeout);

}  // namespace varnel::test
