// The connection check's report as text, and identification through a
// link: the same on every platform.
#include <string>

#include "link/ConnectionCheck.h"
#include "link/TReadProg.h"
#include "slot/ProgrammerGeometry.h"

namespace velmar::link {

namespace {

std::string ChannelName(const UsbDevice& d, int interface) {
  return d.serial.empty() ? std::string() : d.serial + char('A' + interface);
}

bool Has(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

}  // namespace

NoAnswerCause CauseOfNoAnswer(const std::string& error) {
  // The D2XX library's "not opened" names both causes: test it first.
  if (Has(error, "The channel is held")) return NoAnswerCause::serial_driver_or_program;
  if (Has(error, "LIBUSB_ERROR_ACCESS")) return NoAnswerCause::access;
  if (Has(error, "ftdi_sio")) return NoAnswerCause::serial_driver;
  if (Has(error, "LIBUSB_ERROR_BUSY")) return NoAnswerCause::other_program;
  if (Has(error, "did not give its description")) return NoAnswerCause::no_description;
  return NoAnswerCause::silent;
}

Identification IdentifyWith(TReadProg& link) {
  Identification id;
  try {
    link.Identify();
    id.answered = true;
    id.kind = link.Geometry.Kind;
    const slot::KindInfo* k = slot::FindKind(link.Geometry.Kind);
    id.model = k ? k->model : "not identified";
    id.firmwareVersion = link.FirmwareVersion;
  } catch (const std::exception& e) {
    id.error = e.what();
    for (char& c : id.error)
      if (c == '\r') c = ' ';
  }
  try {
    if (link.LinkOpen) link.CloseLink(false);
  } catch (const std::exception&) {
    // Closed either way.
  }
  return id;
}

std::string ReportText(const ConnectionReport& r) {
  std::string t;
  t += "USB devices with FTDI's vendor id (listed through " + r.listedWith +
       "): " + (r.devices.empty() ? std::string("none") : std::to_string(r.devices.size())) + "\n";
  if (!r.listingNote.empty()) t += "  (" + r.listingNote + ")\n";
  for (const CheckedDevice& d : r.devices) {
    t += "  " + d.usb.Id() + " at " + d.usb.Place() + (d.isProgrammerChip ? "" : ", not the programmer's chip") + "\n";
    t += "    product: " + (d.usb.productName.empty() ? std::string("?") : d.usb.productName) +
         (d.usb.manufacturer.empty() ? "" : " by " + d.usb.manufacturer) +
         ", serial number: " + (d.usb.serial.empty() ? std::string("?") : d.usb.serial) + "\n";
    t += "    node: " + d.access.node + " " + (d.access.exists ? "(" + d.access.permissions + ")" : "(missing)") +
         ", " + (d.access.canOpen ? "can be opened" : "cannot be opened") +
         (d.access.libusbError.empty() ? "" : " (libusb: " + d.access.libusbError + ")") + "\n";
    for (const UsbInterface& i : d.usb.interfaces) {
      const std::string channel = ChannelName(d.usb, i.number);
      t += "    interface " + std::to_string(i.number) + (channel.empty() ? "" : " (channel " + channel + ")") +
           ": driver " + (i.driver.empty() ? std::string("none") : i.driver) + (i.tty.empty() ? "" : ", " + i.tty) +
           "\n";
    }
  }
  if (r.udevApplies) t += "udev rule: " + (r.udevRule.empty() ? std::string("not installed") : r.udevRule) + "\n";
  t += "D2XX library: " +
       (r.d2xxProblem.empty() ? std::string("loads")
                              : "not usable (" + r.d2xxProblem.substr(0, r.d2xxProblem.find('\r')) + ")") +
       "\n";
  t += "driver: " + r.driver + "\n";
  if (!r.linkPacing.empty())
    t += "link pacing: " + r.linkPacing +
         (r.linkPacing == "exact" ? " (the protocol's own exchanges)" : " (fewer USB round trips)") + "\n";
  if (!r.identification) {
    t += "programmer: not tried (no device can be opened)\n";
  } else if (r.identification->answered) {
    t += "programmer: kind " + std::to_string(slot::NumberOf(r.identification->kind)) + " (" + r.identification->model +
         "), firmware version " + std::to_string(r.identification->firmwareVersion) + "\n";
  } else {
    t += "programmer: no answer\n";
  }
  if (r.problems.empty()) {
    t += "No problems found.\n";
  } else {
    t += "Problems:\n" + FindingsText(r);
  }
  return t;
}

std::string FindingsText(const ConnectionReport& r) {
  std::string t;
  for (const Problem& p : r.problems) t += "- " + p.problem + "\n  Fix: " + p.fix + "\n";
  return t;
}

}  // namespace velmar::link
