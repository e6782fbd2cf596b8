// What a programmer lock file says about its holder.
#include "platform/ProgrammerLock.h"

#include <cctype>

namespace velmar::platform {

std::string LockHolderText(long pid, const std::string& command) {
  std::string oneLine = command;
  for (char& c : oneLine)
    if (c == '\n' || c == '\r') c = ' ';
  return std::to_string(pid) + "\n" + oneLine + "\n";
}

std::string LockHolderOf(const std::string& fileText) {
  const std::size_t end = fileText.find('\n');
  if (end == std::string::npos || end == 0) return {};
  const std::string pid = fileText.substr(0, end);
  for (char c : pid)
    if (!std::isdigit(static_cast<unsigned char>(c))) return {};
  std::string command = fileText.substr(end + 1);
  if (const std::size_t stop = command.find('\n'); stop != std::string::npos) command.resize(stop);
  // Shown on a terminal: no control characters from a file anyone may write.
  for (char& c : command)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  return "process " + pid + (command.empty() ? "" : " (" + command + ")");
}

}  // namespace velmar::platform
