// The Manual button: opens the quick-start guide of the attached programmer
// kind with the desktop's document opener, and tells the user plainly when
// the guide is missing or no PDF viewer is set up (then it offers to open
// the guide's folder).
#pragma once

#include <string>

#include "slot/ProgrammerGeometry.h"

namespace velmar::platform {
class Dialogs;
}

namespace velmar::model {

// The guide for a programmer kind: the single-way kinds and unknown kinds
// open the single-way guide, the 8-way kinds the 8-way guide, the portable
// its own.
std::string ManualFile(slot::ProgrammerKind programmerKind, const std::string& programFolder);

// Opens the guide and maps the opener's result to the user's message.
void manualButtonClick(slot::ProgrammerKind programmerKind, const std::string& programFolder,
                       platform::Dialogs& dialogs);

}  // namespace velmar::model
