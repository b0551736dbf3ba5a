// Lines of one text: the list that holds them, the cut at CR LF, and the one comparison of texts.
//
// Text is a byte string (UTF-8 in the program) compared byte for byte. A text ends at its first NUL
// byte, as the boxes' texts do; the missing text and the empty text are the same thing here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace varnel {

// Positions in a list start at 1.
using Position = std::int64_t;

// A text's bytes in a block of their own: what a list takes over, instead of copying it, when it
// is cut from a text that its caller no longer needs. No block at all for the empty text.
struct TextBytes {
  std::unique_ptr<char[]> data;
  std::size_t size = 0;
};

// A block for `size` bytes, left for the caller to fill. Fault: the allocation fault, naming
// `size` bytes.
TextBytes AllocateText(std::uint64_t size);

// How wide a list's line starts are. The narrowest is 32 bits whenever the text allows it, which
// halves their memory; 64 bits on a small text is there so that tests reach the wide form too.
enum class StartWidth { kNarrowest, kWide };

// The lines of one text, in order. The list owns the text's bytes, copied once or taken over, and
// the start of each line in them (no allocation per line); it keeps no reference to anything else.
// Every line but the last is followed in the bytes by the CR LF that ended it.
struct LineList {
  TextBytes text;  // the bytes up to the text's first NUL; see line_list.cpp
  std::unique_ptr<std::uint32_t[]> starts;       // count + 1 entries, when 32 bits are enough
  std::unique_ptr<std::uint64_t[]> wide_starts;  // count + 1 entries, otherwise
  Position count = 0;
};

// Cuts `text` at every CR LF pair. A lone CR or LF, and LF CR, stay inside the line. A text that
// ends with CR LF gives no empty last line; only the empty text gives no line at all. The list
// copies the bytes it needs.
LineList SplitLines(std::string_view text);

// The same, taking `text` over as the list's own bytes: nothing is copied.
LineList SplitLines(TextBytes&& text, StartWidth width = StartWidth::kNarrowest);

// The number of lines.
Position Count(const LineList& list);

// The line at `position` (1 to Count), without its CR LF; valid while the list lives.
// Below 1 is fault 4, above Count is fault 1.
std::string_view At(const LineList& list, Position position);

// The line at `position` followed by the CR LF that ended it, or the line alone when it is the
// last one; valid while the list lives. Same faults as At.
std::string_view AtWithLineEnd(const LineList& list, Position position);

// Compares two texts as unsigned bytes, each up to its first NUL or its end: -1, 0 or +1.
// A text that is a prefix of another orders before it.
int CompareText(std::string_view a, std::string_view b);

// ---- Inside the core ----------------------------------------------------------------------------

// A list's lines as the core's own loops read them: by index from 0, with no test of the index.
// `Start` is the width of the list's line starts. Line k spans starts[k] to starts[k + 1] - 2.
template <typename Start>
struct LineSpan {
  const char* bytes = nullptr;
  std::size_t size = 0;  // the bytes of the text, a final CR LF included
  const Start* starts = nullptr;
  std::size_t count = 0;

  std::string_view Line(std::size_t index) const {
    return {bytes + starts[index], static_cast<std::size_t>(starts[index + 1] - 2 - starts[index])};
  }

  // The line with the CR LF after it, or alone when it is the last.
  std::string_view LineWithEnd(std::size_t index) const {
    if (index + 1 == count) {
      return Line(index);
    }
    return {bytes + starts[index], static_cast<std::size_t>(starts[index + 1] - starts[index])};
  }
};

// Calls visit with the list's lines as a LineSpan of the width the list has, and returns what it
// returns.
template <typename Visit>
decltype(auto) VisitLines(const LineList& list, Visit&& visit) {
  const auto count = static_cast<std::size_t>(list.count);
  if (list.wide_starts) {
    return visit(LineSpan<std::uint64_t>{list.text.data.get(), list.text.size,
                                         list.wide_starts.get(), count});
  }
  return visit(
      LineSpan<std::uint32_t>{list.text.data.get(), list.text.size, list.starts.get(), count});
}

}  // namespace varnel
