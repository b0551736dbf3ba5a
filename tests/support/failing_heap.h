// A heap that runs out on request, for tests of what happens when memory is exhausted. A program
// that links it has its operator new and delete replaced: they take memory from malloc until a
// switch below is thrown, and from then on every allocation through operator new fails as on an
// exhausted heap (std::bad_alloc, or null from the nothrow forms).
#pragma once

namespace varnel::test {

// From now on every allocation fails, on every thread.
void FailEveryAllocation();

// From now on every allocation fails on every thread but the calling one.
void FailEveryAllocationButOnThisThread();

}  // namespace varnel::test
