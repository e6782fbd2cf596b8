// What the user probably meant when a command line names a command or an
// option velmar-cli does not have: the nearest names by edit distance (a
// typo such as "lst" for "list"), or the names that start the same way (a
// short "-v" for "--verbose" or "--version"). Used by the runner to turn
// CLI11's generic "A subcommand is required" into an answer that helps.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace velmar::cli {

// Edits (insert, delete, substitute, swap two neighbours) from a to b.
std::size_t EditDistance(const std::string& a, const std::string& b);

// The candidates nearest to `word` (at most three, best first); none when
// nothing is near enough to be a likely typo.
std::vector<std::string> NearestNames(const std::string& word, const std::vector<std::string>& candidates);

// The message for the first word of `args` (in command-line order) that is
// neither a command nor an option at the level where it stands, with the
// nearest names; nothing when every word is known.
std::optional<std::string> UnknownWordMessage(CLI::App& app, const std::vector<std::string>& args);

// Where to read more after a usage error in `args`: the --help of the
// command they name ("velmar-cli update-firmware --help ..."), or
// velmar-cli's own when they name none.
std::string HelpHint(CLI::App& app, const std::vector<std::string>& args);

// Every command that runs something, as typed after velmar-cli ("hex info",
// "read"), in the order --help lists them.
std::vector<std::string> CommandPaths(CLI::App& app);

}  // namespace velmar::cli
