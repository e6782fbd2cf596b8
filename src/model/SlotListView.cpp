// The slot list `slotList` and what it keeps in step: the multi-slot and
// single-slot layouts filled from the slot catalogue, the status labels,
// the selected slot's number and description, the New/Replace/Delete
// buttons, the "Programmer is full" and firmware-mismatch checks, the click
// on a row, Find Name, and the two clipboard commands.
#include <algorithm>

#include "model/TMainForm.h"
#include "platform/Dialogs.h"
#include "platform/Text.h"
#include "slot/SlotHeader.h"

namespace velmar::model {

namespace {

constexpr ControlName kGrid = Ctl::slotList;
constexpr int kColumns = 3;
using Rows = std::vector<std::vector<std::string>>;

// Characters `from` (counted from 1) to `from + count - 1` of `s`, as far as
// it reaches.
std::string Chars(const std::string& s, std::size_t from, std::size_t count) {
  return from - 1 < s.size() ? s.substr(from - 1, count) : std::string();
}

// The grid's rows with every row below the title emptied (the row count
// stays); a missing title row is made.
Rows EmptiedRows(const Control& grid) {
  Rows rows = grid.cells;
  if (rows.empty()) rows.push_back({"Description", "Filename", "Device  "});
  for (std::size_t r = 1; r < rows.size(); ++r) rows[r].assign(kColumns, "");
  return rows;
}

std::string Cell(const Control& grid, int row, int col) {
  if (row < 0 || row >= int(grid.cells.size())) return {};
  const auto& cells = grid.cells[std::size_t(row)];
  return col >= 0 && col < int(cells.size()) ? cells[std::size_t(col)] : std::string();
}

// A slot emptied by Delete is listed under its slot number. Only a name that
// is the emptied-slot name counts: a user's description that merely holds
// the word stays as it is.
std::string ListedDescription(const slot::TProgramEntry& e, int index) {
  if (!text::StartsWith(e.SlotName, slot::slot_header::kEmptyName)) return e.SlotName;
  return text::ZeroPad(std::uint64_t(index + 1), 3) + " " + e.SlotName;
}

const char* FirmwareName(int firmware) { return firmware != 0 ? "PIC24" : "PIC12/16/18"; }

}  // namespace

void TMainForm::RefreshSlotView() {
  if (MultiSlotKind())
    RefreshSlotList();
  else
    RefreshSingleSlotView();
}

// newSlotNumber/selectedSlotNumber and the two description boxes from a row's first cell.
// The editable box takes the description without the blanks that pad it
// to the slot's width: the slot pads it again when it is written, and with
// the padding in the box it would be full and take no typing.
void TMainForm::ShowSelectedRow(int row) {
  const std::string first = Cell(controls_.Get(kGrid), row, 0);
  controls_.SetText(Ctl::newSlotNumber, Chars(first, 1, 3));
  controls_.SetText(Ctl::selectedSlotNumber, Chars(first, 1, 3));
  std::string description = Chars(first, 5, 28);
  description.erase(description.find_last_not_of(' ') + 1);
  controls_.SetText(Ctl::ProgCaption, description);
  controls_.SetText(Ctl::selectedDescription, Chars(first, 5, 28));
}

void TMainForm::RefreshSlotList() {
  ControlStore& s = controls_;
  const int remembered = s.Row(kGrid);
  Rows rows = EmptiedRows(s.Get(kGrid));
  s.SetVisible(Ctl::NewButton, true);
  s.SetText(Ctl::NewButton, "New");
  s.SetVisible(Ctl::editButton, true);
  s.SetText(Ctl::editButton, "Replace");

  if (Programs.EntryCount == 0) {
    s.SetCells(kGrid, rows, 1);
    s.SetEnabled(Ctl::editButton, false);
    s.SetEnabled(Ctl::DeleteProgramButton, false);
    s.SetEnabled(Ctl::NewButton, true);
    s.SetText(Ctl::slotListHint, "Empty, Use New Button");
    s.SetText(Ctl::slotListHint2, "");
    s.SetText(Ctl::newSlotNumber, "001");
    s.SetText(Ctl::selectedSlotNumber, "001");
    s.SetText(Ctl::ProgCaption, "");
    s.SetText(Ctl::selectedDescription, "");
    OperationMode = om_New;
    return;
  }

  s.SetEnabled(Ctl::editButton, true);
  s.SetEnabled(Ctl::DeleteProgramButton, true);
  s.SetText(Ctl::slotListHint, "Set up Files, Device etc then");
  s.SetText(Ctl::slotListHint2, "Click New or Replace Program");
  rows.resize(std::size_t(Programs.EntryCount) + 1);
  for (int i = 0; i < Programs.EntryCount; ++i) {
    const slot::TProgramEntry& e = Programs.Get(i);
    rows[std::size_t(i) + 1] = {ListedDescription(e, i), e.SourceFileName, e.DeviceName};
  }
  s.SetCells(kGrid, rows, 1);
  // Only a multi-slot programmer that changes firmware holds slots of both firmwares.
  if (slot::KindRow(ProgrammerKind).firmware == slot::FirmwareLine::picOrPic24)
    for (int i = 0; i < Programs.EntryCount; ++i) CheckSlotFirmware(i);

  // After Replace or Delete the worked-on row stays selected; after New the
  // new last row is.
  const int last = Programs.EntryCount;
  int row = OperationMode != om_New ? std::clamp(remembered, 1, last) : last;
  s.SelectCell(kGrid, row, std::max(0, s.Col(kGrid)));
  ShowSelectedRow(row);
  CheckFull();
}

void TMainForm::CheckFull() {
  const slot::ProgrammerGeometry g = Geometry();
  const std::uint32_t lastPage = g.PageSize ? g.Capacity / g.PageSize - 1 : 0;
  const std::uint32_t nextPage = Programs.Get(Programs.EntryCount - 1).NextPage;
  if (lastPage < nextPage || std::uint32_t(Programs.EntryCount) >= g.SlotCount) {
    controls_.SetText(Ctl::slotListHint, "Programmer is full");
    controls_.SetText(Ctl::slotListHint2, "");
    controls_.SetEnabled(Ctl::NewButton, false);
  } else {
    controls_.SetEnabled(Ctl::NewButton, true);
  }
}

// A slot on the second 8-way programmer must suit the firmware it runs.
void TMainForm::CheckSlotFirmware(int index) {
  const std::uint8_t family = Programs.Get(index).Header[76];
  if (family == 0xFF) return;
  const int required = (family & 0x20) ? devices::fw_pic24 : devices::fw_pic;
  if (required == Data.LoadedFirmware) return;
  const std::string n = std::to_string(index + 1);
  const std::string loaded = FirmwareName(Data.LoadedFirmware);
  dialogs_.MessageDlg(std::string("There has been a firmware load error.\r") + loaded + " Firmware  is Loaded." + "\r" +
                          "Slot " + n + " needs " + FirmwareName(required) + "firmware" + "\r" +
                          "This will cause a programming error." + "\r" + "\r" +
                          "You will need to erase the programmer" + "\r" + " or reload slot " + n + " with " + loaded,
                      platform::DlgType::Error, {platform::DlgButton::Ok});
}

void TMainForm::RefreshSingleSlotView() {
  ControlStore& s = controls_;
  Rows rows = EmptiedRows(s.Get(kGrid));
  s.SetVisible(Ctl::editButton, false);
  s.SetVisible(Ctl::DeleteProgramButton, false);
  s.SetText(Ctl::NewButton, "Load");
  if (Programs.EntryCount > 0) {
    const slot::TProgramEntry& e = Programs.Get(0);
    s.SetText(Ctl::slotListHint, "Loaded");
    s.SetText(Ctl::slotListHint2, "");
    rows.resize(2);
    rows[1] = {e.SlotName, e.SourceFileName, e.DeviceName};
    s.SetCells(kGrid, rows, 1);
    s.SelectCell(kGrid, 1, std::max(0, s.Col(kGrid)));
    ShowSelectedRow(1);
  } else {
    s.SetCells(kGrid, rows, 1);
    s.SetText(Ctl::slotListHint, "Empty");
    s.SetText(Ctl::slotListHint2, "");
    OperationMode = om_New;
  }
}

void TMainForm::slotListClick() {
  const int row = controls_.Row(kGrid);
  if (row < 1 || row >= int(controls_.Get(kGrid).cells.size())) return;
  ShowSelectedRow(row);
}

// ---- Find Name ----

void TMainForm::FindButtonClick() {
  FindStart = 0;
  findDialog_.FormShow();
  dialogs_.ShowModal(findDialog_);
}

void TMainForm::findNameDialogShow() { FindStart = 0; }

bool TMainForm::findNameDialogFind() {
  const bool matchCase = findDialog_.MatchCase();
  const bool wholeWord = findDialog_.WholeWord();
  const std::string text = findDialog_.FindText();
  const std::string wanted = matchCase ? text : text::UpperCase(text);
  // An empty text would be "contained" in every field and find slot 1; as
  // in a find dialog whose Find Next waits for a text, it finds nothing.
  auto matches = [&](const std::string& field) {
    if (wanted.empty()) return false;
    const std::string f = matchCase ? field : text::UpperCase(field);
    return wholeWord ? f == wanted : text::Contains(f, wanted);
  };
  for (int k = std::max(FindStart, 0); k < Programs.EntryCount; ++k) {
    const slot::TProgramEntry& e = Programs.Get(k);
    if (matches(e.SourceFileName) || matches(e.SlotName)) {
      controls_.SelectCell(kGrid, k + 1, std::max(0, controls_.Col(kGrid)));
      ShowSelectedRow(k + 1);  // the description boxes show the slot found, as a click on it would
      FindStart = k + 1;
      return true;
    }
  }
  dialogs_.ShowMessage(text + " Not Found");
  FindStart = 0;
  return false;
}

// ---- Clipboard ----

void TMainForm::copyCellMenuItemClick() {
  const Control& grid = controls_.Get(kGrid);
  dialogs_.SetClipboardText(Cell(grid, grid.selectedRow, grid.selectedCol));
}

void TMainForm::copyAllMenuItemClick() {
  const Control& grid = controls_.Get(kGrid);
  std::string all;
  for (std::size_t r = 0; r < grid.cells.size(); ++r) {
    if (r) all += "\r\n";
    for (int c = 0; c < kColumns; ++c) {
      if (c) all += '\t';
      all += Cell(grid, int(r), c);
    }
  }
  dialogs_.SetClipboardText(all);
}

}  // namespace velmar::model
