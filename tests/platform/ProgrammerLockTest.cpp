// The programmer lock between two holders on separate descriptors (as two
// processes would have): the second is turned away naming the first's
// process and command, or waits for it; a released lock is free again, and
// a link at the lock's name is refused.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <thread>

#include "platform/ProgrammerLock.h"
#include "support/TestSupport.h"

namespace velmar::test {
namespace {

using platform::ProgrammerLock;

TEST(ProgrammerLock, ASecondHolderIsTurnedAwayNamingTheFirstUntilItReleases) {
  TempDir dir;
  const std::string path = dir.File("p.lock");
  ProgrammerLock first, second;
  ASSERT_EQ(first.Take(path, "velmar-cli new --slot 2", false).taken, ProgrammerLock::Taken::yes);

  const ProgrammerLock::Outcome refused = second.Take(path, "velmar-cli erase", false);
  EXPECT_EQ(refused.taken, ProgrammerLock::Taken::busy);
  EXPECT_EQ(refused.holder, "process " + std::to_string(ProcessId()) + " (velmar-cli new --slot 2)");
  EXPECT_FALSE(second.Held());

  first.Release();
  EXPECT_EQ(second.Take(path, "velmar-cli erase", false).taken, ProgrammerLock::Taken::yes);
}

TEST(ProgrammerLock, WaitingTakesTheLockOnlyOnceTheHolderReleasesIt) {
  TempDir dir;
  const std::string path = dir.File("p.lock");
  ProgrammerLock first, second;
  ASSERT_EQ(first.Take(path, "velmar", false).taken, ProgrammerLock::Taken::yes);
  auto waited = std::async(std::launch::async, [&] { return second.Take(path, "velmar-cli list", true).taken; });
  EXPECT_EQ(waited.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout) << "did not wait";
  first.Release();
  ASSERT_EQ(waited.wait_for(std::chrono::seconds(10)), std::future_status::ready) << "still waiting after release";
  EXPECT_EQ(waited.get(), ProgrammerLock::Taken::yes);
}

TEST(ProgrammerLock, HolderTextsFromTheFileAreReadWarily) {
  struct Case {
    std::string file, holder;
  };
  const Case cases[] = {
      {"", ""},                                                                    // the holder had not written yet
      {"12x\nvelmar\n", ""},                                                       // not a process id
      {"77\n", "process 77"},                                                      // no command
      {"77\nvelmar-cli \x1b[2Jlist\nmore\n", "process 77 (velmar-cli ?[2Jlist)"},  // no terminal control
  };
  for (const Case& c : cases) EXPECT_EQ(platform::LockHolderOf(c.file), c.holder) << c.file;
  EXPECT_EQ(platform::LockHolderOf(platform::LockHolderText(5, "a\nb")), "process 5 (a b)");
}

TEST(ProgrammerLock, ALinkAtTheLocksNameIsRefused) {
  TempDir dir;
  std::error_code ec;
  std::filesystem::create_symlink(dir.File("elsewhere"), dir.File("p.lock"), ec);
  if (ec) GTEST_SKIP() << "links cannot be made here: " << ec.message();
  ProgrammerLock lock;
  EXPECT_EQ(lock.Take(dir.File("p.lock"), "velmar", false).taken, ProgrammerLock::Taken::failed);
  EXPECT_FALSE(Exists(dir.File("elsewhere")));
}

}  // namespace
}  // namespace velmar::test
