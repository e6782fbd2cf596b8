// The Manual button: which guide opens, and the messages for each failure.
#include <gtest/gtest.h>

#include "model/ManualViewer.h"
#include "platform/ScriptedDialogs.h"
#include "support/TestSupport.h"

using velmar::model::ManualFile;
using velmar::model::manualButtonClick;
using velmar::platform::ScriptedDialogs;

namespace {

TEST(ManualViewer, EachKindOpensItsGuide) {
  EXPECT_EQ(ManualFile(0, "/p/"), "/p/guide_single.pdf");
  EXPECT_EQ(ManualFile(1, "/p/"), "/p/guide_single.pdf");
  EXPECT_EQ(ManualFile(2, "/p/"), "/p/guide_8way.pdf");
  EXPECT_EQ(ManualFile(3, "/p/"), "/p/guide_portable.pdf");
  EXPECT_EQ(ManualFile(4, "/p/"), "/p/guide_8way.pdf");
  EXPECT_EQ(ManualFile(5, "/p/"), "/p/guide_single.pdf");
  EXPECT_EQ(ManualFile(255, "/p/"), "/p/guide_single.pdf");
}

TEST(ManualViewer, MapsTheOpenersResultToItsMessage) {
  struct Case {
    int result;
    std::string message;
  } cases[] = {
      {2, "Can not find manual\r/p/guide_8way.pdf\r\r"},
      {3, "Can not find manual\r/p/guide_8way.pdf\r\r"},
      {27, "The filename association for PDF files is not set\r/p/guide_8way.pdf\r\r"},
      {4, "System Error on opening file\r/p/guide_8way.pdf\r\r"},
      {26, "System Error on opening file\r/p/guide_8way.pdf\r\r"},
      {32, "System Error on opening file\r/p/guide_8way.pdf\r\r"},
      {33, ""},
      {0, ""},
  };
  for (const Case& c : cases) {
    ScriptedDialogs dialogs;
    dialogs.openDocumentResult = c.result;
    manualButtonClick(2, "/p/", dialogs);
    EXPECT_EQ(dialogs.openedDocuments, std::vector<std::string>{"/p/guide_8way.pdf"});
    EXPECT_EQ(dialogs.LastText(), c.message) << c.result;
  }
}

TEST(ManualViewer, TheShippedGuidesAreInTheProgramFolder) {
  if (!velmar::test::Exists(velmar::test::BinDir() + "guide_single.pdf")) GTEST_SKIP() << "built without Qt";
  for (int kind : {0, 2, 3})
    EXPECT_TRUE(velmar::test::Exists(ManualFile(kind, velmar::test::BinDir()))) << kind;
}

}  // namespace
