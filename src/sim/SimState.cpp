// The simulated programmer's state file: "key=value" lines, then one line
// per dataflash page that is not blank ("page N HEX...").
#include "sim/SimState.h"

#include <sstream>
#include <stdexcept>

#include "image/Useful.h"
#include "link/ProgrammerGeometry.h"
#include "platform/AtomicFile.h"
#include "platform/IniFile.h"
#include "platform/Text.h"

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

SimState FreshState(int kind, const ExpectedVersions& versions) {
  SimState s;
  s.kind = kind;
  s.firmware = kind == link::kind_portable ? FirmwareKind::portable : FirmwareKind::pic;
  s.version = kind == link::kind_portable ? versions.portable : versions.pic;
  s.flash = std::make_unique<Dataflash>(FlashFor(kind), true);
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
  o << "kind=" << s.kind << "\n";
  Key(o, "hardware", s.hardware);
  o << "firmware=" << FirmwareName(s.firmware) << "\n";
  Key(o, "version", s.version);
  Key(o, "token", s.token);
  Key(o, "supply", s.supply);
  Key(o, "voltage_sensing", s.voltageSensing);
  Key(o, "asleep", s.asleep);
  Key(o, "usb_attached", s.usbAttached);
  o << "interface_serial=" << s.interfaceSerial << "\n";
  Key(o, "other_interfaces", s.otherInterfaces);
  Key(o, "binary_pages", s.flash && s.flash->BinaryPages());
  Key(o, "binary_pending", s.binaryPending);
  const SimFaults& f = s.faults;
  const SimFaults none;
  auto fault = [&](const char* key, long long v, long long off) {
    if (v != off) o << "fault." << key << "=" << v << "\n";
  };
  fault("silent", f.silent, none.silent);
  fault("unknown_identify", f.unknownIdentify, none.unknownIdentify);
  if (f.identity >= 0) o << "fault.identity=0x" << text::IntToHex(std::uint64_t(f.identity), 4) << "\n";
  fault("busy_every", f.busyEvery, none.busyEvery);
  fault("busy_forever", f.busyForever, none.busyForever);
  fault("short_read", f.shortRead, none.shortRead);
  fault("unplug_after", f.unplugAfter, none.unplugAfter);
  fault("open_status", f.openStatus, none.openStatus);
  fault("binary_switch_fails", f.binarySwitchFails, none.binarySwitchFails);
  fault("isp_sync", f.ispSync, none.ispSync);
  fault("bad_page", f.badPage, none.badPage);
  fault("bad_read", f.badRead, none.badRead);
  fault("erase_fails", f.eraseFails, none.eraseFails);
  fault("count_fails", f.countFails, none.countFails);
  if (s.flash) {
    for (std::uint32_t p = 0; p < s.flash->Geometry().pages; ++p)
      if (!s.flash->PageBlank(p))
        o << "page " << p << " " << HexNoSpaces(s.flash->PageData(p), s.flash->PageSize()) << "\n";
  }
  return o.str();
}

namespace {

void SetKey(SimState& s, bool& binary, const std::string& key, const std::string& value) {
  SimFaults& f = s.faults;
  if (key == "kind") {
    auto k = link::ParseKind(value);
    if (!k) throw std::runtime_error("kind=" + value + ": not a programmer kind");
    s.kind = *k;
  } else if (key == "hardware") s.hardware = ToInt(key, value, 1, 2);
  else if (key == "firmware") {
    if (!ParseFirmware(value, s.firmware)) throw std::runtime_error("firmware=" + value + ": expected none, pic, pic24 or portable");
  } else if (key == "version") s.version = ToInt(key, value, 0, 255);
  else if (key == "token") s.token = std::uint16_t(ToInt(key, value, 0, 65535));
  else if (key == "supply") s.supply = ToBool(key, value);
  else if (key == "voltage_sensing") s.voltageSensing = ToBool(key, value);
  else if (key == "asleep") s.asleep = ToBool(key, value);
  else if (key == "usb_attached") s.usbAttached = ToBool(key, value);
  else if (key == "interface_serial") {
    if (value.empty() || value.size() > 14) throw std::runtime_error("interface_serial=" + value + ": 1 to 14 characters");
    s.interfaceSerial = value;
  } else if (key == "other_interfaces") s.otherInterfaces = ToInt(key, value, 0, 60);
  else if (key == "binary_pages") binary = ToBool(key, value);
  else if (key == "binary_pending") s.binaryPending = ToBool(key, value);
  else if (key == "fault.silent") f.silent = ToBool(key, value);
  else if (key == "fault.unknown_identify") f.unknownIdentify = ToBool(key, value);
  else if (key == "fault.identity") f.identity = ToInt(key, value, 0, 0xFFFF);
  else if (key == "fault.busy_every") f.busyEvery = ToInt(key, value, 0, 1000000);
  else if (key == "fault.busy_forever") f.busyForever = ToBool(key, value);
  else if (key == "fault.short_read") f.shortRead = ToInt(key, value, 0, 1000000000);
  else if (key == "fault.unplug_after") f.unplugAfter = ToInt(key, value, 0, 1000000000);
  else if (key == "fault.open_status") f.openStatus = ToInt(key, value, 0, 255);
  else if (key == "fault.binary_switch_fails") f.binarySwitchFails = ToBool(key, value);
  else if (key == "fault.isp_sync") f.ispSync = ToInt(key, value, 0, 1000);
  else if (key == "fault.bad_page") f.badPage = ToInt(key, value, -1, 1 << 20);
  else if (key == "fault.bad_read") f.badRead = ToInt(key, value, 0, 1000000000);
  else if (key == "fault.erase_fails") f.eraseFails = ToBool(key, value);
  else if (key == "fault.count_fails") f.countFails = ToBool(key, value);
  else throw std::runtime_error("unknown key '" + key + "'");
}

}  // namespace

SimState ParseState(const std::string& text) {
  SimState s;
  bool binary = true;
  std::vector<std::pair<std::uint32_t, std::string>> pages;
  int lineNo = 0;
  for (const std::string& raw : text::SplitLines(text)) {
    ++lineNo;
    std::string line = text::Trim(raw);
    if (line.empty() || line[0] == '#') continue;
    try {
      if (text::StartsWith(line, "page ")) {
        std::istringstream in(line.substr(5));
        std::string number, hex;
        in >> number >> hex;
        pages.emplace_back(std::uint32_t(ToInt("page", number, 0, 1 << 20)), hex);
        continue;
      }
      std::size_t eq = line.find('=');
      if (eq == std::string::npos) throw std::runtime_error("expected key=value");
      SetKey(s, binary, text::Trim(line.substr(0, eq)), text::Trim(line.substr(eq + 1)));
    } catch (const std::exception& e) {
      throw std::runtime_error("line " + std::to_string(lineNo) + ": " + e.what());
    }
  }
  s.flash = std::make_unique<Dataflash>(FlashFor(s.kind), binary || s.kind == link::kind_portable);
  for (const auto& [page, hex] : pages) {
    const std::uint32_t size = s.flash->PageSize();
    if (page >= s.flash->Geometry().pages)
      throw std::runtime_error("page " + std::to_string(page) + " lies beyond the dataflash");
    if (hex.size() != 2 * size)
      throw std::runtime_error("page " + std::to_string(page) + " holds " + std::to_string(hex.size() / 2) +
                               " bytes, not " + std::to_string(size));
    std::uint8_t* p = s.flash->PageData(page);
    for (std::uint32_t i = 0; i < size; ++i) {
      if (!image::IsHexDigit(hex[2 * i]) || !image::IsHexDigit(hex[2 * i + 1]))
        throw std::runtime_error("page " + std::to_string(page) + " holds a character that is not hexadecimal");
      p[i] = image::HexCharsToByte(char(std::toupper(hex[2 * i])), char(std::toupper(hex[2 * i + 1])));
    }
  }
  return s;
}

SimState LoadState(const std::string& path) {
  std::string contents, error;
  if (!platform::ReadWholeFile(path, contents, &error))
    throw std::runtime_error("Cannot read the simulated programmer's state file: " + error);
  try {
    return ParseState(contents);
  } catch (const std::exception& e) {
    throw std::runtime_error("Simulated programmer's state file " + path + ", " + e.what());
  }
}

bool SaveState(const std::string& path, const SimState& s, std::string* error) {
  return platform::WriteFileAtomically(path, StateText(s), error);
}

}  // namespace velmar::sim
