// Growing a string to a size known in advance, where a failed allocation is the allocation fault
// with the bytes asked for, never an exception.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <new>
#include <stdexcept>

#include "app/fault.h"

namespace varnel {

// The bytes of `count` elements, saturated at the largest 64-bit number.
template <typename Element>
constexpr std::uint64_t BytesOf(std::uint64_t count) {
  constexpr std::uint64_t kMaxBytes = std::numeric_limits<std::uint64_t>::max();
  return count > kMaxBytes / sizeof(Element) ? kMaxBytes : count * sizeof(Element);
}

// Sets the size of `text` to `size` elements. False, with nothing thrown and `text` unchanged,
// when the heap cannot give them or the string cannot hold that many. For a caller that must
// report the fault elsewhere, as a step of the UI thread does.
template <typename String>
bool TryResize(String& text, std::uint64_t size) noexcept {
  if (size > text.max_size()) return false;
  try {
    text.resize(static_cast<std::size_t>(size));
  } catch (const std::bad_alloc&) {
    return false;
  } catch (const std::length_error&) {
    return false;
  }
  return true;
}

// Sets the size of `text` to `size` elements; when that fails, reports the allocation fault with
// the bytes asked for.
template <typename String>
void ResizeOrReport(String& text, std::uint64_t size) {
  if (!TryResize(text, size)) ReportAllocationFailure(BytesOf<typename String::value_type>(size));
}

}  // namespace varnel
