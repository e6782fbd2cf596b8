// The progress window's Qt form: a small dialog, centred, always on top,
// with no system menu or close box, showing the fixed "cannot be closed"
// text, the step message, a smooth progress bar and, under it, the figures
// of the progress window model (percentage, units done of the total, time
// elapsed and about how long is left). It presents the ProgressForm model; while
// it is up the main window takes no input, and each progress report
// repaints it and lets pending events run.
#pragma once

#include <QDialog>

#include "model/ProgressForm.h"
#include "platform/Dialogs.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace velmar::ui {

class ProgressWindow : public QDialog, public model::ProgressView {
  Q_OBJECT
 public:
  explicit ProgressWindow(QWidget* parent = nullptr);

  void Shown(const model::ProgressForm& form) override;
  void Changed(const model::ProgressForm& form) override;
  void Released(const model::ProgressForm& form) override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QLabel* closeNote_;
  QLabel* message_;
  QProgressBar* bar_;
  QLabel* figures_;
  QPushButton* close_;
  bool busy_ = false;
};

// Pending events run during long operations.
class QtMessagePump final : public platform::MessagePump {
 public:
  void ProcessMessages() override;
};

}  // namespace velmar::ui
