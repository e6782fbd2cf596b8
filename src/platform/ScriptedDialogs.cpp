// Scripted dialogs for tests.
#include "platform/ScriptedDialogs.h"

namespace velmar::platform {

DlgButton ScriptedDialogs::Message(const MessageBoxRequest& request) {
  shown.push_back(request);
  if (onMessage) onMessage(request);
  if (!request.IsQuestion()) return request.buttons.empty() ? DlgButton::Ok : request.buttons.front();
  if (!answers_.empty()) {
    DlgButton b = answers_.front();
    answers_.pop_front();
    return b;
  }
  if (defaultAnswer != DlgButton::None) return defaultAnswer;
  unexpected.push_back(request.text);
  return request.defaultButton != DlgButton::None ? request.defaultButton : request.buttons.back();
}

DlgButton ScriptedDialogs::ShowModal(ModalForm& form) {
  shownForms.push_back(form.FormName());
  if (forms_.empty()) {
    unexpected.push_back("form " + form.FormName());
    return DlgButton::None;
  }
  FormAnswer answer = std::move(forms_.front());
  forms_.pop_front();
  return answer(form);
}

std::optional<std::string> ScriptedDialogs::OpenFile(const FileDialogRequest& request) {
  fileRequests.push_back(request);
  if (opens_.empty()) {
    unexpected.push_back("open dialog " + request.filter);
    return std::nullopt;
  }
  auto r = opens_.front();
  opens_.pop_front();
  return r;
}

std::optional<std::string> ScriptedDialogs::SaveFile(const FileDialogRequest& request) {
  fileRequests.push_back(request);
  if (saves_.empty()) {
    unexpected.push_back("save dialog " + request.filter);
    return std::nullopt;
  }
  auto r = saves_.front();
  saves_.pop_front();
  return r;
}

int ScriptedDialogs::OpenDocument(const std::string& path) {
  openedDocuments.push_back(path);
  return openDocumentResult;
}

std::vector<std::string> ScriptedDialogs::Texts() const {
  std::vector<std::string> r;
  for (const auto& m : shown) r.push_back(m.text);
  return r;
}

std::string ScriptedDialogs::LastText() const { return shown.empty() ? std::string() : shown.back().text; }

}  // namespace velmar::platform
