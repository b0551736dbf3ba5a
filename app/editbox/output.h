// The UI thread's side of the output queue (ProgramState::output): it appends what the workers
// handed over to the end of 编辑框3, one short step at a time, and only when nothing else waits
// for it.
//
// A worker's AppendText (app/editbox/editbox.h) adds its piece to the queue and, when the UI
// thread is idle, posts kOutputWakeMessage to the main window. The window answers by starting
// kOutputTimer. Timer messages come only once no input, posted message or paint waits, so each
// step runs after everything the user did in the meantime. The timer stops when the queue is
// empty and the box is painted.
#pragma once

#include <windows.h>

namespace varnel {

inline constexpr UINT kOutputWakeMessage = WM_APP + 2;
inline constexpr UINT_PTR kOutputTimer = 1;

// Opens the queue once the window is loaded, and closes it when the window goes: from then on a
// worker's AppendText ends in its fault, and workers waiting for room wake up to meet it.
void OpenOutput();
void CloseOutput();

// kOutputWakeMessage: starts the steps.
void OnOutputWake(HWND window);

// kOutputTimer: one step of output work, either one append to 编辑框3 or one repaint of it.
void OnOutputTimer(HWND window);

// True when nothing waits: no piece in the queue or in a step, and the box painted.
bool OutputIdle();

}  // namespace varnel
