// Erase Unit: every slot of the programmer erased in the progress window
// ("Erasing Programmer"), and the main window's button around it, which asks
// first, empties the slot list once the programmer is blank and reports.
#pragma once

#include "link/TReadProg.h"
#include "model/ProgressForm.h"

namespace velmar::ops {

// Identifies the programmer and erases its whole dataflash in `form`. True
// when done; a link failure (an erase block the programmer does not
// acknowledge, "Erase Failed", included) raises link::EISPException with the
// text to show. The link is closed afterwards whatever happens.
bool RunUnitErase(model::ProgressForm& form, link::TReadProg& link);

}  // namespace velmar::ops
