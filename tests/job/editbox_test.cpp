// ReadContent and AppendText called from worker threads while the UI thread runs the message loop,
// a click's whole run inside the program, and the faults of both operations once the window is
// gone. The test program loads the program's own window on its main thread, the UI thread.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/editbox/editbox.h"
#include "app/editbox/output.h"
#include "app/program_state.h"
#include "app/ui_call.h"
#include "app/startup.h"
#include "app/utf.h"
#include "app/window.h"
#include "tests/support/fault_exit.h"
#include "tests/support/text.h"
#include "tests/support/wait.h"

namespace varnel {
namespace {

using test::TextOf;
using testing::HasSubstr;
using testing::Not;

HWND Box(ControlId box) {
  return Program().controls[box - kFirstControl];
}

std::pair<DWORD, DWORD> Selection(HWND box) {
  DWORD start = 0;
  DWORD end = 0;
  SendMessageW(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return {start, end};
}

// Runs the UI thread's messages until the output queue has appended everything and painted the
// box, at most a minute.
void PumpUntilOutputIdle() {
  test::PumpUntil([] { return OutputIdle(); }, std::chrono::minutes(1));
}

// Runs `work` on a worker thread while this thread, the UI thread, runs the program's message
// loop; the worker ends the loop when it is done, and what it appended is then let through to the
// box. Returns what `work` returned.
template <typename Work>
auto OnWorker(Work work) {
  const DWORD uiThread = GetCurrentThreadId();
  decltype(work()) result{};
  std::thread worker([&] {
    result = work();
    PostThreadMessageW(uiThread, WM_QUIT, 0, 0);
  });
  RunMessageLoop();
  worker.join();
  PumpUntilOutputIdle();
  return result;
}

class EditBoxTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    Program().uiThread = GetCurrentThreadId();
    ASSERT_TRUE(LoadWindow(kMainWindow));
  }

  void SetUp() override {
    for (ControlId box : {编辑框1, 编辑框2, 编辑框3}) SetWindowTextW(Box(box), L"");
  }
};

struct ReadCase {
  const wchar_t* content;
  std::optional<std::string> read;
};

TEST_F(EditBoxTest, ReadContentGivesTheBoxTextAsUtf8) {
  const ReadCase cases[] = {
      {L"", std::nullopt},  // the empty box gives the missing text
      {L"a\r\nb\r\n", "a\r\nb\r\n"},
      {L"a\rb\nc\n\r", "a\rb\nc\n\r"},
      {L"用户😀\r\n🎉ｘ", "用户😀\r\n🎉ｘ"},
      // wrapped over many display lines, with no break in the text
      {L"a-line-far-longer-than-the-box-is-wide-a-line-far-longer-than-the-box-is-wide",
       "a-line-far-longer-than-the-box-is-wide-a-line-far-longer-than-the-box-is-wide"},
  };
  for (const ReadCase& c : cases) {
    for (ControlId box : {编辑框1, 编辑框2}) {
      SetWindowTextW(Box(box), c.content);
      EXPECT_EQ(OnWorker([box] { return ReadContent(kMainWindow, box); }), c.read)
          << "box " << std::hex << box;
    }
  }
}

TEST_F(EditBoxTest, AppendsFollowOneAnother) {
  HWND output = Box(编辑框3);
  OnWorker([] {
    AppendText(kMainWindow, 编辑框3, "a\r\n");
    AppendText(kMainWindow, 编辑框3, "b");
    return 0;
  });
  EXPECT_EQ(TextOf(output), L"a\r\nb");

  // The empty text changes nothing but the caret, which goes to the end.
  SendMessageW(output, EM_SETSEL, 0, 0);
  OnWorker([] {
    AppendText(kMainWindow, 编辑框3, "");
    return 0;
  });
  EXPECT_EQ(TextOf(output), L"a\r\nb");
  EXPECT_EQ(Selection(output), std::make_pair(DWORD{4}, DWORD{4}));
}

TEST_F(EditBoxTest, AppendLandsAtTheEndWhateverTheSelection) {
  const std::pair<int, int> selections[] = {{0, 0}, {0, 2}, {1, 3}, {0, -1}, {3, 3}};
  HWND output = Box(编辑框3);
  for (const auto& [start, end] : selections) {
    SetWindowTextW(output, L"abc");
    SendMessageW(output, EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(end));
    OnWorker([] {
      AppendText(kMainWindow, 编辑框3, "Z");
      return 0;
    });
    EXPECT_EQ(TextOf(output), L"abcZ") << "selection " << start << ", " << end;
    EXPECT_EQ(Selection(output), std::make_pair(DWORD{4}, DWORD{4}));
  }
}

TEST_F(EditBoxTest, AppendCannotBeUndone) {
  HWND output = Box(编辑框3);
  SendMessageW(output, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"typed"));
  ASSERT_TRUE(SendMessageW(output, EM_CANUNDO, 0, 0));  // the user's edit could be undone
  OnWorker([] {
    AppendText(kMainWindow, 编辑框3, "+out");
    return 0;
  });
  EXPECT_FALSE(SendMessageW(output, EM_CANUNDO, 0, 0));
  SendMessageW(output, EM_UNDO, 0, 0);
  EXPECT_EQ(TextOf(output), L"typed+out");
}

TEST_F(EditBoxTest, CharactersOutsideTheCodePageSurviveTheRoundTrip) {
  const std::string text = "用户😀\r\n🎉\r\n𠀀ｘ";
  OnWorker([&text] {
    AppendText(kMainWindow, 编辑框3, text);
    return 0;
  });
  const std::optional<std::string> read =
      OnWorker([] { return ReadContent(kMainWindow, 编辑框3); });
  EXPECT_EQ(TextOf(Box(编辑框3)), L"用户😀\r\n🎉\r\n𠀀ｘ");
  EXPECT_EQ(read, text);
}

// A box's units and the core's bytes for them. A valid pair is the four bytes of its code point,
// as always; a surrogate without its partner, which a paste can bring into a box, is the three
// bytes of its value, so that no two texts share a form.
struct TextForm {
  const wchar_t* units;
  const char* bytes;
};

TEST_F(EditBoxTest, SurrogatesKeepTheirUnitsBothWays) {
  const TextForm forms[] = {
      {L"\xD83D\xDE00", "\xF0\x9F\x98\x80"},
      {L"\xD800x", "\xED\xA0\x80x"},
      {L"\xDC00x", "\xED\xB0\x80x"},
      {L"y\xDBFF", "y\xED\xAF\xBF"},
      {L"\xDC00\xD800", "\xED\xB0\x80\xED\xA0\x80"},          // low before high: no pair
      {L"\xD800\r\n\xDC00", "\xED\xA0\x80\r\n\xED\xB0\x80"},  // a line end between: no pair
      {L"\xDBFF\xDBFF\xDFFF", "\xED\xAF\xBF\xF4\x8F\xBF\xBF"},
  };
  for (const TextForm& form : forms) {
    SCOPED_TRACE(form.bytes);
    SetWindowTextW(Box(编辑框1), form.units);
    SetWindowTextW(Box(编辑框3), L"");
    const std::optional<std::string> read = OnWorker([&form] {
      AppendText(kMainWindow, 编辑框3, form.bytes);
      return ReadContent(kMainWindow, 编辑框1);
    });
    EXPECT_EQ(read, form.bytes);
    EXPECT_TRUE(TextOf(Box(编辑框3)) == form.units);
  }
}

// Every unit sequence comes back unchanged, and valid UTF-16 gives exactly what the system's UTF-8
// conversion gives, both ways.
TEST(TextConversionTest, EveryUnitComesBackAndValidTextIsPlainUtf8) {
  std::wstring every;  // ascending, every high surrogate but the last stands alone
  for (unsigned unit = 1; unit <= 0xFFFF; ++unit) every += static_cast<wchar_t>(unit);
  const std::wstring reversed(every.rbegin(), every.rend());  // every surrogate stands alone
  EXPECT_TRUE(Utf8ToWide(WideToUtf8(every)) == every);
  EXPECT_TRUE(Utf8ToWide(WideToUtf8(reversed)) == reversed);

  std::wstring valid;
  for (unsigned unit = 1; unit <= 0xFFFF; ++unit)
    if (unit < 0xD800 || unit > 0xDFFF) valid += static_cast<wchar_t>(unit);
  for (unsigned high = 0xD800; high <= 0xDBFF; high += 0x1F) {
    for (unsigned low : {0xDC00u, 0xDC01u, 0xDE00u, 0xDFFFu})
      valid.append({static_cast<wchar_t>(high), static_cast<wchar_t>(low)});
  }
  valid.append({L'\xDBFF', L'\xDFFF'});
  const int units = static_cast<int>(valid.size());
  std::string system(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, valid.data(), units,
                                                                  nullptr, 0, nullptr, nullptr)),
                     '\0');
  WideCharToMultiByte(CP_UTF8, 0, valid.data(), units, system.data(),
                      static_cast<int>(system.size()), nullptr, nullptr);
  EXPECT_TRUE(WideToUtf8(valid) == system);
  EXPECT_TRUE(Utf8ToWide(system) == valid);
}

// The window procedure of 编辑框3 while a test watches it: records the replacements and ends the
// message loop once the box holds `awaitedLength` units.
WNDPROC originalOutputProc = nullptr;
std::vector<std::wstring> replacements;
int awaitedLength = 0;

LRESULT CALLBACK WatchOutput(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == EM_REPLACESEL) replacements.emplace_back(reinterpret_cast<const wchar_t*>(lParam));
  const LRESULT result = CallWindowProcW(originalOutputProc, box, message, wParam, lParam);
  if (message == EM_REPLACESEL && GetWindowTextLengthW(box) >= awaitedLength) PostQuitMessage(0);
  return result;
}

// Clicks 按钮1 and runs the message loop until 编辑框3 holds `length` units, at most a minute.
// Returns the texts of the replacements the run made in 编辑框3.
std::vector<std::wstring> ClickAndWaitForOutput(int length) {
  HWND output = Box(编辑框3);
  replacements.clear();
  awaitedLength = length;
  originalOutputProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(output, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WatchOutput)));
  const UINT_PTR timer =
      SetTimer(nullptr, 0, 60000, [](HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(0); });
  SendMessageW(Box(按钮1), BM_CLICK, 0, 0);
  RunMessageLoop();
  KillTimer(nullptr, timer);
  SetWindowLongPtrW(output, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(originalOutputProc));
  return replacements;
}

// A click on a long list: the output arrives whole and in order, in several steps rather than at
// the end, and each step ends where a piece ends: after a line's CR LF, or with the last line.
TEST_F(EditBoxTest, ClickAppendsTheRunsOutputInStepsOfWholePieces) {
  std::wstring source;
  std::wstring removal;
  std::wstring expected;
  constexpr int kLines = 30000;
  for (int i = 0; i < kLines; ++i) {
    const std::wstring line = std::to_wstring(13900000000LL + 37LL * i);
    source += line + (i + 1 < kLines ? L"\r\n" : L"");
    if (i % 3 == 1) {
      removal += line + L"\r\n";
    } else {
      expected += line + (i + 1 < kLines ? L"\r\n" : L"");
    }
  }
  SetWindowTextW(Box(编辑框1), source.c_str());
  SetWindowTextW(Box(编辑框2), removal.c_str());
  SetWindowTextW(Box(编辑框3), L"before\r\n");
  const std::vector<std::wstring> steps =
      ClickAndWaitForOutput(static_cast<int>(8 + expected.size()));
  EXPECT_EQ(TextOf(Box(编辑框3)), L"before\r\n" + expected);
  ASSERT_GE(steps.size(), 2u);
  for (std::size_t i = 0; i + 1 < steps.size(); ++i)
    EXPECT_TRUE(steps[i].ends_with(L"\r\n")) << "step " << i << " ends inside a line";
}

// A piece reaches the box while its worker goes on without output, as a run does through a long
// stretch of removed lines: the worker waits up to ten seconds for the box to show it.
TEST_F(EditBoxTest, PieceReachesTheBoxWhileItsWorkerGoesOn) {
  using Clock = std::chrono::steady_clock;
  std::atomic<bool> shown{false};
  std::thread worker([&shown] {
    AppendText(kMainWindow, 编辑框3, "kept\r\n");
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(10);
    while (!shown && Clock::now() < deadline) Sleep(1);
  });
  const Clock::time_point start = Clock::now();
  const Clock::time_point deadline = start + std::chrono::seconds(10);
  while (TextOf(Box(编辑框3)) != L"kept\r\n" && Clock::now() < deadline) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
  const Clock::duration waited = Clock::now() - start;
  shown = true;
  worker.join();
  PumpUntilOutputIdle();
  EXPECT_EQ(TextOf(Box(编辑框3)), L"kept\r\n");
  EXPECT_LT(waited, std::chrono::seconds(2)) << "the piece waited for its worker";
}

// A run whose only piece is the empty text still appends it: the caret goes to the end.
TEST_F(EditBoxTest, ClickWithOnlyAnEmptyLineMovesTheCaretToTheEnd) {
  SetWindowTextW(Box(编辑框1), L"\r\n");
  SetWindowTextW(Box(编辑框3), L"xyz");
  SendMessageW(Box(编辑框3), EM_SETSEL, 0, 1);
  EXPECT_EQ(ClickAndWaitForOutput(3), std::vector<std::wstring>{L""});
  EXPECT_EQ(TextOf(Box(编辑框3)), L"xyz");
  EXPECT_EQ(Selection(Box(编辑框3)), std::make_pair(DWORD{3}, DWORD{3}));
}

// After the window is closed, and again after the normal end has discarded the window entries,
// each operation ends in its fault, on the worker that called it. Everything happens inside the
// death test's own process.
enum class Moment { kWindowClosed, kProgramEnded };

void ReachMoment(Moment moment) {
  Program().uiThread = GetCurrentThreadId();
  if (!LoadWindow(kMainWindow)) std::abort();
  DestroyWindow(Program().mainWindow.load());
  if (moment == Moment::kProgramEnded) EndProgram();
}

struct FaultCase {
  Moment moment;
  bool append;
  const char* message;
};

// The call message runs its work only with this process's token: the same message number sent
// with another token, as another process could, is ignored and its lParam never touched.
TEST_F(EditBoxTest, CallMessageWithoutTheTokenRunsNothing) {
  HWND window = Program().mainWindow.load();
  bool ran = false;
  auto work = [&ran] { ran = true; };
  UiCall call{[](void* context) { (*static_cast<decltype(work)*>(context))(); }, &work};
  const WPARAM wrong = static_cast<WPARAM>(Program().callToken ^ 1);
  EXPECT_EQ(SendMessageW(window, kUiCallMessage, wrong, reinterpret_cast<LPARAM>(&call)), 0);
  EXPECT_FALSE(ran);
  EXPECT_FALSE(call.done);

  EXPECT_EQ(OnWorker([&] { return CallOnUiThread(work); }), UiCallResult::kDone);
  EXPECT_TRUE(ran);
}

TEST(EditBoxDeathTest, OperationsAfterTheWindowIsGoneEndInTheirFault) {
  const FaultCase cases[] = {
      {Moment::kWindowClosed, false, "指定窗口尚未载入"},
      {Moment::kWindowClosed, true, "指定窗口或窗口组件不存在或尚未载入"},
      {Moment::kProgramEnded, false, "未载入欲访问窗口组件所在的窗口"},
      {Moment::kProgramEnded, true, "指定窗口或窗口组件不存在或尚未载入"},
  };
  for (const FaultCase& c : cases) {
    EXPECT_EXIT(
        {
          ReachMoment(c.moment);
          std::thread([&c] {
            if (c.append) {
              AppendText(kMainWindow, 编辑框3, "x");
            } else {
              ReadContent(kMainWindow, 编辑框1);
            }
          }).join();
          std::_Exit(0);
        },
        testing::ExitedWithCode(test::kFaultExitCode),
        testing::AllOf(HasSubstr(std::string("错误信息：") + c.message),
                       Not(HasSubstr("错误代码"))))
        << c.message;
  }
}

}  // namespace
}  // namespace varnel
