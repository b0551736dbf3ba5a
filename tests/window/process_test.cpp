// The built program seen from another process, as a user meets it: it starts with its window and
// its own folder as working directory, ends with exit code 0 however its window is closed, carries
// its icon, version record and manifest, and shows a fault in the error box before ending with -1.
#include <gtest/gtest.h>
#include <windows.h>
#include <winternl.h>

#include <array>
#include <cctype>
#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/remote_program.h"
#include "tests/support/text.h"

namespace varnel {
namespace {

using namespace std::chrono_literals;

using test::FindWindowOf;
using test::FocusOf;
using test::FolderOfThisProgram;
using test::GetText;
using test::kMainWindowClass;
using test::Narrow;
using test::Program;
using test::ProgramBesideThis;
using test::StartProcess;
using test::WaitForExit;
using test::WaitForText;

LPARAM KeyFlags(WORD key, bool alt) {
  return 1 | static_cast<LPARAM>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16 |
         (alt ? static_cast<LPARAM>(KF_ALTDOWN) << 16 : 0);
}

// ---- The end -----------------------------------------------------------------------------------

struct CloseWay {
  const char* name;
  void (*close)(HWND window);
};

const CloseWay kCloseWays[] = {
    {"Esc",
     [](HWND window) {
       PostMessageW(FocusOf(window), WM_KEYDOWN, VK_ESCAPE, KeyFlags(VK_ESCAPE, false));
     }},
    {"WM_CLOSE", [](HWND window) { PostMessageW(window, WM_CLOSE, 0, 0); }},
    {"system menu Close", [](HWND window) { PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    {"Alt+F4",
     [](HWND window) {
       PostMessageW(FocusOf(window), WM_SYSKEYDOWN, VK_F4, KeyFlags(VK_F4, true));
     }},
};

class CloseTest : public ::testing::TestWithParam<CloseWay> {};

TEST_P(CloseTest, ProgramEndsWithExitCodeZero) {
  std::optional<Program> program = StartProcess(ProgramBesideThis(), FolderOfThisProgram());
  ASSERT_TRUE(program) << "varnel.exe did not start: " << GetLastError();
  HWND window = FindWindowOf(*program, kMainWindowClass);
  ASSERT_NE(window, nullptr) << "no window appeared";
  EXPECT_EQ(GetText(window), L"Varnel");
  GetParam().close(window);
  EXPECT_EQ(WaitForExit(*program), 0u);
}

INSTANTIATE_TEST_SUITE_P(EveryWay, CloseTest, ::testing::ValuesIn(kCloseWays),
                         [](const auto& info) {
                           std::string name;
                           for (char c : std::string_view(info.param.name))
                             if (std::isalnum(static_cast<unsigned char>(c))) name += c;
                           return name;
                         });

TEST(StartTest, ArgumentsChangeNothingAndASecondCopyRunsOnItsOwn) {
  std::optional<Program> first = StartProcess(ProgramBesideThis(), FolderOfThisProgram());
  ASSERT_TRUE(first) << "the system refused to start the first copy: error " << GetLastError();
  std::optional<Program> second =
      StartProcess(ProgramBesideThis(), FolderOfThisProgram(), L"--help /? C:\\x.txt");
  ASSERT_TRUE(second) << "the system refused to start the second copy: error " << GetLastError();
  HWND firstWindow = FindWindowOf(*first, kMainWindowClass);
  HWND secondWindow = FindWindowOf(*second, kMainWindowClass);
  ASSERT_NE(firstWindow, nullptr);
  ASSERT_NE(secondWindow, nullptr);
  EXPECT_NE(firstWindow, secondWindow);

  PostMessageW(secondWindow, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForExit(*second), 0u);
  EXPECT_EQ(WaitForExit(*first, 0ms), std::nullopt) << "closing one copy ended the other";
  PostMessageW(firstWindow, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForExit(*first), 0u);
}

// ---- The working directory ---------------------------------------------------------------------

// The working directory of another process, read from its process parameters, where the system
// keeps it.
std::wstring WorkingDirectoryOf(HANDLE process) {
  PROCESS_BASIC_INFORMATION basic{};
  if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof(basic), nullptr) !=
      0) {
    return L"<no process information>";
  }
  PEB peb{};
  if (!ReadProcessMemory(process, basic.PebBaseAddress, &peb, sizeof(peb), nullptr))
    return L"<no PEB>";
  // The start of RTL_USER_PROCESS_PARAMETERS, up to the current directory.
  struct ParametersHead {
    ULONG maximumLength, length, flags, debugFlags;
    HANDLE console;
    ULONG consoleFlags;
    HANDLE input, output, error;
    UNICODE_STRING currentDirectory;
  } head{};
  if (!ReadProcessMemory(process, peb.ProcessParameters, &head, sizeof(head), nullptr))
    return L"<no process parameters>";
  std::wstring directory(head.currentDirectory.Length / sizeof(wchar_t), L'\0');
  if (!ReadProcessMemory(process, head.currentDirectory.Buffer, directory.data(),
                         head.currentDirectory.Length, nullptr)) {
    return L"<no directory text>";
  }
  return directory;
}

std::wstring TempFolder() {
  std::array<wchar_t, MAX_PATH + 1> temp{};
  std::wstring folder(temp.data(), GetTempPathW(static_cast<DWORD>(temp.size()), temp.data()));
  if (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  return folder;
}

// A folder holding a copy of the program, removed again at the end of the test.
struct ProgramCopy {
  std::vector<std::wstring> folders;  // created, outermost first
  std::wstring program;

  explicit ProgramCopy(const std::wstring& root, const std::vector<std::wstring>& path) {
    std::wstring folder = root;
    for (const std::wstring& part : path) {
      folder += L"\\" + part;
      if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return;
      folders.push_back(folder);
    }
    if (CopyFileW(ProgramBesideThis().c_str(), (folder + L"\\varnel.exe").c_str(), FALSE))
      program = folder + L"\\varnel.exe";
  }
  ~ProgramCopy() {
    if (!program.empty()) DeleteFileW(program.c_str());
    for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder)
      RemoveDirectoryW(folder->c_str());
  }
  std::wstring Folder() const { return folders.empty() ? std::wstring() : folders.back(); }
};

bool FitsCodePage936(std::wstring_view text) {
  BOOL lost = FALSE;
  WideCharToMultiByte(936, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()),
                      nullptr, 0, nullptr, &lost);
  return !lost;
}

// Starts the copy from the temporary folder and reads its working directory once the window shows.
void ExpectWorkingDirectoryIsItsFolder(const ProgramCopy& copy) {
  ASSERT_FALSE(copy.program.empty()) << "could not copy varnel.exe to " << Narrow(copy.Folder());
  // A path longer than MAX_PATH is started by its \\?\ form, as the system asks.
  const bool isLong = copy.program.size() >= MAX_PATH;
  std::optional<Program> program =
      StartProcess(isLong ? L"\\\\?\\" + copy.program : copy.program, TempFolder());
  if (!program && isLong) {
    GTEST_SKIP() << "this system cannot start a program from a path longer than MAX_PATH (error "
                 << GetLastError() << ")";
  }
  ASSERT_TRUE(program) << "the copy did not start: " << GetLastError();
  HWND window = FindWindowOf(*program, kMainWindowClass);
  ASSERT_NE(window, nullptr) << "no window appeared";
  std::wstring directory = WorkingDirectoryOf(program->process.get());
  if (directory.size() > 3 && directory.back() == L'\\') directory.pop_back();
  EXPECT_EQ(Narrow(directory), Narrow(copy.Folder()));
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForExit(*program), 0u);
}

TEST(WorkingDirectoryTest, BecomesTheProgramsFolderWhateverItsName) {
  const std::wstring name = L"Varnel 한글 Ελληνικά ☃ 😀 " + std::to_wstring(GetCurrentProcessId());
  ASSERT_FALSE(FitsCodePage936(name)) << "the folder's name must hold characters outside GBK";
  ProgramCopy copy(TempFolder(), {name});
  ExpectWorkingDirectoryIsItsFolder(copy);
}

TEST(WorkingDirectoryTest, BecomesTheProgramsFolderWhenItsPathIsLongerThanMaxPath) {
  std::vector<std::wstring> parts;
  std::size_t length = TempFolder().size();
  for (int part = 0; length <= MAX_PATH + 20; ++part) {
    parts.push_back(L"long-path-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                    std::to_wstring(part) + std::wstring(40, L'x'));
    length += parts.back().size() + 1;
  }
  ProgramCopy copy(TempFolder(), parts);
  ASSERT_GT(copy.program.size(), std::size_t{MAX_PATH});
  ExpectWorkingDirectoryIsItsFolder(copy);
}

// ---- Resources ---------------------------------------------------------------------------------

struct Module {
  HMODULE module;
  explicit Module(const std::wstring& path)
      : module(LoadLibraryExW(path.c_str(), nullptr,
                              LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
  ~Module() {
    if (module != nullptr) FreeLibrary(module);
  }
  std::string_view Resource(LPCWSTR name, LPCWSTR type) const {
    HRSRC found = FindResourceW(module, name, type);
    if (found == nullptr) return {};
    return {static_cast<const char*>(LockResource(LoadResource(module, found))),
            SizeofResource(module, found)};
  }
};

#pragma pack(push, 2)
struct IconGroupEntry {
  BYTE width, height, colours, reserved;
  WORD planes, bitCount;
  DWORD bytes;
  WORD id;
};
struct IconGroup {
  WORD reserved, type, count;
  IconGroupEntry entries[1];
};
#pragma pack(pop)

TEST(ResourceTest, IconGroupIsTheFirstAndHoldsOneOpaque48By48ImageOf32Bits) {
  Module program(ProgramBesideThis());
  ASSERT_NE(program.module, nullptr);

  std::wstring first;
  EnumResourceNamesW(
      program.module, RT_GROUP_ICON,
      [](HMODULE, LPCWSTR, LPWSTR name, LONG_PTR context) {
        *reinterpret_cast<std::wstring*>(context) = IS_INTRESOURCE(name) ? L"#number" : name;
        return FALSE;
      },
      reinterpret_cast<LONG_PTR>(&first));
  EXPECT_EQ(first, L"DEFAULT_ICON");
  WORD language = 0xFFFF;
  EnumResourceLanguagesW(
      program.module, RT_GROUP_ICON, L"DEFAULT_ICON",
      [](HMODULE, LPCWSTR, LPCWSTR, WORD lang, LONG_PTR context) {
        *reinterpret_cast<WORD*>(context) = lang;
        return FALSE;
      },
      reinterpret_cast<LONG_PTR>(&language));
  EXPECT_EQ(language, MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));

  const std::string_view group = program.Resource(L"DEFAULT_ICON", RT_GROUP_ICON);
  ASSERT_GE(group.size(), sizeof(IconGroup));
  const auto& icons = *reinterpret_cast<const IconGroup*>(group.data());
  ASSERT_EQ(icons.count, 1);
  EXPECT_EQ(icons.entries[0].width, 48);
  EXPECT_EQ(icons.entries[0].height, 48);
  EXPECT_EQ(icons.entries[0].bitCount, 32);

  const std::string_view image = program.Resource(MAKEINTRESOURCEW(icons.entries[0].id), RT_ICON);
  ASSERT_GE(image.size(), sizeof(BITMAPINFOHEADER) + 48 * 48 * 4);
  const auto& header = *reinterpret_cast<const BITMAPINFOHEADER*>(image.data());
  EXPECT_EQ(header.biWidth, 48);
  EXPECT_EQ(header.biHeight, 96);  // colour image and mask
  EXPECT_EQ(header.biBitCount, 32);
  const auto* pixels = reinterpret_cast<const BYTE*>(image.data() + header.biSize);
  int seeThrough = 0;
  for (int pixel = 0; pixel < 48 * 48; ++pixel) seeThrough += pixels[pixel * 4 + 3] != 0xFF;
  EXPECT_EQ(seeThrough, 0) << "pixels whose alpha is not opaque";
}

TEST(ResourceTest, VersionRecordHoldsExactlyItsEntries) {
  const std::wstring path = ProgramBesideThis();
  std::vector<BYTE> record(GetFileVersionInfoSizeW(path.c_str(), nullptr));
  ASSERT_FALSE(record.empty());
  ASSERT_TRUE(
      GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(record.size()), record.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT size = 0;
  ASSERT_TRUE(VerQueryValueW(record.data(), L"\\", reinterpret_cast<void**>(&fixed), &size));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0u);
  EXPECT_EQ(fixed->dwFileFlagsMask, 0u);
  EXPECT_EQ(fixed->dwFileFlags, 0u);
  EXPECT_EQ(fixed->dwFileOS, DWORD{VOS__WINDOWS32});
  EXPECT_EQ(fixed->dwFileType, DWORD{VFT_APP});
  EXPECT_EQ(fixed->dwFileSubtype, 0u);
  EXPECT_EQ(fixed->dwFileDateMS, 0u);
  EXPECT_EQ(fixed->dwFileDateLS, 0u);

  WORD* translation = nullptr;
  ASSERT_TRUE(VerQueryValueW(record.data(), L"\\VarFileInfo\\Translation",
                             reinterpret_cast<void**>(&translation), &size));
  ASSERT_EQ(size, 4u);
  EXPECT_EQ(translation[0], 0x0804);
  EXPECT_EQ(translation[1], 0x04B0);

  // The string table's entries in their order, found by their names in the record.
  const std::wstring_view whole(reinterpret_cast<const wchar_t*>(record.data()), record.size() / 2);
  const struct {
    const wchar_t* name;
    const wchar_t* value;
  } entries[] = {{L"FileVersion", L"1.0.0.0"}, {L"FileDescription", L"Varnel"},
                 {L"ProductName", L"Varnel"},  {L"ProductVersion", L"1.0.0.0"},
                 {L"CompanyName", L"Varnel"},  {L"LegalCopyright", L"Varnel"},
                 {L"Comments", L"Varnel"}};
  std::size_t previous = 0;
  for (const auto& entry : entries) {
    SCOPED_TRACE(Narrow(entry.name));
    wchar_t* value = nullptr;
    ASSERT_TRUE(VerQueryValueW(record.data(),
                               (std::wstring(L"\\StringFileInfo\\080404B0\\") + entry.name).c_str(),
                               reinterpret_cast<void**>(&value), &size));
    EXPECT_EQ(std::wstring(value), entry.value);
    const std::size_t at = whole.find(entry.name);
    EXPECT_GT(at, previous) << "out of order";
    previous = at;
  }
  for (const wchar_t* absent : {L"InternalName", L"OriginalFilename"})
    EXPECT_EQ(whole.find(absent), whole.npos) << Narrow(absent);
}

TEST(ResourceTest, ManifestAsksForInvokerRightsWindows7To11AndCommonControls6) {
  Module program(ProgramBesideThis());
  const std::string_view manifest = program.Resource(MAKEINTRESOURCEW(1), RT_MANIFEST);
  ASSERT_FALSE(manifest.empty());
  for (const char* part : {
           R"(level="asInvoker")",
           "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // Windows 7
           "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // Windows 8
           "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // Windows 8.1
           "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // Windows 10 and 11
           R"(name="Microsoft.Windows.Common-Controls" version="6.0.0.0")",
       })
    EXPECT_NE(manifest.find(part), manifest.npos) << part;
}

// The manifest's window settings as the system's own parser reads them from the executable: a
// setting in the wrong place or namespace is ignored there, and a malformed manifest fails to load.
TEST(ResourceTest, ManifestAsksForGdiScalingAndLongPathsButNoDpiAwareness) {
  const std::wstring path = ProgramBesideThis();
  ACTCTXW request{};
  request.cbSize = sizeof(request);
  request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
  request.lpSource = path.c_str();
  request.lpResourceName = MAKEINTRESOURCEW(1);
  HANDLE context = CreateActCtxW(&request);
  ASSERT_NE(context, INVALID_HANDLE_VALUE) << "the manifest does not load: " << GetLastError();

  constexpr wchar_t k2005[] = L"http://schemas.microsoft.com/SMI/2005/WindowsSettings";
  constexpr wchar_t k2016[] = L"http://schemas.microsoft.com/SMI/2016/WindowsSettings";
  constexpr wchar_t k2017[] = L"http://schemas.microsoft.com/SMI/2017/WindowsSettings";
  const struct {
    const wchar_t* space;
    const wchar_t* name;
    const wchar_t* value;  // null: the manifest must not hold the setting
  } settings[] = {
      {k2017, L"gdiScaling", L"true"},
      {k2016, L"longPathAware", L"true"},
      {k2005, L"dpiAware", nullptr},
      {k2016, L"dpiAwareness", nullptr},
  };
  for (const auto& setting : settings) {
    SCOPED_TRACE(Narrow(setting.name));
    std::array<wchar_t, 64> value{};
    SIZE_T written = 0;
    const BOOL found = QueryActCtxSettingsW(0, context, setting.space, setting.name, value.data(),
                                            value.size(), &written);
    if (setting.value == nullptr) {
      EXPECT_FALSE(found) << Narrow(value.data());
      EXPECT_EQ(GetLastError(), DWORD{ERROR_SXS_KEY_NOT_FOUND});
    } else {
      ASSERT_TRUE(found) << GetLastError();
      EXPECT_EQ(std::wstring(value.data()), setting.value);
    }
  }
  ReleaseActCtx(context);
}

// ---- The error box -----------------------------------------------------------------------------

// Finds the error box of the process, checks its title, text and single OK button, and presses OK.
void ExpectBoxAndPressOk(const Program& program, std::wstring_view text) {
  HWND box = FindWindowOf(program, L"#32770");
  ASSERT_NE(box, nullptr) << "no box appeared";
  EXPECT_EQ(GetText(box), L"错误");
  EXPECT_EQ(GetWindow(box, GW_OWNER), nullptr);
  EXPECT_EQ(GetText(GetDlgItem(box, 0xFFFF)), text);
  HWND ok = GetDlgItem(box, IDOK);
  ASSERT_NE(ok, nullptr);
  for (int button : {IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO}) {
    HWND other = GetDlgItem(box, button);
    EXPECT_TRUE(other == nullptr || !IsWindowVisible(other)) << "button " << button;
  }
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(ok));
}

TEST(FaultBoxTest, ShowsTheComposedTextAndEndsTheProcessWithMinusOneWhenClosed) {
  std::optional<Program> probe =
      StartProcess(ProgramBesideThis(L"fault_probe.exe"), FolderOfThisProgram());
  ASSERT_TRUE(probe);
  ExpectBoxAndPressOk(
      *probe, L"运行时出错!\r\n\r\n错误代码：4\r\n\r\n错误信息：数组成员引用下标必须大于等于1\r\n");
  EXPECT_EQ(WaitForExit(*probe), 0xFFFFFFFFu);
}

TEST(FaultBoxTest, StartUpReportsAWindowThatCannotBeLoadedWithoutShowingAnyWindow) {
  std::optional<Program> probe =
      StartProcess(ProgramBesideThis(L"fault_probe.exe"), FolderOfThisProgram(), L"load-fails");
  ASSERT_TRUE(probe);
  ASSERT_NE(FindWindowOf(*probe, L"#32770"), nullptr) << "no box appeared";
  EXPECT_EQ(FindWindowOf(*probe, kMainWindowClass, 0ms), nullptr);
  ExpectBoxAndPressOk(*probe, L"运行时出错!\r\n\r\n错误信息：载入启动窗口失败\r\n");
  EXPECT_EQ(WaitForExit(*probe), 0xFFFFFFFFu);
}

// The visible error boxes of the process.
int BoxCount(const Program& program) {
  struct Search {
    DWORD process;
    int boxes;
  } search{program.id, 0};
  EnumWindows(
      [](HWND window, LPARAM context) {
        auto& s = *reinterpret_cast<Search*>(context);
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == s.process && IsWindowVisible(window) && test::ClassOf(window) == L"#32770")
          ++s.boxes;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.boxes;
}

// A run meets a fault on its worker. The shipped program gives a user no practical way to make a
// run fault, so the probe runs the program's own start-up, window and start command on a heap that
// has run out for every thread but the UI thread: the worker's first allocation, for the 3 bytes
// of 编辑框1's text, fails. Its box shows the exact allocation message. While the box is up a
// click starts nothing (a run would fault again and show a second box), and the boxes still take
// typing; closing the box ends the process with -1.
TEST(FaultBoxTest, FaultOnARunsWorkerStopsClicksButNotTyping) {
  std::optional<Program> probe = StartProcess(ProgramBesideThis(L"fault_probe.exe"),
                                              FolderOfThisProgram(), L"worker-heap-runs-out");
  ASSERT_TRUE(probe);
  HWND window = FindWindowOf(*probe, kMainWindowClass);
  ASSERT_NE(window, nullptr) << "no window appeared";
  HWND button = GetDlgItem(window, test::kStartButton);
  ASSERT_TRUE(test::SetText(GetDlgItem(window, test::kSourceBox), L"abc"));
  ASSERT_TRUE(test::Click(button));
  ASSERT_NE(FindWindowOf(*probe, L"#32770"), nullptr) << "no box appeared";

  const int threads = test::ThreadCount(*probe);
  ASSERT_TRUE(test::Click(button));
  EXPECT_EQ(test::ThreadCount(*probe), threads) << "the click started a run";
  HWND removalBox = GetDlgItem(window, test::kRemovalBox);
  for (wchar_t key : std::wstring(L"typed")) PostMessageW(removalBox, WM_CHAR, key, 1);
  EXPECT_TRUE(WaitForText(removalBox, L"typed", 5000ms));
  EXPECT_EQ(BoxCount(*probe), 1);

  ExpectBoxAndPressOk(*probe, L"运行时出错!\r\n\r\n错误信息：分配 3 字节内存失败!\r\n");
  EXPECT_EQ(WaitForExit(*probe), 0xFFFFFFFFu);
}

// A fault that a thread meets while it is reporting one, here from a timer that the box's own
// message loop runs, starts no second report inside the first: the process ends with -1 at once,
// with the first box never closed.
TEST(FaultBoxTest, FaultInsideAReportEndsTheProcessWithMinusOne) {
  std::optional<Program> probe = StartProcess(ProgramBesideThis(L"fault_probe.exe"),
                                              FolderOfThisProgram(), L"fault-inside-report");
  ASSERT_TRUE(probe);
  ASSERT_NE(FindWindowOf(*probe, L"#32770"), nullptr) << "no box appeared";
  EXPECT_EQ(WaitForExit(*probe), 0xFFFFFFFFu);
}

}  // namespace
}  // namespace varnel
