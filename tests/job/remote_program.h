// Driving a running varnel.exe from another process, as a user would: start it, find its window
// and boxes, put text in, click, read text out, close it. Used by the end-to-end tests and by the
// benchmark. Every wait has a timeout.
#pragma once

#include <windows.h>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace varnel::remote {

using std::chrono::milliseconds;

// Child IDs of the window's controls.
inline constexpr int kSourceBox = 100;    // 编辑框1
inline constexpr int kRemovalBox = 110;   // 编辑框2
inline constexpr int kOutputBox = 120;    // 编辑框3
inline constexpr int kStartButton = 140;  // 按钮1

// A started copy of the program. Ending the object ends a process still running.
struct Program {
  PROCESS_INFORMATION process{};
  HWND window = nullptr;

  Program() = default;
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;
  Program(Program&& other) noexcept;
  Program& operator=(Program&&) = delete;
  ~Program();

  HWND Control(int childId) const;
};

// varnel.exe in the directory of the running executable (every program of the build lands there).
std::wstring ProgramBesideThis(std::wstring_view name = L"varnel.exe");

// Starts the program and waits for its main window ("Varnel"). nullopt when either fails.
std::optional<Program> Start(const std::wstring& path, milliseconds timeout = milliseconds(20000));

// Replaces the box's text by one cross-process WM_SETTEXT (small texts only: the system drops the
// message above about a million UTF-16 units).
bool SetText(HWND box, std::wstring_view text);

// Replaces the box's text as a user's paste does: select all, clipboard, WM_PASTE. Any size.
bool PasteText(HWND box, std::wstring_view text);

// The box's text by one cross-process WM_GETTEXT (small texts only); nullopt when the message
// fails.
std::optional<std::wstring> GetText(HWND box);

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

// Closes the window (WM_CLOSE) and waits for the process to end: its exit code, or nullopt when
// it did not end in time.
std::optional<DWORD> CloseAndWait(Program& program, milliseconds timeout);

}  // namespace varnel::remote
