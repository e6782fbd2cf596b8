// The main window's layout.
#include "ui/MainWindowLayout.h"

#include <QAbstractButton>
#include <QBoxLayout>
#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QTableWidget>

namespace velmar::ui {

using model::Ctl;

namespace {

const model::ControlName kControls[] = {
    // File and device.
    Ctl::fileNameCaption, Ctl::fileName, Ctl::browseButton, Ctl::familyCaption, Ctl::family, Ctl::Device, Ctl::deviceList,
    // Option boxes and the supply texts.
    Ctl::matchDeviceID, Ctl::VerifyConfig, Ctl::unusedFuses, Ctl::progUserID, Ctl::DataSave, Ctl::bootSave,
    Ctl::BulkErase, Ctl::VDD_Voltage, Ctl::targetPowerNote, Ctl::bulkEraseNote1, Ctl::bulkEraseNote2,
    // Groups.
    Ctl::progModeGroup, Ctl::progMode, Ctl::Progmodelabel, Ctl::programOpsGroup, Ctl::ProgramOps, Ctl::dataOnlyNote,
    // Profiles.
    Ctl::profilePanel, Ctl::profileCaption, Ctl::LoadProfile, Ctl::SaveProfile,
    // Service controls.
    Ctl::speedCaption, Ctl::loaderSpeed, Ctl::pageDelayCaption, Ctl::DataFlashDel, Ctl::halfDelayCaption, Ctl::HalfDelay, Ctl::eraseOptionsButton,
    Ctl::helpButton, Ctl::forceUpdateButton,
    // Slot list, description, buttons and counts.
    Ctl::slotList, Ctl::showDetailsButton, Ctl::slotListHint, Ctl::slotListHint2, Ctl::descriptionCaption, Ctl::newSlotNumber, Ctl::ProgCaption,
    Ctl::selectedSlotNumber, Ctl::selectedDescription, Ctl::programmerVersion, Ctl::programmerFirmware, Ctl::detailsFileName, Ctl::slotOperationsCaption, Ctl::NewButton,
    Ctl::upload, Ctl::editButton, Ctl::VerifyAfterWriting, Ctl::DeleteProgramButton, Ctl::loadLots, Ctl::errorRepeatCaption,
    Ctl::errorRepeatCount, Ctl::limitPrograms, Ctl::progCountCaption, Ctl::ProgCount, Ctl::currentCount,
    // Whole-programmer panel; Read, Manual, Close.
    Ctl::wholeUnitPanel, Ctl::wholeUnitCaption, Ctl::EraseButton, Ctl::CopyButton, Ctl::LoadButton, Ctl::FindButton, Ctl::ReadProgButton,
    Ctl::manualButton, Ctl::cancel};

// The controls that take the focus, in reading order of the layout. The
// slot list's place also holds the log pane.
const model::ControlName kTabOrder[] = {
    // Left column.
    Ctl::fileName, Ctl::browseButton, Ctl::family, Ctl::deviceList,                                       // file and device
    Ctl::matchDeviceID, Ctl::progUserID, Ctl::VerifyConfig, Ctl::DataSave, Ctl::unusedFuses,      // options, row by row
    Ctl::bootSave, Ctl::VDD_Voltage, Ctl::BulkErase,                                              //
    Ctl::progMode, Ctl::ProgramOps,                                                               // the two groups
    Ctl::LoadProfile, Ctl::SaveProfile,                                                           // profiles
    Ctl::loaderSpeed, Ctl::DataFlashDel, Ctl::HalfDelay, Ctl::eraseOptionsButton, Ctl::helpButton, Ctl::forceUpdateButton,  // service
    // Right column.
    Ctl::slotList, Ctl::showDetailsButton, Ctl::ProgCaption, Ctl::selectedDescription,  // list and description
    Ctl::NewButton, Ctl::upload, Ctl::editButton, Ctl::VerifyAfterWriting, Ctl::DeleteProgramButton,
    Ctl::loadLots,                                                         // slot buttons
    Ctl::errorRepeatCount, Ctl::limitPrograms, Ctl::ProgCount,                   // counts
    Ctl::EraseButton, Ctl::CopyButton, Ctl::LoadButton, Ctl::FindButton,  // whole programmer
    Ctl::ReadProgButton, Ctl::manualButton, Ctl::cancel};

// Adds the named widgets to a box layout, in order, and a stretch after
// them when `stretch` is set.
void AddAll(ControlBinder& b, QBoxLayout* layout, std::initializer_list<model::ControlName> names,
            bool stretch = false) {
  for (model::ControlName name : names)
    if (QWidget* w = b.Widget(name)) layout->addWidget(w);
  if (stretch) layout->addStretch(1);
}

QHBoxLayout* Row(int spacing = 6) {
  auto* row = new QHBoxLayout;
  row->setSpacing(spacing);
  return row;
}

QVBoxLayout* Column(QWidget* parent = nullptr, int spacing = 4) {
  auto* column = new QVBoxLayout(parent);
  column->setSpacing(spacing);
  return column;
}

QVBoxLayout* LeftColumn(ControlBinder& b) {
  QVBoxLayout* left = Column();

  auto* file = new QGridLayout;
  file->setHorizontalSpacing(6);
  file->addWidget(b.Widget(Ctl::fileNameCaption), 0, 0);
  file->addWidget(b.Widget(Ctl::fileName), 0, 1, 1, 3);
  file->addWidget(b.Widget(Ctl::browseButton), 0, 4);
  file->addWidget(b.Widget(Ctl::familyCaption), 1, 0);
  file->addWidget(b.Widget(Ctl::family), 1, 1);
  file->addWidget(b.Widget(Ctl::Device), 1, 2);
  file->addWidget(b.Widget(Ctl::deviceList), 1, 3, 1, 2);
  file->setColumnStretch(1, 1);
  file->setColumnStretch(3, 1);
  left->addLayout(file);

  auto* options = new QGridLayout;
  options->setVerticalSpacing(2);
  const model::ControlName leftBoxes[] = {Ctl::matchDeviceID, Ctl::VerifyConfig, Ctl::unusedFuses, Ctl::VDD_Voltage};
  const model::ControlName rightBoxes[] = {Ctl::progUserID, Ctl::DataSave, Ctl::bootSave, Ctl::BulkErase};
  for (int i = 0; i < 4; ++i) {
    options->addWidget(b.Widget(leftBoxes[i]), i, 0);
    options->addWidget(b.Widget(rightBoxes[i]), i, 1);
  }
  left->addLayout(options);
  AddAll(b, left, {Ctl::targetPowerNote, Ctl::bulkEraseNote1, Ctl::bulkEraseNote2});

  // The two groups side by side, each holding its choices and its note.
  QHBoxLayout* groups = Row();
  for (auto [group, choices, note] : {std::tuple{Ctl::progModeGroup, Ctl::progMode, Ctl::Progmodelabel},
                                      std::tuple{Ctl::programOpsGroup, Ctl::ProgramOps, Ctl::dataOnlyNote}}) {
    QWidget* box = b.Widget(group);
    QVBoxLayout* inside = Column(box, 2);
    inside->setContentsMargins(6, 6, 6, 6);
    AddAll(b, inside, {choices, note}, true);
    groups->addWidget(box, 1, Qt::AlignTop);
  }
  left->addLayout(groups);

  // The profile panel with its two buttons.
  QWidget* profiles = b.Widget(Ctl::profilePanel);
  QVBoxLayout* inProfiles = Column(profiles);
  inProfiles->setContentsMargins(8, 4, 8, 6);
  inProfiles->addWidget(b.Widget(Ctl::profileCaption));
  QHBoxLayout* profileButtons = Row();
  AddAll(b, profileButtons, {Ctl::LoadProfile, Ctl::SaveProfile}, true);
  inProfiles->addLayout(profileButtons);
  left->addWidget(profiles);

  // The service controls (hidden until a service key shows them).
  QHBoxLayout* tuning = Row();
  AddAll(b, tuning, {Ctl::speedCaption, Ctl::loaderSpeed, Ctl::pageDelayCaption, Ctl::DataFlashDel, Ctl::halfDelayCaption, Ctl::HalfDelay}, true);
  left->addLayout(tuning);
  QHBoxLayout* service = Row();
  AddAll(b, service, {Ctl::eraseOptionsButton, Ctl::helpButton, Ctl::forceUpdateButton}, true);
  left->addLayout(service);
  left->addStretch(1);
  return left;
}

QVBoxLayout* RightColumn(ControlBinder& b, MainLayoutParts& parts) {
  QVBoxLayout* right = Column();
  right->addWidget(b.Widget(Ctl::slotList), 1);  // the list takes the room to spare

  QHBoxLayout* listStatus = Row();
  listStatus->addWidget(b.Widget(Ctl::showDetailsButton), 0, Qt::AlignTop);
  QVBoxLayout* statusLines = Column(nullptr, 0);
  AddAll(b, statusLines, {Ctl::slotListHint, Ctl::slotListHint2});
  listStatus->addLayout(statusLines, 1);
  right->addLayout(listStatus);

  // The description of the slot: the editable box with the room it has
  // left, the read-only copy, and the version texts beside them.
  right->addWidget(b.Widget(Ctl::descriptionCaption));
  auto* description = new QGridLayout;
  description->setHorizontalSpacing(6);
  description->setVerticalSpacing(2);
  description->addWidget(b.Widget(Ctl::newSlotNumber), 0, 0);
  description->addWidget(b.Widget(Ctl::ProgCaption), 0, 1);
  parts.descriptionRoom = new QLabel;
  parts.descriptionRoom->setObjectName("ProgCaptionRoom");
  description->addWidget(parts.descriptionRoom, 0, 2);
  description->addWidget(b.Widget(Ctl::programmerVersion), 0, 3);
  description->addWidget(b.Widget(Ctl::selectedSlotNumber), 1, 0);
  description->addWidget(b.Widget(Ctl::selectedDescription), 1, 1);
  description->addWidget(b.Widget(Ctl::programmerFirmware), 1, 3);
  description->setColumnStretch(1, 2);
  description->setColumnStretch(3, 1);
  right->addLayout(description);
  right->addWidget(b.Widget(Ctl::detailsFileName));

  right->addWidget(b.Widget(Ctl::slotOperationsCaption));
  QHBoxLayout* slotButtons = Row();
  // The read-back choice beside the buttons that write (New, Replace).
  AddAll(
      b, slotButtons,
      {Ctl::NewButton, Ctl::upload, Ctl::editButton, Ctl::VerifyAfterWriting, Ctl::DeleteProgramButton, Ctl::loadLots},
      true);
  right->addLayout(slotButtons);

  QHBoxLayout* counts = Row();
  AddAll(b, counts, {Ctl::errorRepeatCaption, Ctl::errorRepeatCount, Ctl::limitPrograms, Ctl::progCountCaption, Ctl::ProgCount, Ctl::currentCount}, true);
  right->addLayout(counts);

  // The whole-programmer panel, its buttons inside it; Read, Manual and
  // Close beside it.
  QHBoxLayout* bottom = Row();
  QWidget* unit = b.Widget(Ctl::wholeUnitPanel);
  QVBoxLayout* inUnit = Column(unit);
  inUnit->setContentsMargins(8, 4, 8, 6);
  inUnit->addWidget(b.Widget(Ctl::wholeUnitCaption));
  QHBoxLayout* unitButtons = Row();
  AddAll(b, unitButtons, {Ctl::EraseButton, Ctl::CopyButton, Ctl::LoadButton, Ctl::FindButton}, true);
  inUnit->addLayout(unitButtons);
  bottom->addWidget(unit, 1);
  auto* general = new QGridLayout;
  general->setSpacing(6);
  general->addWidget(b.Widget(Ctl::ReadProgButton), 0, 0);
  general->addWidget(b.Widget(Ctl::manualButton), 0, 1);
  general->addWidget(b.Widget(Ctl::cancel), 1, 0, 1, 2);
  bottom->addLayout(general);
  right->addLayout(bottom);
  parts.slotColumn = right;
  return right;
}

}  // namespace

ControlBinder::Geometry MainWindowControls() {
  ControlBinder::Geometry g;
  for (model::ControlName name : kControls) g[name.Str()] = QRect();
  return g;
}

std::vector<QWidget*> TabStops(const ControlBinder& binder, QWidget* logPane) {
  std::vector<QWidget*> stops;
  auto add = [&stops](QWidget* w) {
    if (w && w->focusPolicy() != Qt::NoFocus) stops.push_back(w);
  };
  for (model::ControlName name : kTabOrder) {
    QWidget* w = binder.Widget(name);
    if (!w) continue;
    // A choice group's buttons are made anew when its choices change.
    if (auto* choices = w->findChild<QButtonGroup*>(QString(), Qt::FindDirectChildrenOnly)) {
      for (QAbstractButton* b : choices->buttons()) add(b);
      continue;
    }
    add(w);
    if (name == Ctl::slotList && logPane)
      for (QWidget* part : logPane->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) add(part);
  }
  return stops;
}

void ApplyTabOrder(const std::vector<QWidget*>& stops) {
  for (std::size_t i = 1; i < stops.size(); ++i) QWidget::setTabOrder(stops[i - 1], stops[i]);
}

MainLayoutParts BuildMainLayout(QWidget* content, ControlBinder& binder) {
  MainLayoutParts parts;
  auto* top = new QHBoxLayout(content);
  top->setContentsMargins(8, 8, 8, 8);
  top->setSpacing(12);
  top->addLayout(LeftColumn(binder), 0);
  top->addLayout(RightColumn(binder, parts), 1);
  return parts;
}

}  // namespace velmar::ui
