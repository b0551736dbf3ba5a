#include "tests/job/remote_program.h"

#include <tlhelp32.h>

#include <cstring>
#include <utility>

namespace varnel::remote {
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
  HWND found;
};

BOOL CALLBACK MatchMainWindow(HWND window, LPARAM context) {
  auto& search = *reinterpret_cast<WindowSearch*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  wchar_t caption[16] = {};
  if (owner == search.processId && IsWindowVisible(window) &&
      GetWindowTextW(window, caption, 16) > 0 && std::wcscmp(caption, L"Varnel") == 0) {
    search.found = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

Program::Program(Program&& other) noexcept
    : process(std::exchange(other.process, PROCESS_INFORMATION{})),
      window(std::exchange(other.window, nullptr)) {}

Program::~Program() {
  if (process.hProcess == nullptr) return;
  if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) {
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, 5000);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

HWND Program::Control(int childId) const {
  return GetDlgItem(window, childId);
}

std::wstring ProgramBesideThis(std::wstring_view name) {
  std::wstring path(MAX_PATH, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, path.data(), MAX_PATH);
  path.resize(length);
  path.resize(path.find_last_of(L"\\/") + 1);
  return path.append(name);
}

std::optional<Program> Start(const std::wstring& path, milliseconds timeout) {
  Program program;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  std::wstring commandLine = L"\"" + path + L"\"";
  if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &program.process)) {
    return std::nullopt;
  }
  const auto deadline = Clock::now() + timeout;
  WindowSearch search{program.process.dwProcessId, nullptr};
  while (search.found == nullptr) {
    if (Clock::now() > deadline ||
        WaitForSingleObject(program.process.hProcess, 0) == WAIT_OBJECT_0) {
      return std::nullopt;
    }
    Sleep(20);
    EnumWindows(&MatchMainWindow, reinterpret_cast<LPARAM>(&search));
  }
  program.window = search.found;
  return program;
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

std::optional<std::wstring> GetText(HWND box) {
  const long long length = TextLength(box);
  if (length < 0) return std::nullopt;
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  LRESULT copied = 0;
  if (!Send(box, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), &copied)) {
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
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  int count = 0;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID == program.process.dwProcessId) ++count;
  }
  CloseHandle(snapshot);
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

std::optional<DWORD> CloseAndWait(Program& program, milliseconds timeout) {
  PostMessageW(program.window, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(program.process.hProcess, static_cast<DWORD>(timeout.count())) !=
      WAIT_OBJECT_0) {
    return std::nullopt;
  }
  DWORD code = 0;
  GetExitCodeProcess(program.process.hProcess, &code);
  return code;
}

}  // namespace varnel::remote
