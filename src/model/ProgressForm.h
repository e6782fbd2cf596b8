// ProgressForm: the progress window shown while a long operation runs (a slot
// write, a unit copy or erase, a firmware change). This is its model: the
// caption, the fixed "cannot be closed" text, the step message, the progress
// bar and the busy flag. A ProgressView presents it (a Qt dialog in the
// desktop application, a progress bar on the terminal); every change is
// pushed to the view, and every progress report lets pending window
// messages run so the application stays responsive.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace velmar::platform {
class MessagePump;
}

namespace velmar::model {

class ProgressForm;

class ProgressView {
 public:
  virtual ~ProgressView() = default;
  virtual void Shown(const ProgressForm& form) = 0;
  virtual void Changed(const ProgressForm& form) = 0;  // repaint with the new state
  virtual void Released(const ProgressForm& form) = 0;
};

// The numbers shown beside the bar: how far the current step is, how long it
// has run and, once a unit is done, about how long the rest will take at the
// rate so far.
struct ProgressFigures {
  int percent = 0;
  int done = 0;
  int total = 0;
  std::uint64_t elapsedMs = 0;
  std::optional<std::uint64_t> remainingMs;
};

// "1:05" (minutes and seconds) or "1:02:03" past an hour.
std::string ClockText(std::uint64_t ms);

class ProgressForm {
 public:
  ProgressForm(ProgressView* view, platform::MessagePump* pump) : view_(view), pump_(pump) {}
  ~ProgressForm();
  ProgressForm(const ProgressForm&) = delete;
  ProgressForm& operator=(const ProgressForm&) = delete;

  std::string Caption = "Update Programmer";
  const std::string closeNote = "Window cannot be closed until operation finished";
  std::string messageLabel;
  int MainProgressMax = 100;
  int MainProgressPosition = 0;
  bool Busy = true;  // false while an operation runs
  bool Visible = false;
  std::string FirmwareFileName;
  int RequiredFirmware = 0;

  void Show();
  void Repaint();
  void SetCaption(const std::string& caption);
  // Sets the step message and repaints.
  void SetMessage(const std::string& text);
  // The progress report: bar maximum and position, then pending messages run.
  void UpdateStat(int done, int total);

  // What a step counts ("pages" unless the operation says otherwise).
  std::string ProgressUnit = "pages";
  // The figures of the current step: it starts at the first report and
  // again whenever the total changes or the count goes back.
  ProgressFigures Figures() const;
  // "42%  -  120 of 284 pages  -  0:35 elapsed, about 0:48 left"; empty
  // before the first report.
  std::string FiguresText() const;
  // Where the time comes from (milliseconds; a steady clock unless
  // replaced, as tests do).
  void SetTimeSource(std::function<std::uint64_t()> now) { now_ = std::move(now); }

 private:
  ProgressView* view_;
  platform::MessagePump* pump_;
  std::function<std::uint64_t()> now_;
  bool reported_ = false;
  std::uint64_t stepStartMs_ = 0;
  std::uint64_t lastReportMs_ = 0;
};

}  // namespace velmar::model
