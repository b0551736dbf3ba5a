#include "removal/line_hash.h"

#include <chrono>
#include <cstdint>
#include <cstring>
#include <string_view>

#ifdef _WIN32
#include <windows.h>
// windows.h first: bcrypt.h needs its types.
#include <bcrypt.h>
#else
#include <unistd.h>
#endif

namespace varnel {
namespace {

// Fills `bytes` from the system's random source; false when the source gives nothing.
bool SystemRandom(unsigned char* bytes, std::size_t size) {
#ifdef _WIN32
  return BCryptGenRandom(nullptr, bytes, static_cast<ULONG>(size),
                         BCRYPT_USE_SYSTEM_PREFERRED_RNG) >= 0;
#else
  return getentropy(bytes, size) == 0;
#endif
}

HashKey DrawKey() {
  unsigned char bytes[16] = {};
  if (!SystemRandom(bytes, sizeof bytes)) {
    // No system this runs on fails here. Should one, the key still differs from process to process:
    // the time and where the stack and the code lie, stirred through the hash itself.
    const std::uint64_t parts[] = {
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()),
        static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()),
        reinterpret_cast<std::uintptr_t>(&bytes), reinterpret_cast<std::uintptr_t>(&DrawKey)};
    const std::string_view seed(reinterpret_cast<const char*>(parts), sizeof parts);
    const std::uint64_t k0 = HashLine(seed, HashKey{0, 1});
    const std::uint64_t k1 = HashLine(seed, HashKey{2, 3});
    std::memcpy(bytes, &k0, 8);
    std::memcpy(bytes + 8, &k1, 8);
  }
  HashKey key;
  key.k0 = LoadLittleEndian(reinterpret_cast<const char*>(bytes));
  key.k1 = LoadLittleEndian(reinterpret_cast<const char*>(bytes + 8));
  return key;
}

}  // namespace

const HashKey& ProcessHashKey() {
  static const HashKey key = DrawKey();
  return key;
}

}  // namespace varnel
