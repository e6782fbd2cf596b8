// Child processes: the Windows command line reads back into the same
// arguments (the C run time's rules for quotes and backslashes), and a
// child's status, output and abnormal end reach the starter as they were.
#include <gtest/gtest.h>

#include "platform/ChildProcess.h"
#include "support/TestSupport.h"

namespace velmar::test {
namespace {

TEST(ChildProcess, WindowsCommandLineQuotesWhatTheRunTimeWouldSplit) {
  struct Case {
    std::vector<std::string> argv;
    const char* line;
  };
  const Case cases[] = {
      {{"velmar-cli.exe", "--port", "1-2.4"}, "velmar-cli.exe --port 1-2.4"},
      {{"C:\\Program Files\\velmar-cli.exe", ""}, "\"C:\\Program Files\\velmar-cli.exe\" \"\""},
      {{"a\\b\\c"}, "a\\b\\c"},                                  // backslashes alone stay as they are
      {{"say \"hi\""}, "\"say \\\"hi\\\"\""},                    // quotes inside are escaped
      {{"C:\\dir with space\\"}, "\"C:\\dir with space\\\\\""},  // doubled before the closing quote
      {{"a\\\"b"}, "\"a\\\\\\\"b\""},                            // backslash then quote: both escaped
      {{"tab\there"}, "\"tab\there\""},
  };
  for (const Case& c : cases) EXPECT_EQ(platform::WindowsCommandLine(c.argv), c.line) << c.line;
}

TEST(ChildProcess, StatusOutputAndAbnormalEndReachTheStarter) {
  VELMAR_SKIP_ON_WINDOWS("the children here are POSIX shell commands");
  TempDir dir;
  const std::string out = dir.File("out"), err = dir.File("err");
  std::string error;
  auto child =
      platform::ChildProcess::Start({"/bin/sh", "-c", "echo to-out; echo to-err >&2; exit 7"}, out, err, error);
  ASSERT_TRUE(child) << error;
  platform::ChildProcess::End end = child->Wait();
  EXPECT_EQ(end.status, 7);
  EXPECT_TRUE(end.failure.empty());
  EXPECT_EQ(ReadFile(out), "to-out\n");
  EXPECT_EQ(ReadFile(err), "to-err\n");
  EXPECT_TRUE(child->Ended(end)) << "an ended child stays ended";

  // A crash is never a success, whatever status it leaves.
  child = platform::ChildProcess::Start({"/bin/sh", "-c", "kill -SEGV $$"}, out, err, error);
  ASSERT_TRUE(child) << error;
  end = child->Wait();
  EXPECT_NE(end.status, 0);
  EXPECT_NE(end.failure.find("signal 11"), std::string::npos) << end.failure;

  EXPECT_FALSE(platform::ChildProcess::Start({dir.File("no-such-program")}, out, err, error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace velmar::test
