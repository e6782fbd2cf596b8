// The simulated programmer's state file: "key=value" lines, then one line
// per dataflash page that is not blank ("page N HEX...").
#include "sim/SimState.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <sstream>
#include <stdexcept>

#include "image/Useful.h"
#include "platform/AtomicFile.h"
#include "platform/IniFile.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "sim/ControllerFirmware.h"
#include "slot/ProgrammerGeometry.h"

namespace velmar::sim {

const char* FirmwareName(FirmwareKind f) {
  switch (f) {
    case FirmwareKind::none: return "none";
    case FirmwareKind::pic: return "pic";
    case FirmwareKind::pic24: return "pic24";
    case FirmwareKind::portable: return "portable";
  }
  return "none";
}

bool ParseFirmware(const std::string& text, FirmwareKind& out) {
  for (FirmwareKind f : {FirmwareKind::none, FirmwareKind::pic, FirmwareKind::pic24, FirmwareKind::portable})
    if (text::LowerCase(text::Trim(text)) == FirmwareName(f)) {
      out = f;
      return true;
    }
  return false;
}

ExpectedVersions ReadExpectedVersions(const std::string& programFolder) {
  platform::IniFile ini(programFolder + "progsetting.ini");
  ExpectedVersions v;
  v.pic = int(ini.ReadInteger("AppSetting", "SVERQRX", 226)) & 0xFF;
  v.pic24 = int(ini.ReadInteger("AppSetting", "SVERQRX24", 227)) & 0xFF;
  v.portable = int(ini.ReadInteger("AppSetting", "SVERQRXPRIMA", 130)) & 0xFF;
  return v;
}

bool BinaryCapable(slot::ProgrammerKind kind) { return slot::KindRow(kind).sim.binaryCapable; }

SimState FreshState(slot::ProgrammerKind kind, const ExpectedVersions& versions) {
  SimState s;
  s.kind = kind;
  const bool portableFirmware = slot::KindRow(kind).firmware == slot::FirmwareLine::portable;
  s.firmware = portableFirmware ? FirmwareKind::portable : FirmwareKind::pic;
  s.version = portableFirmware ? versions.portable : versions.pic;
  s.flash = std::make_unique<Dataflash>(FlashFor(kind), BinaryCapable(kind));
  s.controller.part = &PartForKind(kind);
  s.controller.SetWorkingFuses();
  s.controller.lockBits = kLockedBits;
  return s;
}

namespace {

void Key(std::ostringstream& o, const char* key, long long v) { o << key << "=" << v << "\n"; }

int ToInt(const std::string& key, const std::string& value, long long lo, long long hi) {
  long long v = 0;
  bool ok = text::ParseInt(value, v);
  if (!ok && text::StartsWith(text::UpperCase(value), "0X")) {
    try {
      std::size_t used = 0;
      v = std::stoll(value.substr(2), &used, 16);
      ok = used == value.size() - 2;
    } catch (const std::exception&) {
      ok = false;
    }
  }
  if (!ok || v < lo || v > hi)
    throw std::runtime_error(key + "=" + value + ": expected a number from " + std::to_string(lo) + " to " +
                             std::to_string(hi));
  return int(v);
}

bool ToBool(const std::string& key, const std::string& value) { return ToInt(key, value, 0, 1) != 0; }

std::string HexNoSpaces(const std::uint8_t* p, std::size_t n) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string r(n * 2, '0');
  for (std::size_t i = 0; i < n; ++i) {
    r[2 * i] = kDigits[p[i] >> 4];
    r[2 * i + 1] = kDigits[p[i] & 15];
  }
  return r;
}

}  // namespace

std::string StateText(const SimState& s) {
  std::ostringstream o;
  o << "# Velmar simulated programmer (see docs/SIMULATOR.md)\n";
  o << "kind=" << slot::NumberOf(s.kind) << "\n";
  Key(o, "hardware", s.hardware);
  // Once the controller holds its flash, the firmware is what the flash holds.
  const AvrController& c = s.controller;
  FirmwareKind firmware = s.firmware;
  int version = s.version;
  if (c.FlashHeld()) {
    RecognisedFirmware r = RecogniseFirmware(c.flash, *c.part);
    firmware = r.firmware;
    if (r.firmware != FirmwareKind::none) version = r.version;
  }
  o << "firmware=" << FirmwareName(firmware) << "\n";
  Key(o, "version", version);
  Key(o, "token", s.token);
  Key(o, "supply", s.supply);
  Key(o, "voltage_sensing", s.voltageSensing);
  Key(o, "asleep", s.asleep);
  Key(o, "usb_attached", s.usbAttached);
  o << "interface_serial=" << s.interfaceSerial << "\n";
  Key(o, "other_interfaces", s.otherInterfaces);
  Key(o, "binary_pages", s.flash && s.flash->BinaryPages());
  Key(o, "binary_pending", s.binaryPending);
  if (s.replyPrepUs != 0) Key(o, "reply_prep_us", s.replyPrepUs);
  if (s.newToken >= 0) Key(o, "new_token", s.newToken);
  o << "controller=" << c.part->name << "\n";
  o << "fuse_low=0x" << text::IntToHex(c.lowFuse, 2) << "\n";
  o << "fuse_high=0x" << text::IntToHex(c.highFuse, 2) << "\n";
  if (c.part->hasExtendedFuse) o << "fuse_extended=0x" << text::IntToHex(c.extendedFuse, 2) << "\n";
  o << "lock_bits=0x" << text::IntToHex(c.lockBits, 2) << "\n";
  const SimFaults& f = s.faults;
  const SimFaults none;
  auto fault = [&](const char* key, long long v, long long off) {
    if (v != off) o << "fault." << key << "=" << v << "\n";
  };
  fault("silent", f.silent, none.silent);
  fault("unknown_identify", f.unknownIdentify, none.unknownIdentify);
  fault("identify_missed", f.identifyMissed, none.identifyMissed);
  if (f.identity >= 0) o << "fault.identity=0x" << text::IntToHex(std::uint64_t(f.identity), 4) << "\n";
  fault("busy_every", f.busyEvery, none.busyEvery);
  fault("busy_forever", f.busyForever, none.busyForever);
  fault("short_read", f.shortRead, none.shortRead);
  fault("unplug_after", f.unplugAfter, none.unplugAfter);
  fault("open_status", f.openStatus, none.openStatus);
  fault("binary_switch_fails", f.binarySwitchFails, none.binarySwitchFails);
  fault("isp_sync", f.ispSync, none.ispSync);
  fault("bad_page", f.badPage, none.badPage);
  fault("silent_bad_page", f.silentBadPage, none.silentBadPage);
  fault("bad_read", f.badRead, none.badRead);
  fault("bad_read_page", f.badReadPage, none.badReadPage);
  fault("flip_read_page", f.flipReadPage, none.flipReadPage);
  fault("flip_read_count", f.flipReadCount, none.flipReadCount);
  fault("erase_fails", f.eraseFails, none.eraseFails);
  fault("count_fails", f.countFails, none.countFails);
  fault("isp_missed", f.ispMissed, none.ispMissed);
  if (f.signature >= 0) o << "fault.signature=0x" << text::IntToHex(std::uint64_t(f.signature), 6) << "\n";
  if (f.flashBadByte >= 0) o << "fault.flash_bad_byte=0x" << text::IntToHex(std::uint64_t(f.flashBadByte), 5) << "\n";
  // The controller's flash is listed only when it is not simply the image of
  // the firmware named above.
  if (c.FlashHeld() && c.flash != FirmwareImage(firmware, version, *c.part)) {
    const std::uint32_t size = c.part->pageSize;
    for (std::uint32_t p = 0; p < c.flash.size() / size; ++p) {
      const std::uint8_t* data = c.flash.data() + p * size;
      if (std::any_of(data, data + size, [](std::uint8_t b) { return b != 0xFF; }))
        o << "controller_page " << p << " " << HexNoSpaces(data, size) << "\n";
    }
  }
  if (s.flash) {
    for (std::uint32_t p = 0; p < s.flash->Geometry().pages; ++p)
      if (!s.flash->PageBlank(p))
        o << "page " << p << " " << HexNoSpaces(s.flash->PageData(p), s.flash->PageSize()) << "\n";
  }
  return o.str();
}

namespace {

// What the state file says about the controller, settled once the whole
// file (and so the kind) is known.
struct ControllerKeys {
  const AvrPart* part = nullptr;
  std::optional<int> lowFuse, highFuse, extendedFuse, lockBits;
  bool firmwareGiven = false;
  bool versionGiven = false;
};

void SetKey(SimState& s, bool& binary, ControllerKeys& ck, const std::string& key, const std::string& value) {
  SimFaults& f = s.faults;
  if (key == "kind") {
    auto k = slot::ParseKind(value);
    if (!k) throw std::runtime_error("kind=" + value + ": not a programmer kind");
    s.kind = *k;
  } else if (key == "hardware")
    s.hardware = ToInt(key, value, 1, 2);
  else if (key == "firmware") {
    if (!ParseFirmware(value, s.firmware))
      throw std::runtime_error("firmware=" + value + ": expected none, pic, pic24 or portable");
    ck.firmwareGiven = true;
  } else if (key == "version") {
    s.version = ToInt(key, value, 0, 255);
    ck.versionGiven = true;
  } else if (key == "controller") {
    ck.part = FindPart(value);
    if (!ck.part) throw std::runtime_error("controller=" + value + ": expected atmega128 or atmega8515");
  } else if (key == "fuse_low")
    ck.lowFuse = ToInt(key, value, 0, 255);
  else if (key == "fuse_high")
    ck.highFuse = ToInt(key, value, 0, 255);
  else if (key == "fuse_extended")
    ck.extendedFuse = ToInt(key, value, 0, 255);
  else if (key == "lock_bits")
    ck.lockBits = ToInt(key, value, 0, 255);
  else if (key == "token")
    s.token = std::uint16_t(ToInt(key, value, 0, 65535));
  else if (key == "supply")
    s.supply = ToBool(key, value);
  else if (key == "voltage_sensing")
    s.voltageSensing = ToBool(key, value);
  else if (key == "asleep")
    s.asleep = ToBool(key, value);
  else if (key == "usb_attached")
    s.usbAttached = ToBool(key, value);
  else if (key == "interface_serial") {
    if (value.empty() || value.size() > 14)
      throw std::runtime_error("interface_serial=" + value + ": 1 to 14 characters");
    s.interfaceSerial = value;
  } else if (key == "other_interfaces")
    s.otherInterfaces = ToInt(key, value, 0, 60);
  else if (key == "binary_pages")
    binary = ToBool(key, value);
  else if (key == "binary_pending")
    s.binaryPending = ToBool(key, value);
  else if (key == "reply_prep_us")
    s.replyPrepUs = ToInt(key, value, 0, 1000000);
  else if (key == "new_token")
    s.newToken = ToInt(key, value, 0, 65534);
  else if (key == "fault.silent")
    f.silent = ToBool(key, value);
  else if (key == "fault.unknown_identify")
    f.unknownIdentify = ToBool(key, value);
  else if (key == "fault.identify_missed")
    f.identifyMissed = ToInt(key, value, 0, 1000);
  else if (key == "fault.identity")
    f.identity = ToInt(key, value, 0, 0xFFFF);
  else if (key == "fault.busy_every")
    f.busyEvery = ToInt(key, value, 0, 1000000);
  else if (key == "fault.busy_forever")
    f.busyForever = ToBool(key, value);
  else if (key == "fault.short_read")
    f.shortRead = ToInt(key, value, 0, 1000000000);
  else if (key == "fault.unplug_after")
    f.unplugAfter = ToInt(key, value, 0, 1000000000);
  else if (key == "fault.open_status")
    f.openStatus = ToInt(key, value, 0, 255);
  else if (key == "fault.binary_switch_fails")
    f.binarySwitchFails = ToBool(key, value);
  else if (key == "fault.isp_sync")
    f.ispSync = ToInt(key, value, 0, 1000);
  else if (key == "fault.bad_page")
    f.badPage = ToInt(key, value, -1, 1 << 20);
  else if (key == "fault.silent_bad_page")
    f.silentBadPage = ToInt(key, value, -1, 1 << 20);
  else if (key == "fault.bad_read")
    f.badRead = ToInt(key, value, 0, 1000000000);
  else if (key == "fault.bad_read_page")
    f.badReadPage = ToInt(key, value, -1, 1 << 20);
  else if (key == "fault.flip_read_page")
    f.flipReadPage = ToInt(key, value, -1, 1 << 20);
  else if (key == "fault.flip_read_count")
    f.flipReadCount = ToInt(key, value, 0, 1000000000);
  else if (key == "fault.erase_fails")
    f.eraseFails = ToBool(key, value);
  else if (key == "fault.count_fails")
    f.countFails = ToBool(key, value);
  else if (key == "fault.isp_missed")
    f.ispMissed = ToInt(key, value, 0, 1000);
  else if (key == "fault.signature")
    f.signature = ToInt(key, value, 0, 0xFFFFFF);
  else if (key == "fault.flash_bad_byte")
    f.flashBadByte = ToInt(key, value, 0, 0x1FFFF);
  else
    throw std::runtime_error("unknown key '" + key + "'");
}

}  // namespace

namespace {

// One "page N HEX" or "controller_page N HEX" line's bytes into `out`.
void ReadPageBytes(const char* what, std::uint32_t page, const std::string& hex, std::uint8_t* out,
                   std::uint32_t size) {
  const std::string name = std::string(what) + " " + std::to_string(page);
  if (hex.size() != 2 * size)
    throw std::runtime_error(name + " holds " + std::to_string(hex.size() / 2) + " bytes, not " + std::to_string(size));
  for (std::uint32_t i = 0; i < size; ++i) {
    if (!image::IsHexDigit(hex[2 * i]) || !image::IsHexDigit(hex[2 * i + 1]))
      throw std::runtime_error(name + " holds a character that is not hexadecimal");
    out[i] = image::HexCharsToByte(char(std::toupper(hex[2 * i])), char(std::toupper(hex[2 * i + 1])));
  }
}

using PageLines = std::vector<std::pair<std::uint32_t, std::string>>;

void SettleController(SimState& s, const ControllerKeys& ck, const PageLines& pages) {
  AvrController& c = s.controller;
  c.part = ck.part ? ck.part : &PartForKind(s.kind);
  c.SetWorkingFuses();
  if (ck.lowFuse) c.lowFuse = std::uint8_t(*ck.lowFuse);
  if (ck.highFuse) c.highFuse = std::uint8_t(*ck.highFuse);
  if (ck.extendedFuse) c.extendedFuse = std::uint8_t(*ck.extendedFuse);
  c.lockBits = ck.lockBits ? std::uint8_t(*ck.lockBits) : kLockedBits;
  if (pages.empty()) return;  // the flash is the image of the firmware named

  const std::uint32_t size = c.part->pageSize;
  c.flash.assign(c.part->flashSize, 0xFF);
  for (const auto& [page, hex] : pages) {
    if (page >= c.part->flashSize / size)
      throw std::runtime_error("controller_page " + std::to_string(page) + " lies beyond the " + c.part->name +
                               "'s flash");
    ReadPageBytes("controller_page", page, hex, c.flash.data() + page * size, size);
  }
  const FirmwareKind named = s.firmware;
  const int namedVersion = s.version;
  SyncFirmwareWithFlash(s);
  const bool disagrees = (ck.firmwareGiven && named != s.firmware) ||
                         (ck.versionGiven && s.firmware != FirmwareKind::none && namedVersion != s.version);
  if (disagrees) {
    std::string holds = s.firmware == FirmwareKind::none
                            ? std::string("no firmware")
                            : std::string(FirmwareName(s.firmware)) + " firmware version " + std::to_string(s.version);
    throw std::runtime_error(
        "firmware=" + std::string(FirmwareName(named)) + " and version=" + std::to_string(namedVersion) +
        " disagree with the controller_page lines, which hold " + holds + "; change one or the other");
  }
}

}  // namespace

SimState ParseState(const std::string& text) {
  SimState s;
  bool binary = true;
  ControllerKeys ck;
  PageLines pages, controllerPages;
  bool kindGiven = false;
  int lineNo = 0;
  for (const std::string& raw : text::SplitLines(text)) {
    ++lineNo;
    std::string line = text::Trim(raw);
    if (line.empty() || line[0] == '#') continue;
    try {
      for (auto [prefix, list] : {std::pair{"page ", &pages}, std::pair{"controller_page ", &controllerPages}}) {
        if (!text::StartsWith(line, prefix)) continue;
        std::istringstream in(line.substr(std::string(prefix).size()));
        std::string number, hex;
        in >> number >> hex;
        list->emplace_back(std::uint32_t(ToInt(text::Trim(prefix), number, 0, 1 << 20)), hex);
        line.clear();
        break;
      }
      if (line.empty()) continue;
      std::size_t eq = line.find('=');
      if (eq == std::string::npos) throw std::runtime_error("expected key=value");
      const std::string key = text::Trim(line.substr(0, eq));
      SetKey(s, binary, ck, key, text::Trim(line.substr(eq + 1)));
      kindGiven = kindGiven || key == "kind";
    } catch (const std::exception& e) {
      throw std::runtime_error("line " + std::to_string(lineNo) + ": " + e.what());
    }
  }
  // Every saved state names its kind first; a file without it (empty, or cut
  // short) is not taken for a fresh single-way programmer.
  if (!kindGiven) throw std::runtime_error("no kind= line (the file is empty or incomplete)");
  // The single-way programmers' dataflash always has 264-byte pages; the
  // portable's firmware always addresses its dataflash linearly.
  bool binaryPages = slot::KindRow(s.kind).sim.linearAddressing || (BinaryCapable(s.kind) && binary);
  s.flash = std::make_unique<Dataflash>(FlashFor(s.kind), binaryPages);
  for (const auto& [page, hex] : pages) {
    if (page >= s.flash->Geometry().pages)
      throw std::runtime_error("page " + std::to_string(page) + " lies beyond the dataflash");
    ReadPageBytes("page", page, hex, s.flash->PageData(page), s.flash->PageSize());
  }
  SettleController(s, ck, controllerPages);
  return s;
}

SimState LoadState(const std::string& path) {
  std::string contents, error;
  // Only a file holds a state: reading a FIFO would wait for a writer.
  std::error_code ec;
  const auto type = std::filesystem::status(platform::PathOf(path), ec).type();
  if (!ec && type != std::filesystem::file_type::regular)
    throw std::runtime_error(
        "Cannot read the simulated programmer's state file: Cannot open " + path +
        (type == std::filesystem::file_type::directory ? ": it is a folder" : ": it is not a regular file"));
  if (!platform::ReadWholeFile(path, contents, &error))
    throw std::runtime_error("Cannot read the simulated programmer's state file: " + error);
  try {
    return ParseState(contents);
  } catch (const std::exception& e) {
    throw std::runtime_error("Simulated programmer's state file " + path + ", " + e.what());
  }
}

bool SaveState(const std::string& path, const SimState& s, std::string* error) {
  // The simulated programmer is a test stand-in: its state is not synced.
  return platform::WriteFileAtomically(path, StateText(s), error, platform::Durability::scratch);
}

}  // namespace velmar::sim
