// What a test sees of a reported fault: the exit code of the process.
#pragma once

namespace varnel::testing_support {

// The process ends with exit code -1: 0xFFFFFFFF on Windows, 255 where only 8 bits are kept.
#ifdef _WIN32
inline constexpr int kFaultExitCode = -1;
#else
inline constexpr int kFaultExitCode = 255;
#endif

}  // namespace varnel::testing_support
