#include "app/start_command.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>

#include "app/editbox/editbox.h"
#include "app/fault.h"
#include "app/program_state.h"
#include "removal/line_list.h"
#include "removal/removal_run.h"

namespace varnel {
namespace {

using Clock = std::chrono::steady_clock;

struct HandleCloser {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

// Starts `procedure` on a new thread with default security and stack, running at once. The
// handle is null when the thread could not be made.
UniqueHandle StartThread(LPTHREAD_START_ROUTINE procedure, std::uint32_t argument) {
  DWORD id = 0;
  void* const parameter = reinterpret_cast<void*>(static_cast<std::uintptr_t>(argument));
  return UniqueHandle(CreateThread(nullptr, 0, procedure, parameter, 0, &id));
}

// When gathered output goes to the box. Under Wine a replacement in an edit box costs about
// 2 microseconds per character it inserts, plus a part that grows with the text the box already
// holds (its repainting included: some 10 ms per append once it holds 50,000 lines), so one append
// per line grows quadratic. A run therefore appends in few steps: the first after a few
// milliseconds or some tens of kilobytes, and each later one once the run has gathered an eighth
// of what it appended before, or has waited as long as the last append took. The number of
// appends then grows with the logarithm of the output, while no single append holds the UI thread
// (and the user's typing) for long; very large replacements also cost more per character than
// these medium ones. Both conditions are checked as each piece arrives.
constexpr Clock::duration kFirstWait = std::chrono::milliseconds(5);
constexpr std::size_t kFirstBatchBytes = 32 * 1024;
constexpr std::size_t kBatchShareOfAppended = 8;

// The output of one run on its way to 编辑框3. The run hands over one piece per remaining line;
// they are joined here and appended together, in their order, so the box ends holding exactly the
// joined pieces while lines still appear as the run goes on.
struct GatheredOutput {
  std::string text;
  bool waiting = false;  // pieces (perhaps only the empty text) wait for the next append
  Clock::time_point waitingSince;
  std::size_t appendedBytes = 0;
  Clock::duration lastAppend{};

  void Add(std::string_view piece) {
    if (!waiting) {
      waiting = true;
      waitingSince = Clock::now();
    }
    try {
      text.append(piece);
    } catch (const std::bad_alloc&) {
      ReportAllocationFailure(text.size() + piece.size());
    }
    if (text.size() >= std::max(kFirstBatchBytes, appendedBytes / kBatchShareOfAppended) ||
        Clock::now() - waitingSince >= std::max(kFirstWait, lastAppend)) {
      Flush();
    }
  }

  // Appends what waits; the empty text too, which still puts the caret at the end.
  void Flush() {
    if (!waiting) return;
    const Clock::time_point start = Clock::now();
    AppendText(kMainWindow, 编辑框3, text);
    lastAppend = Clock::now() - start;
    appendedBytes += text.size();
    text.clear();
    waiting = false;
  }
};

// The lines of one box; its text is released as soon as it is cut.
LineList ReadLines(ControlId box) {
  const std::optional<std::string> text = ReadContent(kMainWindow, box);
  return SplitLines(text ? std::string_view(*text) : std::string_view());
}

// One removal run: 编辑框1 less the lines of 编辑框2, appended to 编辑框3. The argument is not
// used.
DWORD WINAPI RemovalWorker(void* /*argument*/) {
  const LineList source = ReadLines(编辑框1);
  const LineList removal = ReadLines(编辑框2);
  GatheredOutput output;
  RunRemoval(source, removal, TextSink{[&output](std::string_view piece) { output.Add(piece); }});
  output.Flush();
  return 0;
}

}  // namespace

void OnStartClicked() {
  // The handle is closed at once: nothing waits for the run, and the run ends by itself.
  StartThread(&RemovalWorker, 0);
}

}  // namespace varnel
