// Reading golden traces and matching them against a trace.
#include "support/GoldenTrace.h"

#include <regex>
#include <sstream>
#include <stdexcept>

#include "support/TestSupport.h"

namespace velmar::test {

namespace {

std::string GoldenDir() { return SourceDir() + "tests/link/golden/"; }

// "{BYTES}xN" written out.
std::string ExpandRepeats(std::string line) {
  static const std::regex repeat(R"(\{([^}]*)\}x([0-9]+))");
  std::smatch m;
  while (std::regex_search(line, m, repeat)) {
    std::string out;
    for (int i = 0, n = std::stoi(m[2]); i < n; ++i) out += (i ? " " : "") + m[1].str();
    line = m.prefix().str() + out + m.suffix().str();
  }
  return line;
}

void ReadInto(const std::string& name, std::map<std::string, GoldenLines>& sections, std::string& section, int depth) {
  if (depth > 8) throw std::runtime_error("golden trace includes nest too deep at " + name);
  std::istringstream in(ReadFile(GoldenDir() + name));
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    if (line.rfind("== ", 0) == 0 && line.size() > 6 && line.substr(line.size() - 3) == " ==") {
      section = line.substr(3, line.size() - 6);
      sections[section];
    } else if (line.rfind("@include ", 0) == 0) {
      ReadInto(line.substr(9), sections, section, depth + 1);
    } else {
      sections[section].push_back(ExpandRepeats(line));
    }
  }
}

std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> out;
  for (std::string w; in >> w;) out.push_back(w);
  return out;
}

bool LineMatches(const std::string& actual, const std::string& golden) {
  std::vector<std::string> a = Words(actual), g = Words(golden);
  const bool open = !g.empty() && g.back() == "...";
  if (open) g.pop_back();
  if (open ? a.size() < g.size() : a.size() != g.size()) return false;
  for (std::size_t i = 0; i < g.size(); ++i)
    if (g[i] != a[i] && !(g[i] == "??" && a[i].size() == 2)) return false;
  return true;
}

std::string Shown(const std::string& line) { return line.size() > 200 ? line.substr(0, 200) + " ..." : line; }

}  // namespace

std::map<std::string, GoldenLines> ReadGolden(const std::string& name) {
  std::map<std::string, GoldenLines> sections;
  std::string section;
  ReadInto(name, sections, section, 0);
  return sections;
}

std::string CompareWithGolden(const std::string& trace, const GoldenLines& golden, bool prefixOnly) {
  std::istringstream in(trace);
  std::vector<std::string> actual;
  for (std::string line; std::getline(in, line);) actual.push_back(line);
  std::string out;
  int shown = 0;
  const std::size_t n = std::max(actual.size(), golden.size());
  for (std::size_t i = 0; i < n && shown < 8; ++i) {
    if (i >= golden.size()) {
      if (prefixOnly) break;
      out += "line " + std::to_string(i + 1) + ": more than the protocol gives: " + Shown(actual[i]) + "\n";
      ++shown;
    } else if (i >= actual.size()) {
      out += "line " + std::to_string(i + 1) + ": missing: " + Shown(golden[i]) + "\n";
      ++shown;
    } else if (!LineMatches(actual[i], golden[i])) {
      out += "line " + std::to_string(i + 1) + ":\n  protocol: " + Shown(golden[i]) +
             "\n  loader:   " + Shown(actual[i]) + "\n";
      ++shown;
    }
  }
  return out;
}

}  // namespace velmar::test
