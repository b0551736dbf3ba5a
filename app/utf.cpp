#include "app/utf.h"

#include <windows.h>

#include <climits>
#include <new>
#include <stdexcept>

#include "app/fault.h"

namespace varnel {
namespace {

// A failed allocation is the allocation fault, with the bytes asked for, not an exception.
template <typename String>
void GrowOrReport(String& text, std::size_t size) {
  try {
    text.resize(size);
  } catch (const std::bad_alloc&) {
    ReportAllocationFailure(size * sizeof(typename String::value_type));
  } catch (const std::length_error&) {
    ReportAllocationFailure(size * sizeof(typename String::value_type));
  }
}

}  // namespace

// Both conversions work in pieces of at most INT_MAX units, the most one call can take. A piece
// never ends inside a character: UTF-8 pieces end before a continuation byte, UTF-16 pieces before
// a low surrogate.

std::wstring Utf8ToWide(std::string_view text) {
  std::wstring wide;
  while (!text.empty()) {
    std::size_t take = text.size() < INT_MAX ? text.size() : INT_MAX;
    while (take < text.size() && take > 0 &&
           (static_cast<unsigned char>(text[take]) & 0xC0) == 0x80)
      --take;
    const int in = static_cast<int>(take);
    const int out = MultiByteToWideChar(CP_UTF8, 0, text.data(), in, nullptr, 0);
    const std::size_t at = wide.size();
    GrowOrReport(wide, at + static_cast<std::size_t>(out));
    MultiByteToWideChar(CP_UTF8, 0, text.data(), in, wide.data() + at, out);
    text.remove_prefix(take);
  }
  return wide;
}

std::string WideToUtf8(std::wstring_view text) {
  std::string narrow;
  while (!text.empty()) {
    std::size_t take = text.size() < INT_MAX / 3 ? text.size() : INT_MAX / 3;
    if (take < text.size() && IS_LOW_SURROGATE(text[take])) --take;
    const int in = static_cast<int>(take);
    const int out = WideCharToMultiByte(CP_UTF8, 0, text.data(), in, nullptr, 0, nullptr, nullptr);
    const std::size_t at = narrow.size();
    GrowOrReport(narrow, at + static_cast<std::size_t>(out));
    WideCharToMultiByte(CP_UTF8, 0, text.data(), in, narrow.data() + at, out, nullptr, nullptr);
    text.remove_prefix(take);
  }
  return narrow;
}

}  // namespace varnel
