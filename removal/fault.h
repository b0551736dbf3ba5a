// What the line-removal core needs from the program's fault report: the core's fault codes and the
// two reports it makes. The core only declares them. The report itself (app/fault.cpp) and the way
// it is shown come with the program that links the core: each program links exactly one way of
// showing a fault, the error box or standard error.
#pragma once

#include <cstdint>

namespace varnel {

// The two faults raised by their code alone; the report takes their messages from its table.
inline constexpr int kIndexAboveCount = 1;
inline constexpr int kIndexBelowOne = 4;

// Shows the coded fault and ends the process with exit code -1.
[[noreturn]] void ReportRuntimeError(int code);

// Shows the fault of a failed allocation of `bytes` bytes and ends the process with exit code -1.
[[noreturn]] void ReportAllocationFailure(std::uint64_t bytes);

}  // namespace varnel
