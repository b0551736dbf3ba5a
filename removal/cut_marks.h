// Finding the CR LF pairs that cut a text into lines, 64 bytes at a time, as one bit per byte.
//
// Where the processor has SSE2 (every x86-64, and x86 built for it) sixteen bytes are compared at
// once; elsewhere a portable form compares eight at a time inside a 64-bit number. Both give the
// same marks, which a test checks on the processors that have both.
#pragma once

#include <cstddef>
#include <cstdint>

#include "removal/little_endian.h"

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define VARNEL_HAS_SSE2 1
#include <emmintrin.h>
#else
#define VARNEL_HAS_SSE2 0
#endif

namespace varnel {

// The bits of 64 bytes' marks: bit k stands for byte k.
using CutMarks = std::uint64_t;

// The number of bits set, without a call: the processors this is built for need not have an
// instruction for it.
inline int CountBits(std::uint64_t x) {
  x -= (x >> 1) & 0x5555555555555555u;
  x = (x & 0x3333333333333333u) + ((x >> 2) & 0x3333333333333333u);
  x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
  return static_cast<int>((x * 0x0101010101010101u) >> 56);
}

// The marks of the cuts from two masks of 64 bytes, the CRs and the LFs: a CR followed by an LF,
// the byte after the last given by `next_is_lf`. Pairs never overlap (a CR is no LF), so these are
// exactly the cuts, and no two marks are neighbours.
inline CutMarks CutsFrom(std::uint64_t crs, std::uint64_t lfs, bool next_is_lf) {
  return crs & (lfs >> 1 | std::uint64_t{next_is_lf} << 63);
}

// The marks of the 64 bytes at `bytes`, eight bytes at a time in a 64-bit number.
inline CutMarks FindCutsPortable(const char* bytes, bool next_is_lf) {
  constexpr std::uint64_t kLowBits = 0x7F7F7F7F7F7F7F7Fu;
  constexpr std::uint64_t kEveryByte = 0x0101010101010101u;
  // One bit per byte equal to `byte`, the first byte's lowest: the exact test for a zero byte
  // (no borrow from one byte into the next), then the bytes' top bits gathered by a multiply that
  // cannot carry, as each bit lands on a column of its own.
  auto equal_to = [](std::uint64_t word, unsigned char byte) {
    const std::uint64_t x = word ^ (kEveryByte * byte);
    const std::uint64_t tops = ~(((x & kLowBits) + kLowBits) | x | kLowBits);
    return ((tops >> 7) * 0x0102040810204080u) >> 56;
  };
  std::uint64_t crs = 0;
  std::uint64_t lfs = 0;
  for (int k = 0; k < 8; ++k) {
    const std::uint64_t word = LoadLittleEndian(bytes + 8 * k);
    crs |= equal_to(word, '\r') << (8 * k);
    lfs |= equal_to(word, '\n') << (8 * k);
  }
  return CutsFrom(crs, lfs, next_is_lf);
}

#if VARNEL_HAS_SSE2
// The same sixteen bytes at a time.
inline CutMarks FindCutsSse2(const char* bytes, bool next_is_lf) {
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  std::uint64_t crs = 0;
  std::uint64_t lfs = 0;
  for (int k = 0; k < 4; ++k) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 16 * k));
    crs |= std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, cr)))}
           << (16 * k);
    lfs |= std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, lf)))}
           << (16 * k);
  }
  return CutsFrom(crs, lfs, next_is_lf);
}
#endif

inline CutMarks FindCuts(const char* bytes, bool next_is_lf) {
#if VARNEL_HAS_SSE2
  return FindCutsSse2(bytes, next_is_lf);
#else
  return FindCutsPortable(bytes, next_is_lf);
#endif
}

}  // namespace varnel
