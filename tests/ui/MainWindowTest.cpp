// The desktop main window over the window model: every placed control has a
// widget showing the model's caption and states, user actions reach the
// model's handlers (drop-down lists only when a person picks an entry), and
// model changes show at once.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QtTest>

#include "model/FindNameDialog.h"
#include "model/TMainForm.h"
#include "platform/ScriptedDialogs.h"
#include "support/TestSupport.h"
#include "ui/ControlBinder.h"
#include "ui/MainWindow.h"
#include "ui/MainWindowLayout.h"
#include "ui/QtDialogs.h"
#include <QApplication>
#include <QDialog>

using velmar::model::ControlKind;
using velmar::model::TMainForm;

class MainWindowTest : public QObject {
  Q_OBJECT

 private:
  struct Fixture {
    velmar::test::TempDir work;
    velmar::platform::ScriptedDialogs dialogs;
    TMainForm form{dialogs, {work.Path(), velmar::test::BinDir()}};
    std::unique_ptr<velmar::ui::MainWindow> window;
    explicit Fixture(int kind = 4) {
      form.FormCreate(false);
      form.ProgrammerKind = kind;
      form.ConfigureForKind();
      window = std::make_unique<velmar::ui::MainWindow>(form);
      form.FormShow();
      form.CloseRequested = true;  // tests never write setting.ini
    }
    template <class W>
    W* Get(const char* name) {
      return qobject_cast<W*>(window->Binder().Widget(name));
    }
  };

 private slots:
  void windowHasTheFixedSizeAndTitle() {
    Fixture f;
    QCOMPARE(f.window->size(), QSize(886, 521));
    QCOMPARE(f.window->minimumSize(), f.window->maximumSize());
    QCOMPARE(f.window->windowTitle().toStdString(), f.form.Controls().Text("MainForm"));
    QCOMPARE(f.window->geometry().center(), QApplication::primaryScreen()->availableGeometry().center());
  }

  void everyPlacedControlShowsTheModel() {
    Fixture f;
    auto geometry = velmar::ui::MainWindowGeometry();
    for (const auto& [name, rect] : geometry) {
      const auto& c = f.form.Controls().Get(name);
      QWidget* w = f.window->Binder().Widget(name);
      QVERIFY2(w, name.c_str());
      QCOMPARE(w->isEnabled() || !c.enabled, true);
      QCOMPARE(!w->isHidden(), c.visible);
      if (c.kind == ControlKind::Button) QCOMPARE(qobject_cast<QPushButton*>(w)->text().toStdString(), c.text);
      if (c.kind == ControlKind::Label) QCOMPARE(qobject_cast<QLabel*>(w)->text().toStdString(), c.text);
      if (c.kind == ControlKind::CheckBox) {
        auto* box = qobject_cast<QCheckBox*>(w);
        QCOMPARE(box->text().toStdString(), c.text);
        QCOMPARE(box->isChecked(), c.checked);
      }
      // Inside the fixed client area.
      QVERIFY2(w->geometry().right() < 886 && w->geometry().bottom() < 521, name.c_str());
    }
  }

  void everyVisualControlOfTheModelIsPlaced() {
    Fixture f;
    auto geometry = velmar::ui::MainWindowGeometry();
    for (const auto* c : f.form.Controls().All()) {
      switch (c->kind) {
        case ControlKind::Label: case ControlKind::Edit: case ControlKind::Button: case ControlKind::CheckBox:
        case ControlKind::SpinBox: case ControlKind::ChoiceGroup: case ControlKind::DropDown:
        case ControlKind::Group: case ControlKind::Panel: case ControlKind::Grid:
          QVERIFY2(geometry.count(c->name), c->name.c_str());
          break;
        default: break;
      }
    }
  }

  void pickingAFamilyRunsTheFamilyChange() {
    Fixture f;
    auto* family = f.Get<QComboBox>("family");
    auto* devices = f.Get<QComboBox>("deviceList");
    int j = family->findText("PIC18J");
    QVERIFY(j >= 0);
    family->setCurrentIndex(j);
    emit family->activated(j);
    QCOMPARE(f.form.Data.Family, 2);
    QVERIFY(devices->count() > 0);
    QVERIFY(devices->itemText(0).contains("J"));
    QVERIFY(f.Get<QCheckBox>("VDD_Voltage")->isHidden());
    QCOMPARE(f.Get<QLabel>("Label2")->text(), QString("Programmer powers target at 3.3V"));
  }

  void selectingADropDownFromCodeRunsNoHandler() {
    Fixture f;
    int familyBefore = f.form.Data.Family;
    f.form.Controls().SetItemIndex("family", 2);
    QCOMPARE(f.Get<QComboBox>("family")->currentIndex(), 2);
    QCOMPARE(f.form.Data.Family, familyBefore);
  }

  void checkingABoxRunsItsHandlerAndTheModelShowsAtOnce() {
    Fixture f;
    auto* vdd = f.Get<QCheckBox>("VDD_Voltage");
    QVERIFY(!vdd->isHidden());
    vdd->click();
    QVERIFY(f.form.Controls().Checked("VDD_Voltage"));
    QVERIFY(f.Get<QLabel>("Label2")->text().startsWith("Programmer powers target at 3.3V"));
    f.form.Controls().SetChecked("VDD_Voltage", false);  // from code: handler runs too
    QVERIFY(!vdd->isChecked());
    QVERIFY(f.Get<QLabel>("Label2")->text().startsWith("Programmer powers target at 5V"));
  }

  void choiceGroupFollowsTheUser() {
    Fixture f;
    auto* group = f.window->Binder().Widget("progMode");
    auto radios = group->findChildren<QRadioButton*>();
    QCOMPARE(radios.size(), 2);
    if (!radios[0]->isEnabled()) QSKIP("mode locked for this device");
    radios[0]->click();
    QCOMPARE(f.form.Controls().ItemIndex("progMode"), 0);
    QVERIFY(f.form.Data.LowVoltageMode);
  }

  void serviceKeysRevealTheHiddenControls() {
    Fixture f;
    f.window->show();
    f.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    QVERIFY(f.Get<QComboBox>("ComboBox1")->isHidden());
    QTest::keyClick(f.window.get(), Qt::Key_F2, Qt::ShiftModifier | Qt::ControlModifier);
    QVERIFY(!f.Get<QComboBox>("ComboBox1")->isHidden());
  }

  void enteringTheFileBoxSetsTheHexFileFromTheLastFolder() {
    Fixture f;
    f.form.LastFolder = "/work/";
    auto* edit = f.Get<QLineEdit>("Edit1");
    f.window->show();
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    f.Get<QComboBox>("family")->setFocus();
    QApplication::processEvents();
    f.form.Controls().SetText("Edit1", "test.hex");  // as stored, without an edit
    QCOMPARE(edit->text(), QString("test.hex"));
    f.form.Data.FlashFile.clear();  // entering the box alone must set it again
    edit->setFocus();
    QApplication::processEvents();
    QCOMPARE(f.form.Data.FlashFile, std::string("/work/test.hex"));
  }

  void escapePressesTheCloseButton() {
    Fixture f;
    f.window->show();
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    QTest::keyClick(f.window.get(), Qt::Key_Escape);
    QVERIFY(f.form.Closed());
    QVERIFY(!f.window->isVisible());
  }

  void escapeInAnOpenDropDownListOnlyClosesTheList() {
    Fixture f;
    f.window->show();
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    auto* devices = f.Get<QComboBox>("deviceList");
    devices->setFocus();
    devices->showPopup();
    QWidget* popup = QApplication::activePopupWidget();
    QVERIFY(popup);
    QTest::keyClick(popup, Qt::Key_Escape);
    QVERIFY(!f.form.Closed());
    QVERIFY(f.window->isVisible());
    QVERIFY(!QApplication::activePopupWidget());
    QTest::keyClick(f.window.get(), Qt::Key_Escape);  // the list is closed: Escape is Close again
    QVERIFY(f.form.Closed());
  }

  // Names read from a slot, typed find texts and link messages may hold "<":
  // they are shown as they are, never taken as markup.
  void textsThatLookLikeMarkupAreShownAsTheyAre() {
    Fixture f;
    const QString markup = "<b>pump</b>.hex";
    auto shown = [](QLabel* l) {  // the text a person sees (and could select)
      l->setTextInteractionFlags(Qt::TextSelectableByMouse);
      l->setSelection(0, int(l->text().size()));
      return l->selectedText();
    };
    f.form.Controls().SetText("Label20", markup.toStdString());
    QCOMPARE(shown(f.Get<QLabel>("Label20")), markup);

    velmar::ui::QtDialogs qt(f.window.get());
    QString inBox;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      inBox = shown(box->findChild<QLabel*>("qt_msgbox_label"));
      box->button(QMessageBox::Ok)->click();
    });
    qt.ShowError((markup + " Not Found").toStdString());
    QCOMPARE(inBox, markup + " Not Found");
  }

  void messageBoxesCarryTheirFixedTitles() {
    Fixture f;
    velmar::ui::QtDialogs qt(f.window.get());
    QStringList titles;
    auto answer = [&] {
      QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        titles << box->windowTitle();
        box->button(QMessageBox::Ok)->click();
      });
    };
    answer();
    qt.ShowMessage("Programmed");
    answer();
    qt.ShowError("Failed");
    QCOMPARE(titles, (QStringList{"PIC Programmer USB Loader", "Error"}));
  }

  // A name typed without the extension is saved with it, and a file of that
  // full name is not replaced without asking.
  void savingAddsTheExtensionBeforeAskingToReplace() {
    velmar::test::TempDir dir;
    velmar::test::WriteFile(dir.File("backup.prg"), "old");
    velmar::ui::QtDialogs qt;
    const velmar::platform::FileDialogRequest request{"PRG|*.prg|All Files|*.*", "prg", dir.Path(), ""};
    bool asked = false;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (!dialog) return;
      QTimer::singleShot(0, [&, dialog] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
          asked = true;
          box->button(QMessageBox::No)->click();
        }
        dialog->reject();
      });
      dialog->selectFile("backup");
      static_cast<QDialog*>(dialog)->accept();
    });
    QCOMPARE(qt.SaveFile(request), std::optional<std::string>());
    QVERIFY(asked);
    QCOMPARE(velmar::test::ReadFile(dir.File("backup.prg")), std::string("old"));

    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (!dialog) return;
      dialog->selectFile("fresh");
      static_cast<QDialog*>(dialog)->accept();
    });
    QCOMPARE(qt.SaveFile(request), std::optional<std::string>(dir.File("fresh.prg")));
  }

  void fileDialogFiltersOfferEveryFileUnderAllFiles() {
    using velmar::ui::QtDialogs;
    QCOMPARE(QtDialogs::QtFilter("Hex|*.hex|All Files|*.*"), std::string("Hex (*.hex);;All Files (*)"));
    QCOMPARE(QtDialogs::QtFilter("PRG|*.prg|All Files|*.*"), std::string("PRG (*.prg);;All Files (*)"));
    QCOMPARE(QtDialogs::QtFilter("Hex files|*.hex;*.h86"), std::string("Hex files (*.hex *.h86)"));
    // Under "All Files" a name without a dot can be picked.
    QVERIFY(QDir::match(QString::fromStdString(QtDialogs::QtFilter("All Files|*.*")).section('(', 1).chopped(1),
                        "blink"));
  }

  void eraseOptionsRunModallyAndOkSetsTheEraseCode() {
    Fixture f;
    velmar::ui::QtDialogs qt(f.window.get());
    auto& erase = f.form.EraseOpsForm();
    f.form.Data.Column = 0;
    f.form.Data.EraseFlag = 0;
    bool wasShown = false;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      wasShown = dialog && dialog->windowTitle() == "Erase Options";
      if (!dialog) return;
      // A small tool window without system buttons.
      wasShown = wasShown && (dialog->windowFlags() & Qt::Tool) == Qt::Tool &&
                 !(dialog->windowFlags() & Qt::WindowCloseButtonHint);
      dialog->findChild<QRadioButton*>("RadioButton7")->click();
      dialog->findChild<QPushButton*>("OK")->click();
    });
    erase.FormShow();
    QCOMPARE(qt.ShowModal(erase), velmar::platform::DlgButton::Ok);  // returns when the dialog has closed
    QVERIFY(wasShown);
    QCOMPARE(int(f.form.Data.EraseFlag), 0x30);  // column 0, "Erase code and data"
    QVERIFY(!f.form.Controls().Checked("BulkErase"));
    QVERIFY(!erase.Controls().Visible("EraseOpsForm"));
  }

  void theFindDialogOpensAtItsPlaceAndEnterFindsNext() {
    Fixture f;
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    velmar::ui::QtDialogs qt(f.window.get());
    auto& find = f.form.FindDialog();
    QPoint offset;
    bool findNextIsDefault = false;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (!dialog) return;
      offset = dialog->pos() - f.window->frameGeometry().topLeft();
      auto* next = dialog->findChild<QPushButton*>("FindNext");
      findNextIsDefault = next && next->isDefault();
      dialog->findChild<QPushButton*>("Cancel")->click();
    });
    find.FormShow();
    qt.ShowModal(find);
    QCOMPARE(offset, QPoint(velmar::model::FindNameDialog::kLeftOffset, velmar::model::FindNameDialog::kTopOffset));
    QVERIFY(findNextIsDefault);
  }

  void closingTheEraseOptionsByHandChangesNothing() {
    Fixture f;
    velmar::ui::QtDialogs qt(f.window.get());
    f.form.Data.Column = 0;
    f.form.Data.EraseFlag = 0x55;
    QTimer::singleShot(0, [&] {
      if (auto* dialog = QApplication::activeModalWidget()) dialog->close();
    });
    f.form.EraseOpsForm().FormShow();
    QCOMPARE(qt.ShowModal(f.form.EraseOpsForm()), velmar::platform::DlgButton::None);
    QCOMPARE(int(f.form.Data.EraseFlag), 0x55);
  }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
