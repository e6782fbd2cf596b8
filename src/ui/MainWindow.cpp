// The desktop main window.
#include "ui/MainWindow.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>
#include <QUrl>

#include "frontend/PacingTestReport.h"
#include "frontend/SharedOptions.h"
#include "model/OperationLogView.h"
#include "model/TMainForm.h"
#include "ui/AppIcon.h"
#include "ui/ControlBinder.h"
#include "ui/MainWindowLayout.h"
#include "ui/OperationLogPane.h"
#include "ui/SearchableList.h"

namespace velmar::ui {

using model::Ctl;

using model::ShortcutKey;

namespace {

// The menu entries that press a button of the window, and follow whether
// that button is shown and usable.
struct ButtonAction {
  const char* object;         // the action's object name
  model::ControlName button;  // the control it presses
};

const ButtonAction kButtonActions[] = {
    {"actionOpenHex", Ctl::browseButton},
    {"actionLoadProfile", Ctl::LoadProfile},
    {"actionSaveProfile", Ctl::SaveProfile},
    {"actionRead", Ctl::ReadProgButton},
    {"actionNew", Ctl::NewButton},
    {"actionReplace", Ctl::editButton},
    {"actionDelete", Ctl::DeleteProgramButton},
    {"actionShowDetails", Ctl::showDetailsButton},
    {"actionEraseUnit", Ctl::EraseButton},
    {"actionCopyUnit", Ctl::CopyButton},
    {"actionLoadUnit", Ctl::LoadButton},
    {"actionManual", Ctl::manualButton},
};

// A scroll area that asks for the whole size of its contents (a plain one
// caps its wish at a few dozen lines of text, so the window would open with
// scroll bars); the window is then bounded by the screen, not by this.
class ContentScrollArea final : public QScrollArea {
 public:
  using QScrollArea::QScrollArea;
  QSize sizeHint() const override {
    if (!widget()) return QScrollArea::sizeHint();
    const int frame = 2 * frameWidth();
    return widget()->sizeHint().expandedTo(widget()->minimumSizeHint()) + QSize(frame, frame);
  }
};

// A local file in a drag, if it carries exactly one.
QString DraggedFile(const QMimeData* data) {
  if (!data || !data->hasUrls() || data->urls().size() != 1) return {};
  const QUrl url = data->urls().front();
  return url.isLocalFile() ? url.toLocalFile() : QString();
}

}  // namespace

MainWindow::MainWindow(model::TMainForm& form, QWidget* parent) : QMainWindow(parent), form_(form) {
  setObjectName(Ctl::MainForm.CStr());
  setWindowIcon(ApplicationIcon());
  setAcceptDrops(true);

  // The controls in a scroll area: on a screen too small for the window
  // nothing is cut off, it scrolls instead.
  auto* scroll = new ContentScrollArea(this);
  scroll->setObjectName("MainScroll");
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setFocusPolicy(Qt::NoFocus);  // not a stop of its own for Tab; it follows the focused control
  auto* content = new QWidget;
  content->setObjectName("MainContent");
  binder_ = new ControlBinder(form.Controls(), content, MainWindowControls());
  binder_->onError = [this](const std::string& message) { form_.errorHandlerException(message); };
  MainLayoutParts parts = BuildMainLayout(content, *binder_);
  slotColumn_ = parts.slotColumn;
  descriptionRoom_ = parts.descriptionRoom;
  // The device list, a few hundred entries long, is searched by typing.
  if (auto* devices = qobject_cast<QComboBox*>(binder_->Widget(Ctl::deviceList))) SearchableList::Install(devices);
  AddLogPane();
  scroll->setWidget(content);
  setCentralWidget(scroll);
  // Once in this window the controls can be ordered for Tab; a group's
  // choices made anew take their place again.
  ApplyTabOrder(TabStops(*binder_, logPane_));
  binder_->onChoicesRebuilt = [this] { ApplyTabOrder(TabStops(*binder_, logPane_)); };

  status_ = new QLabel(this);
  status_->setObjectName("ProgrammerStatus");
  statusBar()->addWidget(status_, 1);
  deviceNotice_ = new QLabel(this);
  deviceNotice_->setObjectName("DeviceNotice");
  deviceNotice_->setVisible(false);
  statusBar()->addPermanentWidget(deviceNotice_);
  BuildMenus();

  if (auto* grid = qobject_cast<QTableWidget*>(binder_->Widget(Ctl::slotList))) {
    connect(grid, &QTableWidget::customContextMenuRequested, this,
            [this, grid](const QPoint& p) { ShowPopupMenu(grid->viewport()->mapToGlobal(p)); });
    // Del on the list deletes the selected slot (after its question).
    auto* del = new QShortcut(QKeySequence(Qt::Key_Delete), grid);
    del->setContext(Qt::WidgetWithChildrenShortcut);
    connect(del, &QShortcut::activated, this, [this] {
      const model::ControlStore& c = form_.Controls();
      if (c.Visible(Ctl::DeleteProgramButton) && c.Enabled(Ctl::DeleteProgramButton)) Click(Ctl::DeleteProgramButton);
    });
  }

  setWindowTitle(QString::fromStdString(form.Controls().Text(Ctl::MainForm)));
  observer_ = form.Controls().AddObserver([this](const model::Control& c, model::Property) {
    if (c.name == Ctl::MainForm) {
      setWindowTitle(QString::fromStdString(c.text));
      auto cursor = c.extra.find("cursor");
      ShowWaitCursor(cursor != c.extra.end() && cursor->second == "hourglass");
    }
    UpdateMenus();
    UpdateStatus();
  });
  UpdateMenus();
  UpdateStatus();

  form.SetCloseHandler([this] { close(); });
  qApp->installEventFilter(this);
}

MainWindow::~MainWindow() {
  form_.Journal().SetAppendObserver({});
  qApp->removeEventFilter(this);
  form_.Controls().RemoveObserver(observer_);
  ShowWaitCursor(false);
}

QAction* MainWindow::Action(const QString& name) const { return findChild<QAction*>(name); }

void MainWindow::Run(const std::function<void()>& action) {
  binder_->Guard(action);
  UpdateMenus();
  UpdateStatus();
}

void MainWindow::Click(model::ControlName name) {
  Run([&] { form_.Controls().UserClick(name); });
}

void MainWindow::BuildMenus() {
  auto add = [this](QMenu* menu, const char* object, const QString& text, const QKeySequence& key,
                    const std::function<void()>& run) {
    QAction* a = menu->addAction(text);
    a->setObjectName(object);
    if (!key.isEmpty()) a->setShortcut(key);
    connect(a, &QAction::triggered, this, [this, run] { Run(run); });
    return a;
  };
  auto press = [this](model::ControlName button) { return [this, button] { form_.Controls().UserClick(button); }; };

  QMenu* file = menuBar()->addMenu("&File");
  add(file, "actionOpenHex", "&Open HEX...", QKeySequence::Open, press(Ctl::browseButton));
  recentMenu_ = file->addMenu("Open &Recent");
  recentMenu_->setObjectName("menuRecent");
  connect(recentMenu_, &QMenu::aboutToShow, this, &MainWindow::RebuildRecentMenu);
  file->addSeparator();
  add(file, "actionLoadProfile", "&Load Profile...", {}, press(Ctl::LoadProfile));
  add(file, "actionSaveProfile", "&Save Profile...", {}, press(Ctl::SaveProfile));
  file->addSeparator();
  QAction* quit = add(file, "actionQuit", "&Quit", QKeySequence(Qt::CTRL | Qt::Key_Q), [this] { close(); });
  quit->setMenuRole(QAction::QuitRole);

  QMenu* programmer = menuBar()->addMenu("&Programmer");
  QAction* read =
      add(programmer, "actionRead", "&Read", QKeySequence(Qt::CTRL | Qt::Key_R), press(Ctl::ReadProgButton));
  read->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_R), QKeySequence(Qt::Key_F5)});
  programmer->addSeparator();
  add(programmer, "actionNew", "&New", {}, press(Ctl::NewButton));
  add(programmer, "actionReplace", "Re&place", {}, press(Ctl::editButton));
  add(programmer, "actionDelete", "&Delete", {}, press(Ctl::DeleteProgramButton));
  add(programmer, "actionFind", "&Find Name...", QKeySequence::Find, [this] { form_.FindButtonClick(); });
  add(programmer, "actionShowDetails", "Show Slot De&tails", {}, press(Ctl::showDetailsButton));
  programmer->addSeparator();
  add(programmer, "actionEraseUnit", "&Erase Unit", {}, press(Ctl::EraseButton));
  add(programmer, "actionCopyUnit", "&Copy Unit...", {}, press(Ctl::CopyButton));
  add(programmer, "actionLoadUnit", "&Load Unit...", {}, press(Ctl::LoadButton));
  programmer->addSeparator();
  add(programmer, "actionUpdateFirmware", "&Update Firmware...", {}, [this] { form_.UpdateFirmwareClick(); });
  programmer->addSeparator();
  AddPacingMenu(programmer);

  QMenu* view = menuBar()->addMenu("Vie&w");  // V is Save Profile's
  QAction* showLog = view->addAction("Operation &Log");
  showLog->setObjectName("actionShowLog");
  showLog->setCheckable(true);
  showLog->setChecked(form_.Switches.ShowOperationLog);
  connect(showLog, &QAction::toggled, this, &MainWindow::ShowLogPane);

  QMenu* help = menuBar()->addMenu("&Help");
  add(help, "actionManual", "&Manual", QKeySequence::HelpContents, press(Ctl::manualButton));
  QMenu* connection = help->addMenu("&Check Connection");
  connection->setObjectName("menuCheckConnection");
  checkConnection_ = add(connection, "actionCheckConnection", "&USB and Programmer", {}, [this] {
    if (connectionCheck_) connectionCheck_();
  });
  checkConnection_->setVisible(false);  // offered once a check is set
  QAction* fast =
      add(connection, "actionTestFastExchanges", "Test &fast exchanges", {}, [this] { TestFastExchanges(); });
  fast->setStatusTip(
      "Reads the programmer in exact and in fast link pacing and compares every reply; nothing is written to it.");
  help->addSeparator();
  QAction* about = add(help, "actionAbout", "&About Velmar", {}, [this] { form_.AboutClick(qVersion()); });
  about->setMenuRole(QAction::AboutRole);
}

// Link Pacing: the protocol's own exchanges, or fewer USB round trips; the
// choice is kept in setting.ini.
void MainWindow::AddPacingMenu(QMenu* programmer) {
  QMenu* pacing = programmer->addMenu("Link &Pacing");
  pacing->setObjectName("menuLinkPacing");
  pacing->setToolTipsVisible(true);
  auto* group = new QActionGroup(pacing);
  struct Choice {
    link::LinkPacing pacing;
    const char* object;
    const char* text;
    const char* explanation;
  };
  const Choice choices[] = {
      {link::LinkPacing::exact, "actionPacingExact", "&Exact (recommended)",
       "Exchanges bytes with the programmer exactly as its protocol does: one USB round trip per byte, "
       "the timing every programmer firmware is known to work with."},
      {link::LinkPacing::fast, "actionPacingFast", "&Fast",
       "Groups the exchanges into fewer USB round trips. The same bytes, but with microseconds between "
       "them: use it only where your programmer reads back correctly with it."}};
  for (const Choice& c : choices) {
    QAction* a = pacing->addAction(c.text);
    a->setObjectName(c.object);
    a->setCheckable(true);
    a->setToolTip(c.explanation);
    a->setStatusTip(c.explanation);
    group->addAction(a);
    connect(a, &QAction::triggered, this, [this, p = c.pacing] {
      form_.ChooseLinkPacing(p);
      UpdateStatus();
    });
  }
  ShowPacing();
}

void MainWindow::ShowPacing() {
  const bool fast = form_.LinkPacing() == link::LinkPacing::fast;
  if (QAction* a = Action(fast ? "actionPacingFast" : "actionPacingExact")) a->setChecked(true);
}

// The model compares the pacings and records it; the window says what it
// found, with how to switch where fast exchanges read the same.
void MainWindow::TestFastExchanges() {
  const std::optional<link::PacingComparison> c = form_.TestLinkPacings();
  if (!c) return;
  const std::string text =
      frontend::MessageText(frontend::PacingTestReport(*c, "choose Programmer > Link Pacing > Fast"));
  if (c->Identical())
    form_.Dialogs().ShowInformation(text, "Test fast exchanges");
  else
    form_.Dialogs().ShowWarning(text, "Test fast exchanges");
}

void MainWindow::SetConnectionCheck(std::function<void()> check) {
  connectionCheck_ = std::move(check);
  checkConnection_->setVisible(bool(connectionCheck_));
}

void MainWindow::RebuildRecentMenu() {
  recentMenu_->clear();
  for (const std::string& path : form_.RecentFiles) {
    QAction* a = recentMenu_->addAction(QString::fromStdString(path));
    connect(a, &QAction::triggered, this, [this, path] { Run([&] { form_.OpenRecentFile(path); }); });
  }
  if (form_.RecentFiles.empty()) recentMenu_->addAction("(none)")->setEnabled(false);
}

// Each menu entry follows its button: offered when the button is shown,
// usable when the button is.
void MainWindow::UpdateMenus() {
  const model::ControlStore& c = form_.Controls();
  for (const ButtonAction& b : kButtonActions)
    if (QAction* a = Action(b.object)) {
      a->setVisible(c.Visible(b.button));
      a->setEnabled(c.Enabled(b.button));
    }
  if (QAction* a = Action("actionNew")) a->setText(c.Text(Ctl::NewButton) == "Load" ? "L&oad" : "&New");
  if (QAction* a = Action("actionUpdateFirmware")) a->setEnabled(!form_.DemoMode);
}

void MainWindow::UpdateStatus() {
  status_->setText(QString::fromStdString(form_.StatusText()));
  const std::string notice = form_.DeviceNoticeText();
  deviceNotice_->setText(QString::fromStdString(notice));
  deviceNotice_->setVisible(!notice.empty());
  descriptionRoom_->setText(QString::fromStdString(form_.DescriptionRoomText()));
}

// The log pane shares the slot list's place through a splitter: the list
// keeps the room the window has to spare, the pane its own height until the
// user drags the handle.
void MainWindow::AddLogPane() {
  logView_ = std::make_unique<model::OperationLogView>([this] { return form_.Journal().LogPath(); }, form_.Dialogs());
  logPane_ = new OperationLogPane(*logView_);
  QWidget* grid = binder_->Widget(Ctl::slotList);
  auto* split = new QSplitter(Qt::Vertical);
  split->setObjectName("SlotLogSplitter");
  split->setChildrenCollapsible(false);
  slotColumn_->insertWidget(slotColumn_->indexOf(grid), split, 1);
  split->addWidget(grid);
  split->addWidget(logPane_);
  split->setStretchFactor(0, 1);
  split->setStretchFactor(1, 0);
  connect(logPane_, &OperationLogPane::exportRequested, this, [this] {
    Run([this] { logView_->ExportCsv(form_.Folders.working); });
    logPane_->Show();
  });
  form_.Journal().SetAppendObserver([this] { ScheduleLogRefresh(); });
  logPane_->setVisible(form_.Switches.ShowOperationLog);
  RefreshLog();
}

void MainWindow::ShowLogPane(bool show) {
  form_.Switches.ShowOperationLog = show;
  logPane_->setVisible(show);
  if (show) RefreshLog();
}

// Appends come in the middle of the model's work: the pane reads the log
// once the event loop runs again.
void MainWindow::ScheduleLogRefresh() {
  if (logRefreshPending_) return;
  logRefreshPending_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        logRefreshPending_ = false;
        RefreshLog();
      },
      Qt::QueuedConnection);
}

void MainWindow::RefreshLog() {
  if (!form_.Switches.ShowOperationLog) return;  // read when it is shown again
  binder_->Guard([this] { logView_->Refresh(); });
  logPane_->Show();
}

// Opens at the size its controls ask for, as far as the screen allows,
// centred and wholly on the screen.
void MainWindow::PlaceOnScreen() {
  QScreen* screen = this->screen() ? this->screen() : QApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  const QSize frame = frameGeometry().size() - geometry().size();
  const QSize want = sizeHint().expandedTo(minimumSizeHint()).boundedTo(area.size() - frame);
  resize(want);
  move(area.center() - QPoint(want.width() / 2, want.height() / 2) - QPoint(frame.width() / 2, frame.height() / 2));
  QRect placed = frameGeometry();
  if (placed.left() < area.left()) placed.moveLeft(area.left());
  if (placed.top() < area.top()) placed.moveTop(area.top());
  move(placed.topLeft());
}

void MainWindow::showEvent(QShowEvent* event) {
  if (!placed_) {
    placed_ = true;
    // The model reads setting.ini when the window is first shown.
    if (QAction* showLog = Action("actionShowLog")) showLog->setChecked(form_.Switches.ShowOperationLog);
    ShowLogPane(form_.Switches.ShowOperationLog);
    ShowPacing();
    UpdateStatus();
    PlaceOnScreen();
    // Once shown, the controls are polished and may ask for a little more.
    QTimer::singleShot(0, this, [this] {
      if (centralWidget()->sizeHint().width() > centralWidget()->width() ||
          centralWidget()->sizeHint().height() > centralWidget()->height()) {
        centralWidget()->updateGeometry();
        PlaceOnScreen();
      }
    });
  }
  QMainWindow::showEvent(event);
}

// The hour-glass of Read and the long operations, over every window of the
// program while it lasts.
void MainWindow::ShowWaitCursor(bool on) {
  if (on == waitCursor_) return;
  waitCursor_ = on;
  if (on)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QApplication::restoreOverrideCursor();
}

void MainWindow::ShowPopupMenu(const QPoint& at) {
  QMenu menu(this);
  for (const model::Control* c : form_.Controls().All()) {
    if (c->kind != model::ControlKind::MenuItem || c->parent != Ctl::slotListMenu || !c->visible) continue;
    QAction* a = menu.addAction(QString::fromStdString(c->text));
    a->setEnabled(c->enabled);
    const model::ControlName name = c->name;
    connect(a, &QAction::triggered, this, [this, name] { Click(name); });
  }
  menu.exec(at);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  const QString file = DraggedFile(event->mimeData());
  if (!file.isEmpty() && form_.AcceptsDroppedFile(file.toStdString())) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  const QString file = DraggedFile(event->mimeData());
  bool taken = false;
  if (!file.isEmpty()) Run([&] { taken = form_.DropFile(file.toStdString()); });
  if (taken) event->acceptProposedAction();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!form_.Closed()) binder_->Guard([&] { form_.FormClose(); });
  event->accept();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress || !isActiveWindow()) return QMainWindow::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  Qt::KeyboardModifiers mods = key->modifiers();
  if (key->key() == Qt::Key_Escape && mods == Qt::NoModifier && QApplication::activeModalWidget() == nullptr &&
      QApplication::activePopupWidget() == nullptr) {
    // Escape closes dialogs, drop-down lists and menus, and over a search
    // typed into the device list drops the search; it never closes the
    // main window, which would end the session on a stray key (Close, the
    // window's close button and Alt+F4 do that).
    if (SearchableList* search = SearchableList::Of(QApplication::focusWidget()); search && search->Revert())
      return true;
    return true;
  }
  bool shift = mods & Qt::ShiftModifier, ctrl = mods & Qt::ControlModifier;
  if (!shift || !ctrl) return QMainWindow::eventFilter(watched, event);
  ShortcutKey k = ShortcutKey::Other;
  switch (key->key()) {
    case Qt::Key_F1: k = ShortcutKey::F1; break;
    case Qt::Key_F2: k = ShortcutKey::F2; break;
    case Qt::Key_F3: k = ShortcutKey::F3; break;
    case Qt::Key_F4: k = ShortcutKey::F4; break;
    case Qt::Key_F5: k = ShortcutKey::F5; break;
    default: break;
  }
  bool consumed = false;
  binder_->Guard([&] { consumed = form_.serviceShortcutKey(k, shift, ctrl); });
  if (consumed) {
    UpdateMenus();
    update();
  }
  return consumed || QMainWindow::eventFilter(watched, event);
}

}  // namespace velmar::ui
