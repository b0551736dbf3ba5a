// The main window: its form, building it, its window procedure, the key filter and the focus rules.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <string_view>

#include "app/program_state.h"
#include "app/start_command.h"

namespace varnel {

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

// The handlers that the form binds to its events: only the clicked event of 按钮1.
struct FormEvents {
  void (*startClicked)() = OnStartClicked;
};

// Builds the window named by `window` from its form and shows it; on success the main window entry
// is loaded. Fails, showing nothing, when there is no such window or it cannot be created.
// UI thread only.
bool LoadWindow(WindowId window, const FormEvents& events = {});

// The window's key filter, for every message before it is dispatched: true when the message was a
// key that the filter consumed.
bool FilterKey(const MSG& message);

}  // namespace varnel
