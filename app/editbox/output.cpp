#include "app/editbox/output.h"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

#include "app/program_state.h"
#include "app/utf.h"

namespace varnel {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// How the steps are paced. Measured under Wine with the box's own styles and size:
// - An append costs about 2 microseconds per UTF-16 unit inserted (each new line is broken and
//   its glyphs analysed), plus a part that grows with the lines the box already holds: the
//   messages of an append walk the control's list of lines from the first some 15 times. At
//   1,000,000 lines an append of 100 lines took 60 to 70 ms, of which EM_SCROLLCARET, 3 to 4
//   walks, took 10 to 17 ms.
// - A repaint walks that list again for every visible line: 2 ms with an empty box, 20 ms at
//   100,000 lines, 100 ms at 300,000 and 300 ms at 1,000,000.
// So each step is sized from a cost fitted to the steps before it: a fixed part, which holds the
// walks, and a part per byte. A step adds text for kInsertTarget or, once the fixed part grows,
// for kInsertPerFixed times as long as that part takes, so that at least two thirds of every step
// insert text: on a large box steps grow longer, and the box keeps its pace.
// Steps alternate between a little more and a little less than that, so that the fit can tell
// the two parts apart. The box is not repainted after every step: appends run with its redrawing
// off, and a repaint is a step of its own, at most every kPaintGapPerCost times its last cost, so
// that painting takes a small share of the time however large the box has grown.
constexpr double kInsertTarget = 40;  // milliseconds
constexpr double kInsertPerFixed = 2;
constexpr double kMostInsert = 250;  // milliseconds
constexpr double kForget = 0.95;     // the weight of each older step in the fit, per step
constexpr double kVary = 0.25;       // how much larger or smaller than the aim a step is
constexpr std::size_t kFirstBudget = 16 * 1024;
constexpr std::size_t kLeastBudget = 1024;
constexpr std::size_t kMostBudget = 4 * 1024 * 1024;
constexpr Clock::duration kLeastPaintGap = milliseconds(50);
constexpr int kPaintGapPerCost = 12;

double Milliseconds(Clock::duration duration) {
  return std::chrono::duration<double, std::milli>(duration).count();
}

using CostFit = OutputQueue::Steps::CostFit;

void AddToFit(CostFit& fit, double bytes, double ms) {
  fit = {kForget * fit.weight + 1, kForget * fit.bytes + bytes,
         kForget * fit.bytes2 + bytes * bytes, kForget * fit.ms + ms,
         kForget * fit.bytesMs + bytes * ms};
}

// The bytes that the next step appends.
std::size_t Budget(OutputQueue::Steps& steps) {
  const CostFit& fit = steps.cost;
  if (fit.bytes <= 0) return kFirstBudget;
  const double meanBytes = fit.bytes / fit.weight;
  const double meanMs = fit.ms / fit.weight;
  const double spread = fit.bytes2 / fit.weight - meanBytes * meanBytes;
  double perByte = meanMs / meanBytes;  // all of it, until the sizes have varied enough
  if (spread > 0.01 * meanBytes * meanBytes) {
    const double slope = (fit.bytesMs / fit.weight - meanBytes * meanMs) / spread;
    if (slope > 0 && slope < perByte) perByte = slope;
  }
  const double fixed = meanMs - perByte * meanBytes;
  const double insert = std::clamp(kInsertPerFixed * fixed, kInsertTarget, kMostInsert);
  steps.larger = !steps.larger;
  const double vary = steps.larger ? 1 + kVary : 1 - kVary;
  return static_cast<std::size_t>(
      std::clamp(vary * insert / perByte, double{kLeastBudget}, double{kMostBudget}));
}

// The bytes of `text` up to the end of the last whole piece that fits into `budget`, or of the
// first whole piece when none fits. Every piece but a run's last ends with CR LF, and no line holds
// CR LF, so an end of a piece is an end of CR LF (or the end of everything waiting).
std::size_t PieceCut(std::string_view text, std::size_t budget) {
  if (text.size() <= budget) return text.size();
  if (budget >= 2) {
    if (const std::size_t at = text.rfind("\r\n", budget - 2); at != std::string_view::npos)
      return at + 2;
  }
  const std::size_t at = text.find("\r\n", budget > 0 ? budget - 1 : 0);
  return at == std::string_view::npos ? text.size() : at + 2;
}

// The next whole pieces of the run whose turn it is, at most about `budget` bytes, taken out of
// the queue; the runs take turns step by step, so overlapping runs all make progress. False when
// no run has output waiting: the next piece then wakes the UI thread again.
struct Taken {
  std::string text;
  bool any = false;
};

Taken TakeNext(OutputQueue& queue, std::size_t budget) {
  Taken taken;
  {
    const std::lock_guard lock(queue.mutex);
    if (queue.runs.empty()) {
      queue.wakePosted = false;
      return taken;
    }
    const std::size_t at = queue.nextRun % queue.runs.size();
    OutputQueue::RunOutput& run = queue.runs[at];
    const std::string_view rest = std::string_view(run.text).substr(run.done);
    taken.text.assign(rest.substr(0, PieceCut(rest, budget)));
    taken.any = true;
    run.done += taken.text.size();
    if (run.done == run.text.size()) {
      queue.runs.erase(queue.runs.begin() + static_cast<std::ptrdiff_t>(at));
      queue.nextRun = at;
    } else {
      if (run.done > run.text.size() / 2) {  // the appended front goes, now and then
        run.text.erase(0, run.done);
        run.done = 0;
      }
      queue.nextRun = at + 1;
    }
  }
  queue.roomMade.notify_all();
  return taken;
}

void Repaint(HWND box, OutputQueue::Steps& steps) {
  const Clock::time_point start = Clock::now();
  InvalidateRect(box, nullptr, TRUE);
  UpdateWindow(box);
  steps.lastPaint = Clock::now();
  steps.paintCost = steps.lastPaint - start;
  steps.boxStale = false;
}

bool PaintDue(const OutputQueue::Steps& steps, Clock::time_point now) {
  return steps.boxStale &&
         now - steps.lastPaint >= std::max(kLeastPaintGap, kPaintGapPerCost * steps.paintCost);
}

// Appends `text` at the end of the box, whatever the user's selection, scrolls the end into view
// and leaves nothing to undo. Redrawing is off meanwhile: the box is repainted by a step of its
// own. Returns how long the box took.
Clock::duration Append(HWND box, const std::wstring& text) {
  const Clock::time_point start = Clock::now();
  SendMessageW(box, WM_SETREDRAW, FALSE, 0);
  const int end = GetWindowTextLengthW(box);
  DWORD selectionStart = 0;
  DWORD selectionEnd = 0;
  SendMessageW(box, EM_GETSEL, reinterpret_cast<WPARAM>(&selectionStart),
               reinterpret_cast<LPARAM>(&selectionEnd));
  // Selecting again what is already selected changes nothing, and costs walks of the lines.
  if (selectionStart != static_cast<DWORD>(end) || selectionEnd != static_cast<DWORD>(end))
    SendMessageW(box, EM_SETSEL, static_cast<WPARAM>(end), static_cast<LPARAM>(end));
  SendMessageW(box, EM_SCROLLCARET, 0, 0);
  SendMessageW(box, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
  SendMessageW(box, WM_SETREDRAW, TRUE, 0);
  ValidateRect(box, nullptr);  // whatever the append invalidated waits for the paced repaint
  return Clock::now() - start;
}

}  // namespace

void OpenOutput() {
  OutputQueue& queue = Program().output;
  const std::lock_guard lock(queue.mutex);
  queue.open = true;
}

void CloseOutput() {
  OutputQueue& queue = Program().output;
  {
    const std::lock_guard lock(queue.mutex);
    queue.open = false;
    queue.runs.clear();
    queue.wakePosted = false;
    queue.steps = {};
  }
  queue.roomMade.notify_all();
}

void OnOutputWake(HWND window) {
  OutputQueue::Steps& steps = Program().output.steps;
  if (steps.timerRunning) return;
  steps.timerRunning = SetTimer(window, kOutputTimer, USER_TIMER_MINIMUM, nullptr) != 0;
}

void OnOutputTimer(HWND window) {
  OutputQueue& queue = Program().output;
  OutputQueue::Steps& steps = queue.steps;
  const FoundControl box = FindControl(kMainWindow, 编辑框3);
  if (box.lookup != Lookup::kFound) return;

  if (PaintDue(steps, Clock::now())) {
    Repaint(box.window, steps);
    return;
  }
  const Taken taken = TakeNext(queue, Budget(steps));
  if (!taken.any) {
    if (steps.boxStale) {
      Repaint(box.window, steps);  // the last one: the box shows everything
      return;
    }
    KillTimer(window, kOutputTimer);
    steps.timerRunning = false;
    return;
  }
  const Clock::duration took = Append(box.window, Utf8ToWide(taken.text));
  steps.boxStale = true;
  // An empty append tells nothing of the cost of text.
  if (!taken.text.empty())
    AddToFit(steps.cost, static_cast<double>(taken.text.size()), Milliseconds(took));
}

bool OutputIdle() {
  OutputQueue& queue = Program().output;
  const std::lock_guard lock(queue.mutex);
  return queue.runs.empty() && !queue.wakePosted && !queue.steps.boxStale;
}

}  // namespace varnel
