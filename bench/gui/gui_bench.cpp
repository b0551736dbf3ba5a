// The whole program under its window system: for n lines in each list, the time from the click on
// 开始 to the last line in the output box, beside the time that an equal edit box takes to receive
// the same whole output in one replacement (the floor that the window system sets).
//
// Usage: varnel_gui_bench [path-to-varnel.exe] [repetitions] [n...]
// An empty path stands for the varnel.exe beside the driver. Each figure is the median of the
// repetitions (3 unless given); n is 10,000 and 100,000 unless given.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <unordered_set>
#include <vector>

#include "tests/support/remote_program.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
namespace remote = varnel::remote;

struct Lists {
  std::wstring source;
  std::wstring removal;
  std::wstring output;  // what the run appends
};

std::wstring Number(std::mt19937_64& random) {
  std::wstring number = L"1";
  for (int digit = 0; digit < 10; ++digit) number += static_cast<wchar_t>(L'0' + random() % 10);
  return number;
}

std::wstring Join(const std::vector<std::wstring>& lines) {
  std::wstring text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += L"\r\n";
    text += lines[i];
  }
  return text;
}

// n distinct 11-digit numbers, and n to remove: half taken from the source, half new.
Lists MakeLists(std::size_t n, std::uint64_t seed) {
  std::mt19937_64 random(seed);
  std::unordered_set<std::wstring> seen;
  std::vector<std::wstring> source;
  while (source.size() < n) {
    std::wstring number = Number(random);
    if (seen.insert(number).second) source.push_back(std::move(number));
  }
  std::vector<std::wstring> removal(source);
  std::shuffle(removal.begin(), removal.end(), random);
  removal.resize(n / 2);
  std::unordered_set<std::wstring> removed(removal.begin(), removal.end());
  while (removal.size() < n) {
    std::wstring number = Number(random);
    if (seen.insert(number).second) removal.push_back(std::move(number));
  }
  std::shuffle(removal.begin(), removal.end(), random);

  Lists lists{Join(source), Join(removal), {}};
  for (std::size_t i = 0; i < source.size(); ++i) {
    if (removed.count(source[i])) continue;
    lists.output += source[i];
    if (i + 1 < source.size()) lists.output += L"\r\n";
  }
  return lists;
}

double Seconds(Clock::duration duration) {
  return std::chrono::duration<double>(duration).count();
}

void PumpMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

// Click to last line, in a fresh copy of the program; a negative time when anything failed.
double TimeRun(const std::wstring& program, const Lists& lists) {
  std::optional<remote::Program> varnel = remote::Start(program);
  if (!varnel) {
    std::fprintf(stderr, "the program did not start\n");
    return -1;
  }
  if (!remote::PasteText(varnel->Control(remote::kSourceBox), lists.source) ||
      !remote::PasteText(varnel->Control(remote::kRemovalBox), lists.removal)) {
    std::fprintf(stderr, "pasting the lists failed\n");
    return -1;
  }
  HWND output = varnel->Control(remote::kOutputBox);
  const long long expected = static_cast<long long>(lists.output.size());

  const Clock::time_point click = Clock::now();
  remote::Click(varnel->Control(remote::kStartButton));
  const Clock::time_point deadline = click + std::chrono::minutes(5);
  long long length = 0;
  while ((length = remote::TextLength(output)) != expected) {
    if (length < 0 || length > expected || Clock::now() > deadline) {
      std::fprintf(stderr, "output box holds %lld units, expected %lld\n", length, expected);
      return -1;
    }
    Sleep(1);
  }
  const Clock::duration taken = Clock::now() - click;

  const std::optional<std::wstring> text = remote::CopyText(output);
  if (!text || *text != lists.output) {
    std::fprintf(stderr, "the output box does not hold the expected output\n");
    return -1;
  }
  const std::optional<DWORD> exitCode = remote::CloseAndWait(*varnel, milliseconds(20000));
  if (exitCode != 0u) std::fprintf(stderr, "the program did not end with exit code 0\n");
  return Seconds(taken);
}

// One EM_REPLACESEL of the whole output into an edit box like 编辑框3, in a window like the
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

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring program =
      argc > 1 && argv[1][0] != L'\0' ? std::wstring(argv[1]) : remote::ProgramBesideThis();
  const int repetitions = argc > 2 ? std::max(1, _wtoi(argv[2])) : 3;
  std::vector<std::size_t> sizes;
  for (int i = 3; i < argc; ++i) sizes.push_back(static_cast<std::size_t>(_wtoi(argv[i])));
  if (sizes.empty()) sizes = {10000, 100000};
  int status = 0;
  for (const std::size_t n : sizes) {
    const Lists lists = MakeLists(n, 20240611 + n);
    std::vector<double> runs;
    std::vector<double> floors;
    for (int repetition = 0; repetition < repetitions; ++repetition) {
      runs.push_back(TimeRun(program, lists));
      floors.push_back(TimeFloor(lists));
      std::printf("n=%zu repetition=%d run_seconds=%.3f floor_seconds=%.3f\n", n, repetition + 1,
                  runs.back(), floors.back());
      std::fflush(stdout);
      if (runs.back() < 0 || floors.back() < 0) status = 1;
    }
    if (status != 0) break;
    const double run = Median(runs);
    const double floor = Median(floors);
    std::printf("gui n=%zu run_seconds=%.3f floor_seconds=%.3f ratio=%.2f\n", n, run, floor,
                run / floor);
    std::fflush(stdout);
  }
  return status;
}
