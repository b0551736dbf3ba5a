// Fault presentation on Windows: an error box owned by no window, then the end of the process.
#include <windows.h>

#include "app/fault.h"
#include "app/utf.h"

namespace varnel {

void PresentFault(std::string_view text) {
  const std::wstring wide = Utf8ToWide(text);
  MessageBoxW(nullptr, wide.c_str(), L"错误", MB_ICONERROR | MB_OK);
  ExitProcess(static_cast<UINT>(-1));
}

}  // namespace varnel
