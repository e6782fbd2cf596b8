// The programmer type dialog: its controls, the rules between the model,
// version and firmware choices, and the kind the choices stand for.
#include "model/TProgrammerTypeForm.h"
#include "slot/ProgrammerGeometry.h"

namespace velmar::model {

namespace {

using K = ControlKind;

Control Choices(ControlName name, const std::string& caption, std::vector<std::string> items) {
  Control c = MakeControl(name, K::ChoiceGroup, caption);
  c.items = std::move(items);
  c.itemIndex = 0;
  return c;
}

}  // namespace

TProgrammerTypeForm::TProgrammerTypeForm() {
  ControlStore& s = controls_;
  s.Add(MakeControl(TypeCtl::TProgrammerTypeForm, K::Form, "Select Programmer Type"));
  s.Add(Choices(TypeCtl::Progs, "Programmer Choices",
                {"Single way Programmer: SX-100 ", "8-way Programmer:        GX-800  ",
                 "Portable Programmer:     PX-110 (With LCD)"}));
  s.Add(Choices(TypeCtl::progVersion, "Programmer Version",
                {"Version 1 Programmer", "Version 2 Programmer (see Programmer label)"}));
  s.Add(Choices(TypeCtl::FirmwareSel, "Firmware Version", {"Load PIC12/16/18 Firmware", "Load PIC24 Firmware"}));
  s.Add(MakeControl(TypeCtl::version2Note, K::Label, "Version 2 Programmers Only"));
  s.Add(MakeControl(TypeCtl::firmwareNote, K::Label, "Select PIC12/16/18 or PIC24 Firmware to load"));
  s.Add(MakeControl(TypeCtl::version1Note, K::Label, "Version 1 programmer must use PIC12/16/18 Firmware"));
  s.Add(MakeControl(TypeCtl::okButton, K::Button, "OK"));

  s.Bind(TypeCtl::Progs, Event::Change, [this] { ProgsClick(); });
  s.Bind(TypeCtl::progVersion, Event::Change, [this] { progVersionClick(); });
  s.Bind(TypeCtl::okButton, Event::Click, [this] { okButtonClick(); });
}

void TProgrammerTypeForm::FormShow(bool demoMode) {
  ModalResult = platform::DlgButton::None;
  ControlStore& s = controls_;
  s.SetVisible(TypeCtl::Progs, true);
  s.SetVisible(TypeCtl::progVersion, true);
  for (ControlName name : {TypeCtl::FirmwareSel, TypeCtl::version2Note, TypeCtl::firmwareNote, TypeCtl::version1Note})
    s.SetVisible(name, !demoMode);
  if (!demoMode) ApplyRules();
}

void TProgrammerTypeForm::ProgsClick() { ApplyRules(); }

void TProgrammerTypeForm::progVersionClick() { ApplyRules(); }

void TProgrammerTypeForm::okButtonClick() { ModalResult = platform::DlgButton::Ok; }

bool TProgrammerTypeForm::VersionTwo() const { return controls_.ItemIndex(TypeCtl::progVersion) == 1; }

// The version rule first, then the model rule, so that the portable model
// keeps both choices disabled whatever version was selected before.
void TProgrammerTypeForm::ApplyRules() {
  ControlStore& s = controls_;
  if (VersionTwo()) {
    s.SetEnabled(TypeCtl::FirmwareSel, true);
  } else {
    s.SetItemIndex(TypeCtl::FirmwareSel, 0);
    s.SetEnabled(TypeCtl::FirmwareSel, false);
  }
  if (s.ItemIndex(TypeCtl::Progs) == Portable) {
    s.SetEnabled(TypeCtl::progVersion, false);
    s.SetEnabled(TypeCtl::FirmwareSel, false);
  } else {
    s.SetEnabled(TypeCtl::progVersion, true);
  }
}

std::optional<slot::ProgrammerKind> TProgrammerTypeForm::Kind() const {
  switch (controls_.ItemIndex(TypeCtl::Progs)) {
    case SingleWay: return VersionTwo() ? slot::kind_single_v2 : slot::kind_single;
    case EightWay: return VersionTwo() ? slot::kind_8way_v2 : slot::kind_8way;
    case Portable: return slot::kind_portable;
    default: return std::nullopt;
  }
}

int TProgrammerTypeForm::FirmwareToLoad() const {
  int model = controls_.ItemIndex(TypeCtl::Progs);
  if ((model == SingleWay || model == EightWay) && VersionTwo())
    return controls_.ItemIndex(TypeCtl::FirmwareSel) == 1 ? 1 : 0;
  return 0;
}

}  // namespace velmar::model
