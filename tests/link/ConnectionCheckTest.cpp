// The connection check against fake sysfs, /dev and udev trees: which
// problems it finds in each situation users meet, with which fixes, whether
// it tries to identify, and how a device node's mode and ACL are judged.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/xattr.h>

#include <cstring>

#include "link/ConnectionCheck.h"
#include "support/FakeUsbTree.h"

namespace velmar::link {
namespace {

using test::FakeUsbTree;

// Someone who neither owns the fake nodes nor is root; `inNodeGroup` puts
// them in the nodes' group.
UserIdentity Stranger(const std::string& node, bool inNodeGroup) {
  struct stat st {};
  ::stat(node.c_str(), &st);
  UserIdentity u;
  u.uid = st.st_uid + 4242;
  u.groups = {gid_t(st.st_gid + 4242)};
  if (inNodeGroup) u.groups.push_back(st.st_gid);
  u.name = "alice";
  return u;
}

struct Situation {
  const char* name;
  const char* product;  // "" no device
  const char* serial;
  mode_t mode;
  bool inGroup;
  bool rule;
  const char* boundDriver;  // on interface 0 ("" none)
  const char* driver;       // --driver
  bool d2xxLoads;
  bool answers;
  // What must come out
  bool identifyTried;
  std::vector<const char*> problems;  // a word of each problem, in order
  const char* fixWord;                // a word the first fix holds ("" none)
};

class ConnectionCheckSituations : public ::testing::TestWithParam<Situation> {};

TEST_P(ConnectionCheckSituations, FindsTheProblemsAndTheirFixes) {
  const Situation& c = GetParam();
  FakeUsbTree tree;
  std::string node = tree.Node(1, 5, c.mode);
  if (*c.product) tree.AddDevice("1-2", "0403", c.product, 1, 5, c.serial);
  if (*c.product && *c.boundDriver) tree.Bind("1-2", 0, c.boundDriver, "ttyUSB0");
  if (c.rule) tree.InstallRule("usr/lib/udev/rules.d", kUdevRuleName, "SUBSYSTEM==\"usb\"\n");

  CheckSetup s;
  s.sysfsRoot = tree.Sys();
  s.devRoot = tree.Dev();
  s.udevRoot = tree.Udev();
  s.useLibusb = false;
  s.driver = c.driver;
  s.user = Stranger(node, c.inGroup);
  s.d2xxProblem = [&] { return c.d2xxLoads ? std::string() : std::string("libftd2xx.so: cannot open"); };
  int tried = 0;
  s.identify = [&] {
    ++tried;
    Identification id;
    id.answered = c.answers;
    if (c.answers)
      id.kind = slot::kind_portable, id.model = "portable", id.firmwareVersion = 130;
    else
      id.error = "Programmer not Detected";
    return id;
  };
  ConnectionReport r = RunConnectionCheck(s);

  EXPECT_EQ(tried, c.identifyTried ? 1 : 0);
  EXPECT_EQ(r.Ok(), c.identifyTried && c.answers);
  ASSERT_EQ(r.problems.size(), c.problems.size()) << ReportText(r);
  for (std::size_t i = 0; i < c.problems.size(); ++i) {
    EXPECT_NE(r.problems[i].problem.find(c.problems[i]), std::string::npos) << r.problems[i].problem;
    EXPECT_FALSE(r.problems[i].fix.empty());
  }
  if (*c.fixWord) {
    EXPECT_NE(r.problems[0].fix.find(c.fixWord), std::string::npos) << r.problems[0].fix;
  }
  // The report names every problem and its fix.
  const std::string text = ReportText(r);
  for (const Problem& p : r.problems) EXPECT_NE(text.find("Fix: " + p.fix), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Situations, ConnectionCheckSituations,
    ::testing::Values(
        Situation{"NothingConnected",
                  "",
                  "",
                  0664,
                  false,
                  true,
                  "",
                  "auto",
                  false,
                  true,
                  false,
                  {"No USB device with FTDI's vendor id"},
                  "--simulate"},
        Situation{"AnotherFtdiDeviceOnly",
                  "6001",
                  "A1B2",
                  0666,
                  false,
                  true,
                  "",
                  "auto",
                  false,
                  true,
                  false,
                  {"None of the FTDI devices"},
                  ""},
        Situation{"NoPermissionAndNoRule",
                  "6010",
                  "QRX",
                  0664,
                  false,
                  false,
                  "",
                  "auto",
                  false,
                  true,
                  false,
                  {"alice may not open", "udev rule is not installed"},
                  "udevadm control --reload-rules"},
        Situation{"NoPermissionWithTheRuleNeedsAReplug",
                  "6010",
                  "QRX",
                  0664,
                  false,
                  true,
                  "",
                  "auto",
                  false,
                  true,
                  false,
                  {"alice may not open"},
                  "replug"},
        Situation{"GroupAccessAndAnAnswer", "6010", "QRX", 0660, true, true, "", "auto", false, true, true, {}, ""},
        Situation{"SerialDriverIsFineForLibftdi",
                  "6010",
                  "QRX",
                  0666,
                  false,
                  true,
                  "ftdi_sio",
                  "libftdi",
                  false,
                  true,
                  true,
                  {},
                  ""},
        Situation{"SerialDriverBlocksD2xx",
                  "6010",
                  "QRX",
                  0666,
                  false,
                  true,
                  "ftdi_sio",
                  "auto",
                  true,
                  false,
                  true,
                  {"ftdi_sio holds interface 0 (ttyUSB0)", "did not answer"},
                  "rmmod ftdi_sio"},
        Situation{"MissingD2xxWhenAskedFor",
                  "6010",
                  "QRX",
                  0666,
                  false,
                  true,
                  "",
                  "d2xx",
                  false,
                  false,
                  true,
                  {"--driver d2xx", "did not answer"},
                  "libftd2xx"},
        Situation{"AnotherDriverHoldsTheInterface",
                  "6010",
                  "QRX",
                  0666,
                  false,
                  true,
                  "usbserial_generic",
                  "libftdi",
                  false,
                  true,
                  true,
                  {"usbserial_generic holds interface 0"},
                  "unbind"},
        Situation{"AnotherBoardWithTheSameChip",
                  "6010",
                  "FT12345",
                  0666,
                  false,
                  true,
                  "",
                  "libftdi",
                  false,
                  false,
                  true,
                  {"serial number QRX", "did not answer"},
                  ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ConnectionCheck, ListsTheDeviceAsTheKernelSeesIt) {
  FakeUsbTree tree;
  tree.AddDevice("3-1.4", "0403", "6010", 3, 17, "QRX");
  tree.Bind("3-1.4", 1, "ftdi_sio", "ttyUSB1");
  tree.AddDevice("1-1", "046d", "c52b", 1, 2, "X");  // not FTDI
  std::vector<UsbDevice> list = ListFtdiDevicesFromSysfs(tree.Sys());
  ASSERT_EQ(list.size(), 1u);
  const UsbDevice& d = list[0];
  EXPECT_EQ(d.path, "3-1.4");
  EXPECT_EQ(d.Id(), "0403:6010");
  EXPECT_EQ(d.Node("/dev"), "/dev/bus/usb/003/017");
  EXPECT_EQ(d.productName, "Dual RS232");
  EXPECT_EQ(d.serial, "QRX");
  ASSERT_EQ(d.interfaces.size(), 2u);
  EXPECT_EQ(d.interfaces[0].driver, "");
  EXPECT_EQ(d.interfaces[1].driver, "ftdi_sio");
  EXPECT_EQ(d.interfaces[1].tty, "ttyUSB1");
}

TEST(ConnectionCheck, AMissingNodeIsAProblemAndNothingIsTried) {
  FakeUsbTree tree;
  tree.AddDevice("1-2", "0403", "6010", 1, 9, "QRX");
  tree.InstallRule("etc/udev/rules.d", kUdevRuleName, "");
  CheckSetup s;
  s.sysfsRoot = tree.Sys();
  s.devRoot = tree.Dev();
  s.udevRoot = tree.Udev();
  s.useLibusb = false;
  s.d2xxProblem = [] { return std::string("missing"); };
  bool tried = false;
  s.identify = [&] {
    tried = true;
    return Identification{};
  };
  ConnectionReport r = RunConnectionCheck(s);
  EXPECT_FALSE(tried);
  ASSERT_EQ(r.problems.size(), 1u);
  EXPECT_NE(r.problems[0].problem.find("no device node"), std::string::npos);
  EXPECT_EQ(r.udevRule, tree.Udev() + "/etc/udev/rules.d/" + kUdevRuleName);
}

TEST(ConnectionCheck, AnotherRuleForTheChipCountsButACommentedOneDoesNot) {
  FakeUsbTree tree;
  CheckSetup s;
  s.sysfsRoot = tree.Sys();
  s.devRoot = tree.Dev();
  s.udevRoot = tree.Udev();
  s.useLibusb = false;
  s.d2xxProblem = [] { return std::string(); };
  tree.InstallRule("etc/udev/rules.d", "99-mine.rules", "# ATTRS{idVendor}==\"0403\", ATTRS{idProduct}==\"6010\"\n");
  EXPECT_EQ(RunConnectionCheck(s).udevRule, "");
  tree.InstallRule("lib/udev/rules.d", "70-ftdi.rules",
                   "ATTRS{idVendor}==\"0403\", ATTRS{idProduct}==\"6010\", MODE=\"0666\"\n");
  EXPECT_EQ(RunConnectionCheck(s).udevRule, tree.Udev() + "/lib/udev/rules.d/70-ftdi.rules");
}

TEST(ConnectionCheck, TheSimulatorIsIdentifiedWithoutHardware) {
  FakeUsbTree tree;
  CheckSetup s;
  s.sysfsRoot = tree.Sys();
  s.devRoot = tree.Dev();
  s.udevRoot = tree.Udev();
  s.useLibusb = false;
  s.simulated = true;
  s.d2xxProblem = [] { return std::string(); };
  s.identify = [] {
    Identification id;
    id.answered = true;
    id.kind = slot::kind_8way;
    return id;
  };
  ConnectionReport r = RunConnectionCheck(s);
  EXPECT_TRUE(r.Ok());
  EXPECT_TRUE(r.problems.empty()) << ReportText(r);
  EXPECT_EQ(r.driver, "sim");
}

// A POSIX ACL as the kernel stores it: header then (tag, perm, id) entries.
std::string Acl(std::initializer_list<std::array<std::uint32_t, 3>> entries) {
  std::string b(4, '\0');
  b[0] = 2;  // version
  for (const auto& e : entries) {
    char raw[8];
    const std::uint16_t tag = std::uint16_t(e[0]), perm = std::uint16_t(e[1]);
    std::memcpy(raw, &tag, 2);
    std::memcpy(raw + 2, &perm, 2);
    std::memcpy(raw + 4, &e[2], 4);
    b.append(raw, 8);
  }
  return b;
}

TEST(JudgeAccess, ModeBitsOwnerGroupAndTheSeatAcl) {
  FakeUsbTree tree;
  const std::string node = tree.Node(1, 2, 0664);
  UserIdentity stranger = Stranger(node, false);
  UserIdentity member = Stranger(node, true);
  EXPECT_FALSE(JudgeAccess(node, stranger).canOpen);
  EXPECT_TRUE(JudgeAccess(node, member).canOpen);
  UserIdentity root = stranger;
  root.uid = 0;
  EXPECT_TRUE(JudgeAccess(node, root).canOpen);
  EXPECT_EQ(JudgeAccess(node, stranger).permissions.substr(0, 10), "-rw-rw-r--");
  EXPECT_FALSE(JudgeAccess(tree.Dev() + "/bus/usb/001/099", member).exists);

  // The seat's ACL (udev's uaccess) names the user; the mask limits it.
  struct stat st {};
  ::stat(node.c_str(), &st);
  const std::string acl = Acl({{0x01, 6, 0xFFFFFFFF},
                               {0x02, 6, std::uint32_t(stranger.uid)},
                               {0x04, 6, 0xFFFFFFFF},
                               {0x10, 6, 0xFFFFFFFF},
                               {0x20, 4, 0xFFFFFFFF}});
  if (::setxattr(node.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) != 0)
    GTEST_SKIP() << "this file system keeps no ACLs: " << std::strerror(errno);
  DeviceAccess a = JudgeAccess(node, stranger);
  EXPECT_TRUE(a.canOpen);
  EXPECT_NE(a.permissions.find("ACL"), std::string::npos);
  UserIdentity other = stranger;
  other.uid += 1;
  EXPECT_FALSE(JudgeAccess(node, other).canOpen);
  const std::string masked = Acl({{0x01, 6, 0xFFFFFFFF},
                                  {0x02, 6, std::uint32_t(stranger.uid)},
                                  {0x04, 4, 0xFFFFFFFF},
                                  {0x10, 4, 0xFFFFFFFF},
                                  {0x20, 4, 0xFFFFFFFF}});
  ASSERT_EQ(::setxattr(node.c_str(), "system.posix_acl_access", masked.data(), masked.size(), 0), 0);
  EXPECT_FALSE(JudgeAccess(node, stranger).canOpen);
}

}  // namespace
}  // namespace velmar::link
