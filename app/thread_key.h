// A name for the calling thread that asks nothing of the heap, for code that must work while the
// heap is exhausted (the fault report, and the test heap that exhausts it). On Windows it is the
// system's identifier: the thread library's own identifier may allocate for a thread it did not
// start.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <thread>
#endif

namespace varnel {

#ifdef _WIN32
using ThreadKey = DWORD;  // 0 names no thread
inline ThreadKey ThisThread() {
  return GetCurrentThreadId();
}
#else
using ThreadKey = std::thread::id;  // the default names no thread
inline ThreadKey ThisThread() {
  return std::this_thread::get_id();
}
#endif

}  // namespace varnel
