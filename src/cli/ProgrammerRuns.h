// The runs of velmar-cli that `--all` starts, one per programmer, and the
// two ways of starting them: a child process of the program itself (what
// velmar-cli does: a fault or a crash in one run stays in that run), or a
// thread in this process (what tests do, running commands in-process). The
// starter reads what a run has written on stderr while it runs (its
// progress lines) and everything it wrote once it has ended.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace velmar::cli {

class ProgrammerRun {
 public:
  virtual ~ProgrammerRun() = default;

  struct Outcome {
    int status = 1;
    std::string out;      // the whole of its stdout
    std::string err;      // the whole of its stderr
    std::string failure;  // why it could not start or end normally ("" it did)
  };

  // What the run wrote on stderr since the last call.
  virtual std::string NewErrors() = 0;
  // True once the run has ended; never waits.
  virtual bool Ended() = 0;
  // Waits for the end.
  virtual Outcome Finish() = 0;
};

class RunStarter {
 public:
  virtual ~RunStarter() = default;
  // Starts velmar-cli with `args` (without the program's name). A run that
  // cannot start is one that ends at once with its failure.
  virtual std::unique_ptr<ProgrammerRun> Start(const std::vector<std::string>& args) = 0;
};

// Child processes of `executable`.
std::unique_ptr<RunStarter> ProcessStarter(std::string executable);
// Threads of this process, each running the command line in-process.
std::unique_ptr<RunStarter> ThreadStarter();

// The program a child run starts: $VELMAR_CLI_EXE, else this executable.
std::string CliExecutable();

}  // namespace velmar::cli
