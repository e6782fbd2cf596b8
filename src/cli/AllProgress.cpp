// The per-programmer progress lines of --all.
#include "cli/AllProgress.h"

#include <algorithm>
#include <cctype>
#include <ostream>
#include <sstream>

#include "platform/Text.h"

namespace velmar::cli {

namespace {

constexpr std::size_t kStepWidth = 48;

// The percentage of a progress line ("  40% (12 of 30)"), or -1.
int PercentOf(const std::string& line) {
  std::size_t i = 0;
  while (i < line.size() && line[i] == ' ') ++i;
  const std::size_t digits = i;
  while (i < line.size() && std::isdigit(static_cast<unsigned char>(line[i]))) ++i;
  if (i == digits || i - digits > 3 || line.compare(i, 3, "% (") != 0) return -1;
  return std::stoi(line.substr(digits, i - digits));
}

}  // namespace

AllProgress::AllProgress(std::ostream& out, std::vector<std::string> locations, bool redraw)
    : out_(out), locations_(std::move(locations)), states_(locations_.size()), redraw_(redraw) {
  for (const std::string& l : locations_) width_ = std::max(width_, l.size());
}

std::string AllProgress::Line(std::size_t run) const {
  const State& s = states_[run];
  std::string step = s.end.empty() ? s.step : s.end;
  if (step.size() > kStepWidth) step = step.substr(0, kStepWidth - 3) + "...";
  std::string line = locations_[run] + std::string(width_ - locations_[run].size() + 2, ' ') + step;
  if (s.end.empty() && s.percent >= 0) line += "  " + std::to_string(s.percent) + "%";
  return line;
}

void AllProgress::Show(std::size_t run, const std::string& plain) {
  if (!redraw_) {
    out_ << locations_[run] << ": " << plain << "\n" << std::flush;
    return;
  }
  // Every line again, in place: the cursor back up over the lines drawn.
  if (drawn_) out_ << "\x1b[" << states_.size() << "A";
  for (std::size_t i = 0; i < states_.size(); ++i) out_ << "\r\x1b[K" << Line(i) << "\n";
  drawn_ = true;
  out_ << std::flush;
}

void AllProgress::Started(std::size_t run, const std::string& command) {
  states_[run].step = command + " started";
  Show(run, states_[run].step);
}

void AllProgress::Output(std::size_t run, const std::string& lines) {
  std::istringstream in(lines);
  bool changed = false;
  std::string plain;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (text::Trim(line).empty()) continue;
    State& s = states_[run];
    if (const int percent = PercentOf(line); percent >= 0) {
      s.percent = percent;
    } else {
      s.step = text::EscapeControls(text::Trim(line));
      s.percent = -1;
    }
    changed = true;
    if (!redraw_) Show(run, text::EscapeControls(text::Trim(line)));
  }
  if (changed && redraw_) Show(run, plain);
}

void AllProgress::Ended(std::size_t run, bool ok) {
  states_[run].end = ok ? "ok" : "failed";
  Show(run, states_[run].end);
}

}  // namespace velmar::cli
