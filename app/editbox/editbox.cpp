#include "app/editbox/editbox.h"

#include <windows.h>

#include <cstddef>
#include <new>

#include "app/fault.h"
#include "app/ui_call.h"
#include "app/utf.h"

namespace varnel {

// Each operation is one call to the UI thread. Inside it the control is looked up and used at once,
// so the window cannot be destroyed between the two; the UI thread's share is kept to the window
// steps, and the conversions between UTF-8 and UTF-16 happen on the calling thread. Faults are
// reported on the calling thread after the call has returned, never from inside the UI thread's
// step, so a fault box never stops the UI thread.

std::optional<std::string> ReadContent(WindowId window, ControlId control) {
  Lookup lookup = Lookup::kNotLoaded;
  std::wstring text;
  std::size_t failedBytes = 0;
  const UiCallResult call = CallOnUiThread([&] {
    const FoundControl found = FindControl(window, control);
    lookup = found.lookup;
    if (found.lookup != Lookup::kFound) return;
    const int length = GetWindowTextLengthW(found.window);
    try {
      text.resize(static_cast<std::size_t>(length));
    } catch (const std::bad_alloc&) {
      failedBytes = (static_cast<std::size_t>(length) + 1) * sizeof(wchar_t);
      return;
    }
    // The string keeps room for a terminating NUL after its last unit, which is all that
    // GetWindowTextW writes beyond `length` units.
    const int copied = GetWindowTextW(found.window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied));
  });

  if (call == UiCallResult::kEntriesDiscarded || lookup == Lookup::kEntriesDiscarded) {
    ReportRuntimeError(0, "未载入欲访问窗口组件所在的窗口");
  }
  if (call != UiCallResult::kDone || lookup != Lookup::kFound) {
    ReportRuntimeError(0, "指定窗口尚未载入");
  }
  if (failedBytes != 0) ReportAllocationFailure(failedBytes);
  if (text.empty()) return std::nullopt;
  return WideToUtf8(text);
}

void AppendText(WindowId window, ControlId control, std::string_view utf8) {
  const std::wstring text = Utf8ToWide(utf8);
  bool appended = false;
  const UiCallResult call = CallOnUiThread([&] {
    const FoundControl found = FindControl(window, control);
    if (found.lookup != Lookup::kFound) return;
    // The end comes from the length alone: no copy of the text the box already holds.
    const int end = GetWindowTextLengthW(found.window);
    SendMessageW(found.window, EM_SETSEL, static_cast<WPARAM>(end), static_cast<LPARAM>(end));
    SendMessageW(found.window, EM_SCROLLCARET, 0, 0);
    SendMessageW(found.window, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
    appended = true;
  });

  if (call != UiCallResult::kDone || !appended) {
    ReportRuntimeError(0, "指定窗口或窗口组件不存在或尚未载入");
  }
}

}  // namespace varnel
