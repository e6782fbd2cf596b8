// The programmer type dialog: its controls, the rules between the model,
// version and firmware choices, and the kind the choices stand for.
#include "model/TProgrammerTypeForm.h"

namespace velmar::model {

namespace {

using K = ControlKind;

Control Choices(const std::string& name, const std::string& caption, std::vector<std::string> items) {
  Control c = MakeControl(name, K::ChoiceGroup, caption);
  c.items = std::move(items);
  c.itemIndex = 0;
  return c;
}

}  // namespace

TProgrammerTypeForm::TProgrammerTypeForm() {
  ControlStore& s = controls_;
  s.Add(MakeControl("TProgrammerTypeForm", K::Form, "Select Programmer Type"));
  s.Add(Choices("Progs", "Programmer Choices",
                {"Single way Programmer: SX-100 ", "8-way Programmer:        GX-800  ",
                 "Portable Programmer:     PX-110 (With LCD)"}));
  s.Add(Choices("progVersion", "Programmer Version",
                {"Version 1 Programmer", "Version 2 Programmer (see Programmer label)"}));
  s.Add(Choices("FirmwareSel", "Firmware Version", {"Load PIC12/16/18 Firmware", "Load PIC24 Firmware"}));
  s.Add(MakeControl("Label1", K::Label, "Version 2 Programmers Only"));
  s.Add(MakeControl("Label2", K::Label, "Select PIC12/16/18 or PIC24 Firmware to load"));
  s.Add(MakeControl("Label3", K::Label, "Version 1 programmer must use PIC12/16/18 Firmware"));
  s.Add(MakeControl("Button1", K::Button, "OK"));

  s.Bind("Progs", Event::Change, [this] { ProgsClick(); });
  s.Bind("progVersion", Event::Change, [this] { progVersionClick(); });
  s.Bind("Button1", Event::Click, [this] { Button1Click(); });
}

void TProgrammerTypeForm::FormShow(bool demoMode) {
  ModalResult = platform::DlgButton::None;
  ControlStore& s = controls_;
  s.SetVisible("Progs", true);
  s.SetVisible("progVersion", true);
  for (const char* name : {"FirmwareSel", "Label1", "Label2", "Label3"}) s.SetVisible(name, !demoMode);
  if (!demoMode) ApplyRules();
}

void TProgrammerTypeForm::ProgsClick() { ApplyRules(); }

void TProgrammerTypeForm::progVersionClick() { ApplyRules(); }

void TProgrammerTypeForm::Button1Click() { ModalResult = platform::DlgButton::Ok; }

bool TProgrammerTypeForm::VersionTwo() const { return controls_.ItemIndex("progVersion") == 1; }

// The version rule first, then the model rule, so that the portable model
// keeps both choices disabled whatever version was selected before.
void TProgrammerTypeForm::ApplyRules() {
  ControlStore& s = controls_;
  if (VersionTwo()) {
    s.SetEnabled("FirmwareSel", true);
  } else {
    s.SetItemIndex("FirmwareSel", 0);
    s.SetEnabled("FirmwareSel", false);
  }
  if (s.ItemIndex("Progs") == Portable) {
    s.SetEnabled("progVersion", false);
    s.SetEnabled("FirmwareSel", false);
  } else {
    s.SetEnabled("progVersion", true);
  }
}

int TProgrammerTypeForm::Kind() const {
  switch (controls_.ItemIndex("Progs")) {
    case SingleWay: return VersionTwo() ? 5 : 0;
    case EightWay: return VersionTwo() ? 4 : 2;
    case Portable: return 3;
    default: return -1;
  }
}

int TProgrammerTypeForm::FirmwareToLoad() const {
  int model = controls_.ItemIndex("Progs");
  if ((model == SingleWay || model == EightWay) && VersionTwo())
    return controls_.ItemIndex("FirmwareSel") == 1 ? 1 : 0;
  return 0;
}

}  // namespace velmar::model
