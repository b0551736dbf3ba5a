#include "removal/removal_run.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

#include "removal/allocate.h"

namespace varnel {

namespace {

// A fast 64-bit hash of a line's bytes, the same on every platform of one byte order: eight bytes
// at a time through a multiply-and-fold mix. Only the index uses it; equality is decided elsewhere.
std::uint64_t HashLine(std::string_view line) {
  constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15u;
  std::uint64_t hash = 0x2545F4914F6CDD1Du ^ (line.size() * kMultiplier);
  const char* at = line.data();
  std::size_t left = line.size();
  auto mix = [&](std::uint64_t word) {
    hash ^= word;
    hash *= kMultiplier;
    hash ^= hash >> 29;
  };
  for (; left >= 8; at += 8, left -= 8) {
    std::uint64_t word;
    std::memcpy(&word, at, 8);
    mix(word);
  }
  if (left > 0) {
    std::uint64_t word = 0;
    std::memcpy(&word, at, left);
    mix(word);
  }
  hash ^= hash >> 32;
  hash *= kMultiplier;
  return hash ^ (hash >> 29);
}

// The set of a removal list's lines: open addressing with linear probing over a power-of-two table
// at most half full. A slot holds the line's position (0 when empty) and part of its hash, so that
// most probes that cannot match are told apart without reading the line. `Index` is 32 bits wide
// whenever the list allows it, which halves the table.
template <typename Index>
class LineIndex {
 public:
  explicit LineIndex(const LineList& lines) : lines_(lines) {
    std::uint64_t capacity = 8;
    while (capacity < 2 * static_cast<std::uint64_t>(Count(lines))) {
      capacity *= 2;
    }
    slots_ = AllocateArray<Slot>(capacity);
    std::fill_n(slots_.get(), capacity, Slot{});
    mask_ = capacity - 1;
    for (Position position = 1; position <= Count(lines); ++position) {
      Insert(position);
    }
  }

  bool Contains(std::string_view line) const {
    const std::uint64_t hash = HashLine(line);
    for (std::uint64_t at = hash & mask_;; at = (at + 1) & mask_) {
      const Slot& slot = slots_[at];
      if (slot.position == 0) {
        return false;
      }
      if (slot.tag == Tag(hash) && CompareText(line, At(lines_, slot.position)) == 0) {
        return true;
      }
    }
  }

 private:
  struct Slot {
    Index position = 0;
    Index tag = 0;
  };

  static Index Tag(std::uint64_t hash) {
    return static_cast<Index>(hash >> (64 - std::numeric_limits<Index>::digits));
  }

  // Adds the line at `position` unless an equal line is there already: one slot per distinct line.
  void Insert(Position position) {
    const std::string_view line = At(lines_, position);
    const std::uint64_t hash = HashLine(line);
    for (std::uint64_t at = hash & mask_;; at = (at + 1) & mask_) {
      Slot& slot = slots_[at];
      if (slot.position == 0) {
        slot = {static_cast<Index>(position), Tag(hash)};
        return;
      }
      if (slot.tag == Tag(hash) && CompareText(line, At(lines_, slot.position)) == 0) {
        return;
      }
    }
  }

  const LineList& lines_;
  std::unique_ptr<Slot[]> slots_;
  std::uint64_t mask_ = 0;
};

template <typename Index>
void RunWithIndex(const LineList& source, const LineList& removal, const TextSink& sink) {
  const LineIndex<Index> index(removal);
  const Position count = Count(source);
  for (Position position = 1; position <= count; ++position) {
    if (!index.Contains(At(source, position))) {
      // The line with the CR LF that follows it in the list's own bytes (none for the last one).
      sink.Append(AtWithLineEnd(source, position));
    }
  }
}

}  // namespace

void RunRemoval(const LineList& source, const LineList& removal, const TextSink& sink) {
  if (Count(removal) < std::numeric_limits<std::uint32_t>::max()) {
    RunWithIndex<std::uint32_t>(source, removal, sink);
  } else {
    RunWithIndex<std::uint64_t>(source, removal, sink);
  }
}

}  // namespace varnel
