// The words the window and the command line show for what identifying the
// programmer found: the window title and the programmer-version and firmware
// labels.
#pragma once

#include <string>

#include "link/IdentifyFindings.h"

namespace velmar::model {

// "<kind's title> v<loader version>"; empty while the kind is not known.
std::string IdentifiedTitle(const link::IdentifyFindings& found);
// "Programmer Version 1" or "Programmer Version 2" for the kinds that tell
// their hardware version; empty for the others.
std::string ProgrammerVersionText(const link::IdentifyFindings& found);
// The firmware label's text for the firmware recognised (empty when none, or
// when the kind runs only the standard firmware).
std::string FirmwareLabelText(const link::IdentifyFindings& found);

}  // namespace velmar::model
