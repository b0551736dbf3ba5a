#include "tests/support/remote_program.h"

#include <tlhelp32.h>

#include <cstring>

namespace varnel::test {
namespace {

using Clock = std::chrono::steady_clock;

// Cross-process messages wait at most this long: a hung program fails the caller, never hangs it.
constexpr UINT kMessageTimeoutMs = 60000;

bool Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result = nullptr) {
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, kMessageTimeoutMs,
                           &answer)) {
    return false;
  }
  if (result) *result = static_cast<LRESULT>(answer);
  return true;
}

// The clipboard may be held for a moment by another window of the desktop.
bool OpenClipboardSoon() {
  const auto deadline = Clock::now() + milliseconds(5000);
  while (!OpenClipboard(nullptr)) {
    if (Clock::now() > deadline) return false;
    Sleep(10);
  }
  return true;
}

struct ClipboardCloser {
  ~ClipboardCloser() { CloseClipboard(); }
};

struct WindowSearch {
  DWORD processId;
  std::wstring_view className;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM context) {
  auto& search = *reinterpret_cast<WindowSearch*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search.processId || !IsWindowVisible(window) || ClassOf(window) != search.className)
    return TRUE;
  search.found = window;
  return FALSE;
}

}  // namespace

Program::~Program() {
  if (!process) return;
  if (WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT) {
    TerminateProcess(process.get(), 1);
    WaitForSingleObject(process.get(), 5000);
  }
}

HWND Program::Control(int childId) const {
  return GetDlgItem(window, childId);
}

std::wstring FolderOfThisProgram() {
  std::wstring path(32768, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  const std::size_t slash = path.find_last_of(L"\\/");
  path.resize(slash == std::wstring::npos ? 0 : slash);
  return path;
}

std::wstring ProgramBesideThis(std::wstring_view name) {
  return FolderOfThisProgram() + L"\\" + std::wstring(name);
}

std::optional<Program> StartProcess(std::wstring_view path, std::wstring_view workingDirectory,
                                    std::wstring_view arguments) {
  const std::wstring program(path);
  const std::wstring directory(workingDirectory);
  std::wstring commandLine = L"\"" + program + L"\"";
  if (!arguments.empty()) commandLine.append(L" ").append(arguments);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      directory.empty() ? nullptr : directory.c_str(), &startup, &info)) {
    return std::nullopt;
  }
  CloseHandle(info.hThread);
  Program started;
  started.process.reset(info.hProcess);
  started.id = info.dwProcessId;
  return started;
}

std::optional<Program> Start(std::wstring_view path, milliseconds timeout) {
  std::optional<Program> program = StartProcess(path);
  if (!program) return std::nullopt;
  program->window = FindWindowOf(*program, kMainWindowClass, timeout);
  if (program->window == nullptr) return std::nullopt;
  return program;
}

std::optional<DWORD> WaitForExit(const Program& program, milliseconds timeout) {
  if (WaitForSingleObject(program.process.get(), static_cast<DWORD>(timeout.count())) !=
      WAIT_OBJECT_0) {
    return std::nullopt;
  }
  DWORD code = 0;
  if (!GetExitCodeProcess(program.process.get(), &code)) return std::nullopt;
  return code;
}

HWND FindWindowOf(const Program& program, std::wstring_view className, milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  WindowSearch search{program.id, className, nullptr};
  for (;;) {
    EnumWindows(&MatchWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) return search.found;
    if (Clock::now() >= deadline || WaitForSingleObject(program.process.get(), 0) != WAIT_TIMEOUT)
      return nullptr;
    Sleep(20);
  }
}

HWND FocusOf(HWND window, milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  const DWORD thread = GetWindowThreadProcessId(window, nullptr);
  for (;;) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (GetGUIThreadInfo(thread, &info) && info.hwndFocus != nullptr) return info.hwndFocus;
    if (Clock::now() >= deadline) return nullptr;
    Sleep(20);
  }
}

bool SetText(HWND box, std::wstring_view text) {
  const std::wstring terminated(text);
  LRESULT done = 0;
  return Send(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(terminated.c_str()), &done) && done;
}

bool PasteText(HWND box, std::wstring_view text) {
  if (!Send(box, EM_SETSEL, 0, -1)) return false;
  {
    if (!OpenClipboardSoon()) return false;
    ClipboardCloser closer;
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    if (memory == nullptr) return false;
    auto* units = static_cast<wchar_t*>(GlobalLock(memory));
    std::memcpy(units, text.data(), text.size() * sizeof(wchar_t));
    units[text.size()] = L'\0';
    GlobalUnlock(memory);
    if (SetClipboardData(CF_UNICODETEXT, memory) == nullptr) {
      GlobalFree(memory);
      return false;
    }
  }
  return Send(box, WM_PASTE, 0, 0) && TextLength(box) == static_cast<long long>(text.size());
}

std::optional<std::wstring> GetText(HWND window) {
  const long long length = TextLength(window);
  if (length < 0) return std::nullopt;
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  LRESULT copied = 0;
  if (!Send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), &copied)) {
    return std::nullopt;
  }
  text.resize(static_cast<std::size_t>(copied));
  return text;
}

std::optional<std::wstring> CopyText(HWND box) {
  {
    if (!OpenClipboardSoon()) return std::nullopt;
    ClipboardCloser closer;
    EmptyClipboard();
  }
  if (TextLength(box) == 0) return std::wstring();
  if (!Send(box, EM_SETSEL, 0, -1) || !Send(box, WM_COPY, 0, 0)) return std::nullopt;
  if (!OpenClipboardSoon()) return std::nullopt;
  ClipboardCloser closer;
  HANDLE memory = GetClipboardData(CF_UNICODETEXT);
  if (memory == nullptr) return std::nullopt;
  const auto* units = static_cast<const wchar_t*>(GlobalLock(memory));
  if (units == nullptr) return std::nullopt;
  std::wstring text(units);
  GlobalUnlock(memory);
  return text;
}

long long TextLength(HWND box) {
  LRESULT length = 0;
  return Send(box, WM_GETTEXTLENGTH, 0, 0, &length) ? static_cast<long long>(length) : -1;
}

bool Click(HWND button) {
  return Send(button, BM_CLICK, 0, 0);
}

bool WaitForText(HWND box, std::wstring_view expected, milliseconds timeout, std::wstring* last) {
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    const std::optional<std::wstring> text = GetText(box);
    if (text && *text == expected) return true;
    if (Clock::now() > deadline) {
      if (last) *last = text.value_or(L"<no text>");
      return false;
    }
    Sleep(10);
  }
}

int ThreadCount(const Program& program) {
  const HANDLE taken = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (taken == INVALID_HANDLE_VALUE) return -1;
  const UniqueHandle snapshot(taken);
  int count = 0;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot.get(), &entry); more;
       more = Thread32Next(snapshot.get(), &entry)) {
    if (entry.th32OwnerProcessID == program.id) ++count;
  }
  return count;
}

bool WaitForThreadCount(const Program& program, int count, milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    const int now = ThreadCount(program);
    if (now >= 0 && now <= count) return true;
    if (Clock::now() > deadline) return false;
    Sleep(5);
  }
}

std::optional<Clock::duration> TypeTabAndTimeFocusMove(HWND window, milliseconds timeout) {
  if (GetForegroundWindow() != window) SetForegroundWindow(window);
  const DWORD thread = GetWindowThreadProcessId(window, nullptr);
  auto focus = [thread] {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
  };
  const HWND before = focus();
  INPUT keys[2]{};
  keys[0].type = keys[1].type = INPUT_KEYBOARD;
  keys[0].ki.wVk = keys[1].ki.wVk = VK_TAB;
  keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
  const auto typed = Clock::now();
  if (SendInput(2, keys, sizeof(INPUT)) != 2) return std::nullopt;
  const auto deadline = typed + timeout;
  for (;;) {
    if (focus() != before) return Clock::now() - typed;
    if (Clock::now() > deadline) return std::nullopt;
    Sleep(1);
  }
}

std::optional<DWORD> CloseAndWait(Program& program, milliseconds timeout) {
  PostMessageW(program.window, WM_CLOSE, 0, 0);
  return WaitForExit(program, timeout);
}

}  // namespace varnel::test
