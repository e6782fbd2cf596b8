// A link session ends the same way whichever of the system's failures stops
// its command: the link is closed, the simulated programmer's state is saved,
// and the failure's own text (line breaks as the terminal shows them) is the
// command's message.
#include <functional>
#include <sstream>

#include <gtest/gtest.h>

#include "cli/CliContext.h"
#include "cli/LinkSession.h"
#include "devices/DeviceDatabase.h"
#include "firmware/TFirmwareFile.h"
#include "image/ISPDefs.h"
#include "image/TFileLoader.h"
#include "link/LinkErrors.h"
#include "link/TReadProg.h"
#include "support/TestSupport.h"

namespace velmar::test {
namespace {

struct Failure {
  const char* name;
  std::function<void()> raise;
};

void PrintTo(const Failure& f, std::ostream* os) { *os << f.name; }

class LinkSessionFailure : public ::testing::TestWithParam<Failure> {};

TEST_P(LinkSessionFailure, ClosesTheLinkSavesTheStateAndReportsTheText) {
  TempDir dir;
  std::ostringstream out, err;
  std::istringstream in;
  cli::CliContext ctx(out, err, in);
  ctx.options.simulate = "single";
  ctx.options.workingFolder = dir.Path();
  cli::LinkSession s(ctx);
  try {
    s.Run([&] {
      s.Prog().Identify();
      ASSERT_TRUE(s.Prog().LinkOpen);
      GetParam().raise();
    });
    FAIL() << "no failure reported";
  } catch (const cli::CliFailure& e) {
    EXPECT_EQ(std::string(e.what()), "First line\nsecond line");
    EXPECT_EQ(e.code, cli::kExitFailed);
  }
  EXPECT_FALSE(s.Prog().LinkOpen);
  EXPECT_TRUE(Exists(dir.File("sim-single.state")));
}

const char kText[] = "First line\rsecond line";

INSTANTIATE_TEST_SUITE_P(
    EveryKind, LinkSessionFailure,
    ::testing::Values(Failure{"LinkFailure", [] { throw link::EISPException(kText); }},
                      Failure{"FirmwareNeeded", [] { throw link::EFirmwareUpdate(kText); }},
                      Failure{"ImageFailure", [] { throw image::EImageError(kText); }},
                      Failure{"FileNotRead", [] { throw image::EFileOpenError(kText); }},
                      Failure{"FirmwareFileCorrupted", [] { throw firmware::EFirmwareCorrupted(kText); }},
                      Failure{"DeviceFileMissing", [] { throw devices::EDeviceFileMissing(kText); }}),
    [](const ::testing::TestParamInfo<Failure>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velmar::test
