// The terminal's progress view.
#include "cli/TerminalProgress.h"

#include <iostream>

#include "platform/Terminal.h"
#include "platform/Text.h"

namespace velmar::cli {

namespace {
constexpr int kBarWidth = 40;
}

bool TerminalProgress::IsTerminal(const std::ostream& out) {
  if (&out == &std::cout) return platform::IsTerminal(platform::StandardStream::output);
  if (&out == &std::cerr) return platform::IsTerminal(platform::StandardStream::error);
  return false;
}

void TerminalProgress::Shown(const model::ProgressForm& form) {
  out_ << form.Caption << "\n";
  Changed(form);
}

void TerminalProgress::EndBar() {
  if (!barOpen_) return;
  out_ << "\n";
  barOpen_ = false;
}

void TerminalProgress::Changed(const model::ProgressForm& form) {
  if (form.messageLabel != message_) {
    message_ = form.messageLabel;
    EndBar();
    if (!message_.empty()) out_ << text::DisplayText(message_) << "\n";
    // A new step starts its own count.
    position_ = -1;
    lastTenth_ = -1;
  }
  if (form.MainProgressPosition != position_ || form.MainProgressMax != maximum_)
    ShowProgress(form.MainProgressPosition, form.MainProgressMax);
  out_.flush();
}

void TerminalProgress::ShowProgress(int position, int maximum) {
  const bool first = position_ < 0;
  position_ = position;
  maximum_ = maximum;
  if (first || maximum <= 0) return;  // the bar as it was when the step began
  const int clamped = position < 0 ? 0 : position > maximum ? maximum : position;
  const int percent = int(std::int64_t(clamped) * 100 / maximum);
  if (redraw_) {
    const int filled = int(std::int64_t(clamped) * kBarWidth / maximum);
    out_ << "\r[" << std::string(std::size_t(filled), '#') << std::string(std::size_t(kBarWidth - filled), ' ') << "] "
         << percent << "% ";
    barOpen_ = true;
    return;
  }
  const int tenth = percent / 10;
  if (tenth == lastTenth_) return;
  lastTenth_ = tenth;
  out_ << "  " << percent << "% (" << clamped << " of " << maximum << ")\n";
}

void TerminalProgress::Released(const model::ProgressForm&) {
  EndBar();
  out_.flush();
}

}  // namespace velmar::cli
