// The desktop main window: a resizable Qt window whose widgets are bound to
// the main window model (TMainForm) and arranged by layouts. Around them it
// offers a menu bar (File, Programmer, Help), the usual shortcuts, a status
// bar about the attached programmer, the characters left in the slot
// description and the dropping of a program file on the window. It forwards
// the window's own events (show, close, the Shift+Ctrl service keys, the
// slot list's pop-up menu) to the model's handlers, shows the model's
// hour-glass cursor, and shows any error that escapes a handler as the
// model's unexpected-error report, after which the program keeps running.
#pragma once

#include <QMainWindow>

#include <functional>
#include <memory>

#include "model/ControlNames.h"

class QAction;
class QLabel;
class QMenu;
class QBoxLayout;
class QSplitter;

namespace velmar::model {
class OperationLogView;
class ProgrammerChooser;
class TMainForm;
}  // namespace velmar::model

namespace velmar::ui {

class ControlBinder;
class OperationLogPane;

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  explicit MainWindow(model::TMainForm& form, QWidget* parent = nullptr);
  ~MainWindow() override;

  ControlBinder& Binder() { return *binder_; }
  model::TMainForm& Form() { return form_; }
  // The column of the slot list: panes added under the list go here.
  QBoxLayout* SlotColumn() const { return slotColumn_; }
  // The menu entry with that object name ("actionRead", ...), or nullptr.
  QAction* Action(const QString& name) const;

  // The operation log pane under the slot list (View > Operation Log shows
  // and hides it).
  OperationLogPane* LogPane() const { return logPane_; }
  model::OperationLogView& LogView() { return *logView_; }

  // Help > Check Connection > USB and Programmer runs this when it is set
  // (the connection check lives outside the window); without it the entry
  // is not offered. Its "Test fast exchanges" is the window's own.
  void SetConnectionCheck(std::function<void()> check);
  // Programmer > Connected Programmers lists the programmers by location
  // when several are connected (the one in use checked); choosing another
  // re-opens the link on it. Not offered without a chooser or with one
  // programmer.
  void SetProgrammerChooser(model::ProgrammerChooser* chooser);

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void BuildMenus();
  void UpdateMenus();
  void UpdateStatus();
  void AddPacingMenu(QMenu* programmer);
  void TestFastExchanges();
  // Checks the pacing menu's entry of the pacing in force.
  void ShowPacing();
  void RebuildRecentMenu();
  void RebuildProgrammersMenu();
  void PlaceOnScreen();
  void AddLogPane();
  void ShowLogPane(bool show);
  void RefreshLog();
  void ScheduleLogRefresh();
  void ShowPopupMenu(const QPoint& at);
  void ShowWaitCursor(bool on);
  void Click(model::ControlName name);
  void Run(const std::function<void()>& action);

  model::TMainForm& form_;
  ControlBinder* binder_;
  QBoxLayout* slotColumn_ = nullptr;
  QLabel* descriptionRoom_ = nullptr;
  QLabel* status_ = nullptr;
  QLabel* deviceNotice_ = nullptr;  // a device a stored position selected
  QMenu* recentMenu_ = nullptr;
  QAction* checkConnection_ = nullptr;
  QMenu* programmersMenu_ = nullptr;
  model::ProgrammerChooser* chooser_ = nullptr;
  std::unique_ptr<model::OperationLogView> logView_;
  OperationLogPane* logPane_ = nullptr;
  bool logRefreshPending_ = false;
  std::function<void()> connectionCheck_;
  int observer_ = 0;
  bool waitCursor_ = false;
  bool placed_ = false;
};

}  // namespace velmar::ui
