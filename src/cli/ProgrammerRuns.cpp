// The per-programmer runs of --all: child processes and threads.
#include "cli/ProgrammerRuns.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <streambuf>
#include <thread>

#include "cli/Cli.h"
#include "platform/ChildProcess.h"
#include "platform/Paths.h"

namespace velmar::cli {

namespace {

std::string ReadFrom(const std::string& file, std::uint64_t offset) {
  std::ifstream in(platform::PathOf(file), std::ios::binary);
  if (!in) return {};
  in.seekg(std::streamoff(offset));
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A run that could not start: it has ended, with the reason.
class NotStarted final : public ProgrammerRun {
 public:
  explicit NotStarted(std::string failure) { outcome_.failure = std::move(failure); }
  std::string NewErrors() override { return {}; }
  bool Ended() override { return true; }
  Outcome Finish() override { return outcome_; }

 private:
  Outcome outcome_;
};

class ProcessRun final : public ProgrammerRun {
 public:
  ProcessRun(std::unique_ptr<platform::ChildProcess> child, std::string outFile, std::string errFile)
      : child_(std::move(child)), outFile_(std::move(outFile)), errFile_(std::move(errFile)) {}
  ~ProcessRun() override {
    child_.reset();  // waited for before its files go
    std::error_code ec;
    std::filesystem::remove(platform::PathOf(outFile_), ec);
    std::filesystem::remove(platform::PathOf(errFile_), ec);
  }

  std::string NewErrors() override {
    std::string text = ReadFrom(errFile_, errRead_);
    // Only whole lines: the rest comes with the next call.
    const std::size_t end = text.rfind('\n');
    if (end == std::string::npos) return {};
    text.resize(end + 1);
    errRead_ += text.size();
    return text;
  }

  bool Ended() override {
    platform::ChildProcess::End end;
    return child_->Ended(end);
  }

  Outcome Finish() override {
    const platform::ChildProcess::End end = child_->Wait();
    Outcome o;
    o.status = end.status;
    o.failure = end.failure;
    o.out = ReadFrom(outFile_, 0);
    o.err = ReadFrom(errFile_, 0);
    return o;
  }

 private:
  std::unique_ptr<platform::ChildProcess> child_;
  std::string outFile_, errFile_;
  std::uint64_t errRead_ = 0;
};

class ProcessStarterImpl final : public RunStarter {
 public:
  explicit ProcessStarterImpl(std::string executable) : executable_(std::move(executable)) {}

  std::unique_ptr<ProgrammerRun> Start(const std::vector<std::string>& args) override {
    std::string outFile = platform::NewTemporaryFile("velmar-all-out");
    std::string errFile = platform::NewTemporaryFile("velmar-all-err");
    if (outFile.empty() || errFile.empty()) {
      std::error_code ec;
      if (!outFile.empty()) std::filesystem::remove(platform::PathOf(outFile), ec);
      if (!errFile.empty()) std::filesystem::remove(platform::PathOf(errFile), ec);
      return std::make_unique<NotStarted>("Cannot make a temporary file for the run's output");
    }
    std::vector<std::string> argv = {executable_};
    argv.insert(argv.end(), args.begin(), args.end());
    std::string error;
    std::unique_ptr<platform::ChildProcess> child = platform::ChildProcess::Start(argv, outFile, errFile, error);
    if (!child) {
      std::error_code ec;
      std::filesystem::remove(platform::PathOf(outFile), ec);
      std::filesystem::remove(platform::PathOf(errFile), ec);
      return std::make_unique<NotStarted>(error);
    }
    return std::make_unique<ProcessRun>(std::move(child), std::move(outFile), std::move(errFile));
  }

 private:
  std::string executable_;
};

// A stream buffer one thread writes and another reads, under a lock.
class SharedText final : public std::streambuf {
 public:
  std::string From(std::size_t offset) {
    std::lock_guard<std::mutex> hold(mutex_);
    return offset < text_.size() ? text_.substr(offset) : std::string();
  }

 protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    std::lock_guard<std::mutex> hold(mutex_);
    text_ += traits_type::to_char_type(c);
    return c;
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    std::lock_guard<std::mutex> hold(mutex_);
    text_.append(s, std::size_t(n));
    return n;
  }

 private:
  std::mutex mutex_;
  std::string text_;
};

class ThreadRun final : public ProgrammerRun {
 public:
  explicit ThreadRun(const std::vector<std::string>& args) : outStream_(&out_), errStream_(&err_) {
    thread_ = std::thread([this, args] {
      std::istringstream nothing;
      try {
        status_ = RunCli(args, outStream_, errStream_, nothing);
      } catch (const std::exception& e) {
        failure_ = e.what();
      }
      done_ = true;
    });
  }
  ~ThreadRun() override {
    if (thread_.joinable()) thread_.join();
  }

  std::string NewErrors() override {
    std::string text = err_.From(errRead_);
    const std::size_t end = text.rfind('\n');
    if (end == std::string::npos) return {};
    text.resize(end + 1);
    errRead_ += text.size();
    return text;
  }

  bool Ended() override { return done_; }

  Outcome Finish() override {
    if (thread_.joinable()) thread_.join();
    Outcome o;
    o.status = failure_.empty() ? status_ : kExitFailed;
    o.failure = failure_;
    o.out = out_.From(0);
    o.err = err_.From(0);
    return o;
  }

 private:
  SharedText out_, err_;
  std::ostream outStream_, errStream_;
  std::size_t errRead_ = 0;
  int status_ = kExitFailed;
  std::string failure_;
  std::atomic<bool> done_{false};
  std::thread thread_;
};

class ThreadStarterImpl final : public RunStarter {
 public:
  std::unique_ptr<ProgrammerRun> Start(const std::vector<std::string>& args) override {
    return std::make_unique<ThreadRun>(args);
  }
};

}  // namespace

std::unique_ptr<RunStarter> ProcessStarter(std::string executable) {
  return std::make_unique<ProcessStarterImpl>(std::move(executable));
}

std::unique_ptr<RunStarter> ThreadStarter() { return std::make_unique<ThreadStarterImpl>(); }

std::string CliExecutable() {
  if (const char* given = std::getenv("VELMAR_CLI_EXE"); given && *given) return given;
  const std::string self = platform::OwnExecutable();
  return self.empty() ? std::string("velmar-cli") : self;
}

}  // namespace velmar::cli
