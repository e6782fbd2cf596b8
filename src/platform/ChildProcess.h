// Another program started by this one, its standard input from nothing and
// its standard output and error into files, so that the starter can read
// what it has written so far while it runs and all of it once it has ended
// (velmar-cli --all starts one run of itself per programmer this way).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace velmar::platform {

class ChildProcess {
 public:
  virtual ~ChildProcess() = default;

  // How the program ended: its exit status, or why there is none (a signal,
  // an exception on Windows) in `failure`, with `status` then 1.
  struct End {
    int status = 1;
    std::string failure;
  };

  // Starts `argv` (argv[0] the program's path). Null, and `error` says why,
  // when it cannot be started.
  static std::unique_ptr<ChildProcess> Start(const std::vector<std::string>& argv, const std::string& outFile,
                                             const std::string& errFile, std::string& error);

  // True, and `end` set, once the program has ended; never waits.
  virtual bool Ended(End& end) = 0;
  // Waits for the program to end.
  virtual End Wait() = 0;
};

// A new empty file in the system's temporary folder whose name starts with
// `stem`, only this user may read; its path ("" when none could be made).
std::string NewTemporaryFile(const std::string& stem);

// The path of this program's own executable ("" when the system cannot tell).
std::string OwnExecutable();

// `argv` as one Windows command line that the C run time (and
// CommandLineToArgvW) reads back into the same arguments: an argument with
// a space, a tab or a quote, or an empty one, in quotes, with the
// backslashes before a quote (or before the closing quote) doubled.
std::string WindowsCommandLine(const std::vector<std::string>& argv);

}  // namespace velmar::platform
