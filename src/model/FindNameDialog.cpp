// The Find Name dialog's controls and buttons.
#include "model/FindNameDialog.h"

namespace velmar::model {

using K = ControlKind;

FindNameDialog::FindNameDialog() {
  ControlStore& s = controls_;
  Control form = MakeControl(FindCtl::findNameDialog, K::Form, "Find");
  form.extra = {{"direction", "down"},
                {"hideDirection", "1"},
                {"top", std::to_string(kTopOffset)},
                {"left", std::to_string(kLeftOffset)}};
  s.Add(form);
  s.Add(MakeControl(FindCtl::findWhatCaption, K::Label, "Find what:"));
  s.Add(MakeControl(FindCtl::FindText, K::Edit));
  s.Add(MakeControl(FindCtl::MatchCase, K::CheckBox, "Match case"));
  s.Add(MakeControl(FindCtl::WholeWord, K::CheckBox, "Match whole word only"));
  Control findNext = MakeControl(FindCtl::FindNext, K::Button, "Find Next");
  findNext.extra = {{"default", "1"}};  // Enter in the text box searches
  s.Add(findNext);
  s.Add(MakeControl(FindCtl::Cancel, K::Button, "Cancel"));
  s.Bind(FindCtl::FindNext, Event::Click, [this] { FindClick(); });
  s.Bind(FindCtl::Cancel, Event::Click, [this] { CancelClick(); });
}

void FindNameDialog::SetHandlers(std::function<void()> onShow, std::function<void()> onFind) {
  onShow_ = std::move(onShow);
  onFind_ = std::move(onFind);
}

void FindNameDialog::FormShow() {
  ModalResult = platform::DlgButton::None;
  if (onShow_) onShow_();
}

void FindNameDialog::FindClick() {
  if (onFind_) onFind_();
}

void FindNameDialog::CancelClick() { ModalResult = platform::DlgButton::Cancel; }

}  // namespace velmar::model
