// `velmar-cli doctor` against a fake sysfs, /dev and udev tree and the
// simulated programmer, and the doctor's mention in the link's no-device
// messages.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>

#include "cli/CliTestSupport.h"
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

}  // namespace
}  // namespace velmar::test
