// The window's hooks bound to the operations of this folder.
#include "operations/WindowOperations.h"

namespace velmar::ops {

void BindOperations(model::TMainForm& w) {
  model::WindowOperations o;
  o.newSlot = [&w] { return NewButtonClick(w); };
  o.replaceSlot = [&w] { return editButtonClick(w); };
  o.upload = [&w] { return uploadClick(w); };
  o.loadLots = [&w] { loadLotsClick(w); };
  o.deleteSlot = [&w] { return DeleteProgramButtonClick(w); };
  o.eraseUnit = [&w] { return EraseButtonClick(w); };
  o.copyUnit = [&w] { return CopyButtonClick(w); };
  o.loadUnit = [&w] { return LoadButtonClick(w); };
  o.loadUnitFrom = [&w](const std::string& file) { return LoadUnitFrom(w, file); };
  o.changeFirmware = [&w](const std::string& file, int required) { return ChangeFirmwareOverLink(w, file, required); };
  w.SetOperations(std::move(o));
}

}  // namespace velmar::ops
