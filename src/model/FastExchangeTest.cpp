// Help > Check Connection > "Test fast exchanges" in the window model: the
// comparison of the link's pacings through the window's own link, with the
// hourglass while it runs and a link-test record in the operation log.
#include "link/PacingComparison.h"
#include "link/TReadProg.h"
#include "model/TMainForm.h"

namespace velmar::model {

std::optional<link::PacingComparison> TMainForm::TestLinkPacings() {
  if (!HaveLink()) return std::nullopt;
  oplog::OperationRecorder logged = Recording(oplog::LoggedOperation::link_test);
  SetHourGlass(true);
  link::PacingComparison c = link::CompareLinkPacings(*link_);
  SetHourGlass(false);
  if (c.Identical())
    logged.Succeeded();
  else
    logged.Failed(c.Finding());
  return c;
}

}  // namespace velmar::model
