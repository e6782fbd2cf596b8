// The thread priority seam: raising is best effort, and what was there
// before comes back on every way out of the raised stretch.
#include <stdexcept>

#include <gtest/gtest.h>

#include "platform/ThreadPriority.h"

namespace velmar::platform {
namespace {

TEST(ThreadPriority, TheSystemsPriorityIsRestoredAfterARaisedStretchEvenWhenItThrows) {
  SystemThreadPriority system;
  const int before = system.Get();
  try {
    RaisedPriority raised(system);
    throw std::runtime_error("failure while raised");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(system.Get(), before);
}

}  // namespace
}  // namespace velmar::platform
