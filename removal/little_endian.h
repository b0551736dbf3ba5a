// Reading eight bytes as one number the same way on every processor.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace varnel {

// The eight bytes at `at` as a number whose lowest byte is the first of them.
inline std::uint64_t LoadLittleEndian(const char* at) {
  std::uint64_t word;
  std::memcpy(&word, at, 8);
  if constexpr (std::endian::native == std::endian::big) {
    std::uint64_t swapped = 0;
    for (int k = 0; k < 8; ++k) {
      swapped = (swapped << 8) | ((word >> (8 * k)) & 0xFF);
    }
    word = swapped;
  }
  return word;
}

// The four bytes at `at` as a number whose lowest byte is the first of them.
inline std::uint32_t LoadLittleEndian32(const char* at) {
  std::uint32_t word;
  std::memcpy(&word, at, 4);
  if constexpr (std::endian::native == std::endian::big) {
    word = (word >> 24) | ((word >> 8) & 0xFF00) | ((word << 8) & 0xFF0000) | (word << 24);
  }
  return word;
}

}  // namespace varnel
