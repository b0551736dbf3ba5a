#include "app/startup.h"

#include <windows.h>

#include <string>

#include "app/accessible_names.h"
#include "app/fault.h"
#include "app/focus.h"
#include "app/program_state.h"
#include "app/resize.h"
#include "app/window.h"

namespace varnel {
namespace {

// The part of the path before its last backslash; empty when it holds none. UTF-16 has no
// double-byte characters, so a trail byte can never pass for a backslash.
std::wstring DirectoryOf(const std::wstring& path) {
  const std::size_t slash = path.rfind(L'\\');
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

}  // namespace

std::wstring ExecutablePath(std::size_t firstSize) {
  constexpr std::size_t kLongestPath = 32768;  // the most any Windows path can hold, NUL included
  std::wstring path;
  for (std::size_t size = firstSize < 1 ? 1 : firstSize; size <= 2 * kLongestPath; size *= 2) {
    ResizeOrReport(path, size);
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(size));
    if (length == 0) return {};
    if (length < size) {  // it fitted, with its NUL; a full buffer means the path was cut
      path.resize(length);
      return path;
    }
  }
  return {};
}

int StartUp() {
  ProgramState& program = Program();
  program.programDirectory = DirectoryOf(ExecutablePath());
  SetCurrentDirectoryW(program.programDirectory.c_str());  // a failure changes nothing: ignored
  program.uiThread = GetCurrentThreadId();
  const ComApartment com;  // for the controls' names for screen readers, while the window lives
  if (!LoadWindow(kMainWindow)) ReportRuntimeError(0, "载入启动窗口失败");
  RunMessageLoop();
  return 0;
}

void RunMessageLoop() {
  const ProgramState& program = Program();
  HWND window = program.mainWindow.load();
  if (program.mainWindowEntry.load() != EntryState::kLoaded || !IsWindow(window)) return;
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (FilterKey(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void EndProgram() {
  ProgramState& program = Program();
  ++eventHold;  // for good
  program.mainWindowEntry.store(EntryState::kDiscarded);
  program.largeIcon.reset();
  program.smallIcon.reset();
}

}  // namespace varnel
