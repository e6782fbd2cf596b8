// The operation log pane under the slot list, over a simulated programmer:
// each operation's record appears at the top once it has ended, the pane
// hides and shows from the View menu (and the choice is kept in
// setting.ini), a torn last line is left out with a warning, and Export
// CSV writes the same CSV as `velmar-cli log --csv` (or says why it could
// not). Recorded UTC times are shown in local time.
#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QtTest>

#include <cstdlib>
#include <ctime>
#include <fstream>

#include "model/OperationLogView.h"
#include "operations/OperationsRig.h"
#include "oplog/OperationLog.h"
#include "oplog/OperationRecord.h"
#include "platform/ScriptedDialogs.h"
#include "ui/ControlBinder.h"
#include "ui/ElidedLabel.h"
#include "ui/MainWindow.h"
#include "ui/OperationLogPane.h"
#include "ui/ProgressWindow.h"

using velmar::platform::DlgButton;
using velmar::test::OpsRig;

class OperationLogPaneTest : public QObject {
  Q_OBJECT

  struct Fixture {
    explicit Fixture(int kind = 3, const std::string& settings = {}) : rig(kind) {
      rig.AnswerYes();
      if (!settings.empty()) velmar::test::WriteFile(rig.work.File("setting.ini"), settings);
      rig.Create();
      window = std::make_unique<velmar::ui::MainWindow>(rig.W());
      progress = std::make_unique<velmar::ui::ProgressWindow>(window.get());
      rig.W().SetProgressView(progress.get());
      Get<QPushButton>("ReadProgButton")->click();
      rig.W().FormShow();
      rig.W().CloseRequested = true;  // tests never write setting.ini
      QApplication::processEvents();
    }
    template <class W>
    W* Get(const char* name) {
      const velmar::model::Control* c = window->Form().Controls().Find(name);
      return c ? qobject_cast<W*>(window->Binder().Widget(c->name)) : nullptr;
    }
    QTableWidget* Log() { return window->LogPane()->Table(); }
    QString LogCell(int row, int col) {
      auto* item = Log()->item(row, col);
      return item ? item->text() : QString();
    }
    QString Status() { return window->LogPane()->findChild<velmar::ui::ElidedLabel*>("OperationLogStatus")->text(); }
    std::string LogFile() { return rig.W().Journal().LogPath(); }
    void NewProgram(const char* device, const char* folder, const char* description) {
      auto* family = Get<QComboBox>("family");
      const int j = family->findText("PIC12F-16F");
      QVERIFY(j >= 0);
      family->setCurrentIndex(j);
      emit family->activated(j);
      auto* devices = Get<QComboBox>("deviceList");
      const int i = devices->findText(device);
      QVERIFY2(i >= 0, device);
      devices->setCurrentIndex(i);
      emit devices->activated(i);
      rig.W().Data.FlashFile = velmar::test::ExampleFile(folder);
      auto* caption = Get<QLineEdit>("ProgCaption");
      caption->setText(description);
      emit caption->textEdited(description);
      Get<QPushButton>("NewButton")->click();
    }

    OpsRig rig;
    std::unique_ptr<velmar::ui::MainWindow> window;
    std::unique_ptr<velmar::ui::ProgressWindow> progress;
  };

 private slots:
  void recordsAppearNewestFirstAfterEachOperation() {
    Fixture f;
    QTRY_COMPARE(f.Log()->rowCount(), 1);
    QCOMPARE(f.LogCell(0, 1), QString("read"));
    QCOMPARE(f.LogCell(0, 2), QString("ok"));
    QCOMPARE(f.LogCell(0, 3), QString("portable"));

    f.NewProgram("PIC16F628A", "pic16f628a", "Pump control");
    QTRY_COMPARE(f.Log()->rowCount(), 2);
    QCOMPARE(f.LogCell(0, 1), QString("new"));
    QCOMPARE(f.LogCell(0, 4), QString("1"));
    QVERIFY2(f.LogCell(0, 5).contains("\"Pump control\"") && f.LogCell(0, 5).contains("PIC16F628A") &&
                 f.LogCell(0, 5).contains("SHA-256 "),
             qPrintable(f.LogCell(0, 5)));
    QCOMPARE(f.LogCell(1, 1), QString("read"));

    // A failure is listed with the message the user saw.
    f.rig.dialogs.script.Answer(DlgButton::No);
    emit f.Get<QTableWidget>("slotList")->cellClicked(0, 0);
    f.Get<QPushButton>("DeleteProgramButton")->click();
    QTRY_COMPARE(f.Log()->rowCount(), 3);
    QCOMPARE(f.LogCell(0, 1), QString("delete"));
    QCOMPARE(f.LogCell(0, 2), QString("cancelled"));
    QVERIFY(f.Status().contains("3 records"));
  }

  // However narrow the pane, the line over the records shows the start of
  // the log's path and its end (file name and count), never under Export
  // CSV, with the whole text as its tip.
  void aLongLogPathIsShortenedInTheMiddle() {
    velmar::platform::ScriptedDialogs dialogs;
    const std::string path = "/home/technician/" + std::string(120, 'w') + "/velmar-log.jsonl";
    velmar::model::OperationLogView view([&] { return path; }, dialogs);
    view.Refresh();
    velmar::ui::OperationLogPane pane(view);
    pane.Show();
    auto* status = pane.findChild<velmar::ui::ElidedLabel*>("OperationLogStatus");
    auto* exporter = pane.findChild<QPushButton*>("ExportLogCsv");
    QVERIFY(status && exporter);
    const QString full = QString::fromStdString(path) + ": 0 records";
    pane.show();
    QVERIFY(QTest::qWaitForWindowExposed(&pane));
    for (int width : {2400, 900, 400, 150}) {
      pane.resize(width, 300);
      QApplication::processEvents();
      const QString shown = status->shownText();
      const QString at = QString("at %1: %2").arg(width).arg(shown);
      QCOMPARE(status->text(), full);
      QCOMPARE(status->toolTip(), full);
      QVERIFY2(status->geometry().right() < exporter->geometry().left(), qPrintable(at));
      QVERIFY2(status->fontMetrics().horizontalAdvance(shown) <= status->contentsRect().width(), qPrintable(at));
      if (width == 2400) QCOMPARE(shown, full);
      if (width == 900)
        QVERIFY2(shown.contains(QChar(0x2026)) && shown.endsWith("/velmar-log.jsonl: 0 records") &&
                     shown.startsWith("/home/technician/"),
                 qPrintable(at));
      if (width == 400)
        QVERIFY2(shown.contains(QChar(0x2026)) && shown.endsWith(".jsonl: 0 records") && shown.startsWith("/ho"),
                 qPrintable(at));
    }
  }

  // The records get several rows at the pane's least height; the details,
  // the widest column, take what the others leave and show whole in their
  // tips.
  void theRecordsHaveRoomAndTheirDetailsShowWholeInTips() {
    Fixture f;
    f.NewProgram("PIC16F628A", "pic16f628a", "Pump control");
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    QTRY_COMPARE(f.Log()->rowCount(), 2);
    QTableWidget* log = f.Log();
    const int rowHeight = log->verticalHeader()->defaultSectionSize();
    const int rows = (log->minimumHeight() - log->horizontalHeader()->height()) / rowHeight;
    QVERIFY2(rows >= 8, qPrintable(QString("%1 rows").arg(rows)));
    QVERIFY(f.window->LogPane()->minimumSizeHint().height() >= log->minimumHeight());

    const int details = 5;
    QCOMPARE(log->horizontalHeaderItem(details)->text(), QString("Details"));
    QCOMPARE(log->item(0, details)->toolTip(), log->item(0, details)->text());
    QVERIFY(log->item(0, details)->text().contains("\"Pump control\""));
    int used = 0;
    for (int c = 0; c < log->columnCount(); ++c) used += log->horizontalHeader()->sectionSize(c);
    QCOMPARE(used, log->viewport()->width());
  }

  void thePaneHidesFromTheViewMenuAndTheChoiceIsKept() {
    Fixture f;
    QAction* toggle = f.window->Action("actionShowLog");
    QVERIFY(toggle && toggle->isCheckable() && toggle->isChecked());
    QVERIFY(!f.window->LogPane()->isHidden());
    toggle->trigger();
    QVERIFY(f.window->LogPane()->isHidden());
    QVERIFY(!f.rig.W().Switches.ShowOperationLog);

    // Operations while it is hidden are there when it is shown again.
    f.NewProgram("PIC16F628A", "pic16f628a", "Pump control");
    QApplication::processEvents();
    toggle->trigger();
    QVERIFY(!f.window->LogPane()->isHidden());
    QCOMPARE(f.Log()->rowCount(), 2);
    QCOMPARE(f.LogCell(0, 1), QString("new"));

    bool written = false;
    for (const auto& e : f.rig.W().SettingsEntries())
      if (e.key == "ShowOperationLog") written = e.number == 1;
    QVERIFY(written);

    // A window whose setting.ini says hidden opens with the pane hidden.
    Fixture hidden(3, "[ProgSettings]\nShowOperationLog=0\n");
    hidden.window->show();
    QVERIFY(hidden.window->LogPane()->isHidden());
    QVERIFY(!hidden.window->Action("actionShowLog")->isChecked());
    // The pane sits under the slot list, in one splitter with it.
    auto* split = f.window->findChild<QSplitter*>("SlotLogSplitter");
    QVERIFY(split);
    QCOMPARE(split->indexOf(f.Get<QTableWidget>("slotList")), 0);
    QCOMPARE(split->indexOf(f.window->LogPane()), 1);
  }

  // Power lost during an append leaves a torn last line: the records before
  // it are listed and the pane says what it skipped, as the CLI does.
  void aTornLastLineIsSkippedWithAWarning() {
    Fixture f;
    QTRY_COMPARE(f.Log()->rowCount(), 1);
    {
      std::ofstream out(f.LogFile(), std::ios::app | std::ios::binary);
      out << "{\"time\":\"2026-03-01T09:30:12.345Z\",\"operation\":\"new\",\"res";
    }
    f.window->Action("actionShowLog")->trigger();
    f.window->Action("actionShowLog")->trigger();  // shown again: read again
    QCOMPARE(f.Log()->rowCount(), 1);
    QCOMPARE(f.LogCell(0, 1), QString("read"));
    QVERIFY2(f.Status().startsWith("Warning: ") && f.Status().contains("line 2: not a whole record, skipped"),
             qPrintable(f.Status()));
    // The next operation's record still arrives whole.
    f.NewProgram("PIC16F628A", "pic16f628a", "Pump control");
    QTRY_COMPARE(f.Log()->rowCount(), 2);
    QCOMPARE(f.LogCell(0, 1), QString("new"));
  }

  void exportWritesTheCsvOfTheCommandLine() {
    Fixture f;
    f.NewProgram("PIC16F628A", "pic16f628a", "Pump, \"main\" board");
    const std::string target = f.rig.work.File("export.csv");
    f.rig.dialogs.script.AnswerSave(target);
    f.window->LogPane()->findChild<QPushButton*>("ExportLogCsv")->click();
    const auto& request = f.rig.dialogs.script.fileRequests.back();
    QCOMPARE(request.filter, std::string("CSV|*.csv|All Files|*.*"));
    QCOMPARE(request.initialDir, f.rig.W().Folders.working);

    const std::string csv = velmar::test::ReadFile(target);
    const auto records = velmar::oplog::OperationLog(f.LogFile()).Read().records;
    QCOMPARE(records.size(), std::size_t(2));
    QCOMPARE(csv, velmar::oplog::RecordsCsv(records));
    // Oldest first, as the command line exports it; the quoted description
    // keeps its comma and quotes.
    QVERIFY(csv.rfind("time,operation,result,", 0) == 0);
    const std::size_t read = csv.find(",read,ok,"), made = csv.find(",new,ok,");
    QVERIFY(read != std::string::npos && made != std::string::npos && read < made);
    QVERIFY(csv.find("\"Pump, \"\"main\"\" board\"") != std::string::npos);
    QVERIFY2(f.Status().contains("2 records exported to"), qPrintable(f.Status()));
  }

  void anExportThatCannotBeWrittenSaysSoAndACancelledOneDoesNothing() {
    Fixture f;
    const std::size_t shown = f.rig.dialogs.script.shown.size();
    f.rig.dialogs.script.AnswerSave(std::nullopt);
    QVERIFY(!f.window->LogView().ExportCsv(f.rig.W().Folders.working));
    QCOMPARE(f.rig.dialogs.script.shown.size(), shown);

    const std::string missing = f.rig.work.File("no-such-folder/export.csv");
    f.rig.dialogs.script.AnswerSave(missing);
    f.window->LogPane()->findChild<QPushButton*>("ExportLogCsv")->click();
    QCOMPARE(f.rig.dialogs.script.shown.size(), shown + 1);
    const auto& error = f.rig.dialogs.script.shown.back();
    QCOMPARE(error.type, velmar::platform::DlgType::Error);
    QVERIFY2(error.text.rfind("The operation log could not be exported.", 0) == 0 &&
                 error.text.find("no-such-folder") != std::string::npos,
             error.text.c_str());
    QVERIFY(!QFile::exists(QString::fromStdString(missing)));
    QVERIFY(!f.Status().contains("exported"));
  }

  void recordedTimesShowInLocalTime_data() {
    QTest::addColumn<QString>("utc");
    QTest::addColumn<QString>("shown");
    QTest::newRow("winter") << "2026-03-01T09:30:12.345Z"
                            << "2026-03-01 04:30:12";
    QTest::newRow("over midnight") << "2026-01-01T02:00:00.000Z"
                                   << "2025-12-31 21:00:00";
    QTest::newRow("summer time") << "2026-07-01T12:00:00.000Z"
                                 << "2026-07-01 08:00:00";
    QTest::newRow("without fraction") << "2026-03-01T09:30:12Z"
                                      << "2026-03-01 04:30:12";
    // Anything else is shown as it was recorded.
    QTest::newRow("no zone") << "2026-03-01T09:30:12.345"
                             << "2026-03-01T09:30:12.345";
    QTest::newRow("month 13") << "2026-13-01T09:30:12.345Z"
                              << "2026-13-01T09:30:12.345Z";
    QTest::newRow("short") << "2026-3-1T9:30:12Z"
                           << "2026-3-1T9:30:12Z";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("words") << "yesterday"
                           << "yesterday";
  }

  void recordedTimesShowInLocalTime() {
    QFETCH(QString, utc);
    QFETCH(QString, shown);
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "EST5EDT,M3.2.0,M11.1.0");
    tzset();
    const std::string local = velmar::model::LocalTimeText(utc.toStdString());
    qputenv("TZ", zone);
    tzset();
    QCOMPARE(QString::fromStdString(local), shown);
  }
};

QTEST_MAIN(OperationLogPaneTest)
#include "OperationLogPaneTest.moc"
