// The link pacing of the window: setting.ini's LinkPacing key (exact when it
// is absent or unknown) in force from the first Read on, a command-line
// choice in force without being stored, a choice in the window stored,
// every operation log record naming the pacing it ran in, and the window's
// test of fast exchanges.
#include <optional>

#include <gtest/gtest.h>

#include "link/TReadProg.h"
#include "model/ReadRig.h"
#include "platform/IniFile.h"
#include "support/TestSupport.h"

namespace velmar::model {
namespace {

using link::LinkPacing;
using test::ReadRig;

struct PacingCase {
  const char* name;
  const char* settingIni;            // null: no file
  std::optional<LinkPacing> fixed;   // the command line's --link-pacing
  std::optional<LinkPacing> chosen;  // the window's menu, after the Read
  LinkPacing inForce;                // at the Read
  const char* stored;                // LinkPacing in setting.ini after close
};

const PacingCase kCases[] = {
    {"noFile", nullptr, {}, {}, LinkPacing::exact, "exact"},
    {"noKey", "[ProgSettings]\nPICFamily=0\n", {}, {}, LinkPacing::exact, "exact"},
    {"fastKept", "[ProgSettings]\nLinkPacing=fast\n", {}, {}, LinkPacing::fast, "fast"},
    {"unknownIsExact", "[ProgSettings]\nLinkPacing=quick\n", {}, {}, LinkPacing::exact, "exact"},
    {"commandLineNotStored", "[ProgSettings]\nLinkPacing=exact\n", LinkPacing::fast, {}, LinkPacing::fast, "exact"},
    {"menuStored", nullptr, {}, LinkPacing::fast, LinkPacing::exact, "fast"},
};

class WindowPacing : public ::testing::TestWithParam<PacingCase> {};

TEST_P(WindowPacing, FollowsSettingCommandLineAndMenu) {
  const PacingCase& c = GetParam();
  ReadRig rig(0);
  if (c.settingIni) test::WriteFile(rig.work.File("setting.ini"), c.settingIni);
  rig.Create();
  if (c.fixed) rig.W().FixLinkPacing(*c.fixed);
  rig.W().ReadProgButtonClick();
  ASSERT_FALSE(rig.W().CloseRequested);
  EXPECT_EQ(rig.W().Link()->Pacing, c.inForce);
  rig.W().FormShow();
  EXPECT_EQ(rig.W().Link()->Pacing, c.inForce) << "loading setting.ini keeps the command line's";
  if (c.chosen) rig.W().ChooseLinkPacing(*c.chosen);
  EXPECT_NE(rig.W().StatusText().find(std::string(link::PacingName(rig.W().LinkPacing())) + " pacing"),
            std::string::npos)
      << rig.W().StatusText();
  rig.W().FormClose();
  EXPECT_EQ(platform::IniFile(rig.work.File("setting.ini")).ReadString("ProgSettings", "LinkPacing", "(none)"),
            c.stored);
  // The Read's record names the pacing it ran in.
  const std::string log = test::ReadFile(rig.work.File("velmar-log.jsonl"));
  EXPECT_NE(log.find(std::string("\"link_pacing\":\"") + link::PacingName(c.inForce) + "\""), std::string::npos) << log;
}

INSTANTIATE_TEST_SUITE_P(Cases, WindowPacing, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Test fast exchanges through the window's link: two slots' first pages
// compared, the pacing in force left as it was, a link-test record; a
// firmware slow to load its replies is found out, and the window still
// works in exact pacing after it.
TEST(WindowFastExchangeTest, ComparesThroughTheWindowsLinkAndRecordsIt) {
  for (const int replyPrepUs : {0, 300}) {
    SCOPED_TRACE(replyPrepUs);
    ReadRig rig(2);
    rig.Stage({test::SlotSpec{}, test::SlotSpec{}});
    rig.Sim().replyPrepUs = replyPrepUs;
    rig.Start();
    ASSERT_FALSE(rig.W().CloseRequested) << "exact pacing reads every firmware";
    const std::optional<link::PacingComparison> c = rig.W().TestLinkPacings();
    ASSERT_TRUE(c);
    EXPECT_EQ(c->Identical(), replyPrepUs == 0) << c->Finding();
    EXPECT_EQ(c->pages.size(), 64u);
    EXPECT_EQ(c->slotsInUse, 2);
    EXPECT_EQ(rig.W().Link()->Pacing, LinkPacing::exact);
    EXPECT_FALSE(rig.W().Link()->LinkOpen);
    const std::string log = test::ReadFile(rig.work.File("velmar-log.jsonl"));
    const std::string last = log.substr(log.rfind("{\"time\""));
    const std::string result = replyPrepUs ? "failed" : "ok";
    EXPECT_NE(last.find("\"operation\":\"link-test\",\"result\":\"" + result + "\""), std::string::npos) << last;
    rig.W().ReadProgButtonClick();
    EXPECT_EQ(rig.W().Programs.EntryCount, 2);
  }
}

}  // namespace
}  // namespace velmar::model
