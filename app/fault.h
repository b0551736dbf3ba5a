// The one way faults are reported: a box with a fixed layout, then the end of the process.
//
// The report takes nothing from the heap: a fault may be the heap's exhaustion itself. The text
// and its UTF-16 form live in fixed buffers on the reporting thread's stack, sized for the longest
// text the program composes.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <string_view>

#include "removal/fault.h"  // the core's fault codes and its two reports, defined in fault.cpp

namespace varnel {

// Process-wide counter that stops the window's events: they are delivered only while it is 0.
// Raised around the building of the window, and for good by a fault report and by the normal end.
extern std::atomic<int> eventHold;

// The most bytes of a message that a fault text shows. The program's longest message is 51 bytes
// ("指定窗口或窗口组件不存在或尚未载入"); the allocation message is at most 47. A longer message
// is cut after its last whole character that fits.
inline constexpr std::size_t kFaultMessageCapacity = 128;

// The most bytes of a fault text: the heading, the longest code line and the longest message line.
inline constexpr std::size_t kFaultTextCapacity = 256;

// A composed fault text (UTF-8) in a buffer of its own.
struct FaultText {
  std::array<char, kFaultTextCapacity> bytes{};
  std::size_t size = 0;

  std::string_view View() const { return {bytes.data(), size}; }
};

// The text of the fault box: the heading, the code line when `code` is not 0, and the message line
// when `message` is not empty.
FaultText ComposeFaultText(int code, std::string_view message);

// The message of a coded fault, or the empty text for a code that has none.
std::string_view CodedFaultMessage(int code);

// Raises eventHold for good, shows the fault on the calling thread and ends the process with -1.
// Several threads may report at once, each with its own box; a fault that a thread meets while it
// is already reporting one (from inside its box's message loop) ends the process with -1 at once.
// The core's two reports (removal/fault.h) go the same way: ReportRuntimeError(code) with the
// code's message from the table, ReportAllocationFailure with "分配 <bytes> 字节内存失败!".
[[noreturn]] void ReportRuntimeError(int code, std::string_view message);

// Shows the composed fault text and ends the process with exit code -1, taking nothing from the
// heap. Each program links exactly one way of showing it: the Windows error box
// (app/fault_box.cpp) or standard error (app/fault_stderr.cpp, for the native build and for test
// programs).
[[noreturn]] void PresentFault(std::string_view text);

}  // namespace varnel
