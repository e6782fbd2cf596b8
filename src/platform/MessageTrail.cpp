// The message trail.
#include "platform/MessageTrail.h"

namespace velmar::platform {

namespace {

bool Has(const std::vector<DlgButton>& buttons, DlgButton b) {
  for (DlgButton x : buttons)
    if (x == b) return true;
  return false;
}

// A plain Yes/No question says nothing about an outcome; any other box
// (a failure with Abort and Retry included) is a message.
bool IsYesNoQuestion(const MessageBoxRequest& r) {
  return Has(r.buttons, DlgButton::Yes) && Has(r.buttons, DlgButton::No);
}

}  // namespace

DlgButton MessageTrail::Message(const MessageBoxRequest& request) {
  const std::uint64_t at = ++events_;
  if (!IsYesNoQuestion(request)) {
    lastMessageAt_ = at;
    lastMessage_ = request.text;
  }
  const DlgButton answer = user_.Message(request);
  if (request.IsQuestion() && (answer == DlgButton::No || answer == DlgButton::Cancel ||
                               (answer == DlgButton::None && IsYesNoQuestion(request))))
    lastDeclineAt_ = at;
  return answer;
}

std::optional<std::string> MessageTrail::OpenFile(const FileDialogRequest& request) {
  const std::uint64_t at = ++events_;
  std::optional<std::string> chosen = user_.OpenFile(request);
  if (!chosen) lastDeclineAt_ = at;
  return chosen;
}

std::optional<std::string> MessageTrail::SaveFile(const FileDialogRequest& request) {
  const std::uint64_t at = ++events_;
  std::optional<std::string> chosen = user_.SaveFile(request);
  if (!chosen) lastDeclineAt_ = at;
  return chosen;
}

}  // namespace velmar::platform
