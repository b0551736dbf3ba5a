// The built program as a screen reader in another process meets it: through the system's
// accessibility proxies (oleacc), the three boxes are edit fields named by their captions and the
// label is static text.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
// The annotation service's identifiers are defined in this file.
#include <initguid.h>
#include <oleacc.h>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "app/handles.h"
#include "tests/support/remote_program.h"
#include "tests/support/text.h"

namespace varnel {
namespace {

using namespace std::chrono_literals;

using test::FindWindowOf;
using test::FolderOfThisProgram;
using test::kMainWindowClass;
using test::Narrow;
using test::Program;
using test::ProgramBesideThis;
using test::StartProcess;
using test::WaitForExit;

struct ComApartment {
  const HRESULT result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  ~ComApartment() {
    if (SUCCEEDED(result)) CoUninitialize();
  }
};

// What the system's proxy tells about a window's client object, as a screen reader asks for it.
struct Announced {
  std::optional<std::wstring> name;  // nullopt: the object has no name
  LONG role = 0;
};

Announced AnnouncedFor(HWND control) {
  IAccessible* found = nullptr;
  if (FAILED(AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT),
                                        __uuidof(IAccessible), reinterpret_cast<void**>(&found))) ||
      found == nullptr) {
    return {};
  }
  const UniqueCom<IAccessible> object(found);
  VARIANT self{};
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  Announced announced;
  BSTR name = nullptr;
  if (object->get_accName(self, &name) == S_OK && name != nullptr)
    announced.name.emplace(name, SysStringLen(name));
  SysFreeString(name);
  VARIANT role{};
  if (SUCCEEDED(object->get_accRole(self, &role)) && role.vt == VT_I4) announced.role = role.lVal;
  VariantClear(&role);
  return announced;
}

// Whether this system's annotation service names a window at all: it annotates an edit box of this
// process and asks the proxy for the name.
bool SystemTakesAnnotatedNames() {
  HWND box =
      CreateWindowExW(0, L"Edit", L"", WS_POPUP, 0, 0, 100, 20, nullptr, nullptr, nullptr, nullptr);
  IAccPropServices* created = nullptr;
  bool named = false;
  if (box != nullptr &&
      SUCCEEDED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                 IID_IAccPropServices, reinterpret_cast<void**>(&created)))) {
    const UniqueCom<IAccPropServices> services(created);
    named = SUCCEEDED(services->SetHwndPropStr(box, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                               PROPID_ACC_NAME, L"probe")) &&
            AnnouncedFor(box).name == L"probe";
    services->ClearHwndProps(box, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, &PROPID_ACC_NAME,
                             1);
  }
  if (box != nullptr) DestroyWindow(box);
  return named;
}

TEST(ScreenReaderTest, BoxesAreEditFieldsNamedByTheirCaptionsAndTheLabelIsStaticText) {
  const ComApartment com;
  ASSERT_TRUE(SUCCEEDED(com.result));
  const bool namesReadable = SystemTakesAnnotatedNames();
  std::optional<Program> program = StartProcess(ProgramBesideThis(), FolderOfThisProgram());
  ASSERT_TRUE(program) << "varnel.exe did not start: " << GetLastError();
  HWND window = FindWindowOf(*program, kMainWindowClass);
  ASSERT_NE(window, nullptr) << "no window appeared";

  const struct {
    const char* what;
    int childId;
    const wchar_t* name;
    LONG role;
  } controls[] = {
      {"编辑框1", test::kSourceBox, L"原始文本", ROLE_SYSTEM_TEXT},
      {"编辑框2", test::kRemovalBox, L"需剔除文本", ROLE_SYSTEM_TEXT},
      {"编辑框3", test::kOutputBox, L"余下文本", ROLE_SYSTEM_TEXT},
      {"标签1", test::kLabel, L"原始文本 需剔除文本 余下文本", ROLE_SYSTEM_STATICTEXT},
  };
  for (const auto& control : controls) {
    SCOPED_TRACE(control.what);
    const Announced announced = AnnouncedFor(GetDlgItem(window, control.childId));
    // The boxes are edit fields under any system; the label's role and every name come from the
    // annotations, which a system without a working service drops.
    if (control.role == ROLE_SYSTEM_TEXT || namesReadable) {
      EXPECT_EQ(announced.role, control.role);
    }
    if (namesReadable) {
      EXPECT_EQ(Narrow(announced.name.value_or(L"<no name>")), Narrow(control.name));
    }
  }
  EXPECT_EQ(FindWindowOf(*program, L"#32770", 0ms), nullptr) << "the program showed a box";
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForExit(*program), 0u);

  if (!namesReadable) {
    GTEST_SKIP() << "this system's annotation service names no window (Wine's oleacc leaves "
                    "IAccPropServices::SetHwndPropStr unimplemented), so the names cannot be read "
                    "back; window_test checks what the program hands to the service";
  }
}

}  // namespace
}  // namespace varnel
