// Layouts of the small modal windows.
#include "ui/FormLayouts.h"

namespace velmar::ui {

namespace {

FormLayout EraseOptions() {
  FormLayout l{{364, 242}, {{"Panel1", {8, 8, 260, 226}}, {"OK", {276, 12, 80, 28}}, {"Cancel", {276, 46, 80, 28}}}};
  for (int i = 1; i <= 9; ++i) l.geometry["RadioButton" + std::to_string(i)] = QRect(8, 6 + (i - 1) * 24, 246, 22);
  return l;
}

FormLayout ProgrammerType() {
  return {{420, 376},
          {{"Progs", {10, 10, 400, 96}},
           {"progVersion", {10, 112, 400, 78}},
           {"Label1", {10, 196, 400, 18}},
           {"FirmwareSel", {10, 214, 400, 78}},
           {"Label2", {10, 296, 400, 18}},
           {"Label3", {10, 314, 400, 18}},
           {"Button1", {330, 338, 80, 30}}}};
}

FormLayout Find() {
  return {{420, 110},
          {{"Label1", {10, 14, 70, 22}},
           {"FindText", {84, 13, 230, 24}},
           {"MatchCase", {10, 48, 200, 22}},
           {"WholeWord", {10, 72, 220, 22}},
           {"FindNext", {326, 10, 86, 28}},
           {"Cancel", {326, 44, 86, 28}}}};
}

}  // namespace

std::optional<FormLayout> LayoutForForm(const std::string& formName) {
  if (formName == "EraseOpsForm") return EraseOptions();
  if (formName == "TProgrammerTypeForm") return ProgrammerType();
  if (formName == "FindDialog1") return Find();
  return std::nullopt;
}

}  // namespace velmar::ui
