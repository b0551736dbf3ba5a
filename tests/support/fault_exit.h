// What a test sees of a reported fault: the exit code of the process and the text it wrote.
#pragma once

#include <string>
#include <string_view>

namespace varnel::test {

// The process ends with exit code -1: 0xFFFFFFFF on Windows, 255 where only 8 bits are kept.
#ifdef _WIN32
inline constexpr int kFaultExitCode = -1;
#else
inline constexpr int kFaultExitCode = 255;
#endif

// The fault text as a death test reads it back from the dying process's standard error. The
// process writes it byte for byte; GoogleTest on Windows reads the captured stream in text mode,
// which turns each CR LF into LF.
inline std::string AsReadBack(std::string_view text) {
#ifdef _WIN32
  std::string read;
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (!(text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n')) read += text[at];
  }
  return read;
#else
  return std::string(text);
#endif
}

}  // namespace varnel::test
