// The desktop main window.
#include "ui/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QScreen>
#include <QTableWidget>

#include "model/TMainForm.h"
#include "ui/ControlBinder.h"
#include "ui/MainWindowLayout.h"

namespace velmar::ui {

using model::ShortcutKey;

MainWindow::MainWindow(model::TMainForm& form, QWidget* parent) : QWidget(parent), form_(form) {
  setObjectName("MainForm");
  setFixedSize(kMainWidth, kMainHeight);
  if (QScreen* screen = QApplication::primaryScreen())  // opens centred on the screen
    move(screen->availableGeometry().center() - rect().center());
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  binder_ = new ControlBinder(form.Controls(), this, MainWindowGeometry());
  binder_->onError = [this](const std::string& message) { form_.ApplicationEvents2Exception(message); };

  setWindowTitle(QString::fromStdString(form.Controls().Text("MainForm")));
  titleObserver_ = form.Controls().AddObserver([this](const model::Control& c, model::Property) {
    if (c.name != "MainForm") return;
    setWindowTitle(QString::fromStdString(c.text));
    auto cursor = c.extra.find("cursor");
    ShowWaitCursor(cursor != c.extra.end() && cursor->second == "hourglass");
  });

  if (auto* grid = qobject_cast<QTableWidget*>(binder_->Widget("StringGrid1")))
    connect(grid, &QTableWidget::customContextMenuRequested, this,
            [this, grid](const QPoint& p) { ShowPopupMenu(grid->viewport()->mapToGlobal(p)); });

  form.SetCloseHandler([this] { close(); });
  qApp->installEventFilter(this);
}

MainWindow::~MainWindow() {
  qApp->removeEventFilter(this);
  form_.Controls().RemoveObserver(titleObserver_);
  ShowWaitCursor(false);
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
    if (c->kind != model::ControlKind::MenuItem || c->parent != "PopupMenu1" || !c->visible) continue;
    QAction* a = menu.addAction(QString::fromStdString(c->text));
    a->setEnabled(c->enabled);
    std::string name = c->name;
    connect(a, &QAction::triggered, this, [this, name] { binder_->Guard([&] { form_.Controls().UserClick(name); }); });
  }
  menu.exec(at);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!form_.Closed()) binder_->Guard([&] { form_.FormClose(); });
  event->accept();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress || !isActiveWindow()) return QWidget::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  Qt::KeyboardModifiers mods = key->modifiers();
  if (key->key() == Qt::Key_Escape && mods == Qt::NoModifier && QApplication::activeModalWidget() == nullptr &&
      QApplication::activePopupWidget() == nullptr) {
    // Escape presses the window's cancel button ("Close"); with a drop-down
    // list or the pop-up menu open it only closes that.
    const model::ControlStore& c = form_.Controls();
    if (c.Visible("cancel") && c.Enabled("cancel")) {
      binder_->Guard([&] { form_.Controls().UserClick("cancel"); });
      return true;
    }
  }
  bool shift = mods & Qt::ShiftModifier, ctrl = mods & Qt::ControlModifier;
  if (!shift || !ctrl) return QWidget::eventFilter(watched, event);
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
  binder_->Guard([&] { consumed = form_.ApplicationEvents1ShortCut(k, shift, ctrl); });
  if (consumed) update();
  return consumed || QWidget::eventFilter(watched, event);
}

}  // namespace velmar::ui
