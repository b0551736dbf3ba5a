// Shows faults through the program's own error box, for the box's tests to read.
//   (no argument)         reports the fault with code 4;
//   load-fails            runs the program's start-up with the main window's class already taken
//                         by one whose windows refuse to be created, so that loading the window
//                         fails;
//   worker-heap-runs-out  runs the program's own start-up, window and start command on a heap that
//                         has run out for every thread but this one, the UI thread: a run's worker
//                         meets the allocation fault at its first allocation;
//   fault-inside-report   reports the fault with code 4 while a timer, which the box's own message
//                         loop runs, reports another fault on the same thread two seconds later.
#include <windows.h>

#include <cstring>

#include "app/fault.h"
#include "app/startup.h"
#include "app/window.h"
#include "tests/support/failing_heap.h"

namespace {

LRESULT CALLBACK RefuseCreation(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) return FALSE;
  return DefWindowProcW(window, message, wParam, lParam);
}

int RunTheProgram() {
  const int exitCode = varnel::StartUp();
  varnel::EndProgram();
  return exitCode;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  if (std::strcmp(commandLine, "worker-heap-runs-out") == 0) {
    varnel::test::FailEveryAllocationButOnThisThread();
    return RunTheProgram();
  }
  if (std::strcmp(commandLine, "fault-inside-report") == 0) {
    SetTimer(nullptr, 0, 2000, [](HWND, UINT, UINT_PTR, DWORD) {
      varnel::ReportRuntimeError(varnel::kIndexAboveCount);
    });
  }
  if (std::strcmp(commandLine, "load-fails") != 0)
    varnel::ReportRuntimeError(varnel::kIndexBelowOne);
  WNDCLASSEXW refusing{};
  refusing.cbSize = sizeof(refusing);
  refusing.lpfnWndProc = RefuseCreation;
  refusing.hInstance = instance;
  refusing.lpszClassName = varnel::kMainWindowClass;
  if (RegisterClassExW(&refusing) == 0) return 2;
  return RunTheProgram();
}
