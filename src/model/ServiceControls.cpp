// The window's hidden service side: the loader speed and the dataflash
// delays that reach the programmer link, the Shift+Ctrl service keys that
// show the hidden controls, the erase options button, and the report of
// errors that no operation handled.
#include "model/LinkTuning.h"
#include "model/TMainForm.h"
#include "model/ManualViewer.h"
#include "platform/Dialogs.h"

namespace velmar::model {

namespace {

// Clock divisor of each loader speed entry; entries from 4 on are slowest.
int ClockDivisorFor(int entry) {
  static const int divisors[] = {5, 23, 47, 99};
  return entry >= 0 && entry < 4 ? divisors[entry] : 250;
}

}  // namespace

void TMainForm::ComboBox1Change() {
  if (tuning_) tuning_->SetClockDivisor(ClockDivisorFor(controls_.ItemIndex(Ctl::ComboBox1)));
}

void TMainForm::DataFlashDelChange() {
  if (tuning_) tuning_->SetPageDelay(controls_.Value(Ctl::DataFlashDel));
}

void TMainForm::HalfDelayChange() {
  if (tuning_) tuning_->SetHalfDelay(controls_.Value(Ctl::HalfDelay));
}

bool TMainForm::ApplicationEvents1ShortCut(ShortcutKey key, bool shift, bool ctrl) {
  if (!(shift && ctrl)) return false;
  ControlStore& s = controls_;
  switch (key) {
    case ShortcutKey::F1:
      s.SetVisible(Ctl::Button4, true);
      break;
    case ShortcutKey::F2:
      for (ControlName name : {Ctl::HalfDelay, Ctl::DataFlashDel, Ctl::ComboBox1, Ctl::Label8, Ctl::Label14, Ctl::Label15})
        s.SetVisible(name, true);
      break;
    case ShortcutKey::F3:
      for (ControlName name : {Ctl::CopyButton, Ctl::LoadButton, Ctl::EraseButton}) s.SetVisible(name, true);
      break;
    case ShortcutKey::F4:
      s.SetVisible(Ctl::EraseButton, true);
      break;
    case ShortcutKey::F5:
      s.SetVisible(Ctl::Button5, true);
      s.SetVisible(Ctl::SpinEdit1, true);
      s.SetValue(Ctl::SpinEdit1, 10);
      break;
    case ShortcutKey::Other:
      break;
  }
  return true;
}

void TMainForm::ApplicationEvents2Exception(const std::string& message) {
  dialogs_.MessageDlg("Application access Error -" + message, platform::DlgType::Error, {platform::DlgButton::Ok});
}

void TMainForm::manualButtonClick() { model::manualButtonClick(ProgrammerKind, Folders.program, dialogs_); }

void TMainForm::Button2Click() {
  eraseOps_.FormShow();
  dialogs_.ShowModal(eraseOps_);
  // However the dialog ended, it is closed now.
  if (eraseOps_.Controls().Visible(EraseCtl::EraseOpsForm)) eraseOps_.CancelClick();
}

}  // namespace velmar::model
