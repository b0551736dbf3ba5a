// Conversions between the core's byte text and the window's UTF-16 text.
//
// An edit box holds UTF-16 units, and nothing makes them valid UTF-16: a paste can bring in a
// surrogate with no partner. The core's form of a box's text is UTF-8 extended the way WTF-8
// extends it: such a lone surrogate is written as the three bytes that the UTF-8 pattern gives for
// its value, and read back as that unit. So every unit sequence has exactly one byte form,
// different sequences have different forms (two different lines stay different), and the way back
// gives the same units; valid UTF-16 gives plain UTF-8, byte for byte. CR and LF never occur inside
// the bytes of a longer character, so cutting the bytes at CR LF cuts the units at CR LF.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace varnel {

// The window's units as the core's bytes. Fault: the allocation fault when the bytes cannot be
// had.
std::string WideToUtf8(std::wstring_view text);

// The number of bytes that WideToUtf8 gives for `text`.
std::uint64_t Utf8Size(std::wstring_view text);

// The same bytes into `out`, which has room for Utf8Size(text) of them, with no allocation: for a
// caller that owns the block the bytes go to. Returns how many it wrote.
std::size_t WideToUtf8(std::wstring_view text, std::span<char> out);

// The core's bytes as the window's units. A byte that starts no character, which WideToUtf8 never
// makes, gives U+FFFD. Fault: the allocation fault when the units cannot be had.
std::wstring Utf8ToWide(std::string_view text);

// The same into `out`, with no allocation: writes the units of the whole characters that fit and
// returns how many it wrote. No byte gives more than one unit, so `out` with room for
// text.size() units takes any text whole.
std::size_t Utf8ToWide(std::string_view text, std::span<wchar_t> out);

}  // namespace varnel
