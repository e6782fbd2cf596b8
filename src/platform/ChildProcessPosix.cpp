// Child processes with posix_spawn and waitpid.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/ChildProcess.h"

extern char** environ;

namespace velmar::platform {

namespace {

class PosixChild final : public ChildProcess {
 public:
  explicit PosixChild(pid_t pid) : pid_(pid) {}
  ~PosixChild() override {
    if (!ended_) Wait();  // never leaves a zombie behind
  }

  bool Ended(End& end) override {
    if (ended_) {
      end = end_;
      return true;
    }
    int status = 0;
    pid_t r;
    while ((r = waitpid(pid_, &status, WNOHANG)) < 0 && errno == EINTR) {
    }
    if (r == 0) return false;
    Record(r < 0 ? -1 : status);
    end = end_;
    return true;
  }

  End Wait() override {
    if (ended_) return end_;
    int status = 0;
    pid_t r;
    while ((r = waitpid(pid_, &status, 0)) < 0 && errno == EINTR) {
    }
    Record(r < 0 ? -1 : status);
    return end_;
  }

 private:
  void Record(int status) {
    ended_ = true;
    if (status < 0) {
      end_.failure = "The run could not be waited for";
    } else if (WIFEXITED(status)) {
      end_.status = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
      end_.failure = "The run ended with signal " + std::to_string(WTERMSIG(status));
    }
  }

  pid_t pid_;
  bool ended_ = false;
  End end_;
};

}  // namespace

std::unique_ptr<ChildProcess> ChildProcess::Start(const std::vector<std::string>& argv, const std::string& outFile,
                                                  const std::string& errFile, std::string& error) {
  if (argv.empty()) {
    error = "Nothing to start";
    return nullptr;
  }
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&files, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&files, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::vector<char*> raw;
  for (const std::string& a : argv) raw.push_back(const_cast<char*>(a.c_str()));
  raw.push_back(nullptr);
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, raw[0], &files, nullptr, raw.data(), environ);
  posix_spawn_file_actions_destroy(&files);
  if (rc != 0) {
    error = "Cannot start " + argv[0] + ": " + std::strerror(rc);
    return nullptr;
  }
  return std::make_unique<PosixChild>(pid);
}

std::string NewTemporaryFile(const std::string& stem) {
  std::error_code ec;
  const std::filesystem::path folder = std::filesystem::temp_directory_path(ec);
  std::string pattern = ((ec ? std::filesystem::path("/tmp") : folder) / (stem + "-XXXXXX")).string();
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  const int fd = mkstemp(buffer.data());
  if (fd < 0) return {};
  close(fd);
  return buffer.data();
}

std::string OwnExecutable() {
  std::error_code ec;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : self.string();
}

}  // namespace velmar::platform
