// The desktop main window: a fixed-size Qt window whose widgets are bound
// to the main window model (TMainForm). It forwards the window's own events
// (show, close, the Shift+Ctrl service keys, the slot list's pop-up menu) to
// the model's handlers, shows the model's hour-glass cursor, and shows any
// error that escapes a handler as the model's unexpected-error report, after
// which the program keeps running.
#pragma once

#include <QWidget>

#include <memory>

namespace velmar::model {
class TMainForm;
}

namespace velmar::ui {

class ControlBinder;

class MainWindow : public QWidget {
  Q_OBJECT
 public:
  explicit MainWindow(model::TMainForm& form, QWidget* parent = nullptr);
  ~MainWindow() override;

  ControlBinder& Binder() { return *binder_; }
  model::TMainForm& Form() { return form_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowPopupMenu(const QPoint& at);
  void ShowWaitCursor(bool on);

  model::TMainForm& form_;
  ControlBinder* binder_;
  int titleObserver_ = 0;
  bool waitCursor_ = false;
};

}  // namespace velmar::ui
