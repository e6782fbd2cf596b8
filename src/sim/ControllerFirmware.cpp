// Firmware images of the simulated controller and their recognition.
#include "sim/ControllerFirmware.h"

#include <algorithm>

#include "image/TFileLoader.h"
#include "image/THexList.h"

namespace velmar::sim {

namespace {

constexpr std::uint8_t kMagic[4] = {'V', 'L', 'F', 'W'};
// Bytes 0-8 of the tag are magic, kind, version, sum (low, high) and a check
// byte that makes them add up to 0; the rest of the tag is 0xFF.
constexpr std::uint32_t kTagChecked = 9;

int KindCode(FirmwareKind f) {
  switch (f) {
    case FirmwareKind::pic: return 0;
    case FirmwareKind::pic24: return 1;
    case FirmwareKind::portable: return 3;
    case FirmwareKind::none: break;
  }
  return -1;
}

FirmwareKind KindFromCode(int code) {
  switch (code) {
    case 0: return FirmwareKind::pic;
    case 1: return FirmwareKind::pic24;
    case 3: return FirmwareKind::portable;
    default: return FirmwareKind::none;
  }
}

// Sum of every flash byte outside the tag block.
std::uint16_t SumOutsideTag(const std::vector<std::uint8_t>& flash) {
  std::uint32_t sum = 0;
  for (std::uint32_t a = 0; a < flash.size(); ++a)
    if (a < kFirmwareTagAddress || a >= kFirmwareTagAddress + kFirmwareTagSize) sum += flash[a];
  return std::uint16_t(sum);
}

// A linear congruential sequence: stands in for code bytes.
void FillCode(std::vector<std::uint8_t>& flash, std::uint32_t at, std::uint32_t n, std::uint32_t& x) {
  for (std::uint32_t i = 0; i < n; ++i) {
    x = x * 1664525u + 1013904223u;
    flash[at + i] = std::uint8_t(x >> 24);
  }
}

}  // namespace

std::vector<std::uint8_t> FirmwareImage(FirmwareKind firmware, int version, const AvrPart& part) {
  std::vector<std::uint8_t> flash(part.flashSize, 0xFF);
  const int code = KindCode(firmware);
  if (code < 0) return flash;
  // Reset vector: rjmp to the code block (word address 0x100).
  flash[0] = 0xFF;
  flash[1] = 0xC0;
  std::uint32_t x = 0x9E3779B9u ^ std::uint32_t(code << 8) ^ std::uint32_t(version & 0xFF);
  FillCode(flash, kFirmwareCodeAddress, kFirmwareCodeSize, x);
  if (part.flashSize > kFirmwareBootAddress) FillCode(flash, kFirmwareBootAddress, kFirmwareBootSize, x);

  const std::uint16_t sum = SumOutsideTag(flash);
  std::uint8_t* tag = flash.data() + kFirmwareTagAddress;
  std::copy(std::begin(kMagic), std::end(kMagic), tag);
  tag[4] = std::uint8_t(code);
  tag[5] = std::uint8_t(version);
  tag[6] = std::uint8_t(sum & 0xFF);
  tag[7] = std::uint8_t(sum >> 8);
  std::uint8_t total = 0;
  for (std::uint32_t i = 0; i < kTagChecked - 1; ++i) total = std::uint8_t(total + tag[i]);
  tag[8] = std::uint8_t(0x100 - total);
  return flash;
}

std::string FirmwareHexText(FirmwareKind firmware, int version, const AvrPart& part) {
  std::vector<std::uint8_t> flash = FirmwareImage(firmware, version, part);
  image::THexList img(part.flashSize);
  std::copy(flash.begin(), flash.end(), img.DataAt(0));
  return image::TFileLoader::IntelHexText(img);
}

RecognisedFirmware RecogniseFirmware(const std::vector<std::uint8_t>& flash, const AvrPart& part) {
  RecognisedFirmware r;
  if (flash.size() != part.flashSize || flash.size() < kFirmwareTagAddress + kFirmwareTagSize) return r;
  const std::uint8_t* tag = flash.data() + kFirmwareTagAddress;
  if (!std::equal(std::begin(kMagic), std::end(kMagic), tag)) return r;
  std::uint8_t total = 0;
  for (std::uint32_t i = 0; i < kTagChecked; ++i) total = std::uint8_t(total + tag[i]);
  if (total != 0) return r;
  if (SumOutsideTag(flash) != std::uint16_t(tag[6] | tag[7] << 8)) return r;
  FirmwareKind kind = KindFromCode(tag[4]);
  if (kind == FirmwareKind::none) return r;
  r.firmware = kind;
  r.version = tag[5];
  return r;
}

void HoldControllerFlash(SimState& s) {
  AvrController& c = s.controller;
  if (!c.FlashHeld()) c.flash = FirmwareImage(s.firmware, s.version, *c.part);
}

void SyncFirmwareWithFlash(SimState& s) {
  const AvrController& c = s.controller;
  if (!c.FlashHeld()) return;
  RecognisedFirmware r = RecogniseFirmware(c.flash, *c.part);
  s.firmware = r.firmware;
  if (r.firmware != FirmwareKind::none) s.version = r.version;
}

}  // namespace velmar::sim
