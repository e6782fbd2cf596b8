// The dialogs interface on a terminal: messages are printed (information on
// stdout, warnings and errors on stderr; everything on stderr when stdout
// carries JSON), questions are answered by --yes or --no, else asked on an
// interactive terminal, else answered No. File choices are asked on a
// terminal; the clipboard text is printed. A command may look at messages
// before they are shown (to answer them itself) and answers the modal forms
// it opens from its own options.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/Dialogs.h"

namespace velmar::cli {

struct CliContext;

// A message or a stored text as the terminal shows it: each line break
// ("\r", the system's marker, or "\n") starts a new line, and every other
// control character is escaped (text::EscapeControls), so a slot name or
// description read from a programmer cannot move the cursor, clear the
// screen or retitle the window wherever it is quoted.
std::string TerminalText(std::string_view message);

class TerminalDialogs final : public platform::Dialogs {
 public:
  explicit TerminalDialogs(CliContext& ctx) : ctx_(ctx) {}

  platform::DlgButton Message(const platform::MessageBoxRequest& request) override;
  platform::DlgButton ShowModal(platform::ModalForm& form) override;
  std::optional<std::string> OpenFile(const platform::FileDialogRequest& request) override;
  std::optional<std::string> SaveFile(const platform::FileDialogRequest& request) override;
  void SetClipboardText(const std::string& text) override;
  int OpenDocument(const std::string& path) override;

  // True once any question was answered with No, Cancel or Abort.
  bool declined = false;
  std::string clipboard;
  // The last message when it went to stdout (empty once one goes to stderr):
  // the reason a command that then fails gives on stderr as well.
  std::string lastOnStdout;
  // The last message shown (wherever it went), with its command hint: the
  // reason a command that then fails gives in its JSON error.
  std::string lastMessage;
  // Set by a command: sees every message first; an answer it gives is taken
  // and the message is not shown.
  std::function<std::optional<platform::DlgButton>(const platform::MessageBoxRequest&)> intercept;
  // Set by a command: works the modal forms it opens. Without one a form
  // closes as it stands.
  std::function<platform::DlgButton(platform::ModalForm&)> formAnswer;
  // Set by a command: the file its open and save choices take (the file
  // named on its command line) instead of asking.
  std::optional<std::string> fileAnswer;

 private:
  bool Interactive() const;
  std::optional<std::string> AskLine(const std::string& prompt);
  CliContext& ctx_;
};

}  // namespace velmar::cli
