// A slot written with New from each shipped example, its settings brought
// back into the window by Show Slot Details after the window was set to
// something else, and the slot replaced from them: the header written the
// second time must be the header written the first time, byte for byte.
#include <gtest/gtest.h>

#include "link/TReadProg.h"
#include "operations/OperationsRig.h"
#include "operations/WindowOperations.h"

using velmar::model::Ctl;

namespace velmar::test {
namespace {

class DetailsRoundTrip : public ::testing::TestWithParam<ExampleProgram> {};

TEST_P(DetailsRoundTrip, ReplaceAfterShowSlotDetailsRebuildsTheSameHeader) {
  const ExampleProgram& e = GetParam();
  OpsRig rig(4);  // the 8-way version 2 offers every family
  model::TMainForm& w = rig.Begin();
  rig.Example(e, "Blink " + e.device);
  ASSERT_TRUE(ops::NewButtonClick(w)) << rig.dialogs.script.LastText();
  const slot::HeaderBytes written = rig.HeaderAt(0);

  // The window moves on to another family, device and options.
  rig.Program(e.family == 1 ? 0 : 1, e.family == 1 ? "PIC18F4520" : "PIC16F84A", w.Data.FlashFile, "Something else");
  rig.C().UserClick(Ctl::matchDeviceID);
  rig.C().SetValue(Ctl::errorRepeatCount, 9);

  rig.Click(1);
  rig.C().UserClick(Ctl::showDetailsMenuItem);
  ASSERT_EQ(w.Data.DeviceName, e.device);
  ASSERT_TRUE(ops::editButtonClick(w)) << rig.dialogs.script.LastText();
  EXPECT_EQ(rig.HeaderAt(0), written) << e.folder;
}

INSTANTIATE_TEST_SUITE_P(EachExample, DetailsRoundTrip, ::testing::ValuesIn(ExamplePrograms()),
                         [](const ::testing::TestParamInfo<ExampleProgram>& info) { return info.param.folder; });

}  // namespace
}  // namespace velmar::test
