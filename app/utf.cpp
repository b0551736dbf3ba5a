#include "app/utf.h"

#include <cstdint>

#include "app/resize.h"

namespace varnel {
namespace {

bool IsHighSurrogate(std::uint32_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(std::uint32_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

// ---- Units to bytes ----------------------------------------------------------------------------

// One character of the units from `at`: a surrogate pair as one code point, any other unit (a
// lone surrogate too) as itself.
struct CodePoint {
  std::uint32_t value;
  std::size_t units;  // 1 or 2
};

CodePoint CodePointAt(std::wstring_view text, std::size_t at) {
  const std::uint32_t unit = static_cast<std::uint16_t>(text[at]);
  if (IsHighSurrogate(unit) && at + 1 < text.size()) {
    const std::uint32_t next = static_cast<std::uint16_t>(text[at + 1]);
    if (IsLowSurrogate(next)) return {0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00), 2};
  }
  return {unit, 1};
}

std::size_t EncodedLength(std::uint32_t value) {
  return value < 0x80 ? 1 : value < 0x800 ? 2 : value < 0x10000 ? 3 : 4;
}

// Writes the UTF-8 pattern of `value`; a lone surrogate's value takes the three-byte pattern like
// any other value below 0x10000.
char* Encode(std::uint32_t value, char* out) {
  const auto byte = [](std::uint32_t b) {
    return static_cast<char>(static_cast<unsigned char>(b));
  };
  if (value < 0x80) {
    *out++ = byte(value);
  } else if (value < 0x800) {
    *out++ = byte(0xC0 | (value >> 6));
    *out++ = byte(0x80 | (value & 0x3F));
  } else if (value < 0x10000) {
    *out++ = byte(0xE0 | (value >> 12));
    *out++ = byte(0x80 | ((value >> 6) & 0x3F));
    *out++ = byte(0x80 | (value & 0x3F));
  } else {
    *out++ = byte(0xF0 | (value >> 18));
    *out++ = byte(0x80 | ((value >> 12) & 0x3F));
    *out++ = byte(0x80 | ((value >> 6) & 0x3F));
    *out++ = byte(0x80 | (value & 0x3F));
  }
  return out;
}

// ---- Bytes to units ----------------------------------------------------------------------------

// One character of the bytes from `at`: its units and how many bytes it took.
struct Decoded {
  wchar_t units[2];
  std::size_t unitCount;  // 1 or 2
  std::size_t bytes;      // 1 to 4
};

bool IsContinuation(std::string_view text, std::size_t at) {
  return at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80;
}

// A shortest-form sequence of two to four bytes, three-byte forms of surrogate values included;
// anything else is one byte that gives U+FFFD.
Decoded DecodeAt(std::string_view text, std::size_t at) {
  const std::uint32_t lead = static_cast<unsigned char>(text[at]);
  if (lead < 0x80) return {{static_cast<wchar_t>(lead), 0}, 1, 1};

  // The sequence's length, the value bits of its lead byte, and the least value of that length.
  std::size_t length = 0;
  std::uint32_t value = 0;
  std::uint32_t least = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    value = lead & 0x1F;
    least = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    value = lead & 0x0F;
    least = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    value = lead & 0x07;
    least = 0x10000;
  }
  for (std::size_t k = 1; k < length; ++k) {
    if (!IsContinuation(text, at + k)) {
      length = 0;
      break;
    }
    value = (value << 6) | (static_cast<unsigned char>(text[at + k]) & 0x3F);
  }
  if (length == 0 || value < least || value > 0x10FFFF) return {{L'\xFFFD', 0}, 1, 1};
  if (value < 0x10000) return {{static_cast<wchar_t>(value), 0}, 1, length};
  value -= 0x10000;
  return {{static_cast<wchar_t>(0xD800 + (value >> 10)),
           static_cast<wchar_t>(0xDC00 + (value & 0x3FF))},
          2,
          length};
}

}  // namespace

// Both directions take units below 0x80 (bytes below 0x80) one at a time on a short path of their
// own: most text in the boxes is digits, Latin letters and line ends.

std::uint64_t Utf8Size(std::wstring_view text) {
  std::uint64_t size = 0;
  for (std::size_t at = 0; at < text.size();) {
    if (static_cast<std::uint16_t>(text[at]) < 0x80) {
      ++size;
      ++at;
      continue;
    }
    const CodePoint point = CodePointAt(text, at);
    size += EncodedLength(point.value);
    at += point.units;
  }
  return size;
}

std::size_t WideToUtf8(std::wstring_view text, std::span<char> out) {
  char* const first = out.data();
  char* next = first;
  for (std::size_t at = 0; at < text.size();) {
    if (static_cast<std::uint16_t>(text[at]) < 0x80) {
      *next++ = static_cast<char>(text[at]);
      ++at;
      continue;
    }
    const CodePoint point = CodePointAt(text, at);
    next = Encode(point.value, next);
    at += point.units;
  }
  return static_cast<std::size_t>(next - first);
}

std::string WideToUtf8(std::wstring_view text) {
  // First the exact size, so that the bytes are asked for once.
  std::string bytes;
  ResizeOrReport(bytes, Utf8Size(text));
  WideToUtf8(text, bytes);
  return bytes;
}

std::size_t Utf8ToWide(std::string_view text, std::span<wchar_t> out) {
  std::size_t written = 0;
  for (std::size_t at = 0; at < text.size();) {
    if (static_cast<unsigned char>(text[at]) < 0x80) {
      if (written == out.size()) break;
      out[written++] = static_cast<wchar_t>(text[at]);
      ++at;
      continue;
    }
    const Decoded decoded = DecodeAt(text, at);
    if (written + decoded.unitCount > out.size()) break;
    for (std::size_t k = 0; k < decoded.unitCount; ++k) out[written++] = decoded.units[k];
    at += decoded.bytes;
  }
  return written;
}

std::wstring Utf8ToWide(std::string_view text) {
  std::uint64_t size = 0;
  for (std::size_t at = 0; at < text.size();) {
    if (static_cast<unsigned char>(text[at]) < 0x80) {
      ++size;
      ++at;
      continue;
    }
    const Decoded decoded = DecodeAt(text, at);
    size += decoded.unitCount;
    at += decoded.bytes;
  }
  std::wstring units;
  ResizeOrReport(units, size);
  Utf8ToWide(text, units);
  return units;
}

}  // namespace varnel
