// In-process command-line runner for tests.
#include "cli/CliTestSupport.h"

#include <sstream>

#include "cli/Cli.h"

namespace velmar::test {

CliResult RunCliInProcess(const std::vector<std::string>& args, const std::string& input) {
  std::ostringstream out, err;
  std::istringstream in(input);
  int status = velmar::cli::RunCli(args, out, err, in);
  return {status, out.str(), err.str()};
}

}  // namespace velmar::test
