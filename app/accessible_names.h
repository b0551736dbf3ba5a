// Names for screen readers. The label under the boxes is one self-drawn window, so nothing tells
// the system which caption belongs to which box, and a screen reader would announce three unnamed
// edit fields. The program tells the system through its annotation service (Direct Annotation, in
// oleacc): nothing drawn changes and no control is added.
#pragma once

#include <windows.h>

#include <span>
#include <string>
#include <vector>

#include "app/form.h"

struct IAccPropServices;

namespace varnel {

// What a screen reader announces for one control of the form.
struct AccessibleName {
  int childId;
  std::wstring name;
  LONG role;  // a ROLE_SYSTEM_ value, or 0 to keep the role that the system gives the control
};

// The names that the form gives its controls. The label's captions, the words of its text, name
// the edit boxes from left to right, each the box above it; the label itself reads as static text
// holding the captions one space apart. The button keeps the name that its caption gives it.
std::vector<AccessibleName> AccessibleNamesOf(std::span<const FormEntry> form);

// Hands each name, and each role that is not 0, to `services` for the client object of the
// window's control with that child ID. Calls that the service refuses change nothing else.
void Annotate(HWND window, std::span<const AccessibleName> names, IAccPropServices& services);

// Names the built window's controls through the system's annotation service. Needs COM on the
// calling thread (ComApartment); without COM or without the service it does nothing and says
// nothing.
void NameControlsForScreenReaders(HWND window, std::span<const FormEntry> form);

// COM on the calling thread, in a single-threaded apartment, for as long as the object lives. When
// COM cannot be started the object holds nothing and the program goes on without it.
struct ComApartment {
  ComApartment();
  ~ComApartment();
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

  bool started;
};

}  // namespace varnel
