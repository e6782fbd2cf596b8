// The device list of the main window searched by typing: part of a name in
// any letter case offers the devices that hold it; an offer chosen with the
// keys or the mouse, a whole name typed, or a part only one device holds,
// selects that device in the model once and exactly as a pick from the
// open list does; text that names no device (or more than one) changes
// nothing, and leaving the box or Escape puts the selected name back
// without closing the window.
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QCompleter>
#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

#include "model/TMainForm.h"
#include "operations/WindowOperations.h"
#include "platform/ScriptedDialogs.h"
#include "support/TestSupport.h"
#include "ui/ControlBinder.h"
#include "ui/MainWindow.h"
#include "ui/SearchableList.h"

using velmar::model::Ctl;
using velmar::model::TMainForm;

class SearchableListTest : public QObject {
  Q_OBJECT

  struct Fixture {
    velmar::test::TempDir work;
    velmar::platform::ScriptedDialogs dialogs;
    TMainForm form{dialogs, {work.Path(), velmar::test::BinDir()}};
    std::unique_ptr<velmar::ui::MainWindow> window;
    QComboBox* devices = nullptr;
    Fixture() {
      velmar::ops::BindOperations(form);
      form.FormCreate(false);
      form.ProgrammerKind = velmar::slot::kind_8way_v2;
      form.ConfigureForKind();
      window = std::make_unique<velmar::ui::MainWindow>(form);
      form.FormShow();
      form.CloseRequested = true;  // tests never write setting.ini
      window->show();
      QApplication::setActiveWindow(window.get());
      devices = qobject_cast<QComboBox*>(window->Binder().Widget(Ctl::deviceList));
    }
    QLineEdit* Edit() { return devices->lineEdit(); }
    QAbstractItemView* Offers() { return devices->completer()->popup(); }
    // Types into the box as a person would, from an emptied box.
    void Type(const QString& text) {
      Edit()->setFocus();
      Edit()->selectAll();
      QTest::keyClicks(Edit(), text);
    }
    // Return where a person's key lands: in the offers when they are open.
    void Return() { QTest::keyClick(Offers()->isVisible() ? static_cast<QWidget*>(Offers()) : Edit(), Qt::Key_Return); }
    QStringList Offered() {
      QStringList all;
      QAbstractItemModel* m = Offers()->model();
      for (int r = 0; r < m->rowCount(); ++r) all << m->index(r, 0).data().toString();
      return all;
    }
    int Index(const QString& name) { return devices->findText(name, Qt::MatchExactly); }
    std::string Selected() { return form.Controls().Get(Ctl::deviceList).SelectedText(); }
  };

  // The model's state after choosing `name` by the open list's path.
  static std::string DeviceAfterListPick(const QString& name) {
    Fixture f;
    const int i = f.Index(name);
    f.devices->setCurrentIndex(i);
    emit f.devices->activated(i);
    return f.form.Data.DeviceName + "/" + std::to_string(f.form.LastDeviceIndex[0]) + "/" + f.form.LastDeviceName[0];
  }

 private slots:
  void initTestCase() {
    Fixture f;
    QVERIFY2(f.devices && f.devices->isEditable() && f.devices->count() > 50, "the PIC18F list is long");
    QVERIFY(velmar::ui::SearchableList::Of(f.devices));
    QCOMPARE(velmar::ui::SearchableList::Of(f.Edit()), velmar::ui::SearchableList::Of(f.devices));
    auto* family = qobject_cast<QComboBox*>(f.window->Binder().Widget(Ctl::family));
    QVERIFY2(!family->isEditable(), "only the device list is searched");
  }

  void partOfANameInAnyCaseOffersEveryDeviceHoldingIt() {
    Fixture f;
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    f.Type("f452");
    QTRY_VERIFY(f.Offers()->isVisible());
    QStringList expected;
    for (int i = 0; i < f.devices->count(); ++i)
      if (f.devices->itemText(i).contains("F452", Qt::CaseInsensitive)) expected << f.devices->itemText(i);
    QVERIFY(expected.size() >= 2);
    QCOMPARE(f.Offered(), expected);
    f.Type("550");  // in the middle of the name, not only at its start
    QVERIFY(f.Offered().size() >= 2);
    for (const QString& offer : f.Offered()) QVERIFY2(offer.contains("550"), qPrintable(offer));
  }

  // Each way of choosing by typing ends in the same state as a pick from the
  // open list, reached through the one activation the list gives.
  void everyWayOfChoosingSelectsTheDeviceOnceAsTheListDoes_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("downs");  // arrow presses in the offers before Return; -1: click the first offer
    QTest::addColumn<QString>("device");
    QTest::newRow("offer by keys") << "f4520" << 1 << "PIC18F4520";
    QTest::newRow("offer by mouse") << "18f4520" << -1 << "PIC18F4520";
    QTest::newRow("whole name, other case") << "pic18f4520" << 0 << "PIC18F4520";
    QTest::newRow("the one device holding it") << "f2550" << 0 << "PIC18F2550";
  }

  void everyWayOfChoosingSelectsTheDeviceOnceAsTheListDoes() {
    QFETCH(QString, typed);
    QFETCH(int, downs);
    QFETCH(QString, device);
    Fixture f;
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    QVERIFY2(f.Index(device) >= 0, qPrintable(device));
    QVERIFY(f.Selected() != device.toStdString());
    QSignalSpy activated(f.devices, &QComboBox::activated);
    f.Type(typed);
    if (downs < 0) {
      QTRY_VERIFY(f.Offers()->isVisible());
      const QModelIndex first = f.Offers()->model()->index(0, 0);
      QCOMPARE(first.data().toString(), device);
      QTest::mouseClick(f.Offers()->viewport(), Qt::LeftButton, {}, f.Offers()->visualRect(first).center());
    } else {
      for (int i = 0; i < downs; ++i) QTest::keyClick(f.Offers(), Qt::Key_Down);
      f.Return();
    }
    QCOMPARE(activated.count(), 1);
    QCOMPARE(activated.at(0).at(0).toInt(), f.Index(device));
    QCOMPARE(f.Selected(), device.toStdString());
    QCOMPARE(f.devices->currentText(), device);
    const std::string after =
        f.form.Data.DeviceName + "/" + std::to_string(f.form.LastDeviceIndex[0]) + "/" + f.form.LastDeviceName[0];
    QCOMPARE(after, DeviceAfterListPick(device));
  }

  void textThatNamesNoSingleDeviceChangesNothing_data() {
    QTest::addColumn<QString>("typed");
    QTest::newRow("no device") << "no such part";
    QTest::newRow("several devices") << "f45";
    QTest::newRow("a name with more after it") << "pic18f4520x";
  }

  void textThatNamesNoSingleDeviceChangesNothing() {
    QFETCH(QString, typed);
    Fixture f;
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    const std::string before = f.Selected(), deviceBefore = f.form.Data.DeviceName;
    const int count = f.devices->count();
    QSignalSpy activated(f.devices, &QComboBox::activated);
    f.Type(typed);
    f.Return();
    QCOMPARE(activated.count(), 0);
    QCOMPARE(f.Selected(), before);
    QCOMPARE(f.form.Data.DeviceName, deviceBefore);
    QCOMPARE(f.devices->count(), count);  // typed text never becomes an entry

    // Leaving the box shows the selected device again.
    if (f.Offers()->isVisible()) QTest::keyClick(f.Offers(), Qt::Key_Escape);
    QTest::keyClick(f.Edit(), Qt::Key_Tab);
    QVERIFY(!f.Edit()->hasFocus());
    QCOMPARE(f.Edit()->text().toStdString(), before);
    QCOMPARE(activated.count(), 0);
  }

  // Escape over a search drops the search; a second one leaves the window open.
  void escapeDropsTheSearchAndNeverClosesTheWindow() {
    Fixture f;
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    const std::string before = f.Selected();
    f.Type("zzz");
    QVERIFY(!f.Offers()->isVisible());
    QTest::keyClick(f.Edit(), Qt::Key_Escape);
    QVERIFY(!f.form.Closed());
    QCOMPARE(f.Edit()->text().toStdString(), before);
    QCOMPARE(f.Selected(), before);
    QTest::keyClick(f.Edit(), Qt::Key_Escape);
    QVERIFY(!f.form.Closed());
    QCOMPARE(f.Selected(), before);
  }

  // A family change refills the list: the search works on the new entries.
  void theSearchFollowsTheListsNewEntries() {
    Fixture f;
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    auto* family = qobject_cast<QComboBox*>(f.window->Binder().Widget(Ctl::family));
    const int j = family->findText("PIC12F-16F");
    QVERIFY(j >= 0);
    family->setCurrentIndex(j);
    emit family->activated(j);
    f.Type("16f628a");
    f.Return();
    QCOMPARE(f.form.Data.DeviceName, std::string("PIC16F628A"));
  }
};

QTEST_MAIN(SearchableListTest)
#include "SearchableListTest.moc"

using velmar::model::Ctl;
