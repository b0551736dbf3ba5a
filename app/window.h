// The main window: building it from its form (app/form.h), its window procedure and painting.
// Focus, tab order and keys: app/focus.h.
#pragma once

#include "app/form.h"
#include "app/start_command.h"

namespace varnel {

// The handlers that the form binds to its events: only the clicked event of 按钮1.
struct FormEvents {
  void (*startClicked)() = OnStartClicked;
};

// Builds the window named by `window` from its form and shows it; on success the main window entry
// is loaded. Fails, showing nothing, when there is no such window or it cannot be created.
// UI thread only.
bool LoadWindow(WindowId window, const FormEvents& events = {});

}  // namespace varnel
