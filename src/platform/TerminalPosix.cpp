// Terminals by isatty.
#include <unistd.h>

#include "platform/Terminal.h"

namespace velmar::platform {

bool IsTerminal(StandardStream stream) {
  const int fd = stream == StandardStream::input    ? STDIN_FILENO
                 : stream == StandardStream::output ? STDOUT_FILENO
                                                    : STDERR_FILENO;
  return ::isatty(fd) != 0;
}

}  // namespace velmar::platform
