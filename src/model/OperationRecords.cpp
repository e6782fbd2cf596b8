// What the window's operations put into their operation log records: the
// programmer the window's link identified last, and the program a New or
// Replace writes.
#include "link/TReadProg.h"
#include "model/TMainForm.h"
#include "platform/Text.h"
#include "slot/ProgrammerGeometry.h"

namespace velmar::model {

oplog::OperationRecorder TMainForm::Recording(oplog::LoggedOperation operation) {
  return oplog::OperationRecorder(&journal_, operation, linkParts_.clock,
                                  [this](oplog::OperationRecord& r) { RecordProgrammer(r); });
}

void TMainForm::RecordProgrammer(oplog::OperationRecord& r) const {
  // Only a programmer the link reached this run is described; a link that
  // never opened knows nothing about one.
  if (!link_ || !link_->ProgrammerAnswered) return;
  if (const slot::KindInfo* kind = slot::FindKind(link_->Geometry.Kind)) {
    r.kind = kind->name;
    r.model = kind->model;
  }
  const std::string& serial = link_->SerialNumbers[std::size_t(link_->InterfaceIndex) % link_->SerialNumbers.size()];
  if (!serial.empty()) r.serial = serial;
  if (link_->FirmwareVersion >= 0) r.firmwareVersion = link_->FirmwareVersion;
}

void TMainForm::RecordProgram(oplog::OperationRecord& r) const {
  const std::string description = text::Trim(controls_.Text(Ctl::ProgCaption));
  if (!description.empty()) r.description = description;
  if (!Data.DeviceName.empty()) r.device = Data.DeviceName;
  const int family = controls_.ItemIndex(Ctl::family);
  const std::vector<std::string>& families = controls_.Items(Ctl::family);
  if (family >= 0 && std::size_t(family) < families.size()) r.family = families[std::size_t(family)];
  oplog::RecordFile(r, Data.FlashFile);
}

}  // namespace velmar::model
