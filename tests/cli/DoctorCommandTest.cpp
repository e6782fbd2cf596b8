// `velmar-cli doctor` against a fake sysfs, /dev and udev tree and the
// simulated programmer, the doctor's mention in the link's no-device
// messages, and `doctor --link-test` on prompt and slow firmwares.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>

#include "cli/CliTestSupport.h"
#include "sim/SimState.h"
#include "support/FakeUsbTree.h"
#include "support/TestSupport.h"

namespace velmar::test {
namespace {

using nlohmann::json;

struct DoctorCli : ::testing::Test {
  CliResult Run(std::vector<std::string> args) {
    std::vector<std::string> all = {"--working-folder", dir.Path()};
    all.insert(all.end(), args.begin(), args.end());
    return RunCliInProcess(all);
  }
  std::vector<std::string> Roots() {
    return {"--sysfs-root", tree.Sys(), "--dev-root", tree.Dev(), "--udev-root", tree.Udev()};
  }
  TempDir dir;
  FakeUsbTree tree;
};

TEST_F(DoctorCli, NoDeviceFailsWithTheProblemsAsJson) {
  VELMAR_SKIP_ON_WINDOWS("a Linux sysfs tree and udev rules");
  std::vector<std::string> args = {"--json", "doctor"};
  for (const std::string& a : Roots()) args.push_back(a);
  auto r = Run(args);
  EXPECT_EQ(r.status, 1) << r.err;
  json j = json::parse(r.out);
  EXPECT_TRUE(j["devices"].empty());
  EXPECT_EQ(j["ok"], false);
  EXPECT_TRUE(j["programmer"].is_null()) << "nothing to identify";
  ASSERT_GE(j["problems"].size(), 2u);
  for (const json& p : j["problems"]) {
    EXPECT_FALSE(p["problem"].get<std::string>().empty());
    EXPECT_FALSE(p["fix"].get<std::string>().empty());
  }
  EXPECT_NE(r.out.find("No USB device with FTDI's vendor id"), std::string::npos);
  EXPECT_NE(r.out.find("udev rule is not installed"), std::string::npos);
}

TEST_F(DoctorCli, HeldDeviceWithD2xxIsReportedWithEveryDetail) {
  VELMAR_SKIP_ON_WINDOWS("a Linux sysfs tree and kernel drivers");
  tree.AddDevice("2-1.3", "0403", "6010", 2, 7, "QRX");
  tree.Bind("2-1.3", 0, "ftdi_sio", "ttyUSB0");
  tree.Bind("2-1.3", 1, "ftdi_sio", "ttyUSB1");
  tree.Node(2, 7, 0666);
  tree.InstallRule("usr/lib/udev/rules.d", "60-velmar-programmer.rules", "");
  std::vector<std::string> args = {"--driver", "d2xx", "doctor"};
  for (const std::string& a : Roots()) args.push_back(a);
  auto r = Run(args);
  EXPECT_EQ(r.status, 1);
  for (const char* expected :
       {"0403:6010 at 2-1.3 (bus 2, device 7)", "serial number: QRX", "/bus/usb/002/007",
        "interface 0 (channel QRXA): driver ftdi_sio, ttyUSB0", "interface 1 (channel QRXB): driver ftdi_sio, ttyUSB1",
        "udev rule: ", "driver: d2xx", "rmmod ftdi_sio", "--driver libftdi"})
    EXPECT_NE(r.out.find(expected), std::string::npos) << expected << "\n" << r.out;
}

TEST_F(DoctorCli, TheSimulatedProgrammerAnswers) {
  std::vector<std::string> args = {"--simulate", "portable", "--json", "doctor"};
  for (const std::string& a : Roots()) args.push_back(a);
  auto r = Run(args);
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  json j = json::parse(r.out);
  EXPECT_EQ(j["ok"], true);
  EXPECT_EQ(j["programmer"]["kind"], 3);
  EXPECT_EQ(j["driver"], "sim");
}

TEST_F(DoctorCli, NoDeviceMessagesPointAtTheDoctor) {
  ASSERT_EQ(Run({"sim", "create", dir.File("p.state"), "--kind", "0"}).status, 0);
  // Unplugged: the state file says so.
  std::string state = ReadFile(dir.File("p.state"));
  const std::size_t at = state.find("usb_attached");
  ASSERT_NE(at, std::string::npos) << state;
  state.replace(at, state.find('\n', at) - at, "usb_attached = 0");
  WriteFile(dir.File("p.state"), state);
  for (const char* command : {"identify", "read"}) {
    auto r = Run({"--sim-state", dir.File("p.state"), command});
    EXPECT_EQ(r.status, 1) << command;
    EXPECT_NE(r.err.find("No USB devices found!\nRun `velmar-cli doctor` to find out why"), std::string::npos)
        << command << ": " << r.err;
  }
}

// The test of fast exchanges: the same reads in both pacings compared, the
// programmer left exactly as it was, and the result in the operation log.
// A firmware that needs time to load each reply byte answers the protocol's
// own exchanges and fails the fast ones.
struct LinkTestCase {
  const char* name;
  const char* kind;
  int replyPrepUs;
  int status;
  const char* says;
  const char* logged;
};

class LinkTest : public ::testing::TestWithParam<LinkTestCase> {};

TEST_P(LinkTest, ComparesBothPacingsWithoutWritingAndLogsTheResult) {
  const LinkTestCase& c = GetParam();
  TempDir dir;
  auto run = [&](std::vector<std::string> args) {
    args.insert(args.begin(), {"--working-folder", dir.Path()});
    return RunCliInProcess(args);
  };
  const std::string state = dir.File("p.state");
  ASSERT_EQ(run({"sim", "create", state, "--kind", c.kind}).status, 0);
  ASSERT_EQ(run({"--sim-state", state, "--yes", "new", "--family", "1", "--device", "PIC16F628A", "--hex",
                 SourceDir() + "examples/pic16f628a/blink.hex", "--description", "Blink"})
                .status,
            0);
  if (c.replyPrepUs) WriteFile(state, ReadFile(state) + "reply_prep_us=" + std::to_string(c.replyPrepUs) + "\n");
  const std::string before = sim::StateText(sim::ParseState(ReadFile(state)));  // as the run saves it

  const CliResult text = run({"--sim-state", state, "doctor", "--link-test"});
  EXPECT_EQ(text.status, c.status) << text.out << text.err;
  EXPECT_NE(text.out.find(c.says), std::string::npos) << text.out;
  EXPECT_TRUE(ReadFile(state) == before) << "the test wrote to the programmer";

  const CliResult j = run({"--sim-state", state, "--json", "doctor", "--link-test"});
  const json result = json::parse(j.out)["link_test"];
  EXPECT_EQ(result["identical"], c.status == 0) << j.out;
  EXPECT_EQ(result["pages"], 64) << "a slot in use: the test reads its first pages";
  EXPECT_EQ(result["differences"].empty(), c.status == 0) << j.out;

  const std::string log = ReadFile(dir.File("velmar-log.jsonl"));
  const json last = json::parse(log.substr(log.rfind('\n', log.size() - 2) + 1));
  EXPECT_EQ(last["operation"], "link-test");
  EXPECT_EQ(last["result"], c.logged);
  EXPECT_EQ(last.contains("message"), c.status != 0) << last.dump();
}

INSTANTIATE_TEST_SUITE_P(
    Firmwares, LinkTest,
    ::testing::Values(LinkTestCase{"prompt8way", "8way", 0, 0, "Every reply byte was the same", "ok"},
                      LinkTestCase{"promptPortable", "portable", 0, 0, "--link-pacing fast", "ok"},
                      LinkTestCase{"slow8way", "8way", 300, 1, "stay on exact pacing", "failed"},
                      LinkTestCase{"slowSingle", "single", 300, 1, "The replies differed:", "failed"}),
    [](const auto& info) { return std::string(info.param.name); });

// The pacing in force: --link-pacing, else setting.ini's LinkPacing, else
// exact; the doctor names it, and only fast pacing sends "send immediate".
struct PacingCase {
  const char* name;
  const char* settingIni;  // null: no file
  std::vector<std::string> options;
  const char* inForce;
};

class PacingInForce : public ::testing::TestWithParam<PacingCase> {};

TEST_P(PacingInForce, IsWhatTheDoctorShowsAndTheLinkUses) {
  const PacingCase& c = GetParam();
  TempDir dir;
  if (c.settingIni) WriteFile(dir.File("setting.ini"), c.settingIni);
  auto run = [&](std::vector<std::string> args) {
    std::vector<std::string> all = {"--working-folder", dir.Path(), "--simulate", "single"};
    all.insert(all.end(), c.options.begin(), c.options.end());
    all.insert(all.end(), args.begin(), args.end());
    return RunCliInProcess(all);
  };
  const CliResult doctor = run({"--json", "doctor"});
  EXPECT_EQ(json::parse(doctor.out)["link_pacing"], c.inForce) << doctor.out;
  const CliResult identify = run({"--trace", dir.File("t.trace"), "identify"});
  ASSERT_EQ(identify.status, 0) << identify.err;
  const std::string trace = ReadFile(dir.File("t.trace"));
  EXPECT_EQ(trace.find(" 87 -> 0") != std::string::npos, std::string(c.inForce) == "fast");
}

INSTANTIATE_TEST_SUITE_P(Cases, PacingInForce,
                         ::testing::Values(PacingCase{"default", nullptr, {}, "exact"},
                                           PacingCase{"setting", "[ProgSettings]\nLinkPacing=fast\n", {}, "fast"},
                                           PacingCase{"optionOverSetting",
                                                      "[ProgSettings]\nLinkPacing=fast\n",
                                                      {"--link-pacing", "exact"},
                                                      "exact"},
                                           PacingCase{"option", nullptr, {"--link-pacing", "fast"}, "fast"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PacingOption, AnUnknownPacingIsAUsageError) {
  TempDir dir;
  const CliResult r =
      RunCliInProcess({"--working-folder", dir.Path(), "--simulate", "single", "--link-pacing", "quick", "identify"});
  EXPECT_EQ(r.status, 2) << r.err;
}

}  // namespace
}  // namespace velmar::test
