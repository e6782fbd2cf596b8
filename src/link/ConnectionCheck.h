// The connection check behind `velmar-cli doctor` and the desktop's Help >
// Check Connection: why does the programmer not answer, and what to do about
// it. It lists the USB devices with FTDI's vendor id, and for each whether
// this user may open it (device node permissions and ACL), which kernel
// driver holds each interface, whether our udev rule is installed and
// whether FTDI's D2XX library is there and loads; then, when a device can be
// opened, it identifies the programmer the way `identify` does. Every
// problem found comes with a one-line fix. All places it looks at are in
// CheckSetup, so that tests point it at a fake sysfs and device tree. On
// Windows the devices are those FTDI's D2XX driver lists, and there are no
// device nodes nor udev rules to judge.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "link/UsbInventory.h"
#include "slot/ProgrammerGeometry.h"

namespace velmar::link {

using UserId = std::uint32_t;
using GroupId = std::uint32_t;

class TReadProg;

// The name our udev rule is installed under.
inline constexpr const char* kUdevRuleName = "60-velmar-programmer.rules";

// The udev rule file that grants access to the programmer's interface chip
// (ours by name, else any rule naming 0403:6010), looked for in udev's
// folders below `udevRoot` ("/" on a real system); "" when none is
// installed (always on Windows).
std::string FindUdevRule(const std::string& udevRoot);

// Who asks: the identity whose access to the device nodes is judged.
struct UserIdentity {
  UserId uid = 0;
  std::vector<GroupId> groups;  // the primary group and the others
  std::string name;
  static UserIdentity Current();
};

// What the check of one attempt to talk to the programmer found.
struct Identification {
  bool answered = false;
  slot::ProgrammerKind kind = slot::kind_unknown;
  std::string model;
  int firmwareVersion = -1;
  std::string error;  // why it did not answer
};

struct CheckSetup {
  std::string sysfsRoot = "/sys";
  std::string devRoot = "/dev";
  std::string udevRoot = "/";   // the folders of udev rules lie below it
  bool useLibusb = true;        // list through libusb (else sysfs only)
  std::string driver = "auto";  // the --driver the user would run with
  bool simulated = false;       // the programmer is the simulated one
  std::string ruleSource;       // our udev rule's file, for the fix's command
  UserIdentity user = UserIdentity::Current();
  // The D2XX library's problem ("" when it loads with every function);
  // by default the real library is loaded and asked.
  std::function<std::string()> d2xxProblem;
  // Identifies the programmer; not called when no device can be opened
  // (unless simulated). Empty: the check identifies nothing.
  std::function<Identification()> identify;
};

struct DeviceAccess {
  std::string node;  // the device node
  bool exists = false;
  bool canOpen = false;
  std::string permissions;  // "crw-rw-r-- root:plugdev" and ", ACL" when it has one
  std::string libusbError;  // why libusb could not open the device, when it tried
};

struct CheckedDevice {
  UsbDevice usb;
  DeviceAccess access;
  bool isProgrammerChip = false;  // 0403:6010
};

struct Problem {
  std::string problem;
  std::string fix;
};

struct ConnectionReport {
  std::string listedWith;   // "libusb" or "sysfs"
  std::string listingNote;  // why libusb was not used, when it was wanted
  std::vector<CheckedDevice> devices;
  bool udevApplies = true;  // false where there is no udev (Windows)
  std::string udevRule;     // the rule file found ("" none)
  std::string d2xxProblem;  // "" when the library loads
  std::string driver;       // the driver the link would use
  std::string linkPacing;   // the pacing in force ("exact", "fast"; "" not said)
  std::optional<Identification> identification;
  std::vector<Problem> problems;
  bool Ok() const { return identification && identification->answered; }
};

ConnectionReport RunConnectionCheck(const CheckSetup& setup);

// The report as plain lines for a terminal or a message box.
std::string ReportText(const ConnectionReport& report);
// Only the problems and their fixes, for the link's no-device messages.
std::string FindingsText(const ConnectionReport& report);

// What stopped a programmer from answering, as the link's message says:
// the kernel's serial driver holds the channel, another program has claimed
// it, one of the two (FTDI's D2XX library cannot tell which), this user may
// not open the device, the interface gave no description, or nothing the
// driver could name (the programmer itself is silent).
enum class NoAnswerCause { serial_driver, other_program, serial_driver_or_program, access, no_description, silent };
NoAnswerCause CauseOfNoAnswer(const std::string& error);

// Identifies through an existing link and closes it again.
Identification IdentifyWith(TReadProg& link);

// The device node's access for `user`, judged from its mode, owner and
// ACL. Exposed for tests.
DeviceAccess JudgeAccess(const std::string& node, const UserIdentity& user);

}  // namespace velmar::link
