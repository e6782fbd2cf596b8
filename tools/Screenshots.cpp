// Build-time helper for the documentation: runs the desktop application's
// windows on simulated programmers and saves PNG pictures of them: the main
// window of each programmer kind with its slots listed and its operation
// log, its menus, the device list searched by typing, the progress window
// in the middle of a slot write, the erase options, programmer type and
// message dialogs, and the result of Test fast exchanges. Each window is
// driven through the window model exactly as a user's clicks would drive it.
// Usage: Screenshots OUT-FOLDER WORK-FOLDER PROGRAM-FOLDER [--scaled]
//   WORK-FOLDER holds sim-<kind>.state files (scripts/make-demo-programmer.sh);
//   PROGRAM-FOLDER is the built program folder (DEVICES.INI, settings).
//   --scaled: only the 8-way main window, named for the scale Qt runs at
//   (QT_SCALE_FACTOR), e.g. main-8way-200pc.png.
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QCompleter>
#include <QDialog>
#include <QFont>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "frontend/LinkEnvironment.h"
#include "frontend/SharedOptions.h"
#include "link/D2XXUnit.h"
#include "model/ProgressForm.h"
#include "model/TMainForm.h"
#include "operations/WindowOperations.h"
#include "slot/ProgrammerGeometry.h"
#include "ui/ControlBinder.h"
#include "ui/MainWindow.h"
#include "ui/ProgressWindow.h"
#include "ui/QtDialogs.h"

namespace {

using velmar::model::Ctl;

using namespace velmar;

std::string g_out;
std::string g_program;

void Save(QWidget* w, const std::string& name) {
  QApplication::processEvents();
  std::string path = g_out + name + ".png";
  if (!w->grab().save(QString::fromStdString(path)))
    std::fprintf(stderr, "cannot save %s\n", path.c_str());
  else
    std::fprintf(stderr, "saved %s\n", path.c_str());
}

// Whenever a modal window comes up, `handle` gets it (to take its picture
// and close it); runs until stopped.
class ModalWatcher {
 public:
  explicit ModalWatcher(std::function<void(QWidget*)> handle) : handle_(std::move(handle)) {
    timer_.setInterval(50);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      QWidget* modal = QApplication::activeModalWidget();
      if (!modal || modal == last_ || qobject_cast<ui::ProgressWindow*>(modal)) return;
      last_ = modal;
      handle_(modal);
    });
    timer_.start();
  }

 private:
  std::function<void(QWidget*)> handle_;
  QTimer timer_;
  QPointer<QWidget> last_;  // cleared when that window goes away
};

void Close(QWidget* modal) {
  if (auto* box = qobject_cast<QMessageBox*>(modal)) {
    box->done(box->defaultButton() ? box->standardButton(box->defaultButton()) : QMessageBox::Ok);
  } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
    dialog->reject();
  }
}

// The window on one simulated programmer, read as at start-up.
struct Session {
  explicit Session(const std::string& state, const std::string& work) {
    frontend::SharedOptions o;
    o.simState = state;
    o.workingFolder = work;
    o.programFolder = g_program;
    env = std::make_unique<frontend::LinkEnvironment>(frontend::LinkOptionsFrom(o));
    unit = std::make_unique<link::D2XXUnit>(env->Driver(), dialogs);
    form = std::make_unique<model::TMainForm>(dialogs, frontend::FoldersFrom(o));
    ops::BindOperations(*form);
    form->SetFolderChoice([o] { return frontend::FoldersFrom(o); });
    form->UseLink({unit.get(), &env->Clock(), &pump, env->BackendName(), env->FixedNewToken(), env->Location()});
    form->FormCreate(false);
    window = std::make_unique<ui::MainWindow>(*form);
    dialogs.SetParent(window.get());
    progress = std::make_unique<ui::ProgressWindow>(window.get());
    form->SetProgressView(progress.get());
    form->ReadProgButtonClick();
    form->FormShow();
    form->CloseRequested = true;  // never write setting.ini or say goodbye
    window->show();
    // Shown, polished, and fitted to its controls as a person would see it.
    if (!QTest::qWaitForWindowExposed(window.get()))
      std::fprintf(stderr, "the main window was not shown in time; its pictures may be incomplete\n");
    QTest::qWait(300);
  }
  ~Session() { env->Finish(nullptr); }

  ui::QtDialogs dialogs;
  ui::QtMessagePump pump;
  std::unique_ptr<frontend::LinkEnvironment> env;
  std::unique_ptr<link::D2XXUnit> unit;
  std::unique_ptr<model::TMainForm> form;
  std::unique_ptr<ui::MainWindow> window;
  std::unique_ptr<ui::ProgressWindow> progress;
};

// A progress view that takes one picture half-way through an operation.
class PictureHalfWay final : public model::ProgressView {
 public:
  explicit PictureHalfWay(ui::ProgressWindow& window) : window_(window) {}
  void Shown(const model::ProgressForm& f) override { window_.Shown(f); }
  void Released(const model::ProgressForm& f) override { window_.Released(f); }
  void Changed(const model::ProgressForm& f) override {
    window_.Changed(f);
    if (!taken_ && f.MainProgressMax > 4 && f.MainProgressPosition * 2 >= f.MainProgressMax) {
      taken_ = true;
      Save(&window_, "progress-write");
    }
  }

 private:
  ui::ProgressWindow& window_;
  bool taken_ = false;
};

// The window with one of its menus open, as the screen shows them.
void SaveMenus(ui::MainWindow& window) {
  for (QAction* title : window.menuBar()->actions()) {
    QMenu* menu = title->menu();
    if (!menu) continue;
    QMenuBar* bar = window.menuBar();
    menu->popup(bar->mapToGlobal(bar->actionGeometry(title).bottomLeft()));
    QApplication::processEvents();
    QRect area = window.frameGeometry().united(menu->geometry()).adjusted(-4, -4, 4, 4);
    QPixmap shot = window.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    std::string name = "menu-" + title->text().remove('&').toLower().toStdString();
    std::string path = g_out + name + ".png";
    if (!shot.save(QString::fromStdString(path)))
      std::fprintf(stderr, "cannot save %s\n", path.c_str());
    else
      std::fprintf(stderr, "saved %s\n", path.c_str());
    menu->hide();
    QApplication::processEvents();
  }
}

// The device list searched by typing, its offers open.
void SaveDeviceSearch(ui::MainWindow& window) {
  auto* devices = qobject_cast<QComboBox*>(window.Binder().Widget(Ctl::deviceList));
  if (!devices || !devices->lineEdit()) return;
  window.activateWindow();
  devices->lineEdit()->setFocus();
  devices->lineEdit()->selectAll();
  QTest::keyClicks(devices->lineEdit(), "f45");
  QApplication::processEvents();
  QWidget* offers = devices->completer() ? devices->completer()->popup() : nullptr;
  QRect area = window.frameGeometry();
  if (offers && offers->isVisible()) area = area.united(offers->geometry());
  area.adjust(-4, -4, 4, 4);
  QPixmap shot = window.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
  const std::string path = g_out + "device-search.png";
  if (!shot.save(QString::fromStdString(path)))
    std::fprintf(stderr, "cannot save %s\n", path.c_str());
  else
    std::fprintf(stderr, "saved %s\n", path.c_str());
  if (offers) offers->hide();
  devices->lineEdit()->setText(devices->currentText());
}

void MainWindows(const std::string& work) {
  // Nothing here should ask anything; say so if something does.
  ModalWatcher watcher([](QWidget* modal) {
    std::fprintf(stderr, "unexpected window: %s\n", modal->windowTitle().toStdString().c_str());
    if (auto* box = qobject_cast<QMessageBox*>(modal))
      std::fprintf(stderr, "  %s\n", box->text().toStdString().c_str());
    Close(modal);
  });
  for (const slot::KindInfo* row = slot::KindsBegin(); row != slot::KindsEnd(); ++row) {
    const std::string kind = row->name;
    Session s(work + "sim-" + kind + ".state", work);
    model::ControlStore& c = s.form->Controls();
    if (c.Get(Ctl::slotList).cells.size() > 2) {  // show the second slot's details, as a user would
      c.SelectCell(Ctl::slotList, 2, 0);
      c.UserClick(Ctl::slotList);
      c.UserClick(Ctl::showDetailsButton);
    }
    Save(s.window.get(), std::string("main-") + kind);
    if (std::string(kind) == "8way") {
      SaveMenus(*s.window);
      SaveDeviceSearch(*s.window);
    }
  }
}

// The 8-way main window at the scale Qt runs at.
void ScaledMainWindow(const std::string& work) {
  Session s(work + "sim-8way.state", work);
  const int percent = int(s.window->devicePixelRatioF() * 100 + 0.5);
  Save(s.window.get(), "main-8way-" + std::to_string(percent) + "pc");
}

void Dialogs(const std::string& work) {
  Session s(work + "sim-portable.state", work);
  std::vector<std::string> names;  // the pictures the next modal windows make
  std::string next;
  ModalWatcher watcher([&](QWidget* modal) {
    if (!names.empty()) {
      next = names.front();
      names.erase(names.begin());
    }
    Save(modal, next);
    Close(modal);
  });

  // A slot write on the portable, pictured half-way, then its message.
  PictureHalfWay halfWay(*s.progress);
  s.form->SetProgressView(&halfWay);
  model::ControlStore& c = s.form->Controls();
  c.UserSelect(Ctl::family, 1);
  s.form->Data.FlashFile = std::string(VELMAR_SOURCE_DIR) + "/examples/pic16f84a/blink.hex";
  c.UserSetText(Ctl::ProgCaption, "Blink 84A spare");
  names = {"message-duplicate-name", "message-loaded"};
  ops::NewButtonClick(*s.form);
  s.form->SetProgressView(s.progress.get());

  next = "erase-options";
  s.form->eraseOptionsButtonClick();
  next = "programmer-type";
  s.form->ProgrammerTypeForm().FormShow(false);
  s.dialogs.ShowModal(s.form->ProgrammerTypeForm());
  next = "message-question";
  s.dialogs.AskYesNo("Are you sure you want to erase ALL programs?", {}, platform::DlgButton::No);
  next = "message-fast-exchanges";
  s.window->Action("actionTestFastExchanges")->trigger();
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationDisplayName("PIC Programmer USB Loader");
  QFont font = QApplication::font();
  font.setPointSizeF(8.5);
  QApplication::setFont(font);
  const bool scaled = argc == 5 && std::string(argv[4]) == "--scaled";
  if (argc != 4 && !scaled) {
    std::fprintf(stderr, "usage: Screenshots OUT-FOLDER WORK-FOLDER PROGRAM-FOLDER [--scaled]\n");
    return 2;
  }
  g_program = std::string(argv[3]) + "/";
  g_out = std::string(argv[1]) + "/";
  std::string work = std::string(argv[2]) + "/";
  if (scaled) {
    ScaledMainWindow(work);
    return 0;
  }
  MainWindows(work);
  Dialogs(work);
  return 0;
}
