// Shows faults through the program's own error box, for the box's tests to read.
//   (no argument)  reports the fault with code 4;
//   load-fails     runs the program's start-up with the main window's class already taken by one
//                  whose windows refuse to be created, so that loading the window fails.
#include <windows.h>

#include <cstring>

#include "app/fault.h"
#include "app/startup.h"
#include "app/window.h"

namespace {

LRESULT CALLBACK RefuseCreation(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) return FALSE;
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  if (std::strcmp(commandLine, "load-fails") != 0)
    varnel::ReportRuntimeError(varnel::kIndexBelowOne);
  WNDCLASSEXW refusing{};
  refusing.cbSize = sizeof(refusing);
  refusing.lpfnWndProc = RefuseCreation;
  refusing.hInstance = instance;
  refusing.lpszClassName = varnel::kMainWindowClass;
  if (RegisterClassExW(&refusing) == 0) return 2;
  return varnel::StartUp();
}
