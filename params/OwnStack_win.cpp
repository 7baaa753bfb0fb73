#include "params/OwnStack.h"

#include <windows.h>

#include <exception>

namespace {

struct Job {
  const std::function<void()>* work = nullptr;
  std::exception_ptr failure;
  void* caller = nullptr;
};

void CALLBACK Enter(void* parameter) {
  Job* job = static_cast<Job*>(parameter);
  try {
    (*job->work)();
  } catch (...) {
    // Unwinding cannot cross back to the caller's stack; the exception is carried.
    job->failure = std::current_exception();
  }
  // A fiber must never return: that would end the thread.
  SwitchToFiber(job->caller);
}

// GCC 12 takes the header's read of the thread block through the gs segment for
// an access past an empty array.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
void* CurrentFiber() { return GetCurrentFiber(); }
#pragma GCC diagnostic pop

}  // namespace

bool RunOnOwnStack(size_t stackBytes, const std::function<void()>& work) {
  // Work that itself runs on a stack of its own is on a fiber already.
  const bool converted = !IsThreadAFiber();
  Job job;
  job.work = &work;
  job.caller = converted ? ConvertThreadToFiber(nullptr) : CurrentFiber();
  if (job.caller == nullptr) return false;
  // Reserved, not committed: only the pages the work reaches are ever touched, and
  // a guard page below them turns running past the end into a fault.
  void* const own = CreateFiberEx(0, stackBytes, FIBER_FLAG_FLOAT_SWITCH, Enter, &job);
  if (own != nullptr) {
    SwitchToFiber(own);
    DeleteFiber(own);
  }
  if (converted) ConvertFiberToThread();
  if (job.failure) std::rethrow_exception(job.failure);
  return own != nullptr;
}
