// The main window's layout.
#include "ui/MainWindowLayout.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QTableWidget>

namespace velmar::ui {

namespace {

const char* const kControls[] = {
    // File and device.
    "Label1", "Edit1", "Button1", "Label24", "family", "Device", "deviceList",
    // Option boxes and the supply texts.
    "matchDeviceID", "VerifyConfig", "unusedFuses", "progUserID", "DataSave", "bootSave", "BulkErase", "VDD_Voltage",
    "Label2", "Label3", "Label4",
    // Groups.
    "GroupBox2", "progMode", "Progmodelabel", "GroupBox1", "ProgramOps", "Label5",
    // Read-back after writing (off unless chosen).
    "VerifyAfterWriting",
    // Profiles.
    "Panel2", "Label18", "LoadProfile", "SaveProfile",
    // Service controls.
    "Label8", "ComboBox1", "Label14", "DataFlashDel", "Label15", "HalfDelay", "Button2", "Button3", "Button4",
    // Slot list, description, buttons and counts.
    "StringGrid1", "BitBtn1", "Label9", "Label10", "Label12", "Label13", "ProgCaption", "Label16", "ProgCaption2",
    "Label22", "Label23", "Label20", "Label19", "NewButton", "upload", "editButton", "DeleteProgramButton", "Button5",
    "Label6", "SpinEdit1", "limitPrograms", "Label7", "ProgCount", "Label11",
    // Whole-programmer panel; Read, Manual, Close.
    "Panel1", "Label17", "EraseButton", "CopyButton", "LoadButton", "FindButton", "ReadProgButton", "manualButton",
    "cancel"};

// Adds the named widgets to a box layout, in order, and a stretch after
// them when `stretch` is set.
void AddAll(ControlBinder& b, QBoxLayout* layout, std::initializer_list<const char*> names, bool stretch = false) {
  for (const char* name : names)
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
  file->addWidget(b.Widget("Label1"), 0, 0);
  file->addWidget(b.Widget("Edit1"), 0, 1, 1, 3);
  file->addWidget(b.Widget("Button1"), 0, 4);
  file->addWidget(b.Widget("Label24"), 1, 0);
  file->addWidget(b.Widget("family"), 1, 1);
  file->addWidget(b.Widget("Device"), 1, 2);
  file->addWidget(b.Widget("deviceList"), 1, 3, 1, 2);
  file->setColumnStretch(1, 1);
  file->setColumnStretch(3, 1);
  left->addLayout(file);

  auto* options = new QGridLayout;
  options->setVerticalSpacing(2);
  const char* leftBoxes[] = {"matchDeviceID", "VerifyConfig", "unusedFuses", "VDD_Voltage"};
  const char* rightBoxes[] = {"progUserID", "DataSave", "bootSave", "BulkErase"};
  for (int i = 0; i < 4; ++i) {
    options->addWidget(b.Widget(leftBoxes[i]), i, 0);
    options->addWidget(b.Widget(rightBoxes[i]), i, 1);
  }
  left->addLayout(options);
  AddAll(b, left, {"Label2", "Label3", "Label4"});

  // The two groups side by side, each holding its choices and its note.
  QHBoxLayout* groups = Row();
  for (auto [group, choices, note] : {std::tuple{"GroupBox2", "progMode", "Progmodelabel"},
                                      std::tuple{"GroupBox1", "ProgramOps", "Label5"}}) {
    QWidget* box = b.Widget(group);
    QVBoxLayout* inside = Column(box, 2);
    inside->setContentsMargins(6, 6, 6, 6);
    AddAll(b, inside, {choices, note}, true);
    groups->addWidget(box, 1, Qt::AlignTop);
  }
  left->addLayout(groups);
  left->addWidget(b.Widget("VerifyAfterWriting"));

  // The profile panel with its two buttons.
  QWidget* profiles = b.Widget("Panel2");
  QVBoxLayout* inProfiles = Column(profiles);
  inProfiles->setContentsMargins(8, 4, 8, 6);
  inProfiles->addWidget(b.Widget("Label18"));
  QHBoxLayout* profileButtons = Row();
  AddAll(b, profileButtons, {"LoadProfile", "SaveProfile"}, true);
  inProfiles->addLayout(profileButtons);
  left->addWidget(profiles);

  // The service controls (hidden until a service key shows them).
  QHBoxLayout* tuning = Row();
  AddAll(b, tuning, {"Label8", "ComboBox1", "Label14", "DataFlashDel", "Label15", "HalfDelay"}, true);
  left->addLayout(tuning);
  QHBoxLayout* service = Row();
  AddAll(b, service, {"Button2", "Button3", "Button4"}, true);
  left->addLayout(service);
  left->addStretch(1);
  return left;
}

QVBoxLayout* RightColumn(ControlBinder& b, MainLayoutParts& parts) {
  QVBoxLayout* right = Column();
  right->addWidget(b.Widget("StringGrid1"), 1);  // the list takes the room to spare

  QHBoxLayout* listStatus = Row();
  listStatus->addWidget(b.Widget("BitBtn1"), 0, Qt::AlignTop);
  QVBoxLayout* statusLines = Column(nullptr, 0);
  AddAll(b, statusLines, {"Label9", "Label10"});
  listStatus->addLayout(statusLines, 1);
  right->addLayout(listStatus);

  // The description of the slot: the editable box with the room it has
  // left, the read-only copy, and the version texts beside them.
  right->addWidget(b.Widget("Label12"));
  auto* description = new QGridLayout;
  description->setHorizontalSpacing(6);
  description->setVerticalSpacing(2);
  description->addWidget(b.Widget("Label13"), 0, 0);
  description->addWidget(b.Widget("ProgCaption"), 0, 1);
  parts.descriptionRoom = new QLabel;
  parts.descriptionRoom->setObjectName("ProgCaptionRoom");
  description->addWidget(parts.descriptionRoom, 0, 2);
  description->addWidget(b.Widget("Label22"), 0, 3);
  description->addWidget(b.Widget("Label16"), 1, 0);
  description->addWidget(b.Widget("ProgCaption2"), 1, 1);
  description->addWidget(b.Widget("Label23"), 1, 3);
  description->setColumnStretch(1, 2);
  description->setColumnStretch(3, 1);
  right->addLayout(description);
  right->addWidget(b.Widget("Label20"));

  right->addWidget(b.Widget("Label19"));
  QHBoxLayout* slotButtons = Row();
  AddAll(b, slotButtons, {"NewButton", "upload", "editButton", "DeleteProgramButton", "Button5"}, true);
  right->addLayout(slotButtons);

  QHBoxLayout* counts = Row();
  AddAll(b, counts, {"Label6", "SpinEdit1", "limitPrograms", "Label7", "ProgCount", "Label11"}, true);
  right->addLayout(counts);

  // The whole-programmer panel, its buttons inside it; Read, Manual and
  // Close beside it.
  QHBoxLayout* bottom = Row();
  QWidget* unit = b.Widget("Panel1");
  QVBoxLayout* inUnit = Column(unit);
  inUnit->setContentsMargins(8, 4, 8, 6);
  inUnit->addWidget(b.Widget("Label17"));
  QHBoxLayout* unitButtons = Row();
  AddAll(b, unitButtons, {"EraseButton", "CopyButton", "LoadButton", "FindButton"}, true);
  inUnit->addLayout(unitButtons);
  bottom->addWidget(unit, 1);
  auto* general = new QGridLayout;
  general->setSpacing(6);
  general->addWidget(b.Widget("ReadProgButton"), 0, 0);
  general->addWidget(b.Widget("manualButton"), 0, 1);
  general->addWidget(b.Widget("cancel"), 1, 0, 1, 2);
  bottom->addLayout(general);
  right->addLayout(bottom);
  parts.slotColumn = right;
  return right;
}

}  // namespace

ControlBinder::Geometry MainWindowControls() {
  ControlBinder::Geometry g;
  for (const char* name : kControls) g[name] = QRect();
  return g;
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
