// Thread priority through the operating system: the thread priority calls on
// Windows, the calling thread's nice value elsewhere.
#include "platform/ThreadPriority.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>

#include <sys/resource.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/syscall.h>
#endif
#endif

namespace velmar::platform {

#ifdef _WIN32

int SystemThreadPriority::Get() { return GetThreadPriority(GetCurrentThread()); }

void SystemThreadPriority::SetHighest() { SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL); }

void SystemThreadPriority::Set(int priority) { SetThreadPriority(GetCurrentThread(), priority); }

#else

namespace {

// On Linux a thread id given to the priority calls names that one thread;
// elsewhere 0 names the calling process.
id_t Self() {
#ifdef __linux__
  return id_t(::syscall(SYS_gettid));
#else
  return 0;
#endif
}

constexpr int kHighestNice = -20;

}  // namespace

int SystemThreadPriority::Get() {
  errno = 0;
  int nice = ::getpriority(PRIO_PROCESS, Self());
  return errno == 0 ? nice : 0;
}

void SystemThreadPriority::SetHighest() {
  // Refused without the privilege to raise priority; the update then runs
  // at the priority it had.
  (void)::setpriority(PRIO_PROCESS, Self(), kHighestNice);
}

void SystemThreadPriority::Set(int priority) { (void)::setpriority(PRIO_PROCESS, Self(), priority); }

#endif

}  // namespace velmar::platform
