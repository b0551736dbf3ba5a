#include "removal/removal_run.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

#if defined(_MSC_VER) && (defined(_M_X64) || defined(_M_IX86))
#include <xmmintrin.h>
#endif

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

// Asks the processor to start loading the cache line at `address`; a hint only.
inline void Prefetch(const void* address) {
#if defined(__GNUC__) || defined(__clang__)
  __builtin_prefetch(address);
#elif defined(_MSC_VER) && (defined(_M_X64) || defined(_M_IX86))
  _mm_prefetch(static_cast<const char*>(address), _MM_HINT_T0);
#else
  (void)address;
#endif
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
  }

  // The loads that looking up a line of this hash will wait for, in three steps, each of which
  // needs what the one before has loaded: the first slot the line is looked for in; the start of
  // the line that slot names, when its tag matches; that line's bytes.
  void Prefetch(std::uint64_t hash, int step) const {
    const Slot& slot = slots_[hash & mask_];
    if (step == 0) {
      varnel::Prefetch(&slot);
    } else if (slot.position != 0 && slot.tag == Tag(hash)) {
      const std::size_t* start = &lines_.starts[static_cast<std::size_t>(slot.position - 1)];
      varnel::Prefetch(step == 1 ? static_cast<const void*>(start) : lines_.bytes.get() + *start);
    }
  }

  // Adds the line at `position` unless an equal line is there already: one slot per distinct line.
  void Insert(Position position, std::uint64_t hash) {
    Slot& slot = Find(At(lines_, position), hash);
    if (slot.position == 0) {
      slot = {static_cast<Index>(position), Tag(hash)};
    }
  }

  bool Contains(std::string_view line, std::uint64_t hash) const {
    return Find(line, hash).position != 0;
  }

 private:
  struct Slot {
    Index position = 0;
    Index tag = 0;
  };

  static Index Tag(std::uint64_t hash) {
    return static_cast<Index>(hash >> (64 - std::numeric_limits<Index>::digits));
  }

  // The slot that holds a line equal to `line`, or else the empty slot where it would go.
  Slot& Find(std::string_view line, std::uint64_t hash) const {
    for (std::uint64_t at = hash & mask_;; at = (at + 1) & mask_) {
      Slot& slot = slots_[at];
      if (slot.position == 0 ||
          (slot.tag == Tag(hash) && CompareText(line, At(lines_, slot.position)) == 0)) {
        return slot;
      }
    }
  }

  const LineList& lines_;
  std::unique_ptr<Slot[]> slots_;
  std::uint64_t mask_ = 0;
};

// Calls handle(position, hash) for every line of `lines` in order. The lines go kBatch at a time:
// first each line's hash is taken and the memory its lookup needs is asked into the cache, step by
// step for the whole batch; then the lines are handled. So the loads of a batch overlap instead of
// each waiting for the one before, which on large lists is most of the time a run takes.
template <typename Index, typename Handle>
void ForEachLine(const LineList& lines, const LineIndex<Index>& index, Handle handle) {
  constexpr Position kBatch = 16;
  std::uint64_t hashes[kBatch];
  const Position count = Count(lines);
  for (Position first = 1; first <= count; first += kBatch) {
    const Position size = std::min(kBatch, count - first + 1);
    for (Position k = 0; k < size; ++k) {
      hashes[k] = HashLine(At(lines, first + k));
      index.Prefetch(hashes[k], 0);
    }
    for (int step = 1; step <= 2; ++step) {
      for (Position k = 0; k < size; ++k) {
        index.Prefetch(hashes[k], step);
      }
    }
    for (Position k = 0; k < size; ++k) {
      handle(first + k, hashes[k]);
    }
  }
}

template <typename Index>
void RunWithIndex(const LineList& source, const LineList& removal, const TextSink& sink) {
  LineIndex<Index> index(removal);
  ForEachLine(removal, index,
              [&index](Position position, std::uint64_t hash) { index.Insert(position, hash); });
  ForEachLine(source, index, [&](Position position, std::uint64_t hash) {
    if (!index.Contains(At(source, position), hash)) {
      // The line with the CR LF that follows it in the list's own bytes (none for the last one).
      sink.Append(AtWithLineEnd(source, position));
    }
  });
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
