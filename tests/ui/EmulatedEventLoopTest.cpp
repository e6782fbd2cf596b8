// An idle window's event loop under the USB emulation, whose virtual clock
// stands still unless the program sleeps or talks USB: its timers must still
// come due as real time passes. Alt and a button's letter presses the
// button at once and releases (clicks) it on a short timer; with the clock
// standing still the button stayed drawn pressed. Run under
// scripts/with-emulated-usb.sh; a real-time alarm fails the test instead
// of letting it hang.
#include <QEventLoop>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QtTest>

#include <csignal>
#include <cstdlib>

#include <unistd.h>

namespace {

constexpr unsigned kAlarmSeconds = 20;

void OnAlarm(int) {
  static const char message[] = "the event loop's timers never came due\n";
  (void)!write(2, message, sizeof message - 1);
  _exit(1);
}

}  // namespace

class EmulatedEventLoopTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QVERIFY2(std::getenv("VELMAR_USB_EMU_STATE"), "run under scripts/with-emulated-usb.sh");
    std::signal(SIGALRM, OnAlarm);
  }

  void aMnemonicPressReleasesTheButtonWhileTheLoopIdles() {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* button = new QPushButton("&New", &window);
    layout->addWidget(button);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    int clicks = 0;
    QEventLoop loop;
    connect(button, &QPushButton::clicked, &loop, [&] {
      ++clicks;
      loop.quit();
    });
    QTest::keyClick(&window, Qt::Key_N, Qt::AltModifier);
    QVERIFY(button->isDown());  // drawn pressed until its timer runs
    alarm(kAlarmSeconds);
    loop.exec();  // only waits for events: nothing here sleeps or talks USB
    alarm(0);
    QCOMPARE(clicks, 1);
    QVERIFY(!button->isDown());
  }

  void aTimerComesDueWhileTheLoopIdles() {
    QEventLoop loop;
    QTimer::singleShot(300, &loop, &QEventLoop::quit);
    alarm(kAlarmSeconds);
    loop.exec();
    alarm(0);
  }
};

QTEST_MAIN(EmulatedEventLoopTest)
#include "EmulatedEventLoopTest.moc"
