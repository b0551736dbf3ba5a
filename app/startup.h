// The life of the process on its first thread, the UI thread: start-up, the message loop, the end.
#pragma once

#include <cstddef>
#include <string>

namespace varnel {

// Makes the executable's folder the working directory, records the UI thread, builds and shows the
// main window and runs the message loop until the window is gone. Returns 0. When the window
// cannot be built it reports the fault "载入启动窗口失败" and does not return.
int StartUp();

// The executable's full path, however long: the buffer, first `firstSize` characters, grows until
// the whole path fits. Empty when the system cannot tell.
std::wstring ExecutablePath(std::size_t firstSize = 260);

// Runs the UI thread's messages through the key filter and to their windows until the quit
// request arrives. Returns at once when the main window is not loaded.
void RunMessageLoop();

// The normal end, after StartUp has returned: no event is delivered any more, no window or control
// can be found by its identifier, and the window's icons are released.
void EndProgram();

}  // namespace varnel
