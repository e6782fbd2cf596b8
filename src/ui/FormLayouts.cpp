// Layouts of the small modal windows.
#include "ui/FormLayouts.h"

#include "model/ControlNames.h"

namespace velmar::ui {

namespace {

using E = model::EraseCtl;
using F = model::FindCtl;
using T = model::TypeCtl;

FormLayout EraseOptions() {
  FormLayout l{
      {364, 242},
      {{E::choicePanel.Str(), {8, 8, 260, 226}}, {E::OK.Str(), {276, 12, 80, 28}}, {E::Cancel.Str(), {276, 46, 80, 28}}}};
  for (int i = 1; i <= 9; ++i)
    l.geometry[E::eraseChoice[std::size_t(i - 1)].Str()] = QRect(8, 6 + (i - 1) * 24, 246, 22);
  return l;
}

FormLayout ProgrammerType() {
  return {{420, 376},
          {{T::Progs.Str(), {10, 10, 400, 96}},
           {T::progVersion.Str(), {10, 112, 400, 78}},
           {T::version2Note.Str(), {10, 196, 400, 18}},
           {T::FirmwareSel.Str(), {10, 214, 400, 78}},
           {T::firmwareNote.Str(), {10, 296, 400, 18}},
           {T::version1Note.Str(), {10, 314, 400, 18}},
           {T::okButton.Str(), {330, 338, 80, 30}}}};
}

FormLayout Find() {
  return {{420, 110},
          {{F::findWhatCaption.Str(), {10, 14, 70, 22}},
           {F::FindText.Str(), {84, 13, 230, 24}},
           {F::MatchCase.Str(), {10, 48, 200, 22}},
           {F::WholeWord.Str(), {10, 72, 220, 22}},
           {F::FindNext.Str(), {326, 10, 86, 28}},
           {F::Cancel.Str(), {326, 44, 86, 28}}}};
}

}  // namespace

std::optional<FormLayout> LayoutForForm(const std::string& formName) {
  if (formName == E::EraseOpsForm.View()) return EraseOptions();
  if (formName == T::TProgrammerTypeForm.View()) return ProgrammerType();
  if (formName == F::findNameDialog.View()) return Find();
  return std::nullopt;
}

}  // namespace velmar::ui
