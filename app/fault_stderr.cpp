// Fault presentation for programs without a window system: the box's text goes to standard error.
#include <cstdio>
#include <cstdlib>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "app/fault.h"

namespace varnel {

void PresentFault(std::string_view text) {
#ifdef _WIN32
  // Byte for byte: in text mode each CR LF of the fault text would come out as CR CR LF.
  _setmode(_fileno(stderr), _O_BINARY);
#endif
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
  // _Exit: no static destructors run under threads that may still be working.
  std::_Exit(-1);
}

}  // namespace varnel
