// The index of a removal list's lines: the set that the removal run looks each source line up in.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

#if defined(_MSC_VER) && (defined(_M_X64) || defined(_M_IX86))
#include <intrin.h>
#include <xmmintrin.h>
#endif

#include "removal/allocate.h"
#include "removal/line_hash.h"
#include "removal/line_list.h"

namespace varnel {

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

// The upper 64 bits of the 128-bit product of a and b.
inline std::uint64_t MulHigh(std::uint64_t a, std::uint64_t b) {
#if defined(__SIZEOF_INT128__)
  return static_cast<std::uint64_t>((static_cast<unsigned __int128>(a) * b) >> 64);
#elif defined(_MSC_VER) && defined(_M_X64)
  return __umulh(a, b);
#else
  const std::uint64_t a_low = a & 0xFFFFFFFFu;
  const std::uint64_t a_high = a >> 32;
  const std::uint64_t b_low = b & 0xFFFFFFFFu;
  const std::uint64_t b_high = b >> 32;
  const std::uint64_t high_low = a_high * b_low;
  const std::uint64_t middle = (a_low * b_low >> 32) + (high_low & 0xFFFFFFFFu) + a_low * b_high;
  return a_high * b_high + (high_low >> 32) + (middle >> 32);
#endif
}

// Whether the `size` bytes at a and at b are the same. Lines are short: loads of eight, four, two
// or one bytes, the last of them overlapping the one before, instead of a call.
inline bool SameBytes(const char* a, const char* b, std::size_t size) {
  auto same = [a, b]<typename Word>(Word, std::size_t at) {
    Word x;
    Word y;
    std::memcpy(&x, a + at, sizeof x);
    std::memcpy(&y, b + at, sizeof y);
    return x == y;
  };
  if (size >= 8) {
    for (std::size_t at = 0; at + 8 < size; at += 8) {
      if (!same(std::uint64_t{}, at)) {
        return false;
      }
    }
    return same(std::uint64_t{}, size - 8);
  }
  if (size >= 4) {
    return same(std::uint32_t{}, 0) && same(std::uint32_t{}, size - 4);
  }
  if (size >= 2) {
    return same(std::uint16_t{}, 0) && same(std::uint16_t{}, size - 2);
  }
  return size == 0 || *a == *b;
}

// Whether the line of `lines` that begins at byte `start` equals `line`: the same bytes, and then
// the end of that line, which is a CR LF pair or the end of the text. Reads the list's bytes from
// `start` on and nothing else, so that a slot that names a line by where it begins is enough.
template <typename Start>
bool LineAtEquals(const LineSpan<Start>& lines, std::size_t start, std::string_view line) {
  if (line.size() > lines.size - start ||
      !SameBytes(lines.bytes + start, line.data(), line.size())) {
    return false;
  }
  const std::size_t after = start + line.size();
  return after == lines.size ||
         (lines.bytes[after] == '\r' && after + 1 < lines.size && lines.bytes[after + 1] == '\n');
}

// The set of a list's distinct lines: open addressing with linear probing over a table at most
// two thirds full. A slot holds where its line begins in the list's bytes and 32 bits of the line's
// hash, its tag. A lookup reads the slots from the line's home slot on; only where a tag matches
// does it read a line, straight from the bytes the slot names, and the CR LF or the end of the
// text right after decides where that line ends. So a lookup waits for one load of the table and,
// when a tag matches, for one more. `Start` is the width of the list's line starts; a slot takes
// the same width.
template <typename Start>
class LineIndex {
 public:
  // How many slots a list of `count` lines gets.
  static std::size_t CapacityFor(std::size_t count) {
    return std::max<std::size_t>(8, count / 2 * 3 + 2);
  }

  // Where a line of hash `hash` is looked for first, in a table of `capacity` slots: the hash's
  // upper bits scaled to the table.
  static std::size_t HomeSlot(std::uint64_t hash, std::size_t capacity) {
    return static_cast<std::size_t>(MulHigh(hash, capacity));
  }

  // The part of a line's hash that its slot keeps: the lower 32 bits, which the home slot depends
  // on least.
  static std::uint32_t Tag(std::uint64_t hash) { return static_cast<std::uint32_t>(hash); }

  // The index of every line of `lines`, hashed under `key`. The lines must outlive the index.
  LineIndex(const LineSpan<Start>& lines, const HashKey& key);

  const HashKey& Key() const { return key_; }
  std::size_t Capacity() const { return capacity_; }

  // Whether a line equal to `line`, whose hash under Key() is `hash`, is in the set.
  bool Contains(std::string_view line, std::uint64_t hash) const {
    const std::uint32_t tag = Tag(hash);
    for (std::size_t at = HomeSlot(hash, capacity_);; at = Next(at)) {
      const Slot slot = slots_[at];
      if (slot.start == 0) {
        return false;
      }
      if (slot.tag == tag && Holds(slot, line)) {
        return true;
      }
    }
  }

  // How many slots a lookup of `line` reads before it finds the line or an empty slot.
  std::size_t Probes(std::string_view line) const {
    const std::uint64_t hash = HashLine(line, key_);
    std::size_t probes = 1;
    for (std::size_t at = HomeSlot(hash, capacity_);; at = Next(at), ++probes) {
      const Slot slot = slots_[at];
      if (slot.start == 0 || (slot.tag == Tag(hash) && Holds(slot, line))) {
        return probes;
      }
    }
  }

  // Asks the home slot of a line of hash `hash` into the cache, ahead of the lookup that waits for
  // it.
  void PrefetchSlot(std::uint64_t hash) const { Prefetch(&slots_[HomeSlot(hash, capacity_)]); }

 private:
  struct Slot {
    Start start = 0;  // where the line begins in the bytes, plus 1; 0 for an empty slot
    std::uint32_t tag = 0;
  };

  std::size_t Next(std::size_t at) const { return at + 1 == capacity_ ? 0 : at + 1; }

  bool Holds(const Slot& slot, std::string_view line) const {
    return LineAtEquals(lines_, static_cast<std::size_t>(slot.start - 1), line);
  }

  // Adds line `index` of the list unless an equal line is there already: one slot per distinct
  // line.
  void Insert(std::size_t index, std::uint64_t hash) {
    const std::string_view line = lines_.Line(index);
    const std::uint32_t tag = Tag(hash);
    for (std::size_t at = HomeSlot(hash, capacity_);; at = Next(at)) {
      Slot& slot = slots_[at];
      if (slot.start == 0) {
        slot = {static_cast<Start>(lines_.starts[index] + 1), tag};
        return;
      }
      if (slot.tag == tag && Holds(slot, line)) {
        return;
      }
    }
  }

  LineSpan<Start> lines_;
  HashKey key_;
  std::size_t capacity_;
  std::unique_ptr<Slot[]> slots_;
};

// Calls handle(index, hash) for every line of `lines` in order, with the line's hash under the
// index's key. Each line is hashed and its home slot asked for kAhead lines before it is handled,
// so the loads of many lookups overlap instead of each waiting for the one before: on large lists
// that wait is most of the time a run takes. The line that a slot names is not asked for ahead:
// the slot holds where it begins, so its load follows the slot's at once, and asking for it ahead
// measured no faster.
template <typename Start, typename IndexStart, typename Handle>
void ForEachLine(const LineSpan<Start>& lines, const LineIndex<IndexStart>& index, Handle handle) {
  constexpr std::size_t kAhead = 16;
  std::uint64_t hashes[kAhead];
  const std::size_t count = lines.count;
  for (std::size_t k = 0; k < count + kAhead; ++k) {
    if (k >= kAhead) {
      handle(k - kAhead, hashes[k % kAhead]);
    }
    if (k < count) {
      const std::uint64_t hash = HashLine(lines.Line(k), index.Key());
      hashes[k % kAhead] = hash;
      index.PrefetchSlot(hash);
    }
  }
}

template <typename Start>
LineIndex<Start>::LineIndex(const LineSpan<Start>& lines, const HashKey& key)
    : lines_(lines), key_(key), capacity_(CapacityFor(lines.count)) {
  slots_ = AllocateArray<Slot>(capacity_);
  std::fill_n(slots_.get(), capacity_, Slot{});
  ForEachLine(lines, *this, [this](std::size_t index, std::uint64_t hash) { Insert(index, hash); });
}

}  // namespace varnel
