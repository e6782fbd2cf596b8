// velmar-cli: the command line front end over the core library.
#include <iostream>

#include "cli/Cli.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return velmar::cli::RunCli(args, std::cout, std::cerr, std::cin);
}
