// The Windows command line of a child process, here so that every system
// builds and tests it.
#include "platform/ChildProcess.h"

namespace velmar::platform {

namespace {

std::string Quoted(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
  std::string out = "\"";
  std::size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, '\\');
  return out + "\"";
}

}  // namespace

std::string WindowsCommandLine(const std::vector<std::string>& argv) {
  std::string line;
  for (const std::string& a : argv) {
    if (!line.empty()) line += ' ';
    line += Quoted(a);
  }
  return line;
}

}  // namespace velmar::platform
