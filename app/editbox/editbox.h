// The two operations through which a run reaches the edit boxes: reading a box's whole text and
// appending text at its end. Both are called from worker threads; each carries its window steps
// over to the UI thread as one call and waits for it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "app/program_state.h"

namespace varnel {

// A private copy of the box's whole text, as UTF-8; the missing text (nullopt) for an empty box.
// Faults: "未载入欲访问窗口组件所在的窗口" once the window entries are discarded,
// "指定窗口尚未载入" while the window or the box is not loaded.
std::optional<std::string> ReadContent(WindowId window, ControlId control);

// Puts `utf8` at the end of the box, whatever the user's selection or caret, scrolls the end into
// view and leaves nothing to undo. The end is found and the text inserted in one step of the UI
// thread, so no typing and no other append can come between them.
// Fault: "指定窗口或窗口组件不存在或尚未载入" when the window or the box is missing or not loaded.
void AppendText(WindowId window, ControlId control, std::string_view utf8);

}  // namespace varnel
