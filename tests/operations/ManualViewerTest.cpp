// The Manual button: which guide opens, and the messages for each failure.
#include <gtest/gtest.h>

#include "model/ManualViewer.h"
#include "platform/ScriptedDialogs.h"
#include "support/TestSupport.h"

using velmar::model::manualButtonClick;
using velmar::model::ManualFile;
using velmar::platform::DlgButton;
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

INSTANTIATE_TEST_SUITE_P(ManualViewer, OpenerResults,
                         ::testing::Values(OpenerResult{2, "Can not find manual\r/p/guide_8way.pdf\r\r"},
                                           OpenerResult{3, "Can not find manual\r/p/guide_8way.pdf\r\r"},
                                           OpenerResult{4, "System Error on opening file\r/p/guide_8way.pdf\r\r"},
                                           OpenerResult{26, "System Error on opening file\r/p/guide_8way.pdf\r\r"},
                                           OpenerResult{32, "System Error on opening file\r/p/guide_8way.pdf\r\r"},
                                           OpenerResult{33, ""}, OpenerResult{0, ""}));

// With no PDF viewer the message names the guide and offers its folder; a
// folder that will not open either is named in an error.
struct NoViewerCase {
  DlgButton answer;
  int folderResult;
  std::vector<std::string> opened;
  std::string error;  // "" for none
};
class NoViewer : public ::testing::TestWithParam<NoViewerCase> {};

TEST_P(NoViewer, OffersTheGuidesFolder) {
  const NoViewerCase& c = GetParam();
  ScriptedDialogs dialogs;
  dialogs.openDocumentResult = 27;
  dialogs.Answer(c.answer);
  dialogs.onMessage = [&](const velmar::platform::MessageBoxRequest& r) {
    if (r.IsQuestion()) dialogs.openDocumentResult = c.folderResult;
  };
  manualButtonClick(velmar::slot::kind_portable, "/opt/velmar/", dialogs);
  ASSERT_FALSE(dialogs.shown.empty());
  const auto& question = dialogs.shown.front();
  EXPECT_EQ(question.text,
            "The filename association for PDF files is not set\r/opt/velmar/guide_portable.pdf\r\r"
            "Open the folder that holds it?\r/opt/velmar/");
  EXPECT_EQ(question.buttons, (std::vector<DlgButton>{DlgButton::Yes, DlgButton::No}));
  EXPECT_EQ(dialogs.openedDocuments, c.opened);
  EXPECT_EQ(dialogs.shown.size() > 1 ? dialogs.shown.back().text : std::string(), c.error);
  EXPECT_TRUE(dialogs.unexpected.empty());
}

INSTANTIATE_TEST_SUITE_P(
    ManualViewer, NoViewer,
    ::testing::Values(NoViewerCase{DlgButton::No, 42, {"/opt/velmar/guide_portable.pdf"}, ""},
                      NoViewerCase{DlgButton::Yes, 42, {"/opt/velmar/guide_portable.pdf", "/opt/velmar/"}, ""},
                      NoViewerCase{DlgButton::Yes,
                                   27,
                                   {"/opt/velmar/guide_portable.pdf", "/opt/velmar/"},
                                   "The folder could not be opened either\r/opt/velmar/"}));

TEST(ManualViewer, TheShippedGuidesAreInTheProgramFolder) {
  if (!velmar::test::Exists(velmar::test::BinDir() + "guide_single.pdf")) GTEST_SKIP() << "built without Qt";
  for (auto kind : {velmar::slot::kind_single, velmar::slot::kind_8way, velmar::slot::kind_portable})
    EXPECT_TRUE(velmar::test::Exists(ManualFile(kind, velmar::test::BinDir()))) << int(kind);
}

}  // namespace
