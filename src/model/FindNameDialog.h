// The Find Name dialog (`findNameDialog`) as a model: the text to find, the
// match-case and whole-word switches, and the Find Next and Cancel buttons.
// It always searches downwards. The main window binds its show and find
// handlers; the dialog stays open across searches until Cancel closes it.
#pragma once

#include <functional>
#include <string>

#include "model/ModalWindow.h"

namespace velmar::model {

class FindNameDialog final : public ModalWindow {
 public:
  // Where the dialog opens, from the main window's top-left corner.
  static constexpr int kTopOffset = 55;
  static constexpr int kLeftOffset = 35;

  FindNameDialog();
  std::string FormName() const override { return FindCtl::findNameDialog.Str(); }

  void SetHandlers(std::function<void()> onShow, std::function<void()> onFind);

  std::string FindText() const { return controls_.Text(FindCtl::FindText); }
  bool MatchCase() const { return controls_.Checked(FindCtl::MatchCase); }
  bool WholeWord() const { return controls_.Checked(FindCtl::WholeWord); }

  void FormShow();     // the dialog opens
  void FindClick();    // Find Next
  void CancelClick();  // closes the dialog

 private:
  std::function<void()> onShow_;
  std::function<void()> onFind_;
};

}  // namespace velmar::model
