// The Manual button: opens the quick-start guide of the attached programmer
// kind with the desktop's document opener, and tells the user plainly when
// the guide is missing or no PDF viewer is set up.
#pragma once

#include <string>

namespace velmar::platform {
class Dialogs;
}

namespace velmar::model {

// The guide for a programmer kind: single-way kinds (0, 1, 5) and unknown
// kinds open the single-way guide, the 8-way kinds (2, 4) the 8-way guide,
// the portable (3) its own.
std::string ManualFile(int programmerKind, const std::string& programFolder);

// Opens the guide and maps the opener's result to the user's message.
void manualButtonClick(int programmerKind, const std::string& programFolder, platform::Dialogs& dialogs);

}  // namespace velmar::model
