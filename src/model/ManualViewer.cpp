// The Manual button.
#include "model/ManualViewer.h"

#include "platform/Dialogs.h"
#include "slot/ProgrammerGeometry.h"

namespace velmar::model {

std::string ManualFile(slot::ProgrammerKind programmerKind, const std::string& programFolder) {
  return programFolder + slot::KindRow(programmerKind).guideFile;
}

namespace {

// With no PDF viewer set up the guide can still be read from its folder:
// the message names the file and offers to open the folder that holds it.
void OfferTheFolder(const std::string& text, const std::string& folder, platform::Dialogs& dialogs) {
  const std::string question = text + "Open the folder that holds it?\r" + folder;
  if (dialogs.MessageDlg(question, platform::DlgType::Warning, {platform::DlgButton::Yes, platform::DlgButton::No}) !=
      platform::DlgButton::Yes)
    return;
  if (dialogs.OpenDocument(folder) <= 32) dialogs.ShowError("The folder could not be opened either\r" + folder);
}

}  // namespace

void manualButtonClick(slot::ProgrammerKind programmerKind, const std::string& programFolder,
                       platform::Dialogs& dialogs) {
  std::string file = ManualFile(programmerKind, programFolder);
  int result = dialogs.OpenDocument(file);
  std::string message;
  if (result == 2 || result == 3)
    message = "Can not find manual\r" + file + "\r\r";
  else if (result == 27)
    return OfferTheFolder("The filename association for PDF files is not set\r" + file + "\r\r", programFolder,
                          dialogs);
  else if ((result >= 4 && result <= 26) || (result >= 28 && result <= 32))
    message = "System Error on opening file\r" + file + "\r\r";
  if (!message.empty()) dialogs.ShowError(message);
}

}  // namespace velmar::model
