// A dialogs implementation that answers from a script, for tests: every
// message shown is recorded; questions take the next scripted answer (or a
// default); a modal form is handed to the next scripted form answer, which
// works it as a person would; file choices and document opening return
// scripted results. A
// question that arrives with nothing scripted is noted as unexpected, so a
// test can fail on it instead of blocking.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Dialogs.h"

namespace velmar::platform {

class ScriptedDialogs final : public Dialogs {
 public:
  DlgButton Message(const MessageBoxRequest& request) override;
  DlgButton ShowModal(ModalForm& form) override;
  std::optional<std::string> OpenFile(const FileDialogRequest& request) override;
  std::optional<std::string> SaveFile(const FileDialogRequest& request) override;
  void SetClipboardText(const std::string& text) override { clipboard = text; }
  int OpenDocument(const std::string& path) override;

  // Script.
  void Answer(DlgButton b) { answers_.push_back(b); }
  void AnswerOpen(std::optional<std::string> path) { opens_.push_back(std::move(path)); }
  void AnswerSave(std::optional<std::string> path) { saves_.push_back(std::move(path)); }
  // Works the next modal form shown and returns the button that closed it.
  using FormAnswer = std::function<DlgButton(ModalForm&)>;
  void AnswerForm(FormAnswer answer) { forms_.push_back(std::move(answer)); }
  // Answer for questions with no scripted answer (None: note them as unexpected).
  DlgButton defaultAnswer = DlgButton::None;
  int openDocumentResult = 42;
  // Runs at every message before it is answered: what else happens while
  // the user reads it (another run's files, a cable pulled).
  std::function<void(const MessageBoxRequest&)> onMessage;

  // Record.
  std::vector<MessageBoxRequest> shown;
  std::vector<std::string> unexpected;
  std::vector<FileDialogRequest> fileRequests;
  std::vector<std::string> openedDocuments;
  std::vector<std::string> shownForms;
  std::string clipboard;

  // Texts of all messages shown, in order.
  std::vector<std::string> Texts() const;
  // The last message shown ("" when none).
  std::string LastText() const;
  bool AllAnswersUsed() const { return answers_.empty() && opens_.empty() && saves_.empty() && forms_.empty(); }

 private:
  std::deque<DlgButton> answers_;
  std::deque<std::optional<std::string>> opens_;
  std::deque<std::optional<std::string>> saves_;
  std::deque<FormAnswer> forms_;
};

}  // namespace velmar::platform
