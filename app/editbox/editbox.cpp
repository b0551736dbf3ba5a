#include "app/editbox/editbox.h"

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <new>
#include <utility>

#include "app/editbox/output.h"
#include "app/fault.h"
#include "app/resize.h"
#include "app/ui_call.h"
#include "app/utf.h"

namespace varnel {

// A read takes two calls to the UI thread: the box's length, and then its text, copied into a
// buffer that the calling thread has made in between. Inside each call the control is looked up
// and used at once, so the window cannot be destroyed between the two. Fresh memory is slow to
// touch (on some machines a quarter of a second for a box of a million lines), so the buffer is
// made and touched off the UI thread, whose share of a read is the copy alone; the conversion from
// UTF-16 happens on the calling thread too. An append goes through the output queue of the program
// state, whose UI side (app/editbox/output.cpp) does the window steps. Faults are reported on the
// calling thread, never from inside a step of the UI thread, so a fault box never stops the UI
// thread.

namespace {

// Runs `work` on the UI thread with the live control, and reports the read's faults when the
// window or the control is not there.
template <typename Work>
void WithLiveControl(WindowId window, ControlId control, Work work) {
  Lookup lookup = Lookup::kNotLoaded;
  const UiCallResult call = CallOnUiThread([&] {
    const FoundControl found = FindControl(window, control);
    lookup = found.lookup;
    if (found.lookup == Lookup::kFound) work(found.window);
  });
  if (call == UiCallResult::kEntriesDiscarded || lookup == Lookup::kEntriesDiscarded) {
    ReportRuntimeError(0, "未载入欲访问窗口组件所在的窗口");
  }
  if (call != UiCallResult::kDone || lookup != Lookup::kFound) {
    ReportRuntimeError(0, "指定窗口尚未载入");
  }
}

}  // namespace

std::wstring ReadContentUnits(WindowId window, ControlId control) {
  int length = 0;
  WithLiveControl(window, control, [&length](HWND box) { length = GetWindowTextLengthW(box); });
  std::wstring text;  // zero-filled as it grows: every page is touched here
  if (length == 0) return text;
  if (!TryResize(text, static_cast<std::uint64_t>(length)))
    ReportAllocationFailure(BytesOf<wchar_t>(static_cast<std::uint64_t>(length) + 1));
  // The string keeps room for a terminating NUL after its last unit, which is all that
  // GetWindowTextW writes beyond `length` units. What the user adds meanwhile is left out.
  int copied = 0;
  WithLiveControl(window, control,
                  [&](HWND box) { copied = GetWindowTextW(box, text.data(), length + 1); });
  text.resize(static_cast<std::size_t>(copied));
  return text;
}

std::optional<std::string> ReadContent(WindowId window, ControlId control) {
  const std::wstring text = ReadContentUnits(window, control);
  if (text.empty()) return std::nullopt;
  return WideToUtf8(text);
}

void AppendText(WindowId window, ControlId control, std::string_view utf8) {
  ProgramState& program = Program();
  OutputQueue& queue = program.output;
  bool open = false;
  bool wake = false;
  std::size_t failedBytes = 0;
  {
    std::unique_lock lock(queue.mutex);
    const DWORD thread = GetCurrentThreadId();
    auto mine = [&queue, thread] {
      return std::find_if(
          queue.runs.begin(), queue.runs.end(),
          [thread](const OutputQueue::RunOutput& run) { return run.thread == thread; });
    };
    queue.roomMade.wait(lock, [&] {
      const auto run = mine();
      return !queue.open || run == queue.runs.end() ||
             run->text.size() - run->done < kMostOutputWaiting;
    });
    open = queue.open && window == kMainWindow && control == 编辑框3;
    if (open) {
      try {
        auto run = mine();
        if (run == queue.runs.end()) {
          run = queue.runs.emplace(run);
          run->thread = thread;
        }
        run->text.append(utf8);
      } catch (const std::bad_alloc&) {
        failedBytes = utf8.size();
      }
      wake = !std::exchange(queue.wakePosted, true);
    }
  }
  if (!open) ReportRuntimeError(0, "指定窗口或窗口组件不存在或尚未载入");
  if (failedBytes != 0) ReportAllocationFailure(failedBytes);
  // Posted, never sent: the UI thread takes it up after the input that waits.
  if (wake) {
    HWND target = program.mainWindow.load();
    if (target == nullptr || !PostMessageW(target, kOutputWakeMessage, 0, 0))
      ReportRuntimeError(0, "指定窗口或窗口组件不存在或尚未载入");
  }
}

}  // namespace varnel
