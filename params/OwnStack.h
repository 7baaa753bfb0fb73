#pragma once
// Running deeply recursive work (TinyXML's parse and teardown) on a stack of its
// own without a thread of its own: a new thread per call costs a fresh malloc
// arena whose pages fault in on every load, and the work's allocations would land
// there instead of in the caller's warm heap.

#include <cstddef>
#include <functional>

// Runs `work` on the calling thread, switched onto a stack of `stackBytes` (with a
// guard page below it, so running past it faults instead of overwriting memory)
// and waits for it to return. An exception thrown by `work` reaches the caller.
// False, with `work` not run, when no such stack could be had.
bool RunOnOwnStack(size_t stackBytes, const std::function<void()>& work);
