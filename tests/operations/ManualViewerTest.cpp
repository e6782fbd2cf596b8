// The Manual button: which guide opens, and the messages for each failure.
#include <gtest/gtest.h>

#include "model/ManualViewer.h"
#include "platform/ScriptedDialogs.h"
#include "support/TestSupport.h"

using velmar::model::manualButtonClick;
using velmar::model::ManualFile;
using velmar::platform::ScriptedDialogs;

namespace {

TEST(ManualViewer, EachKindOpensItsGuide) {
  using namespace velmar::slot;
  EXPECT_EQ(ManualFile(kind_single, "/p/"), "/p/guide_single.pdf");
  EXPECT_EQ(ManualFile(kind_single_old, "/p/"), "/p/guide_single.pdf");
  EXPECT_EQ(ManualFile(kind_8way, "/p/"), "/p/guide_8way.pdf");
  EXPECT_EQ(ManualFile(kind_portable, "/p/"), "/p/guide_portable.pdf");
  EXPECT_EQ(ManualFile(kind_8way_v2, "/p/"), "/p/guide_8way.pdf");
  EXPECT_EQ(ManualFile(kind_single_v2, "/p/"), "/p/guide_single.pdf");
  EXPECT_EQ(ManualFile(kind_unknown, "/p/"), "/p/guide_single.pdf");
}

// The document opener's result and the message it gives ("" for none).
struct OpenerResult {
  int result;
  std::string message;
};
class OpenerResults : public ::testing::TestWithParam<OpenerResult> {};

TEST_P(OpenerResults, MapToTheirMessage) {
  const OpenerResult& c = GetParam();
  ScriptedDialogs dialogs;
  dialogs.openDocumentResult = c.result;
  manualButtonClick(velmar::slot::kind_8way, "/p/", dialogs);
  EXPECT_EQ(dialogs.openedDocuments, std::vector<std::string>{"/p/guide_8way.pdf"});
  EXPECT_EQ(dialogs.LastText(), c.message) << c.result;
}

INSTANTIATE_TEST_SUITE_P(
    ManualViewer, OpenerResults,
    ::testing::Values(OpenerResult{2, "Can not find manual\r/p/guide_8way.pdf\r\r"},
                      OpenerResult{3, "Can not find manual\r/p/guide_8way.pdf\r\r"},
                      OpenerResult{27, "The filename association for PDF files is not set\r/p/guide_8way.pdf\r\r"},
                      OpenerResult{4, "System Error on opening file\r/p/guide_8way.pdf\r\r"},
                      OpenerResult{26, "System Error on opening file\r/p/guide_8way.pdf\r\r"},
                      OpenerResult{32, "System Error on opening file\r/p/guide_8way.pdf\r\r"}, OpenerResult{33, ""},
                      OpenerResult{0, ""}));

TEST(ManualViewer, TheShippedGuidesAreInTheProgramFolder) {
  if (!velmar::test::Exists(velmar::test::BinDir() + "guide_single.pdf")) GTEST_SKIP() << "built without Qt";
  for (auto kind : {velmar::slot::kind_single, velmar::slot::kind_8way, velmar::slot::kind_portable})
    EXPECT_TRUE(velmar::test::Exists(ManualFile(kind, velmar::test::BinDir()))) << int(kind);
}

}  // namespace
