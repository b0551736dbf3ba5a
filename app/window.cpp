#include "app/window.h"

#include <array>
#include <memory>
#include <new>
#include <span>
#include <string>

#include "app/accessible_names.h"
#include "app/editbox/output.h"
#include "app/fault.h"
#include "app/focus.h"
#include "app/handles.h"
#include "app/program_state.h"
#include "app/ui_call.h"

namespace varnel {
namespace {

constexpr wchar_t kIconName[] = L"DEFAULT_ICON";

// What the main window keeps for itself, owned by the window: made at WM_NCCREATE, freed at
// WM_NCDESTROY.
struct MainWindowData {
  FormEvents events;
  HWND lastFocus = nullptr;  // the control that had the focus when the window was deactivated
};

HFONT GuiFont() {
  return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

HINSTANCE Instance() {
  return GetModuleHandleW(nullptr);
}

MainWindowData* DataOf(HWND window) {
  return reinterpret_cast<MainWindowData*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

std::span<const FormEntry> FindForm(WindowId window) {
  if (window == kMainWindow) return kMainForm;
  return {};
}

// ---- Focus -------------------------------------------------------------------------------------

// The window passes the focus on at once (app/focus.h).
void OnSetFocus(HWND window) {
  const MainWindowData* data = DataOf(window);
  if (HWND target = FocusTarget(window, data ? data->lastFocus : nullptr)) SetFocus(target);
}

// Remembers the focused control when the window is deactivated, for OnSetFocus.
void OnActivate(HWND window, WPARAM wParam) {
  if (LOWORD(wParam) != WA_INACTIVE) return;  // the default activation then gives us the focus
  HWND focus = GetFocus();
  if (MainWindowData* data = DataOf(window); data && focus && IsChild(window, focus))
    data->lastFocus = focus;
}

// ---- Painting ----------------------------------------------------------------------------------

void OnPaint(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  FillRect(dc, &paint.rcPaint, GetSysColorBrush(COLOR_BTNFACE));
  EndPaint(window, &paint);
}

// An edit box draws black text on white.
LRESULT OnEditColour(HDC dc) {
  SetTextColor(dc, RGB(0, 0, 0));
  SetBkColor(dc, RGB(0xFF, 0xFF, 0xFF));
  return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
}

void OnLabelPaint(HWND label) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(label, &paint);
  RECT client;
  GetClientRect(label, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));

  std::array<wchar_t, 128> text{};
  const int length = GetWindowTextW(label, text.data(), static_cast<int>(text.size()));
  const HGDIOBJ oldFont = SelectObject(dc, GuiFont());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  DrawTextW(dc, text.data(), length, &client, DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOCLIP);
  SelectObject(dc, oldFont);
  EndPaint(label, &paint);
}

LRESULT CALLBACK LabelProc(HWND label, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    OnLabelPaint(label);
    return 0;
  }
  return DefWindowProcW(label, message, wParam, lParam);
}

// ---- The main window's life --------------------------------------------------------------------

void OnNcCreate(HWND window, LPARAM lParam) {
  const auto& create = *reinterpret_cast<const CREATESTRUCTW*>(lParam);
  auto* data =
      new (std::nothrow) MainWindowData{*static_cast<const FormEvents*>(create.lpCreateParams)};
  if (data == nullptr) ReportAllocationFailure(sizeof(MainWindowData));
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(data));
}

// The one event that the form binds, the clicked event of 按钮1, passes the event gate: while
// eventHold is above 0 it is dropped without a trace.
void OnCommand(HWND window, WPARAM wParam, LPARAM lParam) {
  if (HIWORD(wParam) != BN_CLICKED) return;
  const FormEntry* entry = EntryOfControl(window, reinterpret_cast<HWND>(lParam));
  if (entry == nullptr || entry->identifier != 按钮1) return;
  if (eventHold.load() != 0) return;
  if (const MainWindowData* data = DataOf(window); data && data->events.startClicked)
    data->events.startClicked();
}

// The very end of the window: its entry goes back to not loaded, so that every later lookup fails,
// and with no loaded window left the message loop is asked to end.
void OnNcDestroy(HWND window) {
  std::unique_ptr<MainWindowData> data(
      reinterpret_cast<MainWindowData*>(SetWindowLongPtrW(window, GWLP_USERDATA, 0)));
  ProgramState& program = Program();
  if (program.mainWindow.load() != window) return;  // a window whose building failed
  CloseOutput();
  program.mainWindow.store(nullptr);
  program.controls = {};
  EntryState loaded = EntryState::kLoaded;
  program.mainWindowEntry.compare_exchange_strong(loaded, EntryState::kNotLoaded);
  PostQuitMessage(0);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCCREATE:
      OnNcCreate(window, lParam);
      break;
    case WM_PAINT:
      OnPaint(window);
      return 0;
    case WM_CTLCOLOREDIT:
      return OnEditColour(reinterpret_cast<HDC>(wParam));
    case WM_COMMAND:
      OnCommand(window, wParam, lParam);
      return 0;
    case WM_ACTIVATE:
      OnActivate(window, wParam);
      break;
    case WM_SETFOCUS:
      OnSetFocus(window);
      return 0;
    case WM_NCDESTROY:
      OnNcDestroy(window);
      break;
    case kUiCallMessage:
      return HandleUiCall(wParam, lParam);
    case kOutputWakeMessage:
      OnOutputWake(window);
      return 0;
    case WM_TIMER:
      if (wParam != kOutputTimer) break;
      OnOutputTimer(window);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// ---- Building ----------------------------------------------------------------------------------

bool RegisterOnce(const WNDCLASSEXW& windowClass) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof(existing);
  if (GetClassInfoExW(windowClass.hInstance, windowClass.lpszClassName, &existing)) return true;
  return RegisterClassExW(&windowClass) != 0;
}

// Both classes have the arrow cursor, no class icon and no background brush: they paint their own.
bool RegisterWindowClasses() {
  WNDCLASSEXW main{};
  main.cbSize = sizeof(main);
  main.lpfnWndProc = MainWindowProc;
  main.hInstance = Instance();
  main.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  main.lpszClassName = kMainWindowClass;
  WNDCLASSEXW label = main;
  label.lpfnWndProc = LabelProc;
  label.lpszClassName = kLabelClass;
  return RegisterOnce(main) && RegisterOnce(label);
}

const wchar_t* ClassOf(FormKind kind) {
  switch (kind) {
    case FormKind::kButton:
      return L"Button";
    case FormKind::kLabel:
      return kLabelClass;
    case FormKind::kEditBox:
      return L"Edit";
    case FormKind::kWindow:
      break;
  }
  return kMainWindowClass;
}

// The window's icons come from the executable's icon group; the program keeps them until its end.
void SetIcons(HWND window) {
  ProgramState& program = Program();
  program.largeIcon.reset(
      static_cast<HICON>(LoadImageW(Instance(), kIconName, IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR)));
  program.smallIcon.reset(
      static_cast<HICON>(LoadImageW(Instance(), kIconName, IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR)));
  SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(program.largeIcon.get()));
  SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(program.smallIcon.get()));
}

HWND CreateControl(HWND window, const FormEntry& entry) {
  const FormRect& r = entry.rect;
  HWND control = CreateWindowExW(
      entry.exStyle, ClassOf(entry.kind), std::wstring(entry.text).c_str(), entry.style, r.left,
      r.top, r.width, r.height, window,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(entry.childId)), Instance(), nullptr);
  if (control == nullptr) return nullptr;
  if (entry.kind == FormKind::kEditBox) {
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(GuiFont()), FALSE);
    SendMessageW(control, EM_LIMITTEXT, 0, 0);  // 0: the largest limit the system has
    SendMessageW(control, EM_SETSEL, 0, 0);
    SendMessageW(control, EM_SCROLLCARET, 0, 0);
  } else if (entry.kind == FormKind::kButton) {
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(GuiFont()), FALSE);
  }
  return control;
}

// Builds the window and its controls, hidden until the caller shows the window. Returns null, with
// nothing left behind, when the window or a control cannot be created.
UniqueWindow BuildWindow(std::span<const FormEntry> form, const FormEvents& events) {
  const FormEntry& top = form.front();
  const int x = (GetSystemMetrics(SM_CXSCREEN) - top.rect.width) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - top.rect.height) / 2;
  UniqueWindow window(CreateWindowExW(top.exStyle, kMainWindowClass, std::wstring(top.text).c_str(),
                                      top.style, x, y, top.rect.width, top.rect.height, nullptr,
                                      nullptr, Instance(), const_cast<FormEvents*>(&events)));
  if (!window) return nullptr;

  RECT outer;
  GetWindowRect(window.get(), &outer);
  if (outer.right - outer.left != top.rect.width || outer.bottom - outer.top != top.rect.height) {
    SetWindowPos(window.get(), nullptr, x, y, top.rect.width, top.rect.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }

  SetIcons(window.get());
  SendMessageW(window.get(), WM_SETFONT, reinterpret_cast<WPARAM>(GuiFont()), FALSE);

  const std::span<const FormEntry> controls = form.subspan(1);
  for (auto entry = controls.rbegin(); entry != controls.rend(); ++entry)
    if (CreateControl(window.get(), *entry) == nullptr) return nullptr;

  // Stacking order: the form's order, its first control on top. Nothing is activated.
  HWND above = HWND_TOP;
  for (const FormEntry& entry : controls) {
    HWND control = GetDlgItem(window.get(), entry.childId);
    SetWindowPos(control, above, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    above = control;
  }
  for (const FormEntry& entry : controls)
    ShowWindow(GetDlgItem(window.get(), entry.childId), SW_SHOWNA);
  return window;
}

// Lowers eventHold by one, never below 0.
void LowerEventHold() {
  int hold = eventHold.load();
  while (hold > 0 && !eventHold.compare_exchange_weak(hold, hold - 1)) {
  }
}

}  // namespace

bool LoadWindow(WindowId window, const FormEvents& events) {
  const std::span<const FormEntry> form = FindForm(window);
  if (form.empty()) return false;

  ++eventHold;  // no event is delivered while the window is being built
  UniqueWindow built = RegisterWindowClasses() ? BuildWindow(form, events) : nullptr;
  LowerEventHold();
  if (!built) return false;
  NameControlsForScreenReaders(built.get(), form);

  HWND main = built.release();
  ShowWindow(main, SW_SHOW);

  ProgramState& program = Program();
  for (const FormEntry& entry : form.subspan(1))
    program.controls[entry.identifier - kFirstControl] = GetDlgItem(main, entry.childId);
  program.mainWindowEntry.store(EntryState::kLoaded);
  program.mainWindow.store(main);
  OpenOutput();
  return true;
}

}  // namespace varnel
