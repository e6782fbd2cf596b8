// The speed and delay controls, the service keys, the erase options and
// forced update buttons, the unhandled error report and the Manual button.
#include "model/ServiceControls.h"

#include "model/LinkTuning.h"
#include "model/ManualViewer.h"
#include "platform/Dialogs.h"

namespace velmar::model {

namespace {

// Clock divisor of each loader speed entry; entries from 4 on are slowest.
int ClockDivisorFor(int entry) {
  static const int divisors[] = {5, 23, 47, 99};
  return entry >= 0 && entry < 4 ? divisors[entry] : 250;
}

const char* const kForceOff = "Force Update Off";
const char* const kForceOn = "Force Update On";

}  // namespace

ServiceControls::ServiceControls(ControlStore& controls, platform::Dialogs& dialogs, TEraseOpsForm& eraseOps,
                                 const slot::ProgrammerKind& programmerKind, const image::Folders& folders)
    : controls_(controls), dialogs_(dialogs), eraseOps_(eraseOps), programmerKind_(programmerKind), folders_(folders) {}

void ServiceControls::ComboBox1Change() {
  if (tuning_) tuning_->SetClockDivisor(ClockDivisorFor(controls_.ItemIndex(Ctl::ComboBox1)));
}

void ServiceControls::DataFlashDelChange() {
  if (tuning_) tuning_->SetPageDelay(controls_.Value(Ctl::DataFlashDel));
}

void ServiceControls::HalfDelayChange() {
  if (tuning_) tuning_->SetHalfDelay(controls_.Value(Ctl::HalfDelay));
}

bool ServiceControls::ApplicationEvents1ShortCut(ShortcutKey key, bool shift, bool ctrl) {
  if (!(shift && ctrl)) return false;
  ControlStore& s = controls_;
  switch (key) {
    case ShortcutKey::F1: s.SetVisible(Ctl::Button4, true); break;
    case ShortcutKey::F2:
      for (ControlName name :
           {Ctl::HalfDelay, Ctl::DataFlashDel, Ctl::ComboBox1, Ctl::Label8, Ctl::Label14, Ctl::Label15})
        s.SetVisible(name, true);
      break;
    case ShortcutKey::F3:
      for (ControlName name : {Ctl::CopyButton, Ctl::LoadButton, Ctl::EraseButton}) s.SetVisible(name, true);
      break;
    case ShortcutKey::F4: s.SetVisible(Ctl::EraseButton, true); break;
    case ShortcutKey::F5:
      s.SetVisible(Ctl::Button5, true);
      s.SetVisible(Ctl::SpinEdit1, true);
      s.SetValue(Ctl::SpinEdit1, 10);
      break;
    case ShortcutKey::Other: break;
  }
  return true;
}

void ServiceControls::ApplicationEvents2Exception(const std::string& message) {
  dialogs_.MessageDlg("Application access Error -" + message, platform::DlgType::Error, {platform::DlgButton::Ok});
}

void ServiceControls::manualButtonClick() { model::manualButtonClick(programmerKind_, folders_.program, dialogs_); }

void ServiceControls::Button2Click() {
  eraseOps_.FormShow();
  dialogs_.ShowModal(eraseOps_);
  // However the dialog ended, it is closed now.
  if (eraseOps_.Controls().Visible(EraseCtl::EraseOpsForm)) eraseOps_.CancelClick();
}

void ServiceControls::Button4Click() {
  controls_.SetText(Ctl::Button4, controls_.Text(Ctl::Button4) == kForceOn ? kForceOff : kForceOn);
}

bool ServiceControls::TakeForceUpdate() {
  if (controls_.Text(Ctl::Button4) != kForceOn) return false;
  Button4Click();
  return true;
}

}  // namespace velmar::model
