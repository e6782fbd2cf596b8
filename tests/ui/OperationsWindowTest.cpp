// The desktop window over a simulated programmer: Read, New, Delete, Show
// Slot Details and Find pressed on the widgets show their results in the
// widgets at once, with the model's dialogs answered by the scripted
// implementation and the Qt progress window presenting the writes. Nothing
// here may block: every question has its scripted answer.
#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include "model/FindNameDialog.h"
#include "operations/OperationsRig.h"
#include "ui/ControlBinder.h"
#include "ui/MainWindow.h"
#include "ui/ProgressWindow.h"

using velmar::model::Ctl;
using velmar::model::FindCtl;

using velmar::platform::DlgButton;
using velmar::test::OpsRig;

class OperationsWindowTest : public QObject {
  Q_OBJECT

 private:
  struct Fixture {
    explicit Fixture(int kind) : rig(kind) {
      rig.AnswerYes();
      rig.Create();
      window = std::make_unique<velmar::ui::MainWindow>(rig.W());
      progress = std::make_unique<velmar::ui::ProgressWindow>(window.get());
      rig.W().SetProgressView(progress.get());
      Click("ReadProgButton");
      rig.W().FormShow();
      rig.W().CloseRequested = true;  // tests never write setting.ini
    }
    template <class W>
    W* Get(const char* name) {
      const velmar::model::Control* c = window->Form().Controls().Find(name);
      return c ? qobject_cast<W*>(window->Binder().Widget(c->name)) : nullptr;
    }
    void Click(const char* name) { Get<QPushButton>(name)->click(); }
    // Rows as the model counts them: row 0 is the title row, which the
    // list shows as its header; slot n is row n, the widget's row n - 1.
    QString Cell(int row, int col) {
      auto* grid = Get<QTableWidget>("slotList");
      auto* item = row == 0 ? grid->horizontalHeaderItem(col) : grid->item(row - 1, col);
      return item ? item->text() : QString();
    }
    void ClickRow(int row) {
      auto* grid = Get<QTableWidget>("slotList");
      emit grid->cellClicked(row - 1, 0);
    }
    void Pick(const char* box, const QString& entry) {
      auto* combo = Get<QComboBox>(box);
      int i = combo->findText(entry);
      QVERIFY2(i >= 0, qPrintable(entry));
      combo->setCurrentIndex(i);
      emit combo->activated(i);
    }

    OpsRig rig;
    std::unique_ptr<velmar::ui::MainWindow> window;
    std::unique_ptr<velmar::ui::ProgressWindow> progress;
  };

  void NewProgram(Fixture& f, const char* family, const char* device, const char* folder, const char* description) {
    f.Pick("family", family);
    f.Pick("deviceList", device);
    f.rig.W().Data.FlashFile = velmar::test::ExampleFile(folder);
    auto* caption = f.Get<QLineEdit>("ProgCaption");
    caption->setText(description);
    emit caption->textEdited(description);
    f.Click("NewButton");
  }

 private slots:
  void readShowsTheProgrammersSlots() {
    Fixture f(3);
    QCOMPARE(f.Cell(0, 0), QString("Description"));
    QCOMPARE(f.Get<QTableWidget>("slotList")->rowCount(), 0);  // the title row is the header
    QCOMPARE(f.Get<QLabel>("slotListHint")->text(), QString("Empty, Use New Button"));
    QVERIFY(!f.Get<QPushButton>("editButton")->isEnabled());
  }

  void newAddsARowAndDeleteEmptiesIt() {
    Fixture f(3);
    NewProgram(f, "PIC12F-16F", "PIC16F628A", "pic16f628a", "Blink one");
    QCOMPARE(f.rig.dialogs.script.LastText(), std::string("Program loaded successfully"));
    NewProgram(f, "PIC18F", "PIC18F4520", "pic18f4520", "Blink two");
    QCOMPARE(f.Get<QTableWidget>("slotList")->rowCount(), 2);
    QCOMPARE(f.Cell(2, 0).trimmed(), QString("002 Blink two"));
    QCOMPARE(f.Cell(2, 2).trimmed(), QString("PIC18F4520"));
    QVERIFY2(f.progress->isHidden(), "the progress window was released");

    f.ClickRow(1);
    f.Click("DeleteProgramButton");  // the question is answered Yes
    QCOMPARE(f.rig.dialogs.script.LastText(), std::string("Program deleted successfully"));
    QVERIFY(f.Cell(1, 0).startsWith("001 Empty"));
    QCOMPARE(f.Get<QTableWidget>("slotList")->rowCount(), 2);
  }

  // Programmer > Link Pacing: the entry of the pacing in force is checked;
  // choosing one puts it in force and in the status bar.
  void theLinkPacingEntriesSetAndShowThePacing() {
    Fixture f(2);
    QVERIFY(f.window->findChild<QMenu*>("menuLinkPacing"));
    QAction* exact = f.window->Action("actionPacingExact");
    QAction* fast = f.window->Action("actionPacingFast");
    auto* status = f.window->findChild<QLabel*>("ProgrammerStatus");
    QVERIFY(exact->isChecked() && !fast->isChecked());
    fast->trigger();
    QCOMPARE(f.rig.W().LinkPacing(), velmar::link::LinkPacing::fast);
    QVERIFY(fast->isChecked() && !exact->isChecked());
    QVERIFY2(status->text().contains("fast pacing"), qPrintable(status->text()));
    exact->trigger();
    QCOMPARE(f.rig.W().LinkPacing(), velmar::link::LinkPacing::exact);
    QVERIFY(exact->isChecked() && !fast->isChecked());
    QVERIFY2(status->text().contains("exact pacing"), qPrintable(status->text()));
  }

  // Help > Check Connection > "Test fast exchanges": the window's link
  // compares both pacings and the window says what it found.
  void testFastExchangesSaysWhatItFound() {
    Fixture f(2);
    QVERIFY(f.window->findChild<QMenu*>("menuCheckConnection"));
    f.window->Action("actionTestFastExchanges")->trigger();
    const auto& shown = f.rig.dialogs.script.shown.back();
    QCOMPARE(shown.title, std::string("Test fast exchanges"));
    QVERIFY2(QString::fromStdString(shown.text).contains("Every reply byte was the same"), shown.text.c_str());
    QVERIFY(QString::fromStdString(shown.text).contains("Programmer > Link Pacing > Fast"));
  }

  void aSlotWriteShowsTheHourGlassUntilItEnds() {
    Fixture f(3);
    QVERIFY(!QApplication::overrideCursor());
    bool waitingAtTheEnd = false;
    f.rig.dialogs.onMessage = [&](const velmar::platform::MessageBoxRequest& r) {
      if (r.text == "Program loaded successfully")
        waitingAtTheEnd = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
    };
    NewProgram(f, "PIC12F-16F", "PIC16F628A", "pic16f628a", "Blink one");
    QVERIFY(waitingAtTheEnd);
    QVERIFY(!QApplication::overrideCursor());
  }

  void showSlotDetailsPutsTheSlotsFamilyAndDeviceBackIntoTheWindow() {
    Fixture f(3);
    NewProgram(f, "PIC18F", "PIC18F4520", "pic18f4520", "Blink two");
    f.Pick("family", "PIC12F-16F");
    QCOMPARE(f.Get<QComboBox>("family")->currentText(), QString("PIC12F-16F"));
    f.ClickRow(1);
    f.Click("showDetailsButton");
    QCOMPARE(f.Get<QComboBox>("family")->currentText(), QString("PIC18F"));
    QCOMPARE(f.Get<QComboBox>("deviceList")->currentText(), QString("PIC18F4520"));
    QVERIFY(f.Get<QLabel>("detailsFileName")->text().trimmed().endsWith("blink.hex"));
  }

  // Replace, Delete and Copy Cell act on the model's row, so the row a person
  // moves to, with the keys or the mouse, must reach it.
  void theRowAPersonMovesToIsTheModelsSelection() {
    Fixture f(3);
    NewProgram(f, "PIC12F-16F", "PIC16F628A", "pic16f628a", "Pump control");
    NewProgram(f, "PIC18F", "PIC18F4520", "pic18f4520", "Valve control");
    auto& s = f.rig.W().Controls();
    auto* grid = f.Get<QTableWidget>("slotList");
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    QCOMPARE(grid->currentRow(), 1);  // after New, the last row (slot 2)

    QTest::keyClick(grid, Qt::Key_Up);
    QCOMPARE(grid->currentRow(), 0);
    QCOMPARE(s.Row(Ctl::slotList), 1);
    QTest::keyClick(grid, Qt::Key_Up);  // the title row is out of reach
    QCOMPARE(s.Row(Ctl::slotList), 1);
    QCOMPARE(f.Get<QLabel>("newSlotNumber")->text(), QString("001"));
    QCOMPARE(f.Get<QLineEdit>("ProgCaption")->text().trimmed(), QString("Pump control"));
    QTest::keyClick(grid, Qt::Key_Right);
    s.UserClick(Ctl::copyCellMenuItem);
    QCOMPARE(QString::fromStdString(f.rig.dialogs.script.clipboard), f.Cell(1, 1));

    // The mouse: a press on another row, and a click on the current one.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualItemRect(grid->item(1, 0)).center());
    QCOMPARE(s.Row(Ctl::slotList), 2);
    QCOMPARE(f.Get<QLabel>("newSlotNumber")->text(), QString("002"));
    s.SetText(Ctl::newSlotNumber, "");
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualItemRect(grid->item(1, 0)).center());
    QCOMPARE(f.Get<QLabel>("newSlotNumber")->text(), QString("002"));  // the click handler ran again
    QTest::mouseClick(grid->viewport(), Qt::RightButton, {}, grid->visualItemRect(grid->item(0, 0)).center());
    QCOMPARE(grid->currentRow(), 0);  // the pop-up menu then works on this row
    QCOMPARE(s.Row(Ctl::slotList), 1);
  }

  void delOnTheSlotListDeletesTheSelectedSlotAfterItsQuestion() {
    Fixture f(3);
    NewProgram(f, "PIC12F-16F", "PIC16F628A", "pic16f628a", "Pump control");
    NewProgram(f, "PIC18F", "PIC18F4520", "pic18f4520", "Valve control");
    f.window->show();
    QApplication::setActiveWindow(f.window.get());
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    auto* grid = f.Get<QTableWidget>("slotList");
    grid->setFocus();
    QTRY_VERIFY(grid->hasFocus());
    f.ClickRow(1);
    f.rig.dialogs.script.Answer(DlgButton::No);
    QTest::keyClick(grid, Qt::Key_Delete);
    const auto& question = f.rig.dialogs.script.shown.back();
    QCOMPARE(question.text, std::string("Are you sure you want to delete entry 1\r001 Pump control (PIC16F628A)"));
    QCOMPARE(question.defaultButton, DlgButton::No);
    QVERIFY(f.Cell(1, 0).startsWith("001 Pump control"));
    QTest::keyClick(grid, Qt::Key_Delete);  // answered Yes
    QCOMPARE(f.rig.dialogs.script.LastText(), std::string("Program deleted successfully"));
    QVERIFY(f.Cell(1, 0).startsWith("001 Empty"));
  }

  void theStatusBarNamesTheProgrammerAndItsSlots() {
    Fixture f(3);
    auto* status = f.window->findChild<QLabel*>("ProgrammerStatus");
    QVERIFY(status);
    QVERIFY2(status->text().startsWith("PX-110"), qPrintable(status->text()));
    QVERIFY2(status->text().contains("0 slots used, 31 free"), qPrintable(status->text()));
    QVERIFY(status->text().contains("firmware"));
    NewProgram(f, "PIC12F-16F", "PIC16F628A", "pic16f628a", "Pump control");
    QVERIFY2(status->text().contains("1 slot used, 30 free"), qPrintable(status->text()));
  }

  // The progress window shows the model's figures beside its bar.
  void theProgressWindowShowsPercentPagesAndTimes() {
    Fixture f(3);
    std::uint64_t now = 0;
    velmar::model::ProgressForm form(f.progress.get(), nullptr);
    form.SetTimeSource([&] { return now; });
    form.Show();
    form.UpdateStat(0, 100);
    now = 10000;
    form.UpdateStat(25, 100);
    auto* figures = f.progress->findChild<QLabel*>("progressFigures");
    QVERIFY(figures);
    QCOMPARE(figures->text(), QString("25%  -  25 of 100 pages  -  0:10 elapsed, about 0:30 left"));
    QVERIFY(figures->isVisible());
    QVERIFY(figures->width() >= figures->sizeHint().width());
  }

  void findSelectsTheMatchingRow() {
    Fixture f(3);
    NewProgram(f, "PIC12F-16F", "PIC16F628A", "pic16f628a", "Pump control");
    NewProgram(f, "PIC18F", "PIC18F4520", "pic18f4520", "Valve control");
    f.ClickRow(1);
    f.rig.dialogs.script.AnswerForm([&](velmar::platform::ModalForm& form) {
      auto& d = dynamic_cast<velmar::model::FindNameDialog&>(form).Controls();
      d.UserSetText(FindCtl::FindText, "valve");
      d.UserClick(FindCtl::FindNext);
      d.UserClick(FindCtl::Cancel);
      return form.ModalResult;
    });
    f.Click("FindButton");
    QCOMPARE(f.Get<QTableWidget>("slotList")->currentRow(), 1);  // slot 2
    QCOMPARE(f.Get<QLabel>("newSlotNumber")->text(), QString("002"));
    QCOMPARE(f.Get<QLineEdit>("ProgCaption")->text().trimmed(), QString("Valve control"));
  }
};

QTEST_MAIN(OperationsWindowTest)
#include "OperationsWindowTest.moc"
