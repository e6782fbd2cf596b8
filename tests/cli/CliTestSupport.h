// Runs velmar-cli commands in-process and captures their output and status.
#pragma once

#include <string>
#include <vector>

namespace velmar::test {

struct CliResult {
  int status;
  std::string out;
  std::string err;
};

CliResult RunCliInProcess(const std::vector<std::string>& args, const std::string& input = {});

}  // namespace velmar::test
