// Fault presentation on Windows: an error box owned by no window, then the end of the process.
#include <windows.h>

#include <array>

#include "app/fault.h"
#include "app/utf.h"

namespace varnel {

void PresentFault(std::string_view text) {
  // No byte of the text gives more than one unit; one more for the terminating NUL.
  std::array<wchar_t, kFaultTextCapacity + 1> wide{};
  const std::size_t units =
      Utf8ToWide(text.substr(0, kFaultTextCapacity), std::span(wide).first(kFaultTextCapacity));
  wide[units] = L'\0';
  MessageBoxW(nullptr, wide.data(), L"错误", MB_ICONERROR | MB_OK);
  ExitProcess(static_cast<UINT>(-1));
}

}  // namespace varnel
