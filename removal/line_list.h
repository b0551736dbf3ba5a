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

// The lines of one text, in order. The list owns one copy of the text's bytes and the start of
// each line in it (no allocation per line), and keeps no reference to the text it was cut from.
// Every line but the last is followed in that copy by the CR LF that ended it.
struct LineList {
  std::unique_ptr<char[]> bytes;
  std::unique_ptr<std::size_t[]> starts;  // count + 1 entries; see line_list.cpp
  Position count = 0;
};

// Cuts `text` at every CR LF pair. A lone CR or LF, and LF CR, stay inside the line. A text that
// ends with CR LF gives no empty last line; only the empty text gives no line at all.
LineList SplitLines(std::string_view text);

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

}  // namespace varnel
