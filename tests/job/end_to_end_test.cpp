// varnel.exe as a user drives it: texts into the left and middle boxes, a click on 开始, and the
// remaining lines read from the right box; then the window closed while runs are still working.
#include <windows.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/remote_program.h"

namespace varnel::test {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kRunTimeout(30000);
constexpr milliseconds kExitTimeout(5000);
constexpr milliseconds kSettle(5000);  // from a run's end to its last line in the box

std::optional<Program> StartVarnel() {
  return Start(ProgramBesideThis());
}

// `count` distinct 11-digit numbers.
std::vector<std::wstring> Numbers(int count, int first) {
  std::vector<std::wstring> lines;
  for (int i = 0; i < count; ++i) lines.push_back(std::to_wstring(13000000000LL + first + i * 7LL));
  return lines;
}

std::vector<std::wstring> SplitAtCrLf(const std::wstring& text) {
  std::vector<std::wstring> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

std::string Narrow(const std::wstring& text) {
  std::string narrow;
  for (wchar_t unit : text) {
    if (unit == L'\r')
      narrow += "<CR>";
    else if (unit == L'\n')
      narrow += "<LF>";
    else if (unit < 0x80)
      narrow += static_cast<char>(unit);
    else
      narrow.append("<").append(std::to_string(static_cast<unsigned>(unit))).append(">");
  }
  return narrow;
}

// The button and the label as the form builds them: nothing in the window marks a run.
void ExpectButtonAndLabelAsBuilt(const Program& varnel) {
  HWND button = varnel.Control(kStartButton);
  EXPECT_TRUE(IsWindowEnabled(button));
  EXPECT_EQ(GetText(button), L"开始");
  EXPECT_EQ(GetText(varnel.Control(kLabel)),
            L"原始文本             需剔除文本            余下文本");
}

// Waits until the box holds `length` units.
bool WaitForLength(HWND box, long long length) {
  const auto deadline = std::chrono::steady_clock::now() + kRunTimeout;
  while (TextLength(box) != length) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    Sleep(5);
  }
  return true;
}

struct RemovalCase {
  const wchar_t* source;
  const wchar_t* removal;
  const wchar_t* output;
};

// Runs one after another in one window, each started once the one before has ended (its thread
// is gone). The right box is never cleared, so each run's output must follow the last one's
// exactly; a run that appends nothing is checked too, by the next comparison.
TEST(EndToEnd, OutputOfEachRunFollowsTheLast) {
  const RemovalCase cases[] = {
      {L"a\r\nb\r\nc", L"c", L"a\r\nb\r\n"},
      {L"a\r\nb\r\nc", L"a", L"b\r\nc"},
      {L"a\r\nb\r\nc", L"", L"a\r\nb\r\nc"},
      {L"a\r\nb\r\n", L"", L"a\r\nb"},
      {L"", L"a", L""},
      {L"a\r\nb", L"a\r\nb", L""},
      {L"a\r\n\r\nb", L"", L"a\r\n\r\nb"},
      {L"a\r\n\r\nb", L"x\r\n\r\ny", L"a\r\nb"},
      {L"a\r\n\r\n", L"", L"a\r\n"},
      {L"a\r\na\r\nb", L"a", L"b"},
      {L"a\r\nb", L"a\r\na\r\na", L"b"},
      {L"a", L"a ", L"a"},
      {L"", L"", L""},
      // Case, spaces and full-width forms count; a lone CR or LF belongs to its line.
      {L"Ab\r\n\xFF41\r\n a\r\nq", L"ab\r\na\r\na\r\nq", L"Ab\r\n\xFF41\r\n a\r\n"},
      {L"a\rb\r\na\nb\r\nab", L"a\rb\r\nab", L"a\nb\r\n"},
      // Characters outside code page 936 neither remove nor are removed by a different such line.
      {L"用户😀\r\n用户🎉\r\n用户", L"用户🎉", L"用户😀\r\n用户"},
      {L"用户🎉\r\n用户😀", L"用户😀\r\n用户", L"用户🎉\r\n"},
      {L"😀\r\n🎉", L"🎊", L"😀\r\n🎉"},
      // A surrogate without its partner, as a paste can bring in, is a unit like any other: only
      // an equal line removes it, and it comes back unit for unit.
      {L"\xD800x\r\n\xDBFFy", L"\xDC00x", L"\xD800x\r\n\xDBFFy"},
      {L"\xD800x\r\nk\r\n\xDC00\xD800", L"\xD800x", L"k\r\n\xDC00\xD800"},
      {L"a\xDC00\r\n\xD83D\xDE00\r\n\xD83D", L"\xD83D", L"a\xDC00\r\n\xD83D\xDE00\r\n"},
  };
  std::optional<Program> varnel = StartVarnel();
  ASSERT_TRUE(varnel) << "varnel.exe did not start";
  HWND output = varnel->Control(kOutputBox);
  std::wstring expected;
  for (const RemovalCase& c : cases) {
    SCOPED_TRACE(Narrow(c.source) + " less " + Narrow(c.removal));
    const int threads = ThreadCount(*varnel);
    ASSERT_TRUE(SetText(varnel->Control(kSourceBox), c.source));
    ASSERT_TRUE(SetText(varnel->Control(kRemovalBox), c.removal));
    ASSERT_TRUE(Click(varnel->Control(kStartButton)));
    ASSERT_TRUE(WaitForThreadCount(*varnel, threads, kRunTimeout))
        << "the run did not end: " << ThreadCount(*varnel) << " threads, " << threads << " before";
    // The run's thread has handed everything over; the box shows it a step later.
    expected += c.output;
    std::wstring last;
    if (!WaitForText(output, expected, kSettle, &last)) {
      ADD_FAILURE() << "expected " << Narrow(expected) << "\n     got " << Narrow(last);
      expected = last;  // the next cases are judged on their own output
    }
  }
  EXPECT_EQ(CloseAndWait(*varnel, kExitTimeout), 0u);
}

// Two runs in a row append after what the user typed, wherever the user left the caret; the last
// line of the first run and the first of the second stand on one line.
TEST(EndToEnd, RunsAppendAfterTypedText) {
  std::optional<Program> varnel = StartVarnel();
  ASSERT_TRUE(varnel);
  HWND output = varnel->Control(kOutputBox);
  for (wchar_t key : std::wstring(L"typed")) PostMessageW(output, WM_CHAR, key, 1);
  ASSERT_TRUE(WaitForText(output, L"typed", kRunTimeout));
  SendMessageW(output, EM_SETSEL, 0, 2);  // "ty" selected, as with the mouse

  ASSERT_TRUE(SetText(varnel->Control(kSourceBox), L"a\r\nb\r\n"));
  ASSERT_TRUE(Click(varnel->Control(kStartButton)));
  ASSERT_TRUE(WaitForText(output, L"typeda\r\nb", kRunTimeout));
  ASSERT_TRUE(Click(varnel->Control(kStartButton)));
  std::wstring last;
  EXPECT_TRUE(WaitForText(output, L"typeda\r\nba\r\nb", kRunTimeout, &last)) << Narrow(last);
  EXPECT_EQ(CloseAndWait(*varnel, kExitTimeout), 0u);
}

// Two clicks in a row on a longer list: both runs complete, each of their pieces lands whole, and
// each run's lines stay in their order. The list's last line is removed, so every output line ends
// with CR LF and the two outputs can only mix at line boundaries.
TEST(EndToEnd, OverlappingRunsBothComplete) {
  const std::vector<std::wstring> source = Numbers(40000, 0);
  std::vector<std::wstring> removal;
  std::vector<std::wstring> kept;
  for (std::size_t i = 0; i < source.size(); ++i) {
    (i % 3 == 0 || i + 1 == source.size() ? removal : kept).push_back(source[i]);
  }
  std::optional<Program> varnel = StartVarnel();
  ASSERT_TRUE(varnel);
  ASSERT_TRUE(PasteText(varnel->Control(kSourceBox), Join(source)));
  ASSERT_TRUE(PasteText(varnel->Control(kRemovalBox), Join(removal)));
  ASSERT_TRUE(Click(varnel->Control(kStartButton)));
  ASSERT_TRUE(Click(varnel->Control(kStartButton)));

  const std::wstring one = Join(kept) + L"\r\n";
  HWND output = varnel->Control(kOutputBox);
  ExpectButtonAndLabelAsBuilt(*varnel);
  ASSERT_LT(TextLength(output), static_cast<long long>(2 * one.size()))
      << "both runs had ended before the button and the label were looked at";
  const auto deadline = std::chrono::steady_clock::now() + kRunTimeout;
  long long length = 0;
  while ((length = TextLength(output)) < static_cast<long long>(2 * one.size()) &&
         std::chrono::steady_clock::now() < deadline) {
    Sleep(10);
  }
  ASSERT_EQ(length, static_cast<long long>(2 * one.size()));
  const std::optional<std::wstring> text = CopyText(output);
  ASSERT_TRUE(text);

  // An interleaving of two copies of a list of distinct lines: the first copies of each line
  // stand in the list's order, and so do the second copies.
  std::map<std::wstring, int> seen;
  std::vector<std::wstring> firsts;
  std::vector<std::wstring> seconds;
  for (std::wstring& line : SplitAtCrLf(*text)) {
    const int occurrence = ++seen[line];
    ASSERT_LE(occurrence, 2) << Narrow(line);
    (occurrence == 1 ? firsts : seconds).push_back(std::move(line));
  }
  EXPECT_EQ(firsts, kept);
  EXPECT_EQ(seconds, kept);
  // The runs take turns: the second run's first line is in the box before the first run's last,
  // which a box that took whole runs one after the other would not show. The box begins with the
  // first copy of the first line, so the one after a CR LF is the second copy.
  const std::size_t firstLine = text->find(L"\r\n" + kept.front() + L"\r\n");
  const std::wstring firstsLast = L"\r\n" + kept.back() + L"\r\n";
  EXPECT_LT(firstLine, text->find(firstsLast)) << "the runs' output did not mix";
  ExpectButtonAndLabelAsBuilt(*varnel);
  EXPECT_EQ(CloseAndWait(*varnel, kExitTimeout), 0u);
}

// A run reads 编辑框1 and then 编辑框2, each once, before its first output: once output has
// appeared, emptying either box changes nothing of that run's output.
TEST(EndToEnd, EditingABoxTheRunHasReadLeavesItsOutputAlone) {
  const std::vector<std::wstring> source = Numbers(50000, 5);
  std::vector<std::wstring> removal;
  std::vector<std::wstring> kept;
  for (std::size_t i = 0; i < source.size(); ++i)
    (i % 4 == 0 ? removal : kept).push_back(source[i]);
  const std::wstring expected = Join(kept);
  std::optional<Program> varnel = StartVarnel();
  ASSERT_TRUE(varnel);
  HWND output = varnel->Control(kOutputBox);
  for (const int edited : {kRemovalBox, kSourceBox}) {
    SCOPED_TRACE(edited == kRemovalBox ? "编辑框2 emptied" : "编辑框1 emptied");
    for (const int box : {kSourceBox, kRemovalBox}) {
      if (TextLength(varnel->Control(box)) == 0) {
        ASSERT_TRUE(PasteText(varnel->Control(box), Join(box == kSourceBox ? source : removal)));
      }
    }
    ASSERT_TRUE(SetText(output, L""));
    const int threads = ThreadCount(*varnel);
    ASSERT_TRUE(Click(varnel->Control(kStartButton)));
    const auto deadline = std::chrono::steady_clock::now() + kRunTimeout;
    while (TextLength(output) == 0 && std::chrono::steady_clock::now() < deadline) Sleep(1);
    ASSERT_TRUE(SetText(varnel->Control(edited), L""));
    ASSERT_LT(TextLength(output), static_cast<long long>(expected.size()))
        << "the run had ended before the box was edited";

    ASSERT_TRUE(WaitForThreadCount(*varnel, threads, kRunTimeout)) << "the run did not end";
    ASSERT_TRUE(WaitForLength(output, static_cast<long long>(expected.size())));
    const std::optional<std::wstring> text = CopyText(output);
    ASSERT_TRUE(text);
    EXPECT_EQ(text->size(), expected.size());
    EXPECT_TRUE(*text == expected);
  }
  EXPECT_EQ(CloseAndWait(*varnel, kExitTimeout), 0u);
}

// A copy of varnel.exe with `source` in the left box and `removal` in the middle one, pasted.
std::optional<Program> StartWithLists(const std::wstring& source, const std::wstring& removal) {
  std::optional<Program> varnel = StartVarnel();
  if (!varnel || !PasteText(varnel->Control(kSourceBox), source)) return std::nullopt;
  if (!removal.empty() && !PasteText(varnel->Control(kRemovalBox), removal)) return std::nullopt;
  return varnel;
}

// Waits until the box holds some text: the runs have begun to append.
bool WaitForOutput(HWND box) {
  const auto deadline = std::chrono::steady_clock::now() + kRunTimeout;
  while (TextLength(box) == 0) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    Sleep(1);
  }
  return true;
}

// A key typed while runs append is handled at once, long before they end: Tab moves the focus
// while the output box is still far from holding both runs' output.
TEST(EndToEnd, TypedKeyIsHandledWhileRunsAppend) {
  const std::vector<std::wstring> source = Numbers(60000, 3);
  std::optional<Program> varnel = StartWithLists(Join(source), L"");
  ASSERT_TRUE(varnel);
  HWND output = varnel->Control(kOutputBox);
  ASSERT_TRUE(Click(varnel->Control(kStartButton)));
  ASSERT_TRUE(Click(varnel->Control(kStartButton)));
  ASSERT_TRUE(WaitForOutput(output));

  const auto waited = TypeTabAndTimeFocusMove(varnel->window, kRunTimeout);
  const long long length = TextLength(output);
  ASSERT_TRUE(waited) << "the focus did not move";
  EXPECT_LT(length, static_cast<long long>(2 * Join(source).size()))
      << "the key waited until the runs had ended ("
      << std::chrono::duration_cast<milliseconds>(*waited).count() << " ms)";
  EXPECT_EQ(CloseAndWait(*varnel, kExitTimeout), 0u);
}

// Closing the window while four long runs work ends the process with exit code 0 at once: right
// after the clicks, while the runs read and cut their lists, and later, while they append. "At
// once" is measured against this machine: the time it takes to close a copy that runs nothing,
// plus one second.
TEST(EndToEnd, ClosingDuringFourLongRunsEndsAtOnceWithZero) {
  const std::vector<std::wstring> source = Numbers(100000, 1);
  const std::wstring sourceText = Join(source);
  const std::wstring removalText = Join({source.begin(), source.begin() + 50000});
  const long long allOutputs =
      4 * static_cast<long long>(Join({source.begin() + 50000, source.end()}).size());

  using Clock = std::chrono::steady_clock;
  auto closeAndTime = [](Program& varnel) {
    const Clock::time_point start = Clock::now();
    const std::optional<DWORD> exitCode = CloseAndWait(varnel, milliseconds(60000));
    return std::make_pair(exitCode, Clock::now() - start);
  };
  Clock::duration idleClose{};
  {
    std::optional<Program> idle = StartWithLists(sourceText, removalText);
    ASSERT_TRUE(idle);
    const auto [exitCode, took] = closeAndTime(*idle);
    ASSERT_EQ(exitCode, 0u);
    idleClose = took;
  }
  const Clock::duration allowed = idleClose + std::chrono::seconds(1);

  for (const bool waitForOutput : {false, true}) {
    SCOPED_TRACE(waitForOutput ? "closed while appending" : "closed right after the clicks");
    std::optional<Program> varnel = StartWithLists(sourceText, removalText);
    ASSERT_TRUE(varnel);
    for (int run = 0; run < 4; ++run) ASSERT_TRUE(Click(varnel->Control(kStartButton)));
    if (waitForOutput) {
      ASSERT_TRUE(WaitForOutput(varnel->Control(kOutputBox)));
      ASSERT_LT(TextLength(varnel->Control(kOutputBox)), allOutputs)
          << "the runs had ended before the window was closed";
    }
    const auto [exitCode, took] = closeAndTime(*varnel);
    EXPECT_EQ(exitCode, 0u);
    EXPECT_LE(took, allowed) << "closing took "
                             << std::chrono::duration_cast<milliseconds>(took).count()
                             << " ms; a copy that ran nothing took "
                             << std::chrono::duration_cast<milliseconds>(idleClose).count()
                             << " ms";
  }
}

}  // namespace
}  // namespace varnel::test
