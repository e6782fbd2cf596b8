// A dialogs decorator that passes everything on to the user's dialogs and
// remembers what the operations said and how their questions were answered:
// the last message shown (not a Yes/No question) and the last question or
// file choice the user declined, each with the number of the event it was.
// The operation log takes the text a failed operation showed from here, and
// tells a cancelled operation from a failed one.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Dialogs.h"

namespace velmar::platform {

class MessageTrail final : public Dialogs {
 public:
  explicit MessageTrail(Dialogs& user) : user_(user) {}

  DlgButton Message(const MessageBoxRequest& request) override;
  DlgButton ShowModal(ModalForm& form) override { return user_.ShowModal(form); }
  std::optional<std::string> OpenFile(const FileDialogRequest& request) override;
  std::optional<std::string> SaveFile(const FileDialogRequest& request) override;
  void SetClipboardText(const std::string& text) override { user_.SetClipboardText(text); }
  int OpenDocument(const std::string& path) override { return user_.OpenDocument(path); }

  // The dialogs messages go to in the end.
  Dialogs& User() { return user_; }

  // Events so far (messages shown, questions asked, file choices made).
  std::uint64_t Events() const { return events_; }
  // Event number of the last message shown (0: none yet) and its text.
  std::uint64_t LastMessageAt() const { return lastMessageAt_; }
  const std::string& LastMessage() const { return lastMessage_; }
  // Event number of the last question answered No or Cancel, or file choice
  // cancelled (0: none yet).
  std::uint64_t LastDeclineAt() const { return lastDeclineAt_; }

 private:
  Dialogs& user_;
  std::uint64_t events_ = 0;
  std::uint64_t lastMessageAt_ = 0;
  std::uint64_t lastDeclineAt_ = 0;
  std::string lastMessage_;
};

}  // namespace velmar::platform
