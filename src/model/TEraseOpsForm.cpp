// The erase options dialog model.
#include "model/TEraseOpsForm.h"

#include "devices/EraseOptions.h"

namespace velmar::model {

TEraseOpsForm::TEraseOpsForm(ControlStore& mainWindow, devices::TData& data) : main_(mainWindow), data_(data) {
  Control form = MakeControl(EraseCtl::EraseOpsForm, ControlKind::Form, "Erase Options");
  form.visible = false;
  form.extra = {{"toolWindow", "1"}};  // a small tool window without system buttons
  controls_.Add(form);
  controls_.Add(MakeControl(EraseCtl::choicePanel, ControlKind::Panel));
  for (int i = 1; i <= devices::kEraseChoiceCount; ++i) {
    Control c =
        MakeControl(ChoiceName(i), ControlKind::RadioButton, devices::EraseChoiceCaption(i), {}, EraseCtl::choicePanel);
    c.checked = i == 1;
    controls_.Add(c);
  }
  controls_.Add(MakeControl(EraseCtl::OK, ControlKind::Button, "OK"));
  controls_.Add(MakeControl(EraseCtl::Cancel, ControlKind::Button, "Cancel"));
  controls_.Bind(EraseCtl::OK, Event::Click, [this] { OKClick(); });
  controls_.Bind(EraseCtl::Cancel, Event::Click, [this] { CancelClick(); });
}

int TEraseOpsForm::Choice() const {
  for (int i = 1; i <= devices::kEraseChoiceCount; ++i)
    if (controls_.Checked(ChoiceName(i))) return i;
  return 0;
}

void TEraseOpsForm::SelectChoice(int choice) {
  if (choice >= 1 && choice <= devices::kEraseChoiceCount) controls_.SetChecked(ChoiceName(choice), true);
}

void TEraseOpsForm::FormShow() {
  ModalResult = platform::DlgButton::None;
  controls_.SetVisible(EraseCtl::EraseOpsForm, true);
  DisplayOpsSelects();
}

void TEraseOpsForm::DisplayOpsSelects() {
  if (!devices::EraseColumnKnown(data_.Column)) return;
  auto enabled = devices::EnabledEraseChoices(data_.Column);
  for (int i = 1; i <= devices::kEraseChoiceCount; ++i) controls_.SetEnabled(ChoiceName(i), enabled[std::size_t(i)]);
}

void TEraseOpsForm::GetEraseFlag() {
  auto first = devices::BulkEraseFirst(data_.Column);
  if (!first) return;
  main_.SetChecked(Ctl::BulkErase, *first);
  auto code = devices::EraseCodeFor(data_.Column, Choice());
  if (!code) return;
  data_.EraseFlag = code->flag;
  if (code->bulk) main_.SetChecked(Ctl::BulkErase, true);
}

void TEraseOpsForm::OKClick() {
  GetEraseFlag();
  controls_.SetVisible(EraseCtl::EraseOpsForm, false);
  ModalResult = platform::DlgButton::Ok;
}

void TEraseOpsForm::CancelClick() {
  controls_.SetVisible(EraseCtl::EraseOpsForm, false);
  ModalResult = platform::DlgButton::Cancel;
}

}  // namespace velmar::model
