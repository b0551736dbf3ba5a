#include "app/focus.h"

#include <array>
#include <cstddef>
#include <cwctype>
#include <span>
#include <string_view>

#include "app/program_state.h"

namespace varnel {
namespace {

// The controls that Tab visits, in order: visible, enabled tab stops, never labels. All of them
// have the same tab-order number, so they follow the form from its last entry to its first.
struct TabOrder {
  std::array<HWND, kControlCount> controls{};
  std::size_t count = 0;
};

TabOrder TabOrderOf(HWND window) {
  TabOrder order;
  for (auto entry = kMainForm.rbegin(); entry + 1 != kMainForm.rend(); ++entry) {
    if (entry->kind == FormKind::kLabel) continue;
    HWND control = GetDlgItem(window, entry->childId);
    if (control == nullptr || !(GetWindowLongW(control, GWL_STYLE) & WS_TABSTOP)) continue;
    if (!IsWindowVisible(control) || !IsWindowEnabled(control)) continue;
    order.controls[order.count++] = control;
  }
  return order;
}

// Moves the focus one step forward or back in the tab order, wrapping around. Nothing moves when
// the focus is on none of the tab order's controls.
void StepFocus(HWND window, HWND focus, bool backward) {
  const TabOrder order = TabOrderOf(window);
  for (std::size_t at = 0; at < order.count; ++at) {
    if (order.controls[at] != focus) continue;
    const std::size_t next =
        backward ? (at + order.count - 1) % order.count : (at + 1) % order.count;
    SetFocus(order.controls[next]);
    return;
  }
}

// A control wants a key when its kind says so: a multi-line edit box that is not read-only wants
// Enter; no control wants any other key.
bool ControlWantsKey(HWND window, HWND control, WPARAM key) {
  const FormEntry* entry = EntryOfControl(window, control);
  if (entry == nullptr || entry->kind != FormKind::kEditBox) return false;
  const LONG style = GetWindowLongW(control, GWL_STYLE);
  return key == VK_RETURN && (style & ES_MULTILINE) && !(style & ES_READONLY);
}

bool IsDefaultButton(HWND control) {
  return (GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
}

// The button that Enter clicks: the focused control when it is a default push button, or else the
// form's first default push button. This form has none.
HWND DefaultButton(HWND window, HWND focus) {
  if (const FormEntry* entry = EntryOfControl(window, focus);
      entry && entry->kind == FormKind::kButton && IsDefaultButton(focus)) {
    return focus;
  }
  for (const FormEntry& entry : std::span(kMainForm).subspan(1)) {
    if (entry.kind != FormKind::kButton) continue;
    if (HWND button = GetDlgItem(window, entry.childId); button && IsDefaultButton(button))
      return button;
  }
  return nullptr;
}

// The visible, enabled button whose caption marks `key` with an ampersand. No caption of this
// form marks a letter, so there is none.
HWND MnemonicButton(HWND window, WPARAM key) {
  for (const FormEntry& entry : std::span(kMainForm).subspan(1)) {
    if (entry.kind != FormKind::kButton) continue;
    HWND button = GetDlgItem(window, entry.childId);
    if (button == nullptr || !IsWindowVisible(button) || !IsWindowEnabled(button)) continue;
    const std::wstring_view caption = entry.text;
    for (std::size_t at = caption.find(L'&'); at != caption.npos && at + 1 < caption.size();
         at = caption.find(L'&', at + 2)) {
      if (std::towupper(caption[at + 1]) == static_cast<wint_t>(key)) return button;
    }
  }
  return nullptr;
}

bool IsDown(int key) {
  return GetKeyState(key) < 0;
}

}  // namespace

const FormEntry* EntryOfControl(HWND window, HWND control) {
  if (control == nullptr || GetParent(control) != window) return nullptr;
  const int childId = GetDlgCtrlID(control);
  for (const FormEntry& entry : std::span(kMainForm).subspan(1))
    if (entry.childId == childId) return &entry;
  return nullptr;
}

HWND FocusTarget(HWND window, HWND remembered) {
  if (remembered != nullptr && IsWindow(remembered) && IsChild(window, remembered))
    return remembered;
  const TabOrder order = TabOrderOf(window);
  return order.count > 0 ? order.controls[0] : nullptr;
}

bool FilterKey(const MSG& message) {
  if (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN) return false;
  HWND window = Program().mainWindow.load();
  if (window == nullptr || (message.hwnd != window && !IsChild(window, message.hwnd))) return false;

  const WPARAM key = message.wParam;
  const bool ctrl = IsDown(VK_CONTROL);
  const bool shift = IsDown(VK_SHIFT);
  const bool alt = (HIWORD(message.lParam) & KF_ALTDOWN) != 0 || IsDown(VK_MENU);
  HWND focus = GetFocus();
  const bool wanted = ControlWantsKey(window, focus, key);

  if (key == VK_TAB && !ctrl && !alt) {
    if (wanted) return false;
    StepFocus(window, focus, shift);
    return true;
  }
  if (ctrl || alt || shift) {
    const bool letterOrDigit = (key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9');
    if (!alt || ctrl || shift || !letterOrDigit) return false;
    if (HWND button = MnemonicButton(window, key)) SendMessageW(button, BM_CLICK, 0, 0);
    return true;
  }
  switch (key) {
    case VK_RETURN:
      if (wanted) return false;
      if (HWND button = DefaultButton(window, focus)) {
        SendMessageW(button, BM_CLICK, 0, 0);
        return true;
      }
      return false;  // the key goes on to the focused control, which does nothing with it
    case VK_ESCAPE:
      if (wanted) return false;
      SendMessageW(window, WM_CLOSE, 0, 0);
      return true;
    case VK_F1:
      return true;  // the window opens no help
    default:
      return false;
  }
}

}  // namespace varnel
