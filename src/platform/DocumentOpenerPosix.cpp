// The desktop's opener run directly (no shell), quietly, and waited for;
// its exit status becomes the shell-style code.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

#include "platform/DocumentOpener.h"
#include "platform/Paths.h"

extern char** environ;

namespace velmar::platform {

int OpenWithDesktop(const std::string& path) {
  if (!FileExists(path)) return 2;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  std::string program = "xdg-open";
  std::vector<char*> argv{program.data(), const_cast<char*>(path.c_str()), nullptr};
  pid_t pid = 0;
  int rc = posix_spawnp(&pid, "xdg-open", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return 27;  // no opener installed: no association
  int status = 0;
  if (waitpid(pid, &status, 0) < 0) return 5;
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return 42;
  return WIFEXITED(status) && WEXITSTATUS(status) == 3 ? 27 : 5;
}

}  // namespace velmar::platform
