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

void ServiceControls::loaderSpeedChange() {
  if (tuning_) tuning_->SetClockDivisor(ClockDivisorFor(controls_.ItemIndex(Ctl::loaderSpeed)));
}

void ServiceControls::DataFlashDelChange() {
  if (tuning_) tuning_->SetPageDelay(controls_.Value(Ctl::DataFlashDel));
}

void ServiceControls::HalfDelayChange() {
  if (tuning_) tuning_->SetHalfDelay(controls_.Value(Ctl::HalfDelay));
}

bool ServiceControls::serviceShortcutKey(ShortcutKey key, bool shift, bool ctrl) {
  if (!(shift && ctrl)) return false;
  ControlStore& s = controls_;
  switch (key) {
    case ShortcutKey::F1: s.SetVisible(Ctl::forceUpdateButton, true); break;
    case ShortcutKey::F2:
      for (ControlName name :
           {Ctl::HalfDelay, Ctl::DataFlashDel, Ctl::loaderSpeed, Ctl::speedCaption, Ctl::pageDelayCaption, Ctl::halfDelayCaption})
        s.SetVisible(name, true);
      break;
    case ShortcutKey::F3:
      for (ControlName name : {Ctl::CopyButton, Ctl::LoadButton, Ctl::EraseButton}) s.SetVisible(name, true);
      break;
    case ShortcutKey::F4: s.SetVisible(Ctl::EraseButton, true); break;
    case ShortcutKey::F5:
      s.SetVisible(Ctl::loadLots, true);
      s.SetVisible(Ctl::errorRepeatCount, true);
      s.SetValue(Ctl::errorRepeatCount, 10);
      break;
    case ShortcutKey::Other: break;
  }
  return true;
}

void ServiceControls::errorHandlerException(const std::string& message) {
  dialogs_.MessageDlg("Application access Error -" + message, platform::DlgType::Error, {platform::DlgButton::Ok});
}

void ServiceControls::manualButtonClick() { model::manualButtonClick(programmerKind_, folders_.program, dialogs_); }

void ServiceControls::eraseOptionsButtonClick() {
  eraseOps_.FormShow();
  dialogs_.ShowModal(eraseOps_);
  // However the dialog ended, it is closed now.
  if (eraseOps_.Controls().Visible(EraseCtl::EraseOpsForm)) eraseOps_.CancelClick();
}

void ServiceControls::forceUpdateButtonClick() {
  controls_.SetText(Ctl::forceUpdateButton, controls_.Text(Ctl::forceUpdateButton) == kForceOn ? kForceOff : kForceOn);
}

bool ServiceControls::TakeForceUpdate() {
  if (controls_.Text(Ctl::forceUpdateButton) != kForceOn) return false;
  forceUpdateButtonClick();
  return true;
}

}  // namespace velmar::model
