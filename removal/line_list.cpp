#include "removal/line_list.h"

#include <algorithm>
#include <cstring>

#include "removal/fault.h"
#include "removal/allocate.h"

namespace varnel {

// Layout of a list of `count` lines:
//   bytes  the text's bytes up to its first NUL, without the CR LF that ends the text, if any;
//   starts count + 1 offsets into `bytes`: starts[k] is where line k + 1 begins, and
//          starts[count] is the size of `bytes` plus 2, as if the last line were followed by CR LF
//          too. So line k + 1 always spans starts[k] to starts[k + 1] - 2, and every line but the
//          last is followed in `bytes` by its CR LF.
// The empty text gives count 0 and no arrays at all.

namespace {

// The text up to its first NUL.
std::string_view UpToNul(std::string_view text) {
  if (text.empty()) {
    return {};
  }
  const void* nul = std::memchr(text.data(), '\0', text.size());
  return nul == nullptr ? text : text.substr(0, static_cast<const char*>(nul) - text.data());
}

// Where the next CR LF pair at or after `from` begins, or text.size() when there is none.
std::size_t FindLineEnd(std::string_view text, std::size_t from) {
  while (from + 1 < text.size()) {
    const void* cr = std::memchr(text.data() + from, '\r', text.size() - 1 - from);
    if (cr == nullptr) {
      break;
    }
    from = static_cast<std::size_t>(static_cast<const char*>(cr) - text.data());
    if (text[from + 1] == '\n') {
      return from;
    }
    ++from;
  }
  return text.size();
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

LineList SplitLines(std::string_view text) {
  text = UpToNul(text);
  LineList list;
  if (text.empty()) {
    return list;
  }
  // A CR LF at the very end closes the last line and starts no new one: it is not kept.
  if (text.size() >= 2 && text.ends_with("\r\n")) {
    text.remove_suffix(2);
  }

  // First pass: count the lines, so that each array is asked for once at its exact size.
  Position count = 1;
  for (std::size_t at = FindLineEnd(text, 0); at < text.size(); at = FindLineEnd(text, at + 2)) {
    ++count;
  }

  list.bytes = AllocateArray<char>(text.size());
  list.starts = AllocateArray<std::size_t>(static_cast<std::uint64_t>(count) + 1);
  std::copy(text.begin(), text.end(), list.bytes.get());

  // Second pass: record where each line begins.
  std::size_t* start = list.starts.get();
  *start++ = 0;
  for (std::size_t at = FindLineEnd(text, 0); at < text.size(); at = FindLineEnd(text, at + 2)) {
    *start++ = at + 2;
  }
  *start = text.size() + 2;
  list.count = count;
  return list;
}

Position Count(const LineList& list) {
  return list.count;
}

std::string_view At(const LineList& list, Position position) {
  std::string_view line = AtWithLineEnd(list, position);
  if (position < list.count) {
    line.remove_suffix(2);
  }
  return line;
}

std::string_view AtWithLineEnd(const LineList& list, Position position) {
  CheckPosition(list, position);
  const auto index = static_cast<std::size_t>(position - 1);
  const std::size_t begin = list.starts[index];
  std::size_t end = list.starts[index + 1];
  if (position == list.count) {
    end -= 2;
  }
  return {list.bytes.get() + begin, end - begin};
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
