// The main window's focus, its tab order and its key filter, all taken from the form
// (app/form.h). UI thread only.
#pragma once

#include <windows.h>

#include "app/form.h"

namespace varnel {

// The form entry that `control` was built from, when it is a child of `window`; null otherwise.
const FormEntry* EntryOfControl(HWND window, HWND control);

// Where the window passes the focus on when it gets it: to `remembered`, the control that had the
// focus when the window was last deactivated, while that is still a child of the window; or else to
// the first control of the tab order. Null when there is none.
HWND FocusTarget(HWND window, HWND remembered);

// The window's key filter, for every message before it is dispatched: true when the message was a
// key that the filter consumed.
bool FilterKey(const MSG& message);

}  // namespace varnel
