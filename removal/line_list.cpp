#include "removal/line_list.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>
#include <utility>

#include "removal/fault.h"
#include "removal/allocate.h"
#include "removal/cut_marks.h"

namespace varnel {

// Layout of a list of `count` lines:
//   text    the text's bytes up to its first NUL, CR LF pairs and all, a final CR LF included;
//   starts  count + 1 offsets into the text: starts[k] is where line k + 1 begins, and
//           starts[count] is where the last line ends plus 2, as if it were followed by CR LF
//           (it may be). So line k + 1 always spans starts[k] to starts[k + 1] - 2, and every line
//           but the last is followed in the text by its CR LF.
// The offsets are 32 bits wide (`starts`) when the largest of them fits, else 64 (`wide_starts`).
// The empty text gives count 0 and no arrays at all.

namespace {

// Calls visit(at, marks) for bytes[0, size), 64 bytes at a time from `at`, with the marks of
// their cuts (removal/cut_marks.h).
template <typename Visit>
void ForEachBlock(const char* bytes, std::size_t size, Visit visit) {
  constexpr std::size_t kBlock = 64;
  std::size_t at = 0;
  for (; at + kBlock < size; at += kBlock) {
    visit(at, FindCuts(bytes + at, bytes[at + kBlock] == '\n'));
  }
  // The last one to 64 bytes, padded with NULs, which are no CR and no LF.
  char tail[kBlock] = {};
  std::memcpy(tail, bytes + at, size - at);
  visit(at, FindCuts(tail, false));
}

// ---- Building the list -------------------------------------------------------------------------

// The pass that records the starts writes eight of them for every 64 bytes, whether or not the
// bytes hold that many cuts, and then moves on by the number they hold; so it does not branch on
// where the cuts lie. Its last writes may reach seven entries past the list's last start.
constexpr int kStartsPerBlock = 8;
constexpr std::uint64_t kStartsSpare = kStartsPerBlock - 1;

// The starts of the `count` lines of bytes[0, end), the last of which ends at `end`.
template <typename Start>
std::unique_ptr<Start[]> LineStarts(const char* bytes, std::size_t end, Position count) {
  std::unique_ptr<Start[]> starts =
      AllocateArray<Start>(static_cast<std::uint64_t>(count) + 1 + kStartsSpare);
  Start* next = starts.get();
  *next++ = 0;
  ForEachBlock(bytes, end, [&next](std::size_t at, CutMarks marks) {
    const int found = CountBits(marks);
    // The top bit stands in for a missing mark (when set, it is the last byte's own mark), so
    // that counting the trailing zeros needs no test for zero.
    auto take = [at, &marks]() {
      const int bit = std::countr_zero(marks | std::uint64_t{1} << 63);
      marks &= marks - 1;
      return static_cast<Start>(at + static_cast<std::size_t>(bit) + 2);
    };
    for (int k = 0; k < kStartsPerBlock; ++k) {
      next[k] = take();
    }
    // Lines of fewer than eight bytes on average: the rest one by one.
    for (int k = kStartsPerBlock; k < found; ++k) {
      next[k] = take();
    }
    next += found;
  });
  *next = static_cast<Start>(end + 2);
  return starts;
}

void CheckPosition(const LineList& list, Position position) {
  if (position < 1) {
    ReportRuntimeError(kIndexBelowOne);
  }
  if (position > list.count) {
    ReportRuntimeError(kIndexAboveCount);
  }
}

}  // namespace

TextBytes AllocateText(std::uint64_t size) {
  TextBytes text;
  if (size > 0) {
    text.data = AllocateArray<char>(size);
    text.size = static_cast<std::size_t>(size);
  }
  return text;
}

LineList SplitLines(std::string_view text) {
  if (!text.empty()) {
    if (const void* nul = std::memchr(text.data(), '\0', text.size())) {
      text = text.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) - text.data()));
    }
  }
  TextBytes copy = AllocateText(text.size());
  if (!text.empty()) {
    std::memcpy(copy.data.get(), text.data(), text.size());
  }
  return SplitLines(std::move(copy));
}

LineList SplitLines(TextBytes&& text, StartWidth width) {
  // Taken from the caller whatever it holds: a text with no line is released here.
  TextBytes taken = std::move(text);
  LineList list;
  const char* bytes = taken.data.get();
  std::size_t size = taken.size;
  if (size > 0) {
    if (const void* nul = std::memchr(bytes, '\0', size)) {
      size = static_cast<std::size_t>(static_cast<const char*>(nul) - bytes);
    }
  }
  if (size == 0) {
    return list;
  }
  // A CR LF at the very end closes the last line and starts no new one.
  const bool closed = size >= 2 && bytes[size - 2] == '\r' && bytes[size - 1] == '\n';
  const std::size_t end = closed ? size - 2 : size;

  // First pass: count the lines, so that the starts are asked for once at their exact size.
  Position count = 1;
  ForEachBlock(bytes, end, [&count](std::size_t, CutMarks marks) { count += CountBits(marks); });

  // Second pass: record where each line begins.
  if (width == StartWidth::kNarrowest && end + 2 <= std::numeric_limits<std::uint32_t>::max()) {
    list.starts = LineStarts<std::uint32_t>(bytes, end, count);
  } else {
    list.wide_starts = LineStarts<std::uint64_t>(bytes, end, count);
  }
  list.text = std::move(taken);
  list.text.size = size;
  list.count = count;
  return list;
}

Position Count(const LineList& list) {
  return list.count;
}

std::string_view At(const LineList& list, Position position) {
  CheckPosition(list, position);
  return VisitLines(list, [position](const auto& lines) {
    return lines.Line(static_cast<std::size_t>(position - 1));
  });
}

std::string_view AtWithLineEnd(const LineList& list, Position position) {
  CheckPosition(list, position);
  return VisitLines(list, [position](const auto& lines) {
    return lines.LineWithEnd(static_cast<std::size_t>(position - 1));
  });
}

int CompareText(std::string_view a, std::string_view b) {
  // The end of a view counts as its NUL, so one loop covers both ends of a text; lines are short,
  // and this needs no pass to find a NUL first.
  for (std::size_t at = 0;; ++at) {
    const unsigned x = at < a.size() ? static_cast<unsigned char>(a[at]) : 0u;
    const unsigned y = at < b.size() ? static_cast<unsigned char>(b[at]) : 0u;
    if (x != y) {
      return x < y ? -1 : 1;
    }
    if (x == 0) {
      return 0;
    }
  }
}

}  // namespace varnel
