#include "removal/line_index.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "removal/line_hash.h"
#include "removal/line_list.h"
#include "removal/removal_run.h"

namespace varnel {
namespace {

// SipHash-1-3 of the messages 00, 00 01, 00 01 02, ... under the key 00 01 ... 0F, as the
// reference implementation gives them: every way the last zero to seven bytes can fall.
TEST(HashLineTest, GivesTheReferenceValuesOfSipHash13) {
  const HashKey key{0x0706050403020100u, 0x0F0E0D0C0B0A0908u};
  struct Known {
    std::size_t size;
    std::uint64_t hash;
  };
  const Known known[] = {
      {0, 0xabac0158050fc4dcu},  {1, 0xc9f49bf37d57ca93u},  {2, 0x82cb9b024dc7d44du},
      {3, 0x8bf80ab8e7ddf7fbu},  {4, 0xcf75576088d38328u},  {5, 0xdef9d52f49533b67u},
      {7, 0xd3927d989bb11140u},  {8, 0x369095118d299a8eu},  {9, 0x25a48eb36c063de4u},
      {11, 0x70c118c1f94dc352u}, {15, 0xd320d86d2a519956u}, {16, 0xcc4fdd1a7d908b66u},
      {63, 0x9d199062b7bbb3a8u},
  };
  char message[64];
  for (std::size_t k = 0; k < sizeof message; ++k) {
    message[k] = static_cast<char>(k);
  }
  for (const Known& k : known) {
    EXPECT_EQ(HashLine(std::string_view(message, k.size), key), k.hash) << k.size << " bytes";
  }
}

std::string KeyText(const HashKey& key) {
  char text[40];
  std::snprintf(text, sizeof text, "key %016" PRIx64 "%016" PRIx64, key.k0, key.k1);
  return text;
}

TEST(ProcessHashKeyTest, IsDrawnOnceAndIsNotZero) {
  const HashKey& key = ProcessHashKey();
  EXPECT_EQ(&key, &ProcessHashKey());
  EXPECT_EQ(KeyText(key), KeyText(ProcessHashKey()));
  EXPECT_NE(KeyText(key), KeyText(HashKey{}));
}

// A process started afresh draws a key of its own.
TEST(ProcessHashKeyDeathTest, AnotherProcessDrawsAnotherKey) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const std::string mine = KeyText(ProcessHashKey());
  EXPECT_EXIT(
      {
        std::fprintf(stderr, "%s\n", KeyText(ProcessHashKey()).c_str());
        std::fflush(stderr);
        std::exit(0);
      },
      ::testing::ExitedWithCode(0),
      ::testing::AllOf(::testing::ContainsRegex("key \\w+"),
                       ::testing::Not(::testing::HasSubstr(mine))));
}

using Index = LineIndex<std::uint32_t>;
using namespace std::string_literals;

// A slot names a line by where it begins, so the line's end is found after its bytes: a CR LF pair
// or the end of the text. Each case looks a line up at the start of one line of a list.
TEST(LineAtEqualsTest, TheBytesAndThenTheLinesEndDecide) {
  struct Case {
    std::string text;
    Position position;
    std::string line;
    bool equal;
  };
  const Case cases[] = {
      {"abc\r\nx", 1, "abc", true},        // followed by CR LF
      {"x\r\nabc", 2, "abc", true},        // followed by the end of the text
      {"x\r\nabc\r\n", 2, "abc", true},    // followed by the text's final CR LF
      {"abcdef\r\nx", 1, "abc", false},    // a prefix of the list's line
      {"abc\r\nabcdef", 2, "abc", false},  // the same, in the last line
      {"abc\r\r\nx", 1, "abc", false},     // followed by a CR that is part of the line
      {"abc\r\r\nx", 1, "abc\r", true},    // the line with its own CR
      {"abc\r", 1, "abc", false},          // a lone CR that ends the text
      {"ab\r\nx", 1, "abc", false},        // longer than the list's line
      {"x\r\nab", 2, "abcd", false},       // longer than what is left of the text
      {"\r\nx", 1, "", true},              // an empty line
      {"\r\nx", 1, "x", false},
      {"x\r\n\r\n", 2, "", true},     // an empty last line before the final CR LF
      {"abc\0def"s, 1, "abc", true},  // the text ends at its NUL
      {"ab\r\nabc", 2, "ab", false},  // the last line, one byte longer
  };
  for (const Case& c : cases) {
    const LineList list = SplitLines(c.text);
    ASSERT_LE(c.position, Count(list)) << ::testing::PrintToString(c.text);
    VisitLines(list, [&c](const auto& lines) {
      const std::size_t start = lines.starts[static_cast<std::size_t>(c.position - 1)];
      EXPECT_EQ(LineAtEquals(lines, start, c.line), c.equal)
          << ::testing::PrintToString(c.text) << " line " << c.position << " against "
          << ::testing::PrintToString(c.line);
    });
  }
}

const HashKey kKeyA{0x243F6A8885A308D3u, 0x13198A2E03707344u};
const HashKey kKeyB{0xA4093822299F31D0u, 0x082EFA98EC4E6C89u};

// Lines of 24 printable bytes that all have the same home slot, under `key`, in the index of a
// list of `count` lines: found by trying numbered lines until enough land on the first one's.
std::vector<std::string> LinesWithOneHomeSlot(const HashKey& key, std::size_t count) {
  const std::size_t capacity = Index::CapacityFor(count);
  std::vector<std::string> lines;
  std::size_t home = 0;
  char line[32];
  for (unsigned number = 0; lines.size() < count; ++number) {
    std::snprintf(line, sizeof line, "account-%016u", number);
    const std::size_t slot = Index::HomeSlot(HashLine(line, key), capacity);
    if (lines.empty()) {
      home = slot;
    }
    if (slot == home) {
      lines.emplace_back(line);
    }
  }
  return lines;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    text += line + "\r\n";
  }
  return text;
}

struct Probing {
  std::size_t total = 0;  // slots read to find every line of the list
  std::size_t most = 0;   // slots read to find the hardest line
  std::size_t homes = 0;  // distinct home slots of the lines
};

Probing ProbeEveryLine(const std::vector<std::string>& lines, const HashKey& key) {
  const LineList list = SplitLines(Joined(lines));
  Probing probing;
  VisitLines(list, [&](const auto& span) {
    const LineIndex index(span, key);
    std::set<std::size_t> homes;
    for (const std::string& line : lines) {
      const std::size_t probes = index.Probes(line);
      probing.total += probes;
      probing.most = std::max(probing.most, probes);
      homes.insert(Index::HomeSlot(HashLine(line, key), index.Capacity()));
    }
    probing.homes = homes.size();
  });
  return probing;
}

// Lines made to share one slot under one key fill a single run of the table, so that finding them
// all takes a number of probes that grows with the square of their number. Under another key the
// same lines spread over the table, and each is found in a few probes.
TEST(LineIndexTest, LinesThatCollideUnderOneKeySpreadUnderAnother) {
  constexpr std::size_t kCount = 256;
  const std::vector<std::string> lines = LinesWithOneHomeSlot(kKeyA, kCount);

  const Probing under_a = ProbeEveryLine(lines, kKeyA);
  EXPECT_EQ(under_a.homes, 1u);
  EXPECT_EQ(under_a.total, kCount * (kCount + 1) / 2);
  EXPECT_EQ(under_a.most, kCount);

  const Probing under_b = ProbeEveryLine(lines, kKeyB);
  EXPECT_GT(under_b.homes, kCount / 2);
  EXPECT_LT(under_b.total, 3 * kCount);
  EXPECT_LT(under_b.most, kCount / 8);
}

struct Pieces {
  std::vector<std::string> pieces;
  TextSink sink{[this](std::string_view piece) { pieces.emplace_back(piece); }};
};

// The key only decides where lines land: every key gives the same output, the key under which
// all lines share a slot too, and so does the process's own key.
TEST(LineIndexTest, EveryKeyGivesTheSameOutput) {
  const std::vector<std::string> crafted = LinesWithOneHomeSlot(kKeyA, 300);
  std::vector<std::string> source_lines;
  std::vector<std::string> removal_lines;
  for (std::size_t k = 0; k < crafted.size(); ++k) {
    source_lines.push_back(crafted[k]);
    source_lines.push_back("other " + std::to_string(k % 40));
    if (k % 3 != 1) {
      removal_lines.push_back(crafted[k]);
    }
    if (k < 10) {
      removal_lines.push_back("other " + std::to_string(k));
    }
  }
  const std::set<std::string> removed(removal_lines.begin(), removal_lines.end());
  std::vector<std::string> expected;
  for (std::size_t k = 0; k < source_lines.size(); ++k) {
    if (!removed.contains(source_lines[k])) {
      expected.push_back(source_lines[k] + (k + 1 < source_lines.size() ? "\r\n" : ""));
    }
  }
  ASSERT_GT(expected.size(), 200u);

  const LineList source = SplitLines(Joined(source_lines));
  const LineList removal = SplitLines(Joined(removal_lines));
  for (const HashKey& key : {kKeyA, kKeyB, HashKey{}, ProcessHashKey()}) {
    Pieces out;
    RunRemoval(source, removal, out.sink, key);
    EXPECT_EQ(out.pieces, expected) << KeyText(key);
  }
  Pieces out;
  RunRemoval(source, removal, out.sink);
  EXPECT_EQ(out.pieces, expected) << "the process's key";
}

// Two different lines whose hashes under kPairKey agree in the tag and in the home slot of a small
// table, found by a search over numbered lines: a match of tags alone must not make them equal.
const HashKey kPairKey{0x0706050403020100u, 0x0F0E0D0C0B0A0908u};
constexpr std::string_view kFirstOfPair = "line 152088";
constexpr std::string_view kSecondOfPair = "line 224533";

TEST(LineIndexTest, ALineWhoseTagMatchesIsComparedByItsBytes) {
  const std::uint64_t first = HashLine(kFirstOfPair, kPairKey);
  const std::uint64_t second = HashLine(kSecondOfPair, kPairKey);
  ASSERT_EQ(Index::Tag(first), Index::Tag(second));
  for (std::size_t count : {1, 2}) {
    ASSERT_EQ(Index::HomeSlot(first, Index::CapacityFor(count)),
              Index::HomeSlot(second, Index::CapacityFor(count)));
  }

  // Looked up in a list of the first alone, the second reads the first's slot, whose tag matches,
  // and then the empty slot after it.
  const LineList first_only = SplitLines(kFirstOfPair);
  VisitLines(first_only, [](const auto& span) {
    const LineIndex index(span, kPairKey);
    EXPECT_EQ(index.Probes(kSecondOfPair), 2u);
  });
  const LineList source =
      SplitLines(std::string(kSecondOfPair) + "\r\n" + std::string(kFirstOfPair) + "\r\nline 3");
  Pieces out;
  RunRemoval(source, first_only, out.sink, kPairKey);
  EXPECT_THAT(out.pieces, ::testing::ElementsAre(std::string(kSecondOfPair) + "\r\n", "line 3"));

  // Both in the removal list: both get a slot, and both are removed.
  const LineList both = SplitLines(std::string(kFirstOfPair) + "\r\n" + std::string(kSecondOfPair));
  Pieces out_both;
  RunRemoval(source, both, out_both.sink, kPairKey);
  EXPECT_THAT(out_both.pieces, ::testing::ElementsAre("line 3"));
}

}  // namespace
}  // namespace varnel
