// Entry point of the command line, callable in-process so that tests run
// commands exactly as the velmar-cli executable does. Exit status: 0 success,
// 1 the operation failed (the system's message on stderr), 2 usage error,
// 3 a question was answered No.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace velmar::cli {

enum ExitCode { kExitOk = 0, kExitFailed = 1, kExitUsage = 2, kExitDeclined = 3 };

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, std::istream& in);

// Every command that runs something, as typed after velmar-cli ("hex info",
// "read"), in the order --help lists them.
std::vector<std::string> CommandList();
// The top-level command words a run of `args` sets up: those of the groups
// whose words `args` holds, or every word when it holds none.
std::vector<std::string> CommandWordsFor(const std::vector<std::string>& args);

}  // namespace velmar::cli
