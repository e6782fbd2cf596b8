// The real main window on a real X display (Xvfb) over a simulated portable
// programmer: it opens on the screen, is resized by the window system and
// keeps every control in reach, and is driven from the keyboard (the menu
// shortcuts, Tab through the window, the mnemonics, Del on the slot list,
// Escape out of the find dialog). Nothing waits on a clock: every step
// waits for its own event.
#include <QApplication>
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
      return qobject_cast<W*>(window->Binder().Widget(name));
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

  void opensOnTheScreenAndFollowsResizing() {
    Fixture f;
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    const QRect screen = f.window->screen()->availableGeometry();
    QVERIFY(screen.contains(f.window->geometry()));

    auto* grid = f.Get<QTableWidget>("StringGrid1");
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
    QCOMPARE(f.Get<QPushButton>("Button1")->shortcut(), QKeySequence(Qt::ALT | Qt::Key_B));

    // Tab walks from the slot list to the next control and back.
    auto* grid = f.Get<QTableWidget>("StringGrid1");
    grid->setFocus();
    QTRY_VERIFY(grid->hasFocus());
    QTest::keyClick(grid, Qt::Key_Tab);
    QVERIFY(!grid->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QVERIFY(grid->hasFocus());

    // F5 reads the programmer again.
    f.rig.W().Controls().SetText("Label9", "");
    QTest::keyClick(f.window.get(), Qt::Key_F5);
    QCOMPARE(f.Get<QLabel>("Label9")->text(), QString("Empty, Use New Button"));

    // Ctrl+F opens Find; Escape closes it.
    bool found = false;
    script.AnswerForm([&](velmar::platform::ModalForm& form) {
      found = form.FormName() == "FindDialog1";
      return DlgButton::Cancel;
    });
    QTest::keyClick(f.window.get(), Qt::Key_F, Qt::ControlModifier);
    QVERIFY(found);
  }
};

QTEST_MAIN(XvfbWindowTest)
#include "XvfbWindowTest.moc"
