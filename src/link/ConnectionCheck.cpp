// The connection check on Linux: gather the facts (sysfs or libusb, device
// node permissions and ACLs, udev rules, the D2XX library), then turn them
// into problems with fixes. Facts come from the places named in CheckSetup
// only.
#include "link/ConnectionCheck.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "link/D2xxLibraryDriver.h"

namespace velmar::link {

namespace {

namespace fs = std::filesystem;

constexpr const char* kProgrammerSerial = "QRX";
constexpr const char* kReloadRules = "sudo udevadm control --reload-rules && sudo udevadm trigger";
constexpr const char* kTryWithoutHardware = "velmar-cli --simulate portable identify";
const char* const kRuleFolders[] = {"etc/udev/rules.d", "run/udev/rules.d", "usr/local/lib/udev/rules.d",
                                    "usr/lib/udev/rules.d", "lib/udev/rules.d"};

// ---- Access to a device node ----

// Entries of a POSIX ACL as the kernel stores it in system.posix_acl_access.
enum AclTag : std::uint16_t {
  kUserObj = 0x01,
  kUser = 0x02,
  kGroupObj = 0x04,
  kGroup = 0x08,
  kMask = 0x10,
  kOther = 0x20
};
constexpr unsigned kReadWrite = 06;

struct AclEntry {
  std::uint16_t tag;
  std::uint16_t perm;
  std::uint32_t id;
};

std::vector<AclEntry> ReadAcl(const std::string& node) {
  std::vector<AclEntry> entries;
  char buffer[1024];
  ssize_t n = ::getxattr(node.c_str(), "system.posix_acl_access", buffer, sizeof buffer);
  if (n < 4) return entries;
  for (ssize_t at = 4; at + 8 <= n; at += 8) {
    AclEntry e;
    std::memcpy(&e.tag, buffer + at, 2);
    std::memcpy(&e.perm, buffer + at + 2, 2);
    std::memcpy(&e.id, buffer + at + 4, 4);
    entries.push_back(e);
  }
  return entries;
}

bool InGroups(const UserIdentity& user, gid_t gid) {
  return std::find(user.groups.begin(), user.groups.end(), gid) != user.groups.end();
}

// The kernel's order: owner, named users, then the groups (any that grants
// wins, a match without a grant denies), then others; the mask limits all
// but the owner and others.
bool AclGrants(const std::vector<AclEntry>& acl, const struct stat& st, const UserIdentity& user) {
  unsigned mask = 07;
  for (const AclEntry& e : acl)
    if (e.tag == kMask) mask = e.perm;
  auto grants = [](unsigned perm) { return (perm & kReadWrite) == kReadWrite; };
  if (user.uid == st.st_uid) {
    for (const AclEntry& e : acl)
      if (e.tag == kUserObj) return grants(e.perm);
  }
  for (const AclEntry& e : acl)
    if (e.tag == kUser && e.id == user.uid) return grants(e.perm & mask);
  bool groupMatched = false;
  for (const AclEntry& e : acl) {
    const bool match = (e.tag == kGroupObj && InGroups(user, st.st_gid)) || (e.tag == kGroup && InGroups(user, e.id));
    if (!match) continue;
    if (grants(e.perm & mask)) return true;
    groupMatched = true;
  }
  if (groupMatched) return false;
  for (const AclEntry& e : acl)
    if (e.tag == kOther) return grants(e.perm);
  return false;
}

bool ModeGrants(const struct stat& st, const UserIdentity& user) {
  unsigned bits = st.st_uid == user.uid       ? (st.st_mode >> 6)
                  : InGroups(user, st.st_gid) ? (st.st_mode >> 3)
                                              : st.st_mode;
  return (bits & kReadWrite) == kReadWrite;
}

std::string ModeText(const struct stat& st) {
  std::string t = S_ISCHR(st.st_mode) ? "c" : S_ISDIR(st.st_mode) ? "d" : "-";
  const char* rwx = "rwxrwxrwx";
  for (int i = 0; i < 9; ++i) t += (st.st_mode & (0400 >> i)) ? rwx[i] : '-';
  return t;
}

std::string OwnerText(const struct stat& st) {
  const passwd* pw = ::getpwuid(st.st_uid);
  const group* gr = ::getgrgid(st.st_gid);
  return (pw ? std::string(pw->pw_name) : std::to_string(st.st_uid)) + ":" +
         (gr ? std::string(gr->gr_name) : std::to_string(st.st_gid));
}

// ---- The facts ----

}  // namespace

std::string FindUdevRule(const std::string& udevRoot) {
  // Ours by name first, then any rule that names the programmer's chip.
  for (const char* folder : kRuleFolders) {
    fs::path rule = fs::path(udevRoot) / folder / kUdevRuleName;
    std::error_code ec;
    if (fs::is_regular_file(rule, ec)) return rule.lexically_normal().string();
  }
  for (const char* folder : kRuleFolders) {
    std::error_code ec;
    for (const fs::directory_entry& e : fs::directory_iterator(fs::path(udevRoot) / folder, ec)) {
      if (e.path().extension() != ".rules") continue;
      std::ifstream in(e.path());
      std::string line;
      while (std::getline(in, line))
        if (line.find("0403") != std::string::npos && line.find("6010") != std::string::npos && line.find('#') != 0)
          return e.path().lexically_normal().string();
    }
  }
  return {};
}

namespace {

bool AnyOpenableProgrammerChip(const std::vector<CheckedDevice>& devices) {
  return std::any_of(devices.begin(), devices.end(),
                     [](const CheckedDevice& d) { return d.isProgrammerChip && d.access.canOpen; });
}

// ---- The problems ----

std::string RuleInstallFix(const CheckSetup& s) {
  const std::string source = s.ruleSource.empty() ? std::string(kUdevRuleName) : s.ruleSource;
  return "Install the udev rule: sudo cp " + source + " /etc/udev/rules.d/ && " + kReloadRules +
         ", then unplug and replug the programmer";
}

// This user may not open the device: without our rule, install it; with
// it, the rule has not been applied to this device or this user.
std::string AccessFix(const CheckSetup& s, const ConnectionReport& r) {
  if (r.udevRule.empty()) return RuleInstallFix(s);
  return "Unplug and replug the programmer so that the udev rule applies; without a desktop seat: sudo adduser " +
         (s.user.name.empty() ? std::string("$USER") : s.user.name) + " plugdev, then log in again";
}

// The device node of the programmer's chip, for a fix that names it ("" none).
std::string ProgrammerNode(const ConnectionReport& r) {
  for (const CheckedDevice& d : r.devices)
    if (d.isProgrammerChip && d.access.exists) return d.access.node;
  return {};
}

// The fix for a programmer that did not answer, after what stopped it.
std::string NoAnswerFix(const CheckSetup& s, const ConnectionReport& r, const std::string& error) {
  const std::string node = ProgrammerNode(r);
  const std::string namesHolder = node.empty() ? "" : " (sudo fuser -v " + node + " names it)";
  switch (CauseOfNoAnswer(error)) {
    case NoAnswerCause::serial_driver:
      return "Close the program that uses the programmer's serial port (/dev/ttyUSB*), or unload the kernel's "
             "serial driver while you work: sudo rmmod ftdi_sio (blacklist it to keep it away); then try again";
    case NoAnswerCause::other_program:
      return "Close the other program that holds the programmer (another Velmar, a terminal or a programming "
             "tool)" +
             namesHolder + ", then try again";
    case NoAnswerCause::serial_driver_or_program:
      return "Unload the kernel's serial driver (sudo rmmod ftdi_sio), or use --driver libftdi, which detaches it "
             "by itself and says which of the two holds the channel; else close the other program that holds the "
             "programmer" +
             namesHolder + ", then try again";
    case NoAnswerCause::access: return AccessFix(s, r);
    case NoAnswerCause::no_description:
      return "Unplug and replug the programmer; if it stays so, use another USB port or cable";
    case NoAnswerCause::silent: break;
  }
  return "Check the programmer's power or battery and the cable, then unplug and replug it; velmar-cli --trace "
         "trace.txt identify records what was said";
}

void DeviceProblems(const CheckSetup& s, const ConnectionReport& r, const CheckedDevice& d,
                    std::vector<Problem>& problems) {
  const std::string where = "The programmer's USB interface " + d.usb.Id() + " at " + d.usb.Place();
  // libusb reaches the node however it looked to us: refused access is a
  // matter of permissions, whatever the node's stat said.
  const bool accessRefused = d.access.libusbError == "LIBUSB_ERROR_ACCESS";
  if (!d.access.exists && !d.access.canOpen && !accessRefused) {
    problems.push_back(
        {where + " has no device node " + d.access.node,
         "Make sure udev is running and /dev/bus/usb is mounted, then unplug and replug the programmer"});
  } else if (!d.access.canOpen) {
    const std::string who = s.user.name.empty() ? "this user" : "User " + s.user.name;
    std::string facts = d.access.permissions;
    if (!d.access.libusbError.empty()) facts += (facts.empty() ? "libusb: " : "; libusb: ") + d.access.libusbError;
    problems.push_back(
        {who + " may not open " + d.access.node + (facts.empty() ? "" : " (" + facts + ")"), AccessFix(s, r)});
  }
  for (const UsbInterface& i : d.usb.interfaces) {
    if (i.driver.empty() || i.driver == "usbfs") continue;
    const std::string held = "The kernel driver " + i.driver + " holds interface " + std::to_string(i.number) +
                             (i.tty.empty() ? "" : " (" + i.tty + ")") + " of " + d.usb.Place();
    if (i.driver == "ftdi_sio") {
      // libftdi detaches the serial driver itself; D2XX cannot.
      if (r.driver == "d2xx")
        problems.push_back({held + "; FTDI's D2XX library cannot open it",
                            "sudo rmmod ftdi_sio while you work (or blacklist it), or use --driver libftdi, which "
                            "detaches it by itself"});
    } else {
      problems.push_back({held, "echo " + d.usb.path + ":1." + std::to_string(i.number) +
                                    " | sudo tee /sys/bus/usb/drivers/" + i.driver +
                                    "/unbind, or unplug and replug the programmer"});
    }
  }
}

void Diagnose(const CheckSetup& s, ConnectionReport& r) {
  std::vector<Problem>& problems = r.problems;
  const bool anyChip =
      std::any_of(r.devices.begin(), r.devices.end(), [](const CheckedDevice& d) { return d.isProgrammerChip; });
  if (!s.simulated) {
    if (r.devices.empty())
      problems.push_back({"No USB device with FTDI's vendor id (0403) is connected",
                          "Check the USB cable and that the programmer is switched on; to try Velmar without "
                          "hardware: " +
                              std::string(kTryWithoutHardware)});
    else if (!anyChip)
      problems.push_back(
          {"None of the FTDI devices is the programmer's interface chip (0403:6010)",
           "Connect the programmer's USB cable; to try Velmar without hardware: " + std::string(kTryWithoutHardware)});
  }
  std::vector<const CheckedDevice*> chips;
  for (const CheckedDevice& d : r.devices)
    if (d.isProgrammerChip) chips.push_back(&d);
  const bool noneIsOurs = !chips.empty() && std::all_of(chips.begin(), chips.end(), [](const CheckedDevice* d) {
    return !d->usb.serial.empty() && d->usb.serial != kProgrammerSerial;
  });
  if (noneIsOurs)
    problems.push_back({"No FT2232 carries the programmer's serial number " + std::string(kProgrammerSerial) +
                            " (found " + chips.front()->usb.serial + ")",
                        "This is another device with the same chip; connect the programmer. If it is the "
                        "programmer, Velmar's udev rule (which grants only the serial number " +
                            std::string(kProgrammerSerial) +
                            ") does not cover it: use the broad fallback rule the rule file carries"});
  for (const CheckedDevice* d : chips) DeviceProblems(s, r, *d, problems);
  if (r.udevRule.empty() && !s.simulated)
    problems.push_back({"Velmar's udev rule is not installed", RuleInstallFix(s)});
  if (s.driver == "d2xx" && !r.d2xxProblem.empty())
    problems.push_back({"--driver d2xx: " + r.d2xxProblem.substr(0, r.d2xxProblem.find('\r')),
                        "Install libftd2xx.so from FTDI into /usr/local/lib and run sudo ldconfig, or use --driver "
                        "libftdi"});
  if (r.identification && !r.identification->answered)
    problems.push_back(
        {"The programmer did not answer: " + r.identification->error, NoAnswerFix(s, r, r.identification->error)});
}

}  // namespace

UserIdentity UserIdentity::Current() {
  UserIdentity u;
  u.uid = ::geteuid();
  u.groups.push_back(::getegid());
  int n = ::getgroups(0, nullptr);
  if (n > 0) {
    std::vector<gid_t> more(std::size_t(n), 0);
    n = ::getgroups(n, more.data());
    if (n > 0) u.groups.insert(u.groups.end(), more.begin(), more.begin() + n);
  }
  if (const passwd* pw = ::getpwuid(u.uid)) u.name = pw->pw_name;
  return u;
}

DeviceAccess JudgeAccess(const std::string& node, const UserIdentity& user) {
  DeviceAccess a;
  a.node = node;
  struct stat st {};
  if (::stat(node.c_str(), &st) != 0) return a;
  a.exists = true;
  const std::vector<AclEntry> acl = ReadAcl(node);
  a.permissions = ModeText(st) + " " + OwnerText(st) + (acl.empty() ? "" : ", ACL");
  a.canOpen = user.uid == 0 || (acl.empty() ? ModeGrants(st, user) : AclGrants(acl, st, user));
  return a;
}

ConnectionReport RunConnectionCheck(const CheckSetup& s) {
  ConnectionReport r;
  std::vector<UsbDevice> usb;
  std::string libusbError;
  if (s.useLibusb && ListFtdiDevicesWithLibusb(s.sysfsRoot, usb, libusbError)) {
    r.listedWith = "libusb";
  } else {
    usb = ListFtdiDevicesFromSysfs(s.sysfsRoot);
    r.listedWith = "sysfs";
    r.listingNote = libusbError;
  }
  for (UsbDevice& u : usb) {
    CheckedDevice d;
    d.isProgrammerChip = u.vendor == kFtdiVendorId && u.product == kFt2232ProductId;
    d.access = JudgeAccess(u.Node(s.devRoot), s.user);
    // What libusb could do outweighs what the node's mode suggests.
    if (u.libusbOpened == UsbDevice::Opened::Yes) {
      d.access.canOpen = true;
    } else if (u.libusbOpened == UsbDevice::Opened::No) {
      d.access.canOpen = false;
      d.access.libusbError = u.libusbError;
    }
    d.usb = std::move(u);
    r.devices.push_back(std::move(d));
  }
  r.udevRule = FindUdevRule(s.udevRoot);
  r.d2xxProblem = s.d2xxProblem ? s.d2xxProblem() : D2xxLibraryDriver().Problem();
  r.driver = s.simulated ? "sim" : s.driver != "auto" ? s.driver : r.d2xxProblem.empty() ? "d2xx" : "libftdi";
  if (s.identify && (s.simulated || AnyOpenableProgrammerChip(r.devices))) r.identification = s.identify();
  Diagnose(s, r);
  return r;
}

}  // namespace velmar::link
