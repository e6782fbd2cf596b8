// The connection check on Windows: FTDI's D2XX driver is the only road to
// the programmer, so the facts are whether its library loads and which
// channels it lists; Windows has no device nodes to judge nor udev rules.
#include <algorithm>

#include "link/ConnectionCheck.h"
#include "link/D2xxLibraryDriver.h"

namespace velmar::link {

namespace {

constexpr const char* kProgrammerChannel = "QRXA";
constexpr const char* kTryWithoutHardware = "velmar-cli --simulate portable identify";
constexpr const char* kInstallD2xx =
    "Install FTDI's D2XX driver for Windows (FTDI's driver package, which brings ftd2xx.dll), then unplug and "
    "replug the programmer";

std::string ListText(D2xxLibraryDriver& driver, std::uint32_t index, std::uint32_t what) {
  char buffer[65] = {};
  return driver.ListDeviceByIndex(index, what, buffer, sizeof buffer) == FT_OK ? std::string(buffer) : std::string();
}

// Every channel the driver lists, as a device of its own.
std::vector<CheckedDevice> ListedChannels() {
  std::vector<CheckedDevice> devices;
  D2xxLibraryDriver driver;
  std::uint32_t count = 0;
  if (!driver.Problem().empty() || driver.ListDeviceCount(count) != FT_OK) return devices;
  for (std::uint32_t i = 0; i < count; ++i) {
    CheckedDevice d;
    d.usb.vendor = kFtdiVendorId;
    d.usb.serial = ListText(driver, i, FT_OPEN_BY_SERIAL_NUMBER);
    d.usb.productName = ListText(driver, i, FT_OPEN_BY_DESCRIPTION);
    d.isProgrammerChip = d.usb.serial == kProgrammerChannel;
    d.access.node = "D2XX device " + std::to_string(i);
    d.access.exists = true;
    d.access.canOpen = true;  // the driver opens it; nothing to judge beforehand
    devices.push_back(std::move(d));
  }
  return devices;
}

// The fix for a programmer that did not answer, after what stopped it: on
// Windows no kernel driver competes for the channel, another program may.
std::string NoAnswerFix(const std::string& error) {
  switch (CauseOfNoAnswer(error)) {
    case NoAnswerCause::serial_driver:
    case NoAnswerCause::other_program:
    case NoAnswerCause::serial_driver_or_program:
      return "Close the other program that holds the programmer (another Velmar or a programming tool), then try "
             "again";
    case NoAnswerCause::no_description:
      return "Unplug and replug the programmer; if it stays so, use another USB port or cable";
    case NoAnswerCause::access:
    case NoAnswerCause::silent: break;
  }
  return "Check the programmer's power or battery and the cable, then unplug and replug it; velmar-cli --trace "
         "trace.txt identify records what was said";
}

void Diagnose(const CheckSetup& s, ConnectionReport& r) {
  if (!r.d2xxProblem.empty() && !s.simulated) {
    r.problems.push_back({"FTDI's D2XX driver: " + r.d2xxProblem.substr(0, r.d2xxProblem.find('\r')), kInstallD2xx});
  } else if (!s.simulated && r.devices.empty()) {
    r.problems.push_back({"FTDI's D2XX driver lists no device",
                          "Check the USB cable and that the programmer is switched on; to try Velmar without "
                          "hardware: " +
                              std::string(kTryWithoutHardware)});
  } else if (!s.simulated && std::none_of(r.devices.begin(), r.devices.end(),
                                          [](const CheckedDevice& d) { return d.isProgrammerChip; })) {
    r.problems.push_back(
        {"None of the devices FTDI's D2XX driver lists is the programmer's channel " + std::string(kProgrammerChannel),
         "Connect the programmer's USB cable; to try Velmar without hardware: " + std::string(kTryWithoutHardware)});
  }
  if (r.identification && !r.identification->answered)
    r.problems.push_back(
        {"The programmer did not answer: " + r.identification->error, NoAnswerFix(r.identification->error)});
}

}  // namespace

UserIdentity UserIdentity::Current() { return UserIdentity{}; }

std::string FindUdevRule(const std::string&) { return {}; }

DeviceAccess JudgeAccess(const std::string& node, const UserIdentity&) {
  DeviceAccess a;
  a.node = node;
  a.exists = true;
  a.canOpen = true;
  return a;
}

ConnectionReport RunConnectionCheck(const CheckSetup& s) {
  ConnectionReport r;
  r.listedWith = "FTDI's D2XX driver";
  r.udevApplies = false;
  r.d2xxProblem = s.d2xxProblem ? s.d2xxProblem() : D2xxLibraryDriver().Problem();
  if (r.d2xxProblem.empty()) r.devices = ListedChannels();
  r.driver = s.simulated ? "sim" : "d2xx";
  const bool anyChannel =
      std::any_of(r.devices.begin(), r.devices.end(), [](const CheckedDevice& d) { return d.isProgrammerChip; });
  if (s.identify && (s.simulated || anyChannel)) r.identification = s.identify();
  Diagnose(s, r);
  return r;
}

}  // namespace velmar::link
