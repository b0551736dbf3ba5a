#include "removal/removal_run.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace varnel {
namespace {

using namespace std::string_literals;

// Records every piece in its own entry, so that the tests see how the output was cut into calls.
struct RecordingSink {
  std::vector<std::string> pieces;
  TextSink sink{[this](std::string_view piece) { pieces.emplace_back(piece); }};
};

TextBytes TextOf(std::string_view text) {
  TextBytes bytes = AllocateText(text.size());
  if (!text.empty()) {
    std::memcpy(bytes.data.get(), text.data(), text.size());
  }
  return bytes;
}

// The pieces of a run over lists cut from the two texts. Each list is made twice, copied with
// 32-bit starts and taken over with 64-bit starts, and every pairing must give the same pieces.
std::vector<std::string> PiecesOf(std::string_view source_text, std::string_view removal_text) {
  auto lists = [](std::string_view text) {
    std::vector<LineList> made;
    made.push_back(SplitLines(text));
    made.push_back(SplitLines(TextOf(text), StartWidth::kWide));
    return made;
  };
  const std::vector<LineList> sources = lists(source_text);
  const std::vector<LineList> removals = lists(removal_text);
  std::vector<std::string> first;
  for (const LineList& source : sources) {
    for (const LineList& removal : removals) {
      RecordingSink recording;
      RunRemoval(source, removal, recording.sink);
      if (&source == &sources.front() && &removal == &removals.front()) {
        first = recording.pieces;
      } else {
        EXPECT_EQ(recording.pieces, first) << "with lists of another kind";
      }
    }
  }
  return first;
}

struct RunCase {
  std::string name;
  std::string source;
  std::string removal;
  std::vector<std::string> pieces;
};

void PrintTo(const RunCase& c, std::ostream* out) {
  *out << c.name;
}

class RunRemovalTest : public ::testing::TestWithParam<RunCase> {};

TEST_P(RunRemovalTest, HandsOnTheRemainingLinesOnePieceEach) {
  const RunCase& c = GetParam();
  EXPECT_EQ(PiecesOf(c.source, c.removal), c.pieces);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, RunRemovalTest,
    ::testing::Values(
        RunCase{"LastLineRemovedOutputEndsWithCrLf", "a\r\nb\r\nc", "c", {"a\r\n", "b\r\n"}},
        RunCase{"FirstLineRemoved", "a\r\nb\r\nc", "a", {"b\r\n", "c"}},
        RunCase{"EmptyRemovalKeepsAll", "a\r\nb\r\nc", "", {"a\r\n", "b\r\n", "c"}},
        RunCase{"FinalCrLfOfTheTextIsGone", "a\r\nb\r\n", "", {"a\r\n", "b"}},
        RunCase{"EmptySourceGivesNothing", "", "a", {}},
        RunCase{"EverythingRemoved", "a\r\nb", "a\r\nb", {}},
        RunCase{"EmptyLineKept", "a\r\n\r\nb", "", {"a\r\n", "\r\n", "b"}},
        RunCase{"EmptyLineRemovedByEmptyLine", "a\r\n\r\nb", "x\r\n\r\ny", {"a\r\n", "b"}},
        RunCase{"EmptyLastLineStillHandedOver", "a\r\n\r\n", "", {"a\r\n", ""}},
        RunCase{"EveryCopyRemoved", "a\r\na\r\nb", "a", {"b"}},
        RunCase{"DuplicatesInRemovalChangeNothing", "a\r\nb", "a\r\na\r\na", {"b"}},
        RunCase{"DuplicatesInSourceKept", "b\r\na\r\nb", "c", {"b\r\n", "a\r\n", "b"}},
        RunCase{"TrailingSpaceDiffers", "a", "a ", {"a"}},
        RunCase{"CaseAndWidthDiffer", "Abc\r\nabc\r\nａbc", "abc", {"Abc\r\n", "ａbc"}},
        RunCase{"PrefixDoesNotRemove", "ab\r\na", "abc\r\nb", {"ab\r\n", "a"}},
        // UTF-8 lines are compared byte for byte: no two characters fold into one.
        RunCase{"EmojiStayDistinct", "用户😀\r\n用户🎉\r\n用户", "用户🎉", {"用户😀\r\n", "用户"}},
        RunCase{"LineEndingInChineseCharacter", "中\r\nx\r\n文", "x", {"中\r\n", "文"}},
        RunCase{"RemovalEndsAtNul", "a\r\nb", "b\0a"s, {"a\r\n"}}),
    [](const ::testing::TestParamInfo<RunCase>& info) { return info.param.name; });

TEST(RunRemovalTest, RunsAppendAfterWhatTheSinkHolds) {
  const LineList source = SplitLines("a\r\nb");
  const LineList removal = SplitLines("");
  std::string box;
  const TextSink sink{[&box](std::string_view piece) { box += piece; }};
  RunRemoval(source, removal, sink);
  RunRemoval(source, removal, sink);
  EXPECT_EQ(box, "a\r\nba\r\nb");
}

// Large lists with many near-equal lines, checked against a set of the removal lines.
TEST(RunRemovalTest, LargeListsMatchTheSetOfRemovalLines) {
  std::string source_text;
  std::string removal_text;
  std::set<std::string> removed;
  std::vector<std::string> source_lines;
  for (int i = 0; i < 30001; ++i) {
    source_lines.push_back(std::to_string((i * 7919) % 12000) + (i % 5 == 0 ? " " : ""));
    source_text += source_lines.back() + "\r\n";
  }
  for (int i = 0; i < 20000; ++i) {
    std::string line = std::to_string((i * 104729) % 24000);
    removal_text += line + (i % 2 == 0 ? "\r\n" : "\r\n" + line + "\r\n");
    removed.insert(std::move(line));
  }
  std::vector<std::string> expected;
  for (std::size_t k = 0; k < source_lines.size(); ++k) {
    if (!removed.contains(source_lines[k])) {
      expected.push_back(source_lines[k] + (k + 1 < source_lines.size() ? "\r\n" : ""));
    }
  }
  ASSERT_GT(expected.size(), 1000u);
  ASSERT_LT(expected.size(), source_lines.size() - 1000);
  EXPECT_EQ(PiecesOf(source_text, removal_text), expected);
}

}  // namespace
}  // namespace varnel
