// A slot build's questions and messages put to the user through the dialogs
// interface, exactly as given (text and title).
#pragma once

#include "image/BuildQuestions.h"
#include "platform/Dialogs.h"

namespace velmar::ops {

class DialogBuildQuestions final : public image::BuildQuestions {
 public:
  explicit DialogBuildQuestions(platform::Dialogs& dialogs) : dialogs_(dialogs) {}
  bool AskYesNo(const std::string& question, const std::string& title = {}) override {
    return dialogs_.AskYesNo(question, title);
  }
  void ShowError(const std::string& message, const std::string& title = {}) override {
    dialogs_.ShowError(message, title);
  }
  void ShowWarning(const std::string& message, const std::string& title = {}) override {
    dialogs_.ShowWarning(message, title);
  }

 private:
  platform::Dialogs& dialogs_;
};

}  // namespace velmar::ops
