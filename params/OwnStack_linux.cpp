#include "params/OwnStack.h"

#include <sys/mman.h>
#include <ucontext.h>
#include <unistd.h>

#include <exception>

#if defined(__SANITIZE_ADDRESS__)
#define DS_OWN_STACK_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define DS_OWN_STACK_ASAN 1
#endif
#endif
#ifdef DS_OWN_STACK_ASAN
#include <sanitizer/common_interface_defs.h>
#endif

namespace {

struct Job {
  const std::function<void()>* work = nullptr;
  std::exception_ptr failure;
  ucontext_t caller{};
  // The caller's stack as the address sanitizer knows it, for the switch back.
  const void* callerBottom = nullptr;
  size_t callerSize = 0;
};

thread_local Job* t_job = nullptr;

void Enter() {
  Job* job = t_job;
#ifdef DS_OWN_STACK_ASAN
  __sanitizer_finish_switch_fiber(nullptr, &job->callerBottom, &job->callerSize);
#endif
  try {
    (*job->work)();
  } catch (...) {
    // Unwinding cannot cross back to the caller's stack; the exception is carried.
    job->failure = std::current_exception();
  }
#ifdef DS_OWN_STACK_ASAN
  // This stack is done with: no fake frames of it are kept.
  __sanitizer_start_switch_fiber(nullptr, job->callerBottom, job->callerSize);
#endif
  // Returning resumes uc_link, the caller.
}

}  // namespace

bool RunOnOwnStack(size_t stackBytes, const std::function<void()>& work) {
  const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  const size_t usable = (stackBytes + page - 1) / page * page;
  const size_t mapped = usable + page;
  // Reserved, not committed: only the pages the work reaches are ever touched.
  void* base =
      mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_STACK, -1, 0);
  if (base == MAP_FAILED) return false;
  if (mprotect(base, page, PROT_NONE) != 0) {
    munmap(base, mapped);
    return false;
  }
  char* const bottom = static_cast<char*>(base) + page;

  Job job;
  job.work = &work;
  ucontext_t own{};
  bool ran = getcontext(&own) == 0;
  if (ran) {
    own.uc_stack.ss_sp = bottom;
    own.uc_stack.ss_size = usable;
    own.uc_link = &job.caller;
    makecontext(&own, Enter, 0);
    Job* const outer = t_job;  // work that itself runs on a stack of its own
    t_job = &job;
#ifdef DS_OWN_STACK_ASAN
    void* fakeStack = nullptr;
    __sanitizer_start_switch_fiber(&fakeStack, bottom, usable);
#endif
    ran = swapcontext(&job.caller, &own) == 0;
#ifdef DS_OWN_STACK_ASAN
    __sanitizer_finish_switch_fiber(fakeStack, nullptr, nullptr);
#endif
    t_job = outer;
  }
  munmap(base, mapped);
  if (job.failure) std::rethrow_exception(job.failure);
  return ran;
}
