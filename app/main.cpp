// The program's entry: the C run-time library is ready; this thread becomes the UI thread.
#include <windows.h>

#include "app/startup.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const int exitCode = varnel::StartUp();
  varnel::EndProgram();
  return exitCode;
}
