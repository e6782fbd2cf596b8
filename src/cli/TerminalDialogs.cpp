// Terminal dialogs.
#include "cli/TerminalDialogs.h"

#include <iostream>

#include "cli/CliContext.h"
#include "cli/MessageHints.h"
#include "platform/DocumentOpener.h"
#include "platform/Paths.h"
#include "platform/Terminal.h"
#include "platform/Text.h"

namespace velmar::cli {

using platform::DlgButton;
using platform::DlgType;

namespace {

bool Has(const std::vector<DlgButton>& v, DlgButton b) {
  for (DlgButton x : v)
    if (x == b) return true;
  return false;
}

DlgButton FirstOf(const std::vector<DlgButton>& v, std::initializer_list<DlgButton> wanted) {
  for (DlgButton w : wanted)
    if (Has(v, w)) return w;
  return v.empty() ? DlgButton::Ok : v.front();
}

bool IsNegative(DlgButton b) { return b == DlgButton::No || b == DlgButton::Cancel || b == DlgButton::Abort; }

}  // namespace

std::string TerminalText(std::string_view message) {
  std::string shown;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= message.size(); ++i) {
    if (i < message.size() && message[i] != '\r' && message[i] != '\n') continue;
    shown += text::EscapeControls(message.substr(start, i - start));
    if (i < message.size()) shown += '\n';
    start = i + 1;
  }
  return shown;
}

bool TerminalDialogs::Interactive() const {
  return &ctx_.in == &std::cin && platform::IsTerminal(platform::StandardStream::input) &&
         platform::IsTerminal(platform::StandardStream::error);
}

DlgButton TerminalDialogs::Message(const platform::MessageBoxRequest& request) {
  if (intercept)
    if (std::optional<DlgButton> answer = intercept(request)) return *answer;
  std::string text = TerminalText(request.text);
  std::string title = request.title.empty() ? platform::TypeName(request.type) : request.title;
  const bool error = request.type == DlgType::Error;
  bool toErr = ctx_.options.json || error || request.type == DlgType::Warning || request.IsQuestion();
  std::ostream& o = toErr ? ctx_.err : ctx_.out;
  const std::optional<std::string> hint = CommandHint(request.text, ctx_.hintSlot);
  // --quiet shows errors, and the questions a person has to answer.
  const bool shown =
      !ctx_.options.quiet || error || (request.IsQuestion() && !ctx_.options.yes && !ctx_.options.no && Interactive());
  if (shown) {
    o << title << ": " << text << "\n";
    if (hint) o << "  " << *hint << "\n";
  }
  lastMessage = hint ? text + " (" + *hint + ")" : text;
  lastOnStdout = toErr ? std::string() : text;
  if (ctx_.options.json) {
    nlohmann::ordered_json entry = {{"type", platform::TypeName(request.type)}, {"text", text}};
    if (hint) entry["hint"] = *hint;
    ctx_.json["messages"].push_back(entry);
  }
  if (!request.IsQuestion()) return request.buttons.empty() ? DlgButton::Ok : request.buttons.front();

  DlgButton answer;
  if (ctx_.options.yes) {
    answer = FirstOf(request.buttons, {DlgButton::Yes, DlgButton::Ok, DlgButton::Retry});
  } else if (ctx_.options.no || !Interactive()) {
    answer = FirstOf(request.buttons, {DlgButton::No, DlgButton::Cancel, DlgButton::Abort});
  } else {
    answer = DlgButton::None;
    while (answer == DlgButton::None) {
      ctx_.err << "[";
      for (std::size_t i = 0; i < request.buttons.size(); ++i)
        ctx_.err << (i ? "/" : "") << platform::ButtonName(request.buttons[i]);
      ctx_.err << "]? " << std::flush;
      std::string line;
      if (!std::getline(ctx_.in, line)) {
        answer = FirstOf(request.buttons, {DlgButton::No, DlgButton::Cancel, DlgButton::Abort});
        break;
      }
      line = text::Trim(line);
      for (DlgButton b : request.buttons)
        if (!line.empty() && text::StartsWith(text::UpperCase(platform::ButtonName(b)), text::UpperCase(line)))
          answer = b;
    }
  }
  if (shown) ctx_.err << "-> " << platform::ButtonName(answer) << "\n";
  if (ctx_.options.json) ctx_.json["messages"].back()["answer"] = platform::ButtonName(answer);
  if (IsNegative(answer)) declined = true;
  return answer;
}

DlgButton TerminalDialogs::ShowModal(platform::ModalForm& form) {
  return formAnswer ? formAnswer(form) : DlgButton::None;
}

std::optional<std::string> TerminalDialogs::AskLine(const std::string& prompt) {
  if (!Interactive()) return std::nullopt;
  ctx_.err << prompt << std::flush;
  std::string line;
  if (!std::getline(ctx_.in, line)) return std::nullopt;
  line = text::Trim(line);
  if (line.empty()) return std::nullopt;
  return line;
}

std::optional<std::string> TerminalDialogs::OpenFile(const platform::FileDialogRequest& request) {
  if (fileAnswer) return fileAnswer;
  return AskLine("File to open (" + request.filter + "): ");
}

std::optional<std::string> TerminalDialogs::SaveFile(const platform::FileDialogRequest& request) {
  if (fileAnswer) return fileAnswer;
  return AskLine("File to save (" + request.filter + "): ");
}

void TerminalDialogs::SetClipboardText(const std::string& text) {
  clipboard = text;
  ctx_.out << text << "\n";
}

int TerminalDialogs::OpenDocument(const std::string& path) { return platform::OpenWithDesktop(path); }

}  // namespace velmar::cli
