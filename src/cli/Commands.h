// The table of command groups of velmar-cli: each group lives in its own file
// under commands/ and registers its subcommands on the application.
#pragma once

namespace CLI {
class App;
}

namespace velmar::cli {

struct CliContext;

void RegisterHexCommands(CLI::App& app, CliContext& ctx);
void RegisterFirmwareCommands(CLI::App& app, CliContext& ctx);
void RegisterOptionCommands(CLI::App& app, CliContext& ctx);
void RegisterProgrammerCommands(CLI::App& app, CliContext& ctx);
void RegisterSimCommands(CLI::App& app, CliContext& ctx);
void RegisterUpdateCommands(CLI::App& app, CliContext& ctx);
void RegisterBuildCommands(CLI::App& app, CliContext& ctx);
void RegisterReadCommands(CLI::App& app, CliContext& ctx);
void RegisterOperationCommands(CLI::App& app, CliContext& ctx);
void RegisterDoctorCommands(CLI::App& app, CliContext& ctx);
void RegisterLogCommands(CLI::App& app, CliContext& ctx);

}  // namespace velmar::cli
