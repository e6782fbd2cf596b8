// Virtual time: the monotonic clocks and sleeps of the preloaded process.
#include "VirtualTime.h"

#include <atomic>
#include <cerrno>
#include <ctime>

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

}  // extern "C"
