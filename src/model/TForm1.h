// TForm1: the progress window shown while a long operation runs (a slot
// write, a unit copy or erase, a firmware change). This is its model: the
// caption, the fixed "cannot be closed" text, the step message, the progress
// bar and the busy flag. A ProgressView presents it (a Qt dialog in the
// desktop application, a progress bar on the terminal); every change is
// pushed to the view, and every progress report lets pending window
// messages run so the application stays responsive.
#pragma once

#include <string>

namespace velmar::platform {
class MessagePump;
}

namespace velmar::model {

class TForm1;

class ProgressView {
 public:
  virtual ~ProgressView() = default;
  virtual void Shown(const TForm1& form) = 0;
  virtual void Changed(const TForm1& form) = 0;  // repaint with the new state
  virtual void Released(const TForm1& form) = 0;
};

class TForm1 {
 public:
  TForm1(ProgressView* view, platform::MessagePump* pump) : view_(view), pump_(pump) {}
  ~TForm1();
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  std::string Caption = "Update Programmer";
  const std::string Label1 = "Window cannot be closed until operation finished";
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

 private:
  ProgressView* view_;
  platform::MessagePump* pump_;
};

}  // namespace velmar::model
