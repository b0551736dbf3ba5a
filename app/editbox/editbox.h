// The two operations through which a run reaches the edit boxes: reading a box's whole text and
// appending text at its end. Both are called from worker threads. A read carries its window steps
// over to the UI thread as one call and waits for it; an append only hands its text over.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "app/program_state.h"

namespace varnel {

// The most output that waits for the UI thread before AppendText waits for room.
inline constexpr std::size_t kMostOutputWaiting = 4 * 1024 * 1024;

// A private copy of the box's whole text in the core's byte form (UTF-8, with a lone surrogate as
// the three bytes of its value: app/utf.h); the missing text (nullopt) for an empty box.
// Faults: "未载入欲访问窗口组件所在的窗口" once the window entries are discarded,
// "指定窗口尚未载入" while the window or the box is not loaded.
std::optional<std::string> ReadContent(WindowId window, ControlId control);

// The box's whole text as its UTF-16 units, for a caller that converts them itself (ReadContent
// converts them to UTF-8); empty for an empty box. Same faults as ReadContent.
std::wstring ReadContentUnits(WindowId window, ControlId control);

// Hands `utf8`, one or more whole pieces of output, to the UI thread, which puts it at the end of
// the box, whatever the user's selection or caret, scrolls the end into view and leaves nothing to
// undo (app/editbox/output.h). Returns without waiting for the UI thread, unless more than
// kMostOutputWaiting bytes of output already wait: then it waits, off the UI thread, for room.
// Pieces from one thread arrive in their order; pieces of several threads mix only whole.
// The output box 编辑框3 is the only box that takes appends.
// Fault: "指定窗口或窗口组件不存在或尚未载入" when the window or the box is missing or not loaded.
void AppendText(WindowId window, ControlId control, std::string_view utf8);

}  // namespace varnel
