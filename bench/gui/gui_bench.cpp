// The whole program under its window system. For n lines in each list, and for one run and for
// four overlapping runs (four clicks), it measures:
// - the time from the first click on 开始 to the last line in the output box;
// - the floor: the time that an equal edit box takes to receive one run's whole output in one
//   replacement;
// - how long real keystrokes wait while the runs work: a Tab typed every 50 ms during the first
//   20 seconds, timed until the focus moves (in a second pass of the same runs, since typing
//   slows the runs down).
// Then, during four runs, it closes the window and times the end of the process. It also reports
// the program's peak working set after one run, against the UTF-16 text its boxes then hold.
//
// Usage: varnel_gui_bench [path-to-varnel.exe] [repetitions] [n...]
// An empty path stands for the varnel.exe beside the driver. Run and floor figures are medians of
// the repetitions (1 unless given), key waits are pooled over them; n is 100,000 and 1,000,000
// unless given.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "tests/support/remote_program.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
namespace remote = varnel::test;

constexpr milliseconds kKeyEvery(50);
constexpr milliseconds kKeyPatience(30000);
// Typing stops after this long: on large lists every focus change repaints a large box, and the
// runs would crawl.
constexpr std::chrono::seconds kTypingFor(20);

struct Lists {
  std::wstring source;
  std::wstring removal;
  std::vector<std::wstring> kept;  // the lines one run appends, each followed by CR LF
  std::wstring output;             // what one run appends
};

std::wstring Number(std::mt19937_64& random) {
  std::wstring number = L"1";
  for (int digit = 0; digit < 10; ++digit) number += static_cast<wchar_t>(L'0' + random() % 10);
  return number;
}

using remote::Join;

// n distinct 11-digit numbers, and n to remove: half taken from the source, the source's last line
// among them (so that every piece of the output ends with CR LF and overlapping runs can only mix
// whole lines), half new.
Lists MakeLists(std::size_t n, std::uint64_t seed) {
  std::mt19937_64 random(seed);
  std::unordered_set<std::wstring> seen;
  std::vector<std::wstring> source;
  while (source.size() < n) {
    std::wstring number = Number(random);
    if (seen.insert(number).second) source.push_back(std::move(number));
  }
  std::vector<std::wstring> removal(source.begin(), source.end() - 1);
  std::shuffle(removal.begin(), removal.end(), random);
  removal.resize(n / 2 - 1);
  removal.push_back(source.back());
  const std::unordered_set<std::wstring> removed(removal.begin(), removal.end());
  while (removal.size() < n) {
    std::wstring number = Number(random);
    if (seen.insert(number).second) removal.push_back(std::move(number));
  }
  std::shuffle(removal.begin(), removal.end(), random);

  Lists lists{Join(source), Join(removal), {}, {}};
  for (const std::wstring& line : source) {
    if (removed.count(line)) continue;
    lists.kept.push_back(line);
    lists.output += line + L"\r\n";
  }
  return lists;
}

double Seconds(Clock::duration duration) {
  return std::chrono::duration<double>(duration).count();
}

double Milliseconds(Clock::duration duration) {
  return std::chrono::duration<double, std::milli>(duration).count();
}

double Median(std::vector<double> values) {
  if (values.empty()) return -1;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// True when `text` is `runs` copies of the kept lines mixed line by line, each copy in its order.
bool IsInterleaving(const std::wstring& text, const std::vector<std::wstring>& kept, int runs) {
  std::unordered_map<std::wstring, std::size_t> position;
  for (std::size_t i = 0; i < kept.size(); ++i) position.emplace(kept[i], i);
  std::vector<std::size_t> next(static_cast<std::size_t>(runs), 0);  // per copy: its next line
  std::size_t start = 0;
  for (std::size_t end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2) {
    const auto found = position.find(text.substr(start, end - start));
    if (found == position.end()) return false;
    // The line belongs to the first copy that is waiting for it.
    const auto copy = std::find(next.begin(), next.end(), found->second);
    if (copy == next.end()) return false;
    ++*copy;
  }
  return start == text.size() &&
         std::all_of(next.begin(), next.end(), [&](std::size_t n) { return n == kept.size(); });
}

struct RunFigures {
  double seconds = -1;
  std::vector<double> keyWaits;  // milliseconds
};

// Clicks `runs` times into an emptied output box and, when `typing`, types Tab every 50 ms until
// the box holds every run's output; then checks the box's text.
RunFigures TimeRuns(remote::Program& varnel, const Lists& lists, int runs, bool typing) {
  RunFigures figures;
  HWND output = varnel.Control(remote::kOutputBox);
  if (!remote::SetText(output, L"")) return figures;
  const long long expected = static_cast<long long>(runs * lists.output.size());

  const Clock::time_point click = Clock::now();
  for (int run = 0; run < runs; ++run) remote::Click(varnel.Control(remote::kStartButton));
  const Clock::time_point deadline = click + std::chrono::minutes(30);
  Clock::time_point nextKey = click;
  long long length = 0;
  while ((length = remote::TextLength(output)) != expected) {
    if (length < 0 || length > expected || Clock::now() > deadline) {
      std::fprintf(stderr, "output box holds %lld units, expected %lld\n", length, expected);
      return figures;
    }
    if (typing && Clock::now() >= nextKey && Clock::now() - click < kTypingFor) {
      nextKey = Clock::now() + kKeyEvery;
      const auto wait = remote::TypeTabAndTimeFocusMove(varnel.window, kKeyPatience);
      if (!wait) {
        std::fprintf(stderr, "a typed Tab did not move the focus\n");
        return figures;
      }
      figures.keyWaits.push_back(Milliseconds(*wait));
    }
    // Each look at the box is a message its UI thread must answer: not too often.
    Sleep(typing ? 1 : 10);
  }
  const Clock::duration taken = Clock::now() - click;

  const std::optional<std::wstring> text = remote::CopyText(output);
  if (!text || !IsInterleaving(*text, lists.kept, runs)) {
    std::fprintf(stderr, "the output box does not hold the expected output\n");
    return figures;
  }
  figures.seconds = Seconds(taken);
  return figures;
}

// During four runs, closes the window once output has begun to arrive: the seconds until the
// process has ended, and its exit code.
std::pair<double, long long> TimeClose(remote::Program& varnel) {
  HWND output = varnel.Control(remote::kOutputBox);
  if (!remote::SetText(output, L"")) return {-1, -1};
  for (int run = 0; run < 4; ++run) remote::Click(varnel.Control(remote::kStartButton));
  const Clock::time_point deadline = Clock::now() + std::chrono::minutes(5);
  while (remote::TextLength(output) == 0 && Clock::now() < deadline) Sleep(1);
  const Clock::time_point close = Clock::now();
  PostMessageW(varnel.window, WM_CLOSE, 0, 0);
  const std::optional<DWORD> exitCode = remote::WaitForExit(varnel, milliseconds(120000));
  if (!exitCode) return {-1, -1};
  return {Seconds(Clock::now() - close), static_cast<long long>(static_cast<int>(*exitCode))};
}

void PumpMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

// One EM_REPLACESEL of one run's whole output into an edit box like 编辑框3, in a window like the
// program's: the same class, styles, size, font and length limit.
double TimeFloor(const Lists& lists) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = L"VarnelBenchFloor";
  RegisterClassW(&windowClass);
  HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"floor",
                                WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, 50, 50,
                                383, 302, nullptr, nullptr, instance, nullptr);
  HWND box =
      CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                      WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | ES_MULTILINE |
                          ES_AUTOVSCROLL | ES_WANTRETURN,
                      264, 8, 104, 184, window, reinterpret_cast<HMENU>(120), instance, nullptr);
  SendMessageW(box, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  SendMessageW(box, EM_LIMITTEXT, 0, 0);
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  PumpMessages();

  const Clock::time_point start = Clock::now();
  SendMessageW(box, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(lists.output.c_str()));
  const Clock::duration taken = Clock::now() - start;

  const bool whole = GetWindowTextLengthW(box) == static_cast<int>(lists.output.size());
  PumpMessages();
  DestroyWindow(window);
  PumpMessages();
  return whole ? Seconds(taken) : -1;
}

// The most memory the process has held in its working set so far, in MiB; negative when unknown.
double PeakWorkingSetMiB(const remote::Program& varnel) {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(varnel.process.get(), &counters, sizeof counters)) return -1;
  return static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

// A fresh copy of the program with both lists pasted in, as a user pastes them.
std::optional<remote::Program> StartWithLists(const std::wstring& program, const Lists& lists) {
  std::optional<remote::Program> varnel = remote::Start(program);
  if (!varnel) {
    std::fprintf(stderr, "the program did not start\n");
    return std::nullopt;
  }
  if (!remote::PasteText(varnel->Control(remote::kSourceBox), lists.source) ||
      !remote::PasteText(varnel->Control(remote::kRemovalBox), lists.removal)) {
    std::fprintf(stderr, "pasting the lists failed\n");
    return std::nullopt;
  }
  return varnel;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring program =
      argc > 1 && argv[1][0] != L'\0' ? std::wstring(argv[1]) : remote::ProgramBesideThis();
  const int repetitions = argc > 2 ? std::max(1, _wtoi(argv[2])) : 1;
  std::vector<std::size_t> sizes;
  for (int i = 3; i < argc; ++i) sizes.push_back(static_cast<std::size_t>(_wtoi(argv[i])));
  if (sizes.empty()) sizes = {100000, 1000000};
  int status = 0;
  for (const std::size_t n : sizes) {
    const Lists lists = MakeLists(n, 20240611 + n);
    std::vector<double> floors;
    for (int repetition = 0; repetition < repetitions; ++repetition) {
      floors.push_back(TimeFloor(lists));
      std::printf("n=%zu floor_seconds=%.3f\n", n, floors.back());
      std::fflush(stdout);
    }
    const double floor = Median(floors);

    // Each repetition pastes the lists into a fresh copy once and runs every case there; the box
    // of the output is emptied before each.
    std::vector<double> runs[2];
    std::vector<double> keyWaits[2];
    std::pair<double, long long> close{-1, -1};
    std::string peakLine;
    for (int repetition = 0; repetition < repetitions && status == 0; ++repetition) {
      std::optional<remote::Program> varnel = StartWithLists(program, lists);
      if (!varnel) {
        status = 1;
        break;
      }
      // The time to the last line is taken while nobody types: each focus change repaints the box
      // it enters and leaves, which takes the UI thread's time as the box grows. The keys' waits
      // are taken in a second pass of the same runs.
      for (const int k : {1, 4}) {
        const RunFigures quiet = TimeRuns(*varnel, lists, k, false);
        if (k == 1) {
          // After one run the boxes hold both lists and one run's output: the program's peak so far
          // against their UTF-16 text.
          const double text = 2.0 *
                              static_cast<double>(lists.source.size() + lists.removal.size() +
                                                  lists.output.size()) /
                              (1024.0 * 1024.0);
          const double peak = PeakWorkingSetMiB(*varnel);
          peakLine = "gui n=" + std::to_string(n) +
                     " peak_working_set_mib=" + std::to_string(static_cast<long long>(peak + 0.5)) +
                     " box_text_mib=" + std::to_string(static_cast<long long>(text + 0.5)) +
                     " peak_ratio=" + std::to_string(peak / text).substr(0, 4);
        }
        const RunFigures typed = TimeRuns(*varnel, lists, k, true);
        std::printf(
            "n=%zu runs=%d repetition=%d run_seconds=%.3f typed_run_seconds=%.3f keys=%zu\n", n, k,
            repetition + 1, quiet.seconds, typed.seconds, typed.keyWaits.size());
        std::fflush(stdout);
        if (quiet.seconds < 0 || typed.seconds < 0) status = 1;
        runs[k == 4].push_back(quiet.seconds);
        keyWaits[k == 4].insert(keyWaits[k == 4].end(), typed.keyWaits.begin(),
                                typed.keyWaits.end());
      }
      close = TimeClose(*varnel);
      if (close.first < 0 || close.second != 0) status = 1;
    }
    if (status != 0 && runs[0].empty()) break;
    for (const int k : {1, 4}) {
      const std::vector<double>& waits = keyWaits[k == 4];
      const double run = Median(runs[k == 4]);
      std::printf(
          "gui n=%zu runs=%d run_seconds=%.3f floor_seconds=%.3f ratio=%.2f key_wait_max_ms=%.0f "
          "key_wait_median_ms=%.0f\n",
          n, k, run, floor, run / floor,
          waits.empty() ? -1.0 : *std::max_element(waits.begin(), waits.end()), Median(waits));
    }
    std::printf("gui n=%zu close_seconds=%.3f exit_code=%lld\n", n, close.first, close.second);
    if (!peakLine.empty()) std::printf("%s\n", peakLine.c_str());
    std::fflush(stdout);
  }
  return status;
}
