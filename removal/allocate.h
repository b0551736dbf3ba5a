// Allocation for the line-removal core: every request names its exact size in bytes, and a request
// that cannot be met ends in the allocation fault instead of an exception or a silent abort.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>

#include "removal/fault.h"

namespace varnel {

// An array of `count` elements, left uninitialised for the caller to fill. When `count` elements do
// not fit in the address space, or the heap cannot give them, reports the fault with the bytes
// asked for (saturated at the largest 64-bit number when even that count overflows).
template <typename T>
std::unique_ptr<T[]> AllocateArray(std::uint64_t count) {
  constexpr std::uint64_t kMaxBytes = std::numeric_limits<std::uint64_t>::max();
  const std::uint64_t bytes = count > kMaxBytes / sizeof(T) ? kMaxBytes : count * sizeof(T);
  if (count > std::numeric_limits<std::size_t>::max() / sizeof(T)) {
    ReportAllocationFailure(bytes);
  }
  T* array = new (std::nothrow) T[static_cast<std::size_t>(count)];
  if (array == nullptr) {
    ReportAllocationFailure(bytes);
  }
  return std::unique_ptr<T[]>(array);
}

}  // namespace varnel
