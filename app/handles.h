// Owners of the system's handles, one alias for each function that closes a handle: a
// std::unique_ptr whose deleter calls that function, in the pattern of WIL's unique_any. The owner
// closes what it holds when it ends and never closes null, so every handle here must use null for
// "none": a function that fails with INVALID_HANDLE_VALUE is checked before its handle is owned.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

namespace varnel {

// Calls `Close` on the handle that a unique_ptr holds.
template <auto Close>
struct HandleCloser {
  template <typename Handle>
  void operator()(Handle handle) const noexcept {
    Close(handle);
  }
};

template <typename Handle, auto Close>
using UniqueAny = std::unique_ptr<std::remove_pointer_t<Handle>, HandleCloser<Close>>;

using UniqueHandle = UniqueAny<HANDLE, &CloseHandle>;  // threads, processes, snapshots
using UniqueWindow = UniqueAny<HWND, &DestroyWindow>;
using UniqueIcon = UniqueAny<HICON, &DestroyIcon>;

// A COM interface pointer, released when the owner ends.
struct ComReleaser {
  template <typename Interface>
  void operator()(Interface* object) const noexcept {
    object->Release();
  }
};

template <typename Interface>
using UniqueCom = std::unique_ptr<Interface, ComReleaser>;

}  // namespace varnel
