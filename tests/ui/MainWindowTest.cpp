// The desktop main window over the window model: every placed control has a
// widget showing the model's caption and states, user actions reach the
// model's handlers (drop-down lists only when a person picks an entry), and
// model changes show at once.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QtTest>

#include <QApplication>
#include <QDialog>
#include <QDropEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableWidget>
#include <QUrl>
#include "model/FindNameDialog.h"
#include "model/TMainForm.h"
#include "operations/WindowOperations.h"
#include "platform/ScriptedDialogs.h"
#include "support/TestSupport.h"
#include "ui/ControlBinder.h"
#include "ui/MainWindow.h"
#include "ui/MainWindowLayout.h"
#include "ui/Mnemonics.h"
#include "ui/QtDialogs.h"

using velmar::model::ControlKind;
using velmar::model::Ctl;
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
      velmar::ops::BindOperations(form);
      form.FormCreate(false);
      form.ProgrammerKind = velmar::slot::ProgrammerKind(kind);
      form.ConfigureForKind();
      window = std::make_unique<velmar::ui::MainWindow>(form);
      form.FormShow();
      form.CloseRequested = true;  // tests never write setting.ini
    }
    template <class W>
    W* Get(const char* name) {
      const velmar::model::Control* c = window->Form().Controls().Find(name);
      return c ? qobject_cast<W*>(window->Binder().Widget(c->name)) : nullptr;
    }
  };

  // The block a tab stop sits in: a choice's group, or the stop itself, in
  // the window's coordinates.
  static QRect Block(QWidget* w) {
    QWidget* block = qobject_cast<QRadioButton*>(w) ? w->parentWidget() : w;
    return QRect(block->mapTo(block->window(), QPoint(0, 0)), block->size());
  }
  static QString Name(QWidget* w) {
    if (qobject_cast<QRadioButton*>(w)) return w->parentWidget()->objectName() + "/" + w->property("text").toString();
    return w->objectName().isEmpty() ? w->metaObject()->className() : w->objectName();
  }

  // The stops Tab visits from File Name round to it again.
  static QList<QWidget*> TabCycle(Fixture& f) {
    QWidget* first = f.Get<QWidget>("fileName");
    first->setFocus(Qt::TabFocusReason);
    QList<QWidget*> cycle{first};
    for (int i = 0; i < 200; ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QWidget* at = QApplication::focusWidget();
      // A spin box's or list's own edit box stands for its control.
      while (at && !qobject_cast<QRadioButton*>(at) && at->objectName().isEmpty() && at->parentWidget())
        at = at->parentWidget();
      if (!at || at == first) break;
      cycle << at;
    }
    return cycle;
  }

  static void CheckTabOrder(Fixture& f, int kind) {
    const QList<QWidget*> cycle = TabCycle(f);
    QStringList names;
    for (QWidget* w : cycle) names << Name(w);
    const QString order = QString("kind %1: ").arg(kind) + names.join(" > ");
    const int listLeft = Block(f.Get<QWidget>("slotList")).left();
    auto column = [&](QWidget* w) { return Block(w).center().x() < listLeft ? 0 : 1; };
    for (int i = 1; i < cycle.size(); ++i) {
      QWidget *a = cycle[i - 1], *b = cycle[i];
      const QRect ra = Block(a), rb = Block(b);
      bool ahead;
      if (column(a) != column(b))
        ahead = column(b) > column(a);
      else if (ra == rb)  // choices of one group
        ahead = b->y() > a->y();
      else if (ra.top() < rb.bottom() && rb.top() < ra.bottom())  // one row
        ahead = rb.left() >= ra.right();
      else
        ahead = rb.top() > ra.top() || rb.left() >= ra.right();
      QVERIFY2(ahead, qPrintable(order + "\n  " + Name(a) + " then " + Name(b)));
    }
    // Every control a person can reach is on the way, once.
    for (const auto& [name, rect] : velmar::ui::MainWindowControls()) {
      QWidget* w = f.Get<QWidget>(name.c_str());
      if (!w || !w->isVisible() || !w->isEnabled() || !(w->focusPolicy() & Qt::TabFocus)) continue;
      if (w->findChild<QRadioButton*>()) continue;  // a group: its choices are the stops
      QVERIFY2(cycle.count(w) == 1, qPrintable(order + "\n  missing or twice: " + QString::fromStdString(name)));
    }
    const qsizetype made = names.indexOf("NewButton"), replaced = names.indexOf("editButton"),
                    deleted = names.indexOf("DeleteProgramButton");
    QVERIFY2(made >= 0, qPrintable(order));
    QVERIFY2(replaced < 0 || (made < replaced && (deleted < 0 || replaced < deleted)), qPrintable(order));
  }

 private slots:
  void windowIsResizableWithIconAndOpensOnTheScreen() {
    Fixture f;
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    QVERIFY(f.window->minimumSize() != f.window->maximumSize());
    QVERIFY(!f.window->windowIcon().isNull());
    QCOMPARE(f.window->windowTitle().toStdString(), f.form.Controls().Text(Ctl::MainForm));
    const QRect screen = f.window->screen()->availableGeometry();
    QVERIFY2(screen.contains(f.window->frameGeometry()), "placed wholly on the screen");
  }

  // The window at 1024 x 768 (and so at 200 % on a 2048 x 1536 screen): every
  // control gets at least the room its text needs, without scrolling.
  void nothingIsClippedAt1024x768() {
    for (int kind : {0, 3, 4}) {
      Fixture f(kind);
      for (auto key : {velmar::model::ShortcutKey::F2, velmar::model::ShortcutKey::F3})  // the service controls too
        f.form.serviceShortcutKey(key, true, true);
      f.window->show();
      QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
      f.window->resize(1024, 768 - 40);  // less a title bar
      QApplication::processEvents();
      auto* scroll = f.window->findChild<QScrollArea*>("MainScroll");
      QVERIFY(scroll);
      QVERIFY2(!scroll->verticalScrollBar()->isVisible() && !scroll->horizontalScrollBar()->isVisible(),
               qPrintable(QString("kind %1 needs %2")
                              .arg(kind)
                              .arg(QString("%1x%2")
                                       .arg(scroll->widget()->minimumSizeHint().width())
                                       .arg(scroll->widget()->minimumSizeHint().height()))));
      for (const auto& [name, rect] : velmar::ui::MainWindowControls()) {
        QWidget* w = f.Get<QWidget>(name.c_str());
        if (!w || !w->isVisible()) continue;
        const QSize need =
            qobject_cast<QAbstractButton*>(w) || qobject_cast<QComboBox*>(w) ? w->sizeHint() : w->minimumSizeHint();
        QVERIFY2(w->width() >= need.width() && w->height() >= need.height(),
                 qPrintable(QString("kind %1: %2 is %3x%4, needs %5x%6")
                                .arg(kind)
                                .arg(name.c_str())
                                .arg(w->width())
                                .arg(w->height())
                                .arg(need.width())
                                .arg(need.height())));
      }
    }
  }

  // Tab visits the controls in reading order of the layout: the left
  // column, then the right; in a column each next stop is below the last,
  // or to its right (beside it in its row, or a block beside a panel); a
  // group's choices one under the other. The choices a family change makes
  // anew keep their place.
  void tabFollowsTheLayout() {
    for (int kind : {0, 3, 4}) {
      Fixture f(kind);
      for (auto key : {velmar::model::ShortcutKey::F2, velmar::model::ShortcutKey::F3})  // the service controls too
        f.form.serviceShortcutKey(key, true, true);
      f.window->show();
      QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
      f.window->activateWindow();
      QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
      CheckTabOrder(f, kind);
      if (QTest::currentTestFailed()) return;
      auto* family = f.Get<QComboBox>("family");
      family->setCurrentIndex(1);
      emit family->activated(1);
      QApplication::processEvents();
      CheckTabOrder(f, kind);
      if (QTest::currentTestFailed()) return;
    }
  }

  void theSlotListTakesTheRoomToSpare() {
    Fixture f;
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    f.window->resize(1000, 700);
    QApplication::processEvents();
    QWidget* grid = f.window->Binder().Widget(Ctl::slotList);
    QWidget* close = f.window->Binder().Widget(Ctl::cancel);
    const QSize gridBefore = grid->size(), closeBefore = close->size();
    f.window->resize(1300, 900);
    QApplication::processEvents();
    QCOMPARE(grid->height() - gridBefore.height(), 200);
    QVERIFY(grid->width() - gridBefore.width() >= 250);
    QCOMPARE(close->size(), closeBefore);
  }

  void everyPlacedControlShowsTheModel() {
    Fixture f;
    for (const auto& [name, rect] : velmar::ui::MainWindowControls()) {
      const auto* found = f.form.Controls().Find(name);
      QVERIFY2(found, name.c_str());
      const auto& c = *found;
      QWidget* w = f.Get<QWidget>(name.c_str());
      QVERIFY2(w, name.c_str());
      QCOMPARE(w->isEnabled() || !c.enabled, true);
      QCOMPARE(!w->isHidden(), c.visible);
      if (c.kind == ControlKind::Button)
        QCOMPARE(velmar::ui::WithoutMnemonic(qobject_cast<QPushButton*>(w)->text()).toStdString(), c.text);
      if (c.kind == ControlKind::Label) QCOMPARE(qobject_cast<QLabel*>(w)->text().toStdString(), c.text);
      if (c.kind == ControlKind::CheckBox) {
        auto* box = qobject_cast<QCheckBox*>(w);
        QCOMPARE(box->text().toStdString(), c.text);
        QCOMPARE(box->isChecked(), c.checked);
      }
    }
  }

  void everyVisualControlOfTheModelIsPlaced() {
    Fixture f;
    auto controls = velmar::ui::MainWindowControls();
    for (const auto* c : f.form.Controls().All()) {
      switch (c->kind) {
        case ControlKind::Label:
        case ControlKind::Edit:
        case ControlKind::Button:
        case ControlKind::CheckBox:
        case ControlKind::SpinBox:
        case ControlKind::ChoiceGroup:
        case ControlKind::DropDown:
        case ControlKind::Group:
        case ControlKind::Panel:
        case ControlKind::Grid:
          QVERIFY2(controls.count(c->name.Str()), c->name.CStr());
          QVERIFY2(f.window->isAncestorOf(f.window->Binder().Widget(c->name)), c->name.CStr());
          break;
        default: break;
      }
    }
  }

  // Alt+letter reaches every button; the buttons shown together and the menu
  // bar never share a letter (Qt would then only cycle between them).
  void everyButtonHasItsOwnMnemonic() {
    for (int kind : {0, 3, 4}) {
      Fixture f(kind);
      QMap<QChar, QString> used;
      for (QAction* menu : f.window->menuBar()->actions()) used[velmar::ui::MnemonicOf(menu->text())] = menu->text();
      for (QPushButton* b : f.window->findChildren<QPushButton*>()) {
        if (b->isHidden()) continue;
        const QChar m = velmar::ui::MnemonicOf(b->text());
        QVERIFY2(!m.isNull(), qPrintable(b->objectName()));
        QVERIFY2(!used.contains(m),
                 qPrintable(QString("kind %1: %2 and %3 share %4").arg(kind).arg(b->text(), used.value(m)).arg(m)));
        used[m] = b->text();
      }
    }
    QCOMPARE(velmar::ui::WithMnemonic("Load Profile"), QString("Load Pr&ofile"));
    QCOMPARE(velmar::ui::WithMnemonic("A & B"), QString("&A && B"));  // a caption's own "&" stays a character
    QCOMPARE(velmar::ui::WithoutMnemonic("&A && B"), QString("A & B"));
  }

  void theMenusReachTheButtonsWithTheUsualShortcuts() {
    Fixture f(3);
    using velmar::ui::MainWindow;
    QCOMPARE(f.window->Action("actionOpenHex")->shortcut(), QKeySequence(QKeySequence::Open));
    QCOMPARE(f.window->Action("actionRead")->shortcuts(),
             (QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_R), QKeySequence(Qt::Key_F5)}));
    QCOMPARE(f.window->Action("actionFind")->shortcut(), QKeySequence(QKeySequence::Find));
    for (const char* name : {"actionOpenHex", "actionLoadProfile", "actionSaveProfile", "actionQuit", "actionRead",
                             "actionNew", "actionReplace", "actionDelete", "actionEraseUnit", "actionCopyUnit",
                             "actionLoadUnit", "actionUpdateFirmware", "actionManual", "actionAbout"})
      QVERIFY2(f.window->Action(name), name);
    QVERIFY(f.window->findChild<QMenu*>("menuRecent"));
    // Each entry follows its button: offered when it is shown, usable when
    // it is.
    QVERIFY(f.window->Action("actionEraseUnit")->isVisible());
    f.form.Controls().SetVisible(Ctl::EraseButton, false);
    QVERIFY(!f.window->Action("actionEraseUnit")->isVisible());
    f.form.Controls().SetEnabled(Ctl::LoadButton, false);
    QVERIFY(!f.window->Action("actionLoadUnit")->isEnabled());
    f.form.Controls().SetText(Ctl::NewButton, "Load");
    QCOMPARE(velmar::ui::WithoutMnemonic(f.window->Action("actionNew")->text()), QString("Load"));
    // Help > Check Connection is offered once a check is given.
    QVERIFY(!f.window->Action("actionCheckConnection")->isVisible());
    bool checked = false;
    f.window->SetConnectionCheck([&] { checked = true; });
    f.window->Action("actionCheckConnection")->trigger();
    QVERIFY(checked);

    f.window->Action("actionOpenHex")->trigger();
    QCOMPARE(f.dialogs.fileRequests.size(), std::size_t(1));
    QCOMPARE(f.dialogs.fileRequests[0].filter, std::string("Hex|*.hex|All Files|*.*"));
    f.window->Action("actionAbout")->trigger();
    QCOMPARE(f.dialogs.shown.back().title, std::string("About Velmar"));
    QVERIFY(QString::fromStdString(f.dialogs.shown.back().text).contains(QString("Qt ") + qVersion()));
  }

  void tabLeavesTheSlotListAndTheTitleRowIsItsHeader() {
    Fixture f;
    f.window->show();
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    auto* grid = f.Get<QTableWidget>("slotList");
    QCOMPARE(grid->rowCount(), 0);
    QCOMPARE(grid->horizontalHeaderItem(0)->text(), QString("Description"));
    QVERIFY(!grid->horizontalHeader()->isHidden());
    grid->setFocus();
    QVERIFY(grid->hasFocus());
    QTest::keyClick(grid, Qt::Key_Tab);
    QVERIFY2(!grid->hasFocus(), "Tab leaves the list");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QVERIFY(grid->hasFocus());
  }

  void theDescriptionBoxTakes28CharactersAndShowsWhatIsLeft() {
    Fixture f;
    f.window->show();
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    auto* caption = f.Get<QLineEdit>("ProgCaption");
    auto* room = f.window->findChild<QLabel*>("ProgCaptionRoom");
    QVERIFY(room);
    caption->setFocus();
    caption->selectAll();
    QTest::keyClicks(caption, "Pump");
    QCOMPARE(room->text(), QString("24 characters left"));
    QTest::keyClicks(caption, QString(30, 'x'));
    QCOMPARE(caption->text().size(), 28);
    QCOMPARE(f.form.Controls().Text(Ctl::ProgCaption).size(), std::size_t(28));
    QCOMPARE(room->text(), QString("0 characters left"));
  }

  void aHexFileDroppedOnTheWindowBecomesTheFileName() {
    Fixture f;
    velmar::test::TempDir dir;
    velmar::test::WriteFile(dir.File("pump.hex"), ":00000001FF\n");
    velmar::test::WriteFile(dir.File("unit.prg"), ":00000001FF\n");
    auto drop = [&](const std::string& path, QEvent::Type type) {
      QMimeData data;
      data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
      if (type == QEvent::DragEnter) {
        QDragEnterEvent e(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(f.window.get(), &e);
        return e.isAccepted();
      }
      QDropEvent e(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(f.window.get(), &e);
      return e.isAccepted();
    };
    QVERIFY(!drop(dir.File("unit.prg"), QEvent::DragEnter));
    QVERIFY(drop(dir.File("pump.hex"), QEvent::DragEnter));
    QVERIFY(drop(dir.File("pump.hex"), QEvent::Drop));
    QCOMPARE(f.Get<QLineEdit>("fileName")->text(), QString("pump.hex"));
    QCOMPARE(f.form.Data.FlashFile, dir.File("pump.hex"));
  }

  // Return answers a destructive question with No; Escape closes every dialog.
  void returnSaysNoAndEscapeClosesTheDialogs() {
    Fixture f;
    velmar::ui::QtDialogs qt(f.window.get());
    QString defaultText;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      defaultText = box->defaultButton() ? box->defaultButton()->text() : QString();
      QTest::keyClick(box, Qt::Key_Return);
    });
    QVERIFY(!qt.AskYesNo("Are you sure you want to delete entry 2", {}, velmar::platform::DlgButton::No));
    QCOMPARE(velmar::ui::WithoutMnemonic(defaultText), QString("No"));

    QTimer::singleShot(0, [&] {
      if (auto* box = QApplication::activeModalWidget()) QTest::keyClick(box, Qt::Key_Escape);
    });
    QCOMPARE(qt.MessageDlg("Closing", velmar::platform::DlgType::Information,
                           {velmar::platform::DlgButton::Ok, velmar::platform::DlgButton::Cancel},
                           velmar::platform::DlgButton::Ok),
             velmar::platform::DlgButton::Cancel);

    bool closed = false;
    QTimer::singleShot(0, [&] {
      if (auto* dialog = QApplication::activeModalWidget()) {
        QTest::keyClick(dialog, Qt::Key_Escape);
        closed = !dialog->isVisible();
      }
    });
    f.form.FindDialog().FormShow();
    qt.ShowModal(f.form.FindDialog());
    QVERIFY(closed);
  }

  // The small windows keep the size their controls were laid out for: they
  // cannot be dragged smaller (cutting their controls off) or larger, every
  // control shown has the room its text asks for, and Escape closes them.
  void smallWindowsHaveAFixedSizeAndEscapeClosesThem_data() {
    QTest::addColumn<QString>("form");
    QTest::newRow("erase options") << "EraseOpsForm";
    QTest::newRow("programmer type") << "TProgrammerTypeForm";
    QTest::newRow("find") << "findNameDialog";
  }

  void smallWindowsHaveAFixedSizeAndEscapeClosesThem() {
    QFETCH(QString, form);
    Fixture f;
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    velmar::ui::QtDialogs qt(f.window.get());
    velmar::platform::ModalForm* modal = nullptr;
    if (form == "EraseOpsForm") {
      f.form.EraseOpsForm().FormShow();
      modal = &f.form.EraseOpsForm();
    } else if (form == "TProgrammerTypeForm") {
      f.form.ProgrammerTypeForm().FormShow(false);
      modal = &f.form.ProgrammerTypeForm();
    } else {
      f.form.FindDialog().FormShow();
      modal = &f.form.FindDialog();
    }
    QStringList problems;
    bool closed = false;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (!dialog) return;
      if (dialog->minimumSize() != dialog->maximumSize()) problems << "resizable";
      for (QWidget* w : dialog->findChildren<QWidget*>()) {
        if (!w->isVisible() || w->objectName().isEmpty() || w->objectName().startsWith("qt_")) continue;
        const QSize need =
            qobject_cast<QAbstractButton*>(w) && !qobject_cast<QRadioButton*>(w) ? w->sizeHint() : w->minimumSizeHint();
        if (w->width() < need.width() || w->height() < need.height())
          problems << QString("%1 is %2x%3, needs %4x%5")
                          .arg(w->objectName())
                          .arg(w->width())
                          .arg(w->height())
                          .arg(need.width())
                          .arg(need.height());
        if (!dialog->rect().contains(QRect(w->mapTo(dialog, QPoint(0, 0)), w->size())))
          problems << w->objectName() + " reaches out of the window";
      }
      QTest::keyClick(dialog, Qt::Key_Escape);
      closed = !dialog->isVisible();
    });
    qt.ShowModal(*modal);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join("; ")));
    QVERIFY(closed);
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
    QCOMPARE(f.Get<QLabel>("targetPowerNote")->text(), QString("Programmer powers target at 3.3V"));
  }

  void selectingADropDownFromCodeRunsNoHandler() {
    Fixture f;
    int familyBefore = f.form.Data.Family;
    f.form.Controls().SetItemIndex(Ctl::family, 2);
    QCOMPARE(f.Get<QComboBox>("family")->currentIndex(), 2);
    QCOMPARE(f.form.Data.Family, familyBefore);
  }

  void checkingABoxRunsItsHandlerAndTheModelShowsAtOnce() {
    Fixture f;
    auto* vdd = f.Get<QCheckBox>("VDD_Voltage");
    QVERIFY(!vdd->isHidden());
    vdd->click();
    QVERIFY(f.form.Controls().Checked(Ctl::VDD_Voltage));
    QVERIFY(f.Get<QLabel>("targetPowerNote")->text().startsWith("Programmer powers target at 3.3V"));
    f.form.Controls().SetChecked(Ctl::VDD_Voltage, false);  // from code: handler runs too
    QVERIFY(!vdd->isChecked());
    QVERIFY(f.Get<QLabel>("targetPowerNote")->text().startsWith("Programmer powers target at 5V"));
  }

  // "Verify after writing" is offered in the row of the buttons that write,
  // right after Replace, and bound to the model both ways.
  void theVerifyBoxSitsBesideNewAndReplace() {
    Fixture f;
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    QWidget* verify = f.window->Binder().Widget(Ctl::VerifyAfterWriting);
    QWidget* replace = f.window->Binder().Widget(Ctl::editButton);
    QWidget* newButton = f.window->Binder().Widget(Ctl::NewButton);
    QVERIFY(verify && replace && newButton);
    QCOMPARE(verify->parentWidget(), replace->parentWidget());
    const QRect box = verify->geometry(), button = replace->geometry();
    QVERIFY2(box.top() < button.bottom() && button.top() < box.bottom(), "not in the row of New and Replace");
    QVERIFY(box.left() >= button.right() && newButton->geometry().right() <= button.left());
    auto* check = qobject_cast<QCheckBox*>(verify);
    QVERIFY(check);
    const bool before = f.form.Controls().Checked(Ctl::VerifyAfterWriting);
    check->click();
    QCOMPARE(f.form.Controls().Checked(Ctl::VerifyAfterWriting), !before);
    f.form.Controls().SetChecked(Ctl::VerifyAfterWriting, before);
    QCOMPARE(check->isChecked(), before);
  }

  void choiceGroupFollowsTheUser() {
    Fixture f;
    auto* group = f.window->Binder().Widget(Ctl::progMode);
    auto radios = group->findChildren<QRadioButton*>();
    QCOMPARE(radios.size(), 2);
    if (!radios[0]->isEnabled()) QSKIP("mode locked for this device");
    radios[0]->click();
    QCOMPARE(f.form.Controls().ItemIndex(Ctl::progMode), 0);
    QVERIFY(f.form.Data.LowVoltageMode);
  }

  void serviceKeysRevealTheHiddenControls() {
    Fixture f;
    f.window->show();
    f.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    QVERIFY(f.Get<QComboBox>("loaderSpeed")->isHidden());
    QTest::keyClick(f.window.get(), Qt::Key_F2, Qt::ShiftModifier | Qt::ControlModifier);
    QVERIFY(!f.Get<QComboBox>("loaderSpeed")->isHidden());
  }

  void enteringTheFileBoxSetsTheHexFileFromTheLastFolder() {
    Fixture f;
    f.form.LastFolder = "/work/";
    auto* edit = f.Get<QLineEdit>("fileName");
    f.window->show();
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    f.Get<QComboBox>("family")->setFocus();
    QApplication::processEvents();
    f.form.Controls().SetText(Ctl::fileName, "test.hex");  // as stored, without an edit
    QCOMPARE(edit->text(), QString("test.hex"));
    f.form.Data.FlashFile.clear();  // entering the box alone must set it again
    edit->setFocus();
    QApplication::processEvents();
    QCOMPARE(f.form.Data.FlashFile, std::string("/work/test.hex"));
  }

  // A stray Escape must not end the session: it closes lists, menus and
  // dialogs only; the Close button still closes the window.
  void escapeNeverClosesTheMainWindow() {
    Fixture f;
    f.window->show();
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    QTest::keyClick(f.window.get(), Qt::Key_Escape);
    QVERIFY(!f.form.Closed());
    QVERIFY(f.window->isVisible());
    QVERIFY(f.dialogs.shown.empty());
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
    QTest::keyClick(f.window.get(), Qt::Key_Escape);  // the list is closed: a second Escape does nothing
    QVERIFY(!f.form.Closed());
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
    f.form.Controls().SetText(Ctl::detailsFileName, markup.toStdString());
    QCOMPARE(shown(f.Get<QLabel>("detailsFileName")), markup);

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

  // A box with a short text is still wide enough for its title in a title
  // bar's larger bold font, with the bar's icon and buttons beside it (a
  // title bar cuts the rest: "PIC Prog...B Loader").
  void messageBoxesCarryTheirFixedTitlesUncut() {
    Fixture f;
    velmar::ui::QtDialogs qt(f.window.get());
    QStringList titles;
    auto answer = [&] {
      QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        titles << box->windowTitle();
        QFont bar = box->font();
        bar.setBold(true);
        bar.setPointSizeF(bar.pointSizeF() * 1.2);
        const QFontMetrics fm(bar);
        const int need = fm.horizontalAdvance(box->windowTitle()) + 6 * fm.height();
        if (box->width() < need) titles << QString("%1 px wide, needs %2").arg(box->width()).arg(need);
        box->button(QMessageBox::Ok)->click();
      });
    };
    answer();
    qt.ShowMessage("OK");
    answer();
    qt.ShowError("Failed");
    answer();
    qt.ShowInformation("Done", "Check Connection");
    QCOMPARE(titles, (QStringList{"PIC Programmer USB Loader", "Error", "Check Connection"}));
  }

  // A name typed without the extension is saved with it, and a file of that
  // full name is not replaced without asking.
  void savingAddsTheExtensionBeforeAskingToReplace() {
    velmar::test::TempDir dir;
    velmar::test::WriteFile(dir.File("backup.prg"), "old");
    velmar::ui::QtDialogs qt;
    const velmar::platform::FileDialogRequest request{"PRG|*.prg|All Files|*.*", "prg", dir.Path(), ""};
    bool asked = false, askedWithNoAsDefault = false;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (!dialog) return;
      QTimer::singleShot(0, [&, dialog] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
          asked = true;
          askedWithNoAsDefault = box->defaultButton() == box->button(QMessageBox::No);
          box->button(QMessageBox::No)->click();
        }
        dialog->reject();
      });
      dialog->selectFile("backup");
      static_cast<QDialog*>(dialog)->accept();
    });
    QCOMPARE(qt.SaveFile(request), std::optional<std::string>());
    QVERIFY(asked);
    QVERIFY2(askedWithNoAsDefault, "Return never replaces a file");
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
    QVERIFY(
        QDir::match(QString::fromStdString(QtDialogs::QtFilter("All Files|*.*")).section('(', 1).chopped(1), "blink"));
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
      dialog->findChild<QRadioButton*>("eraseChoice7")->click();
      dialog->findChild<QPushButton*>("OK")->click();
    });
    erase.FormShow();
    QCOMPARE(qt.ShowModal(erase), velmar::platform::DlgButton::Ok);  // returns when the dialog has closed
    QVERIFY(wasShown);
    QCOMPARE(int(f.form.Data.EraseFlag), 0x30);  // column 0, "Erase code and data"
    QVERIFY(!f.form.Controls().Checked(Ctl::BulkErase));
    QVERIFY(!erase.Controls().Visible(velmar::model::EraseCtl::EraseOpsForm));
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

using velmar::model::Ctl;
