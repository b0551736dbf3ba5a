#include "tests/support/failing_heap.h"

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

#include "app/thread_key.h"

namespace varnel::test {
namespace {

enum class Failing { kNothing, kEverything, kAllButSpared };

std::atomic<Failing> failing{Failing::kNothing};
std::atomic<ThreadKey> spared{};

bool AllocationFails() {
  switch (failing.load()) {
    case Failing::kNothing:
      return false;
    case Failing::kEverything:
      return true;
    case Failing::kAllButSpared:
      return ThisThread() != spared.load();
  }
  return true;
}

// The replaced operators allocate here; null once the heap has "run out".
void* Allocate(std::size_t size) {
  if (AllocationFails()) return nullptr;
  return std::malloc(size == 0 ? 1 : size);
}

}  // namespace

void FailEveryAllocation() {
  failing.store(Failing::kEverything);
}

void FailEveryAllocationButOnThisThread() {
  spared.store(ThisThread());
  failing.store(Failing::kAllButSpared);
}

}  // namespace varnel::test

void* operator new(std::size_t size) {
  if (void* memory = varnel::test::Allocate(size)) return memory;
  throw std::bad_alloc();
}

void* operator new[](std::size_t size) {
  if (void* memory = varnel::test::Allocate(size)) return memory;
  throw std::bad_alloc();
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return varnel::test::Allocate(size);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return varnel::test::Allocate(size);
}

void operator delete(void* memory) noexcept {
  std::free(memory);
}

void operator delete[](void* memory) noexcept {
  std::free(memory);
}

void operator delete(void* memory, std::size_t) noexcept {
  std::free(memory);
}

void operator delete[](void* memory, std::size_t) noexcept {
  std::free(memory);
}

void operator delete(void* memory, const std::nothrow_t&) noexcept {
  std::free(memory);
}

void operator delete[](void* memory, const std::nothrow_t&) noexcept {
  std::free(memory);
}
