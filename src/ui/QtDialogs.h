// The dialogs interface with Qt: modal message boxes with the system's fixed
// titles and buttons ("\r" shown as a line break), the small modal windows
// (their controls stacked in a dialog through the control binder), the
// standard open and save dialogs with the system's filters, the clipboard as
// plain text, and the desktop's document opener.
#pragma once

#include "platform/Dialogs.h"

class QFont;
class QMessageBox;
class QString;
class QWidget;

namespace velmar::ui {

class QtDialogs final : public platform::Dialogs {
 public:
  explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }

  platform::DlgButton Message(const platform::MessageBoxRequest& request) override;
  platform::DlgButton ShowModal(platform::ModalForm& form) override;
  std::optional<std::string> OpenFile(const platform::FileDialogRequest& request) override;
  std::optional<std::string> SaveFile(const platform::FileDialogRequest& request) override;
  void SetClipboardText(const std::string& text) override;
  int OpenDocument(const std::string& path) override;

  // The application's title: the caption of information boxes. It is not
  // Qt's application display name, which Qt would add to every window title.
  static constexpr const char* kApplicationTitle = "PIC Programmer USB Loader";

  // "Hex|*.hex|All Files|*.*" -> "Hex (*.hex);;All Files (*)"
  static std::string QtFilter(const std::string& filter);
  // The width a box needs for `title` not to be cut in its title bar.
  static int TitleRoom(const QString& title, const QFont& font);
  static void LeaveRoomForTitle(QMessageBox& box);

 private:
  QWidget* parent_;
};

}  // namespace velmar::ui
