// Fault presentation for programs without a window system: the box's text goes to standard error.
#include <cstdio>
#include <cstdlib>

#include "app/fault.h"

namespace varnel {

void PresentFault(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
  // _Exit: no static destructors run under threads that may still be working.
  std::_Exit(-1);
}

}  // namespace varnel
