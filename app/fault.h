// The one way faults are reported: a box with a fixed layout, then the end of the process.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

namespace varnel {

// Process-wide counter that stops the window's events: they are delivered only while it is 0.
// Raised around the building of the window, and for good by a fault report and by the normal end.
extern std::atomic<int> eventHold;

// The two faults raised by their code alone; their messages come from the table of coded faults.
inline constexpr int kIndexAboveCount = 1;
inline constexpr int kIndexBelowOne = 4;

// The text of the fault box (UTF-8): the heading, the code line when `code` is not 0, and the
// message line when `message` is not empty.
std::string ComposeFaultText(int code, std::string_view message);

// The message of a coded fault, or the empty text for a code that has none.
std::string_view CodedFaultMessage(int code);

// Raises eventHold for good, shows the fault on the calling thread and ends the process with -1.
[[noreturn]] void ReportRuntimeError(int code, std::string_view message);
[[noreturn]] void ReportRuntimeError(int code);

// The fault of a failed allocation: "分配 <bytes> 字节内存失败!".
[[noreturn]] void ReportAllocationFailure(std::uint64_t bytes);

// Shows the composed fault text and ends the process with exit code -1. Each program links exactly
// one way of showing it: the Windows error box (app/fault_box.cpp) or standard error
// (app/fault_stderr.cpp, for the native build and for test programs).
[[noreturn]] void PresentFault(std::string_view text);

}  // namespace varnel
