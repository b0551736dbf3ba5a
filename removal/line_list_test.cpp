#include "removal/line_list.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "removal/allocate.h"
#include "removal/cut_marks.h"
#include "tests/support/fault_exit.h"

// The allocation fault is checked by asking for more than any heap gives. Under AddressSanitizer
// such a request must fail by returning null, as the heap does, not by stopping the program.
#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __asan_default_options() {
  return "allocator_may_return_null=1";
}
#endif

namespace varnel {
namespace {

using test::AsReadBack;
using test::kFaultExitCode;
using namespace std::string_literals;

struct SplitCase {
  std::string name;
  std::string text;
  std::vector<std::string> lines;
};

std::vector<std::string> LinesOf(const LineList& list) {
  std::vector<std::string> lines;
  for (Position position = 1; position <= Count(list); ++position) {
    lines.emplace_back(At(list, position));
  }
  return lines;
}

void PrintTo(const SplitCase& c, std::ostream* out) {
  *out << c.name;
}

class SplitLinesTest : public ::testing::TestWithParam<SplitCase> {};

void ExpectLines(const LineList& list, const std::vector<std::string>& lines) {
  ASSERT_EQ(Count(list), static_cast<Position>(lines.size()));
  EXPECT_EQ(LinesOf(list), lines);
  for (Position position = 1; position <= Count(list); ++position) {
    const std::string& line = lines[static_cast<std::size_t>(position - 1)];
    const std::string with_end = position < Count(list) ? line + "\r\n" : line;
    EXPECT_EQ(AtWithLineEnd(list, position), with_end) << "line " << position;
  }
}

TextBytes TextOf(std::string_view text) {
  TextBytes bytes = AllocateText(text.size());
  if (!text.empty()) {
    std::memcpy(bytes.data.get(), text.data(), text.size());
  }
  return bytes;
}

TEST_P(SplitLinesTest, CutsAtEveryCrLfPair) {
  const SplitCase& c = GetParam();
  {
    SCOPED_TRACE("copied");
    // The list must not lean on the text: split a copy, then overwrite and free it.
    auto text = std::make_unique<std::string>(c.text);
    const LineList list = SplitLines(*text);
    text->assign(text->size(), 'Z');
    text.reset();
    ExpectLines(list, c.lines);
  }
  for (const StartWidth width : {StartWidth::kNarrowest, StartWidth::kWide}) {
    SCOPED_TRACE(width == StartWidth::kWide ? "taken over, 64-bit starts" : "taken over");
    TextBytes text = TextOf(c.text);
    const char* bytes = text.data.get();
    const LineList list = SplitLines(std::move(text), width);
    ExpectLines(list, c.lines);
    if (!c.lines.empty()) {
      EXPECT_EQ(list.text.data.get(), bytes) << "the list copied a text it was given";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SplitLinesTest,
    ::testing::Values(
        SplitCase{"Empty", "", {}}, SplitCase{"OneLine", "ab", {"ab"}},
        SplitCase{"TrailingCrLfGivesNoEmptyLastLine", "ab\r\n", {"ab"}},
        SplitCase{"CrLfAlone", "\r\n", {""}}, SplitCase{"TwoCrLf", "\r\n\r\n", {"", ""}},
        SplitCase{"LineThenEmptyLine", "ab\r\n\r\n", {"ab", ""}},
        SplitCase{"EmptyLineThenLine", "\r\nab", {"", "ab"}},
        SplitCase{"TwoLines", "ab\r\ncd", {"ab", "cd"}},
        SplitCase{"LoneCrAndLoneLfStay", "ab\rcd\nef", {"ab\rcd\nef"}},
        SplitCase{"LfCrDoesNotCut", "ab\n\r\ncd", {"ab\n", "cd"}},
        SplitCase{"CrBeforeCrLf", "\r\r\n", {"\r"}},
        SplitCase{"LoneCrAfterCrLf", "ab\r\n\r", {"ab", "\r"}}, SplitCase{"LoneCr", "\r", {"\r"}},
        SplitCase{"LoneLf", "\n", {"\n"}}, SplitCase{"LfCrAtEnd", "ab\n\r", {"ab\n\r"}},
        // Bytes from 0x80 up never take the next byte with them: CR LF after them still cuts.
        SplitCase{"HighByteBeforeCrLf", "\xC3\r\nab", {"\xC3", "ab"}},
        SplitCase{"Byte80BeforeCrLf", "\x80\r\nab", {"\x80", "ab"}},
        SplitCase{"ChineseCharacterBeforeCrLf", "中\r\nx", {"中", "x"}},
        SplitCase{"GbkPairBeforeCrLf", "\xD6\xD0\r\nab", {"\xD6\xD0", "ab"}},
        SplitCase{"HighByteAfterCrLf", "ab\r\n\xFF", {"ab", "\xFF"}},
        SplitCase{"HighByteAtEnd", "ab\xC3", {"ab\xC3"}},
        SplitCase{"Utf8Lines", "用户😀\r\n用户🎉\r\n", {"用户😀", "用户🎉"}},
        // A text ends at its first NUL.
        SplitCase{"EndsAtNul", "ab\r\ncd\0ef\r\ngh"s, {"ab", "cd"}},
        SplitCase{"NulFirst", "\0ab\r\n"s, {}}, SplitCase{"NulAfterCrLf", "\r\n\0\r\n"s, {""}}),
    [](const ::testing::TestParamInfo<SplitCase>& info) { return info.param.name; });

TEST(SplitLinesTest, MissingTextGivesNoLines) {
  EXPECT_EQ(Count(SplitLines(std::string_view{})), 0);
}

TEST(SplitLinesTest, ManyLinesKeepTheirOrder) {
  std::string text;
  std::vector<std::string> lines;
  for (int i = 0; i < 5000; ++i) {
    lines.push_back(i % 10 == 0 ? "" : std::to_string(i * 7919));
    text += lines.back() + "\r\n";
  }
  EXPECT_EQ(LinesOf(SplitLines(text)), lines);
}

// The cut looks at 64 bytes at a time: pairs across the edge of two blocks, blocks with more cuts
// than the usual eight, lines longer than a block, and texts that end at, just before and just
// after a block's edge, against a cut made one byte at a time.
TEST(SplitLinesTest, CutsAcrossAndInsideBlocksOfBytes) {
  auto model = [](const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t at = 0; at < text.size(); ++at) {
      if (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n') {
        lines.push_back(line);
        line.clear();
        ++at;
      } else {
        line += text[at];
      }
    }
    if (!line.empty()) {
      lines.push_back(line);
    }
    return lines;
  };
  std::vector<std::string> texts;
  for (std::size_t size = 120; size <= 200; ++size) {
    for (std::size_t cr = 56; cr <= 72; ++cr) {
      std::string text(size, 'x');
      text[cr] = '\r';
      text[cr + 1] = '\n';
      text[size - 1] = cr % 3 == 0 ? '\r' : 'y';
      texts.push_back(text);
    }
  }
  for (std::size_t size = 60; size <= 260; ++size) {
    std::string text;
    for (std::size_t at = 0; text.size() < size; ++at) {
      text += at % 5 == 0 ? "\r\n" : at % 5 == 1 ? "a\r\n" : at % 5 == 2 ? "\n\r" : "\r";
    }
    text.resize(size);
    texts.push_back(text);
  }
  for (const std::string& text : texts) {
    EXPECT_EQ(LinesOf(SplitLines(text)), model(text)) << ::testing::PrintToString(text);
  }
}

// Both ways of finding the cuts in 64 bytes give the marks of a byte-by-byte look, on bytes drawn
// mostly from CR and LF.
TEST(FindCutsTest, MarksEveryCrFollowedByLf) {
  std::uint64_t state = 12345;
  auto next = [&state] {
    state = state * 6364136223846793005u + 1442695040888963407u;
    return state >> 33;
  };
  const char alphabet[] = {'\r', '\n', '\r', '\n', 'a', '\0', '\x8D', '\x8A'};
  for (int round = 0; round < 2000; ++round) {
    char bytes[65];
    for (char& byte : bytes) {
      byte = alphabet[next() % sizeof alphabet];
    }
    const bool next_is_lf = bytes[64] == '\n';
    std::uint64_t expected = 0;
    for (int k = 0; k < 64; ++k) {
      if (bytes[k] == '\r' && bytes[k + 1] == '\n') {
        expected |= std::uint64_t{1} << k;
      }
    }
    ASSERT_EQ(FindCutsPortable(bytes, next_is_lf), expected) << "round " << round;
#if VARNEL_HAS_SSE2
    ASSERT_EQ(FindCutsSse2(bytes, next_is_lf), expected) << "round " << round;
#endif
    ASSERT_EQ(CountBits(expected), std::popcount(expected));
  }
}

struct CompareCase {
  std::string name;
  std::string_view a;
  std::string_view b;
  int order;
};

void PrintTo(const CompareCase& c, std::ostream* out) {
  *out << c.name;
}

class CompareTextTest : public ::testing::TestWithParam<CompareCase> {};

TEST_P(CompareTextTest, OrdersAsUnsignedBytesUpToTheFirstNul) {
  const CompareCase& c = GetParam();
  EXPECT_EQ(CompareText(c.a, c.b), c.order);
  EXPECT_EQ(CompareText(c.b, c.a), -c.order);
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, CompareTextTest,
    ::testing::Values(
        CompareCase{"MissingAndEmpty", std::string_view{}, "", 0},
        CompareCase{"BothMissing", std::string_view{}, std::string_view{}, 0},
        CompareCase{"TextAndMissing", "a", std::string_view{}, 1},
        CompareCase{"Equal", "abc", "abc", 0}, CompareCase{"UpperCaseFirst", "A", "a", -1},
        CompareCase{"TrailingSpaceCounts", "x", "x ", -1},
        CompareCase{"TrailingCrCounts", "x\r", "x", 1},
        CompareCase{"TabAgainstSpace", "a\tb", "a b", -1},
        CompareCase{"PrefixFirst", "ab", "abc", -1},
        CompareCase{"LastByteDecides", "abd", "abc", 1},
        CompareCase{"HighByteAfterAscii", "\xC3", "a", 1},
        CompareCase{"HighBytesUnsigned", "\xFF", "\x80", 1},
        CompareCase{"FullWidthAgainstHalfWidth", "ａ", "a", 1},
        CompareCase{"EmojiDiffer", "用户😀", "用户🎉", 1},
        CompareCase{"EndsAtNul", std::string_view("ab\0c", 4), std::string_view("ab\0d", 4), 0},
        CompareCase{"NulAgainstEnd", std::string_view("ab\0", 3), "ab", 0},
        CompareCase{"NulFirstIsEmpty", std::string_view("\0z", 2), std::string_view{}, 0}),
    [](const ::testing::TestParamInfo<CompareCase>& info) { return info.param.name; });

TEST(CompareTextTest, EmptyLinesOfDifferentTextsAreEqual) {
  const LineList first = SplitLines("\r\nab");
  const LineList second = SplitLines("cd\r\n\r\nef");
  EXPECT_EQ(CompareText(At(first, 1), At(second, 2)), 0);
}

// At and AtWithLineEnd test the position before they read: below 1 is fault 4, above Count fault 1.
const std::string kBelowOneText =
    AsReadBack("运行时出错!\r\n\r\n错误代码：4\r\n\r\n错误信息：数组成员引用下标必须大于等于1\r\n");
const std::string kAboveCountText =
    AsReadBack("运行时出错!\r\n\r\n错误代码：1\r\n\r\n错误信息：数组成员引用下标超出定义范围\r\n");

TEST(LineListDeathTest, PositionZeroOfAnEmptyListIsFault4) {
  const LineList list = SplitLines("");
  EXPECT_EXIT(At(list, 0), ::testing::ExitedWithCode(kFaultExitCode), ::testing::Eq(kBelowOneText));
}

TEST(LineListDeathTest, NegativePositionIsFault4) {
  const LineList list = SplitLines("ab\r\ncd");
  EXPECT_EXIT(At(list, -1), ::testing::ExitedWithCode(kFaultExitCode),
              ::testing::Eq(kBelowOneText));
  EXPECT_EXIT(AtWithLineEnd(list, INT64_MIN), ::testing::ExitedWithCode(kFaultExitCode),
              ::testing::Eq(kBelowOneText));
}

TEST(LineListDeathTest, PositionAfterTheLastIsFault1) {
  const LineList list = SplitLines("ab\r\ncd\r\n");
  EXPECT_EXIT(At(list, 3), ::testing::ExitedWithCode(kFaultExitCode),
              ::testing::Eq(kAboveCountText));
  EXPECT_EXIT(AtWithLineEnd(list, 3), ::testing::ExitedWithCode(kFaultExitCode),
              ::testing::Eq(kAboveCountText));
  EXPECT_EXIT(At(SplitLines(""), 1), ::testing::ExitedWithCode(kFaultExitCode),
              ::testing::Eq(kAboveCountText));
}

TEST(LineListDeathTest, FailedAllocationReportsTheBytesAskedFor) {
  // 2^62 bytes lies beyond every address space, so the request fails on every machine. The fault
  // text ends what the process writes; AddressSanitizer may have warned before it.
  EXPECT_EXIT(
      AllocateArray<char>(std::uint64_t{1} << 62), ::testing::ExitedWithCode(kFaultExitCode),
      ::testing::EndsWith(
          AsReadBack("运行时出错!\r\n\r\n错误信息：分配 4611686018427387904 字节内存失败!\r\n")));
  // 2^61 eight-byte elements: the byte count itself overflows 64 bits and is reported saturated.
  EXPECT_EXIT(AllocateArray<std::uint64_t>(std::uint64_t{1} << 61),
              ::testing::ExitedWithCode(kFaultExitCode),
              ::testing::EndsWith(AsReadBack(
                  "运行时出错!\r\n\r\n错误信息：分配 18446744073709551615 字节内存失败!\r\n")));
}

}  // namespace
}  // namespace varnel
