// Virtual time: the monotonic clocks, sleeps and event waits of the
// preloaded process.
#include "VirtualTime.h"

#include <atomic>
#include <cerrno>
#include <ctime>

#include <dlfcn.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace velmar::usbemu {

namespace {
std::atomic<std::uint64_t> g_nowUs{0};
// Virtual time starts where the real monotonic clock stood at load.
std::uint64_t BaseUs() {
  static const std::uint64_t base = [] {
    timespec ts{};
    syscall(SYS_clock_gettime, CLOCK_MONOTONIC, &ts);
    return std::uint64_t(ts.tv_sec) * 1000000u + std::uint64_t(ts.tv_nsec) / 1000u;
  }();
  return base;
}
bool Monotonic(clockid_t id) {
  return id == CLOCK_MONOTONIC || id == CLOCK_MONOTONIC_RAW || id == CLOCK_MONOTONIC_COARSE || id == CLOCK_BOOTTIME;
}
std::uint64_t ToUs(const timespec& t) {
  return std::uint64_t(t.tv_sec) * 1000000u + (std::uint64_t(t.tv_nsec) + 999) / 1000u;
}
std::uint64_t RealUs() {
  timespec ts{};
  syscall(SYS_clock_gettime, CLOCK_MONOTONIC, &ts);
  return std::uint64_t(ts.tv_sec) * 1000000u + std::uint64_t(ts.tv_nsec) / 1000u;
}

// A wait for events (a window's event loop) takes real time, and the
// program's timers must see it pass: an idle window's clock would stand
// still otherwise, and no timer of its event loop would ever come due.
// When such a wait ends, virtual time is at least where it stood when the
// wait began plus the real time the wait took (waits of several threads at
// once count once).
class EventWait {
 public:
  EventWait() : virtualStart_(NowUs()), realStart_(RealUs()) {}
  ~EventWait() {
    const std::uint64_t reached = virtualStart_ + (RealUs() - realStart_);
    std::uint64_t now = g_nowUs.load();
    while (now < reached && !g_nowUs.compare_exchange_weak(now, reached)) {
    }
  }
  EventWait(const EventWait&) = delete;
  EventWait& operator=(const EventWait&) = delete;

 private:
  std::uint64_t virtualStart_, realStart_;
};

template <class F>
F Next(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}
}  // namespace

std::uint64_t NowUs() { return g_nowUs.load(); }
void AdvanceUs(std::uint64_t us) { g_nowUs += us; }

}  // namespace velmar::usbemu

using namespace velmar::usbemu;

extern "C" {

__attribute__((visibility("default"))) int clock_gettime(clockid_t id, struct timespec* ts) {
  if (!Monotonic(id)) return int(syscall(SYS_clock_gettime, id, ts));
  std::uint64_t us = BaseUs() + NowUs();
  ts->tv_sec = time_t(us / 1000000u);
  ts->tv_nsec = long(us % 1000000u) * 1000;
  return 0;
}

__attribute__((visibility("default"))) int nanosleep(const struct timespec* req, struct timespec* rem) {
  if (!req || req->tv_nsec < 0 || req->tv_nsec >= 1000000000) {
    errno = EINVAL;
    return -1;
  }
  std::uint64_t us = ToUs(*req);
  AdvanceUs(us);
  Account().sleptUs += us;
  if (rem) *rem = timespec{};
  return 0;
}

__attribute__((visibility("default"))) int clock_nanosleep(clockid_t id, int flags, const struct timespec* req,
                                                           struct timespec* rem) {
  if (!Monotonic(id) && id != CLOCK_REALTIME) return EINVAL;
  if (flags & TIMER_ABSTIME) {
    if (!Monotonic(id)) return int(syscall(SYS_clock_nanosleep, id, flags, req, rem)) < 0 ? errno : 0;
    std::uint64_t target = ToUs(*req), now = BaseUs() + NowUs();
    if (target > now) {
      AdvanceUs(target - now);
      Account().sleptUs += target - now;
    }
    return 0;
  }
  return nanosleep(req, rem) == 0 ? 0 : errno;
}

__attribute__((visibility("default"))) int usleep(useconds_t us) {
  AdvanceUs(us);
  Account().sleptUs += us;
  return 0;
}

__attribute__((visibility("default"))) int poll(struct pollfd* fds, nfds_t count, int timeoutMs) {
  static const auto next = Next<int (*)(struct pollfd*, nfds_t, int)>("poll");
  if (timeoutMs == 0) return next(fds, count, 0);
  EventWait wait;
  return next(fds, count, timeoutMs);
}

__attribute__((visibility("default"))) int ppoll(struct pollfd* fds, nfds_t count, const struct timespec* timeout,
                                                 const sigset_t* mask) {
  static const auto next = Next<int (*)(struct pollfd*, nfds_t, const struct timespec*, const sigset_t*)>("ppoll");
  if (timeout && timeout->tv_sec == 0 && timeout->tv_nsec == 0) return next(fds, count, timeout, mask);
  EventWait wait;
  return next(fds, count, timeout, mask);
}

}  // extern "C"
