// The progress window on a terminal: a ProgressView that prints the window's
// caption and every new step message, and shows the progress bar either as
// a bar redrawn in place (on a terminal) or as a plain line at every tenth
// of the way (into a file or pipe), so long operations stay readable in logs.
#pragma once

#include <iosfwd>
#include <string>

#include "model/ProgressForm.h"

namespace velmar::cli {

class TerminalProgress final : public model::ProgressView {
 public:
  // `redraw`: draw the bar in place (a terminal); otherwise plain lines.
  TerminalProgress(std::ostream& out, bool redraw) : out_(out), redraw_(redraw) {}

  // True when `out` is the process's standard output or error and that is a
  // terminal.
  static bool IsTerminal(const std::ostream& out);

  void Shown(const model::ProgressForm& form) override;
  void Changed(const model::ProgressForm& form) override;
  void Released(const model::ProgressForm& form) override;

 private:
  void EndBar();
  void ShowProgress(int position, int maximum);

  std::ostream& out_;
  bool redraw_;
  std::string message_;
  int position_ = -1;
  int maximum_ = -1;
  int lastTenth_ = -1;
  bool barOpen_ = false;
};

}  // namespace velmar::cli
