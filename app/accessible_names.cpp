#include "app/accessible_names.h"

#include <objbase.h>
// The annotation service's class, interface and property identifiers are defined here, in this
// one file, as the system's documentation asks; no import library needs to carry them.
#include <initguid.h>
#include <oleacc.h>

#include <algorithm>
#include <string_view>

#include "app/handles.h"

namespace varnel {
namespace {

// The parts of a caption text between its runs of spaces.
std::vector<std::wstring_view> WordsOf(std::wstring_view text) {
  std::vector<std::wstring_view> words;
  for (std::size_t at = text.find_first_not_of(L' '); at != text.npos;
       at = text.find_first_not_of(L' ', at)) {
    const std::size_t end = std::min(text.find(L' ', at), text.size());
    words.push_back(text.substr(at, end - at));
    at = end;
  }
  return words;
}

}  // namespace

std::vector<AccessibleName> AccessibleNamesOf(std::span<const FormEntry> form) {
  std::vector<const FormEntry*> boxes;
  const FormEntry* label = nullptr;
  for (const FormEntry& entry : form) {
    if (entry.kind == FormKind::kEditBox) boxes.push_back(&entry);
    if (entry.kind == FormKind::kLabel && label == nullptr) label = &entry;
  }
  if (label == nullptr) return {};
  std::ranges::stable_sort(boxes, {}, [](const FormEntry* box) { return box->rect.left; });

  const std::vector<std::wstring_view> captions = WordsOf(label->text);
  std::vector<AccessibleName> names;
  std::wstring allCaptions;
  for (std::size_t at = 0; at < captions.size(); ++at) {
    if (at < boxes.size()) names.push_back({boxes[at]->childId, std::wstring(captions[at]), 0});
    if (at > 0) allCaptions += L' ';
    allCaptions += captions[at];
  }
  names.push_back({label->childId, std::move(allCaptions), ROLE_SYSTEM_STATICTEXT});
  return names;
}

void Annotate(HWND window, std::span<const AccessibleName> names, IAccPropServices& services) {
  constexpr DWORD kClient = static_cast<DWORD>(OBJID_CLIENT);
  for (const AccessibleName& entry : names) {
    HWND control = GetDlgItem(window, entry.childId);
    if (control == nullptr) continue;
    services.SetHwndPropStr(control, kClient, CHILDID_SELF, PROPID_ACC_NAME, entry.name.c_str());
    if (entry.role == 0) continue;
    VARIANT role{};
    role.vt = VT_I4;
    role.lVal = entry.role;
    services.SetHwndProp(control, kClient, CHILDID_SELF, PROPID_ACC_ROLE, role);
  }
}

void NameControlsForScreenReaders(HWND window, std::span<const FormEntry> form) {
  IAccPropServices* created = nullptr;
  if (FAILED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IAccPropServices, reinterpret_cast<void**>(&created))) ||
      created == nullptr) {
    return;
  }
  const UniqueCom<IAccPropServices> services(created);
  Annotate(window, AccessibleNamesOf(form), *services);
}

ComApartment::ComApartment()
    : started(
          SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}

ComApartment::~ComApartment() {
  if (started) CoUninitialize();
}

}  // namespace varnel
