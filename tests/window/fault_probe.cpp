// Reports the fault with code 4 through the program's own error box, for the box's test to read.
#include <windows.h>

#include "app/fault.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  varnel::ReportRuntimeError(varnel::kIndexBelowOne);
}
