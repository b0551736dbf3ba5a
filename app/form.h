// The main window's form: pure data. The identifiers by which every part of the program names the
// window and its controls, and each entry's kind, child ID, geometry, text and styles. Building
// the window from it: app/window.h; its focus and keys: app/focus.h.
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace varnel {

using WindowId = std::uint32_t;
using ControlId = std::uint32_t;

// Identifiers of the form. Nothing reaches the window or a control by any other means.
inline constexpr WindowId kMainWindow = 0x52010001;
inline constexpr ControlId 编辑框1 = 0x16010002;
inline constexpr ControlId 编辑框2 = 0x16010003;
inline constexpr ControlId 编辑框3 = 0x16010004;
inline constexpr ControlId 标签1 = 0x16010005;
inline constexpr ControlId 按钮1 = 0x16010006;

inline constexpr ControlId kFirstControl = 编辑框1;
inline constexpr std::size_t kControlCount = 5;

enum class FormKind { kWindow, kButton, kLabel, kEditBox };

// Outer rectangle: of the window on the screen, of a control in the window's client area.
struct FormRect {
  int left;
  int top;
  int width;
  int height;
};

// One entry of a form: the window itself or one of its controls.
struct FormEntry {
  std::wstring_view name;
  FormKind kind;
  std::uint32_t identifier;
  int childId;  // the control's ID as a child window; 0 for the window itself
  FormRect rect;
  std::wstring_view text;
  DWORD style;
  DWORD exStyle;
};

inline constexpr int kWindowWidth = 383;
inline constexpr int kWindowHeight = 302;

inline constexpr DWORD kEditBoxStyle =
    WS_CHILD | WS_TABSTOP | WS_CLIPSIBLINGS | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;

// The main window's form. Its order is the stacking order of the controls, the first control on
// top; the controls are created in the reverse order, which their child IDs follow.
inline constexpr std::array<FormEntry, 6> kMainForm{{
    // The window is centred on the screen: the 50, 50 stored here are not used.
    {L"启动窗口",
     FormKind::kWindow,
     kMainWindow,
     0,
     {50, 50, kWindowWidth, kWindowHeight},
     L"Varnel",
     WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN,
     0},
    {L"按钮1",
     FormKind::kButton,
     按钮1,
     140,
     {128, 232, 128, 32},
     L"开始",
     WS_CHILD | WS_TABSTOP | WS_CLIPSIBLINGS | BS_PUSHBUTTON | BS_CENTER | BS_VCENTER |
         BS_MULTILINE,
     0},
    {L"标签1",
     FormKind::kLabel,
     标签1,
     130,
     {24, 200, 352, 24},
     L"原始文本             需剔除文本            余下文本",
     WS_CHILD | WS_CLIPSIBLINGS,
     0},
    {L"编辑框3",
     FormKind::kEditBox,
     编辑框3,
     120,
     {264, 8, 104, 184},
     L"",
     kEditBoxStyle,
     WS_EX_CLIENTEDGE},
    {L"编辑框2",
     FormKind::kEditBox,
     编辑框2,
     110,
     {140, 8, 104, 184},
     L"",
     kEditBoxStyle,
     WS_EX_CLIENTEDGE},
    {L"编辑框1",
     FormKind::kEditBox,
     编辑框1,
     100,
     {16, 8, 104, 184},
     L"",
     kEditBoxStyle,
     WS_EX_CLIENTEDGE},
}};

// Window classes of the main window and of the self-drawn label.
inline constexpr wchar_t kMainWindowClass[] = L"VarnelWindow";
inline constexpr wchar_t kLabelClass[] = L"VarnelLabel";

// The child ID of the control with identifier `control`; 0 when the form has no such control.
constexpr int ChildIdOf(ControlId control) {
  for (const FormEntry& entry : kMainForm) {
    if (entry.kind != FormKind::kWindow && entry.identifier == control) return entry.childId;
  }
  return 0;
}

}  // namespace varnel
