// The one seam through which the system talks to its user outside the main
// window: message boxes and questions, small modal forms (the find dialog,
// the programmer type dialog), file choices, the clipboard and the desktop's
// document opener. The desktop application implements it with Qt
// dialogs, the command line with the terminal, and tests with a scripted
// answerer. Message texts use "\r" as the line break, as the system writes
// them; each front end shows it as a line break.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/MessagePump.h"
#include "platform/Notices.h"

namespace velmar::platform {

enum class DlgType { Information, Warning, Error, Confirmation };
enum class DlgButton { None, Ok, Cancel, Yes, No, Abort, Retry, Ignore };

struct MessageBoxRequest {
  std::string text;
  std::string title;  // empty: the standard title of the dialog type
  DlgType type = DlgType::Information;
  std::vector<DlgButton> buttons{DlgButton::Ok};
  DlgButton defaultButton = DlgButton::None;  // None: the first button

  bool IsQuestion() const { return buttons.size() > 1; }
};

struct FileDialogRequest {
  std::string filter;      // "Hex|*.hex|All Files|*.*"
  std::string defaultExt;  // "hex"
  std::string initialDir;
  std::string fileName;
};

// A small window of its own that the user fills in and closes. Its content
// is a window model (see model/ModalWindow.h); the front end shows it
// modally and returns when it closes. The form sets ModalResult when one of
// its own buttons closes it.
class ModalForm {
 public:
  virtual ~ModalForm() = default;
  // The form's name ("findNameDialog", "TProgrammerTypeForm").
  virtual std::string FormName() const = 0;
  DlgButton ModalResult = DlgButton::None;
};

class Dialogs : public Notices {
 public:
  virtual ~Dialogs() = default;

  // Shows a modal message box and returns the button chosen.
  virtual DlgButton Message(const MessageBoxRequest& request) = 0;
  // Shows a modal form and returns when it closes, with the button that
  // closed it. A front end that cannot show forms returns None at once and
  // leaves the form as it was.
  virtual DlgButton ShowModal(ModalForm& form);
  // Open and save file choices; nullopt when cancelled.
  virtual std::optional<std::string> OpenFile(const FileDialogRequest& request) = 0;
  virtual std::optional<std::string> SaveFile(const FileDialogRequest& request) = 0;
  // Puts plain text on the clipboard.
  virtual void SetClipboardText(const std::string& text) = 0;
  // Opens a document with the desktop's opener. Returns a shell-style code:
  // above 32 success, 2 file not found, 3 path not found, 27 no association,
  // other small numbers system errors.
  virtual int OpenDocument(const std::string& path) = 0;

  // Conveniences over Message.
  void ShowMessage(const std::string& text);
  DlgButton MessageDlg(const std::string& text, DlgType type, std::vector<DlgButton> buttons,
                       DlgButton defaultButton = DlgButton::None, const std::string& title = {});
  // Yes/No warning question; true when answered Yes.
  bool AskYesNo(const std::string& text, const std::string& title = {}, DlgButton defaultButton = DlgButton::None);
  void ShowError(const std::string& text, const std::string& title = {});
  void ShowInformation(const std::string& text, const std::string& title = {});
  void ShowWarning(const std::string& text, const std::string& title = {});
  // A notice is shown as the message box of its level.
  void Tell(NoticeLevel level, const std::string& text) override;
};

const char* ButtonName(DlgButton b);
const char* TypeName(DlgType t);

}  // namespace velmar::platform
