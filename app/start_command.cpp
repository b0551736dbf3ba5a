#include "app/start_command.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "app/editbox/editbox.h"
#include "app/handles.h"
#include "app/program_state.h"
#include "app/utf.h"
#include "removal/line_list.h"
#include "removal/removal_run.h"

namespace varnel {
namespace {

// Starts `procedure` on a new thread with default security and stack, running at once. The
// handle is null when the thread could not be made.
UniqueHandle StartThread(LPTHREAD_START_ROUTINE procedure, std::uint32_t argument) {
  DWORD id = 0;
  void* const parameter = reinterpret_cast<void*>(static_cast<std::uintptr_t>(argument));
  return UniqueHandle(CreateThread(nullptr, 0, procedure, parameter, 0, &id));
}

// The lines of one box. Its units are converted straight into the block that the list then takes
// over as its own bytes, and are released before the cut: besides the box, the run holds one copy
// of the text.
LineList ReadLines(ControlId box) {
  TextBytes bytes;
  {
    const std::wstring units = ReadContentUnits(kMainWindow, box);
    bytes = AllocateText(Utf8Size(units));
    WideToUtf8(units, {bytes.data.get(), bytes.size});
  }
  return SplitLines(std::move(bytes));
}

// One removal run: 编辑框1 less the lines of 编辑框2, appended to 编辑框3. The argument is not
// used.
DWORD WINAPI RemovalWorker(void* /*argument*/) {
  // The UI thread wins the processor over runs, so that the window answers while they work.
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
  const LineList source = ReadLines(编辑框1);
  const LineList removal = ReadLines(编辑框2);
  // Each piece goes to the output queue the moment it is known; the UI thread appends them.
  RunRemoval(source, removal,
             TextSink{[](std::string_view piece) { AppendText(kMainWindow, 编辑框3, piece); }});
  return 0;
}

}  // namespace

void OnStartClicked() {
  // The handle is closed at once: nothing waits for the run, and the run ends by itself.
  StartThread(&RemovalWorker, 0);
}

}  // namespace varnel
