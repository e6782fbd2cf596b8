// The progress of `--all` on the terminal: one line per programmer, each
// with its location, the step its run is at and how far that step has got,
// redrawn in place on a terminal; into a file or pipe, each run's progress
// lines as plain lines with its location in front. A run's progress comes
// from what it writes on stderr (its own plain progress lines: the step's
// text, then "  40% (...)" at every tenth of the way).
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace velmar::cli {

class AllProgress {
 public:
  AllProgress(std::ostream& out, std::vector<std::string> locations, bool redraw);

  void Started(std::size_t run, const std::string& command);
  // Whole lines the run wrote on stderr.
  void Output(std::size_t run, const std::string& lines);
  void Ended(std::size_t run, bool ok);

  // The line shown for run `run` ("1-2  Writing slot 1  40%").
  std::string Line(std::size_t run) const;

 private:
  struct State {
    std::string step;
    int percent = -1;
    std::string end;  // "ok" or "failed" once it has ended
  };
  void Show(std::size_t run, const std::string& plain);

  std::ostream& out_;
  std::vector<std::string> locations_;
  std::vector<State> states_;
  bool redraw_;
  bool drawn_ = false;
  std::size_t width_ = 0;
};

}  // namespace velmar::cli
