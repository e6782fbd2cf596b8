// Conveniences of the dialogs interface.
#include "platform/Dialogs.h"

namespace velmar::platform {

DlgButton Dialogs::ShowModal(ModalForm&) { return DlgButton::None; }

void Dialogs::ShowMessage(const std::string& text) {
  Message({text, {}, DlgType::Information, {DlgButton::Ok}, DlgButton::Ok});
}

DlgButton Dialogs::MessageDlg(const std::string& text, DlgType type, std::vector<DlgButton> buttons,
                              DlgButton defaultButton, const std::string& title) {
  return Message({text, title, type, std::move(buttons), defaultButton});
}

bool Dialogs::AskYesNo(const std::string& text, const std::string& title, DlgButton defaultButton) {
  return Message({text, title, DlgType::Warning, {DlgButton::Yes, DlgButton::No}, defaultButton}) == DlgButton::Yes;
}

void Dialogs::ShowError(const std::string& text, const std::string& title) {
  Message({text, title, DlgType::Error, {DlgButton::Ok}, DlgButton::Ok});
}

void Dialogs::ShowInformation(const std::string& text, const std::string& title) {
  Message({text, title, DlgType::Information, {DlgButton::Ok}, DlgButton::Ok});
}

void Dialogs::ShowWarning(const std::string& text, const std::string& title) {
  Message({text, title, DlgType::Warning, {DlgButton::Ok}, DlgButton::Ok});
}

void Dialogs::Tell(NoticeLevel level, const std::string& text) {
  switch (level) {
    case NoticeLevel::information: ShowInformation(text); return;
    case NoticeLevel::warning: ShowWarning(text); return;
    case NoticeLevel::error: ShowError(text); return;
  }
}

const char* ButtonName(DlgButton b) {
  switch (b) {
    case DlgButton::None: return "None";
    case DlgButton::Ok: return "OK";
    case DlgButton::Cancel: return "Cancel";
    case DlgButton::Yes: return "Yes";
    case DlgButton::No: return "No";
    case DlgButton::Abort: return "Abort";
    case DlgButton::Retry: return "Retry";
    case DlgButton::Ignore: return "Ignore";
  }
  return "?";
}

const char* TypeName(DlgType t) {
  switch (t) {
    case DlgType::Information: return "Information";
    case DlgType::Warning: return "Warning";
    case DlgType::Error: return "Error";
    case DlgType::Confirmation: return "Confirm";
  }
  return "?";
}

}  // namespace velmar::platform
