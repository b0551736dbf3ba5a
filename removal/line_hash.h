// The hash through which the removal run finds lines: SipHash-1-3 under a secret key.
//
// A hash without a key can be inverted: anyone can make as many different lines with one hash as
// they like, and those lines then fill one run of the index, which makes a run quadratic in their
// number. SipHash is a keyed function built for hash tables: no collisions are known that hold
// whatever the key is, so lines made to collide under one key spread under another. The key of the
// process is drawn once from the system's random source; lines handed to the tool cannot be made
// for it.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "removal/little_endian.h"

namespace varnel {

// The 128-bit key: k0 from the key's first eight bytes, k1 from the last eight, each read with its
// lowest byte first.
struct HashKey {
  std::uint64_t k0 = 0;
  std::uint64_t k1 = 0;
};

// The key of this process: drawn from the system's random source (BCryptGenRandom on Windows,
// getentropy elsewhere) the first time any thread asks for it, and the same from then on. It lives
// in a function-local static of line_hash.cpp, the core's only state that outlives a run.
const HashKey& ProcessHashKey();

namespace sip {

struct State {
  std::uint64_t v0, v1, v2, v3;

  void Round() {
    v0 += v1;
    v1 = std::rotl(v1, 13);
    v1 ^= v0;
    v0 = std::rotl(v0, 32);
    v2 += v3;
    v3 = std::rotl(v3, 16);
    v3 ^= v2;
    v0 += v3;
    v3 = std::rotl(v3, 21);
    v3 ^= v0;
    v2 += v1;
    v1 = std::rotl(v1, 17);
    v1 ^= v2;
    v2 = std::rotl(v2, 32);
  }

  // One compression round per word: the "1" of SipHash-1-3.
  void Absorb(std::uint64_t word) {
    v3 ^= word;
    Round();
    v0 ^= word;
  }
};

}  // namespace sip

// SipHash-1-3 of `bytes` under `key`: one round per eight bytes and three to finish.
inline std::uint64_t HashLine(std::string_view bytes, const HashKey& key) {
  sip::State s{key.k0 ^ 0x736F6D6570736575u, key.k1 ^ 0x646F72616E646F6Du,
               key.k0 ^ 0x6C7967656E657261u, key.k1 ^ 0x7465646279746573u};
  const char* at = bytes.data();
  std::size_t left = bytes.size();
  for (; left >= 8; at += 8, left -= 8) {
    s.Absorb(LoadLittleEndian(at));
  }
  // The last zero to seven bytes, lowest first, under the length's lowest byte. A text of eight
  // bytes or more has them at the top of its last eight, read at once and shifted down (in two
  // steps, so that seven bytes' worth of shift is the most taken at once and none is left for no
  // bytes at all); a shorter text reads them in loads of four or single bytes that may overlap.
  std::uint64_t last = static_cast<std::uint64_t>(bytes.size()) << 56;
  if (bytes.size() >= 8) {
    last |= (LoadLittleEndian(at + left - 8) >> 1) >> (63 - 8 * left);
  } else if (left >= 4) {
    last |= LoadLittleEndian32(at) | std::uint64_t{LoadLittleEndian32(at + left - 4)}
                                         << (8 * (left - 4));
  } else if (left > 0) {
    auto byte = [at](std::size_t k) {
      return std::uint64_t{static_cast<unsigned char>(at[k])} << (8 * k);
    };
    last |= byte(0) | byte(left / 2) | byte(left - 1);
  }
  s.Absorb(last);
  s.v2 ^= 0xFF;
  s.Round();
  s.Round();
  s.Round();
  return s.v0 ^ s.v1 ^ s.v2 ^ s.v3;
}

}  // namespace varnel
