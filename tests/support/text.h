// Texts as the tests read and make them: a window's text and class name, a text for a message, and
// lines joined into the text of a box.
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace varnel::test {

// The text of a window of this process (GetWindowTextW). A window of another process answers only
// its own WM_GETTEXT: remote_program.h's GetText sends it.
inline std::wstring TextOf(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

// The class name of any window.
inline std::wstring ClassOf(HWND window) {
  std::array<wchar_t, 256> name{};
  const int length = GetClassNameW(window, name.data(), static_cast<int>(name.size()));
  return std::wstring(name.data(), static_cast<std::size_t>(length));
}

// The text as UTF-8, for a test's messages.
inline std::string Narrow(std::wstring_view text) {
  std::string utf8(text.size() * 4, '\0');
  utf8.resize(static_cast<std::size_t>(
      WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(),
                          static_cast<int>(utf8.size()), nullptr, nullptr)));
  return utf8;
}

// The lines with CR LF between them, as a box holds them: none after the last.
inline std::wstring Join(const std::vector<std::wstring>& lines) {
  std::wstring text;
  for (std::size_t i = 0; i < lines.size(); ++i) text += (i > 0 ? L"\r\n" : L"") + lines[i];
  return text;
}

}  // namespace varnel::test
