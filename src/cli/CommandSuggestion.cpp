// Suggestions for unknown commands and options.
#include "cli/CommandSuggestion.h"

#include <algorithm>
#include <functional>
#include <utility>

#include <CLI/CLI.hpp>

namespace velmar::cli {

std::size_t EditDistance(const std::string& a, const std::string& b) {
  // Optimal string alignment: a swapped pair of letters is one typo.
  std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
  for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i)
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  return d[a.size()][b.size()];
}

namespace {

std::string Bare(const std::string& name) {
  std::size_t i = name.find_first_not_of('-');
  return i == std::string::npos ? std::string() : name.substr(i);
}

std::string Joined(const std::vector<std::string>& names, const std::string& quote) {
  std::string r;
  for (std::size_t i = 0; i < names.size(); ++i)
    r += (i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + quote + names[i] + quote;
  return r;
}

std::vector<CLI::App*> AllSubcommands(CLI::App& app) { return app.get_subcommands(std::function<bool(CLI::App*)>()); }

std::vector<std::string> CommandNames(CLI::App& app) {
  std::vector<std::string> r;
  for (CLI::App* sub : AllSubcommands(app)) r.push_back(sub->get_name());
  return r;
}

std::vector<std::string> OptionNames(CLI::App& app) {
  std::vector<std::string> r;
  for (CLI::App* a = &app; a; a = a->get_parent())
    for (const CLI::Option* o : std::as_const(*a).get_options())
      for (const std::string& n : o->get_lnames()) r.push_back("--" + n);
  return r;
}

// The option `token` names at this level or above (global options fall
// through), or null.
const CLI::Option* FindOption(CLI::App& app, const std::string& token) {
  const std::string name = token.substr(0, token.find('='));
  for (CLI::App* a = &app; a; a = a->get_parent())
    for (const CLI::Option* o : std::as_const(*a).get_options())
      if (o->check_name(name)) return o;
  return nullptr;
}

// "velmar-cli" and the command words down to `level`.
std::string CommandLine(const CLI::App& level) {
  std::string line;
  for (const CLI::App* a = &level; a->get_parent(); a = a->get_parent()) line = " " + a->get_name() + line;
  return "velmar-cli" + line;
}

CLI::App* Subcommand(CLI::App& level, const std::string& word) {
  try {
    return level.get_subcommand(word);
  } catch (const CLI::OptionNotFound&) {
    return nullptr;
  }
}

}  // namespace

std::string HelpHint(CLI::App& app, const std::vector<std::string>& args) {
  CLI::App* level = &app;
  for (std::size_t i = 0; i < args.size() && args[i] != "--"; ++i) {
    const std::string& t = args[i];
    if (t.size() > 1 && t[0] == '-') {
      const CLI::Option* o = FindOption(*level, t);
      if (o && o->get_expected_max() > 0 && t.find('=') == std::string::npos) ++i;  // its value
    } else if (CLI::App* sub = Subcommand(*level, t)) {
      level = sub;
    }
  }
  if (level == &app) return "velmar-cli --help lists the commands and options";
  const std::string line = CommandLine(*level);
  return line + " --help lists " + (CommandNames(*level).empty() ? "its options and arguments" : "its commands");
}

std::vector<std::string> NearestNames(const std::string& word, const std::vector<std::string>& candidates) {
  const std::string w = Bare(word);
  if (w.empty()) return {};
  std::vector<std::pair<std::size_t, std::string>> scored;
  for (const std::string& c : candidates) {
    const std::string bare = Bare(c);
    const std::size_t distance = EditDistance(w, bare);
    // A typo is at most a third of the word; a short word may start a name.
    const bool typo = distance <= std::max<std::size_t>(1, bare.size() / 3);
    const bool prefix = w.size() < bare.size() && bare.compare(0, w.size(), w) == 0;
    if (typo || prefix) scored.emplace_back(prefix ? 0 : distance, c);
  }
  std::stable_sort(scored.begin(), scored.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
  std::vector<std::string> r;
  for (const auto& s : scored)
    if (r.size() < 3 && std::find(r.begin(), r.end(), s.second) == r.end()) r.push_back(s.second);
  return r;
}

std::optional<std::string> UnknownWordMessage(CLI::App& app, const std::vector<std::string>& args) {
  CLI::App* level = &app;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& t = args[i];
    if (t == "--") return std::nullopt;
    if (t.size() > 1 && t[0] == '-') {
      const CLI::Option* o = FindOption(*level, t);
      if (!o) {
        std::vector<std::string> near = NearestNames(t, OptionNames(*level));
        std::string m = "Unknown option '" + t + "'";
        if (!near.empty()) m += ": did you mean " + Joined(near, "") + "?";
        if (level == &app) return m + " (velmar-cli --help lists the options)";
        return m + " (" + CommandLine(*level) + " --help lists its options, velmar-cli --help the options every " +
               "command takes)";
      }
      // The next word is this option's value.
      if (o->get_expected_max() > 0 && t.find('=') == std::string::npos) ++i;
      continue;
    }
    if (CLI::App* sub = Subcommand(*level, t)) {
      level = sub;
      continue;
    }
    // A word where a command is expected; positional arguments end the search.
    if (CommandNames(*level).empty()) return std::nullopt;
    std::vector<std::string> near = NearestNames(t, CommandNames(*level));
    const std::string where = CommandLine(*level);
    std::string m = "Unknown command '" + t + "'";
    if (!near.empty()) m += ": did you mean " + Joined(near, "'") + "?";
    return m + " (" + where + " --help lists the commands)";
  }
  return std::nullopt;
}

std::vector<std::string> CommandPaths(CLI::App& app) {
  std::vector<std::string> r;
  for (CLI::App* sub : AllSubcommands(app)) {
    std::vector<std::string> below = CommandPaths(*sub);
    if (below.empty()) r.push_back(sub->get_name());
    for (const std::string& b : below) r.push_back(sub->get_name() + " " + b);
  }
  return r;
}

}  // namespace velmar::cli
