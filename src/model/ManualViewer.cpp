// The Manual button.
#include "model/ManualViewer.h"

#include "platform/Dialogs.h"
#include "slot/ProgrammerGeometry.h"

namespace velmar::model {

std::string ManualFile(slot::ProgrammerKind programmerKind, const std::string& programFolder) {
  return programFolder + slot::KindRow(programmerKind).guideFile;
}

void manualButtonClick(slot::ProgrammerKind programmerKind, const std::string& programFolder,
                       platform::Dialogs& dialogs) {
  std::string file = ManualFile(programmerKind, programFolder);
  int result = dialogs.OpenDocument(file);
  std::string message;
  if (result == 2 || result == 3)
    message = "Can not find manual\r" + file + "\r\r";
  else if (result == 27)
    message = "The filename association for PDF files is not set\r" + file + "\r\r";
  else if ((result >= 4 && result <= 26) || (result >= 28 && result <= 32))
    message = "System Error on opening file\r" + file + "\r\r";
  if (!message.empty()) dialogs.ShowError(message);
}

}  // namespace velmar::model
