// Conversions between the core's UTF-8 text and the window's UTF-16 text.
#pragma once

#include <string>
#include <string_view>

namespace varnel {

std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);

}  // namespace varnel
