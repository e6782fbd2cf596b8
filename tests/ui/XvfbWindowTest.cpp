// The real main window on a real X display (Xvfb) over a simulated portable
// programmer: it opens at the size of its controls, wholly on the screen and
// without scroll bars (run again on a 1024 x 768 screen and at 150 % and
// 200 % scale), is resized by the window system and keeps every control in
// reach, and is driven from the keyboard (the menu shortcuts, Tab through
// the window, the mnemonics, Del on the slot list, Escape out of the find
// dialog, a device found by typing). Nothing waits on a clock: every step
// waits for its own event.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

#include "model/FindNameDialog.h"
#include "operations/OperationsRig.h"
#include "ui/ControlBinder.h"
#include "ui/MainWindow.h"
#include "ui/ProgressWindow.h"

using velmar::model::Ctl;

using velmar::platform::DlgButton;
using velmar::test::OpsRig;

class XvfbWindowTest : public QObject {
  Q_OBJECT

  struct Fixture {
    Fixture() : rig(3) {
      rig.AnswerYes();
      rig.Create();
      window = std::make_unique<velmar::ui::MainWindow>(rig.W());
      progress = std::make_unique<velmar::ui::ProgressWindow>(window.get());
      rig.W().SetProgressView(progress.get());
      rig.W().ReadProgButtonClick();
      rig.W().FormShow();
      rig.W().CloseRequested = true;  // tests never write setting.ini
      window->show();
      window->activateWindow();
    }
    template <class W>
    W* Get(const char* name) {
      const velmar::model::Control* c = window->Form().Controls().Find(name);
      return c ? qobject_cast<W*>(window->Binder().Widget(c->name)) : nullptr;
    }
    OpsRig rig;
    std::unique_ptr<velmar::ui::MainWindow> window;
    std::unique_ptr<velmar::ui::ProgressWindow> progress;
  };

  static bool Scrolls(velmar::ui::MainWindow& w) {
    auto* scroll = w.findChild<QScrollArea*>("MainScroll");
    return scroll->verticalScrollBar()->isVisible() || scroll->horizontalScrollBar()->isVisible();
  }

 private slots:
  void initTestCase() { QVERIFY2(QGuiApplication::platformName() == "xcb", "run under an X display"); }

  void opensAtItsOwnSizeWhollyOnTheScreen() {
    Fixture f;
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    QApplication::processEvents();
    const QRect screen = f.window->screen()->availableGeometry();
    QVERIFY2(screen.contains(f.window->frameGeometry()), qPrintable(QString("window %1,%2 %3x%4 on a %5x%6 screen")
                                                                        .arg(f.window->x())
                                                                        .arg(f.window->y())
                                                                        .arg(f.window->width())
                                                                        .arg(f.window->height())
                                                                        .arg(screen.width())
                                                                        .arg(screen.height())));
    QTRY_VERIFY2(!Scrolls(*f.window), qPrintable(QString("opened at %1x%2, its controls need %3x%4")
                                                     .arg(f.window->width())
                                                     .arg(f.window->height())
                                                     .arg(f.window->centralWidget()->sizeHint().width())
                                                     .arg(f.window->centralWidget()->sizeHint().height())));
    // Every control shown has the room its text asks for.
    for (QWidget* w : f.window->findChildren<QWidget*>()) {
      if (!w->isVisible() || w->objectName().isEmpty() || !f.rig.W().Controls().Find(w->objectName().toStdString()))
        continue;
      const QSize need =
          qobject_cast<QAbstractButton*>(w) || qobject_cast<QComboBox*>(w) ? w->sizeHint() : w->minimumSizeHint();
      QVERIFY2(w->width() >= need.width() && w->height() >= need.height(),
               qPrintable(QString("%1 is %2x%3, needs %4x%5")
                              .arg(w->objectName())
                              .arg(w->width())
                              .arg(w->height())
                              .arg(need.width())
                              .arg(need.height())));
    }
  }

  void opensOnTheScreenAndFollowsResizing() {
    Fixture f;
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    const QRect screen = f.window->screen()->availableGeometry();
    QVERIFY(screen.contains(f.window->geometry()));

    auto* grid = f.Get<QTableWidget>("slotList");
    const int before = grid->height();
    f.window->resize(1024, 740);
    QTRY_COMPARE(f.window->size(), QSize(1024, 740));
    QTRY_VERIFY(!Scrolls(*f.window));
    f.window->resize(1200, 900);
    QTRY_COMPARE(f.window->size(), QSize(1200, 900));
    QVERIFY(grid->height() > before);
    // Smaller than the controls need: the window scrolls, nothing is cut off.
    f.window->resize(640, 480);
    QTRY_COMPARE(f.window->size(), QSize(640, 480));
    QTRY_VERIFY(Scrolls(*f.window));
  }

  void theKeyboardReachesEverything() {
    Fixture f;
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    auto& script = f.rig.dialogs.script;

    // Ctrl+O opens the program file choice.
    const std::size_t requests = script.fileRequests.size();
    QTest::keyClick(f.window.get(), Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(script.fileRequests.size(), requests + 1);

    // Browse answers to Alt+B.
    QCOMPARE(f.Get<QPushButton>("browseButton")->shortcut(), QKeySequence(Qt::ALT | Qt::Key_B));

    // Tab walks from the slot list to the next control and back.
    auto* grid = f.Get<QTableWidget>("slotList");
    grid->setFocus();
    QTRY_VERIFY(grid->hasFocus());
    QTest::keyClick(grid, Qt::Key_Tab);
    QVERIFY(!grid->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QVERIFY(grid->hasFocus());

    // F5 reads the programmer again.
    f.rig.W().Controls().SetText(Ctl::slotListHint, "");
    QTest::keyClick(f.window.get(), Qt::Key_F5);
    QCOMPARE(f.Get<QLabel>("slotListHint")->text(), QString("Empty, Use New Button"));

    // Ctrl+F opens Find; Escape closes it.
    bool found = false;
    script.AnswerForm([&](velmar::platform::ModalForm& form) {
      found = form.FormName() == "findNameDialog";
      return DlgButton::Cancel;
    });
    QTest::keyClick(f.window.get(), Qt::Key_F, Qt::ControlModifier);
    QVERIFY(found);

    // A device found by typing part of its name; Escape drops a search
    // that found nothing, and only then closes the window.
    auto* devices = f.Get<QComboBox>("deviceList");
    devices->lineEdit()->setFocus();
    QTRY_VERIFY(devices->lineEdit()->hasFocus());
    devices->lineEdit()->selectAll();
    QTest::keyClicks(devices->lineEdit(), "f4520");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTRY_COMPARE(f.rig.W().Data.DeviceName, std::string("PIC18F4520"));
    devices->lineEdit()->selectAll();
    QTest::keyClicks(devices->lineEdit(), "no such part");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QCOMPARE(devices->lineEdit()->text(), QString("PIC18F4520"));
    QVERIFY(!f.rig.W().Closed());
  }
};

QTEST_MAIN(XvfbWindowTest)
#include "XvfbWindowTest.moc"
