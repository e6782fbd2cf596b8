// What a slot build may say or ask while it runs: a refusal or a fault that
// ends it, a warning, and the few Yes/No questions (a file larger than the
// device, the debugger bit). The builders never reach the user themselves;
// the window model answers through its dialogs (ops::DialogBuildQuestions),
// and so do the tests, with scripted dialogs.
#pragma once

#include <string>

namespace velmar::image {

class BuildQuestions {
 public:
  virtual ~BuildQuestions() = default;
  // True when the user answers Yes.
  virtual bool AskYesNo(const std::string& question, const std::string& title = {}) = 0;
  // The build stops with this message.
  virtual void ShowError(const std::string& message, const std::string& title = {}) = 0;
  // A warning; whether the build goes on is the builder's to say.
  virtual void ShowWarning(const std::string& message, const std::string& title = {}) = 0;
};

}  // namespace velmar::image
