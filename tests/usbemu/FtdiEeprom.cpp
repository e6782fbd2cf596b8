// Building and reading FTDI-format EEPROM images of the dual-channel chips.
#include "FtdiEeprom.h"

#include <algorithm>
#include <stdexcept>

namespace velmar::usbemu {

namespace {

// Where the strings begin: right after the configuration header on the
// FT2232D (0x16), at 0x9A on the FT2232H, whose header is longer and whose
// string pointers always point into the second 128 bytes.
std::size_t StringStart(ChipType chip) { return chip == ChipType::ft2232d ? 0x16 : 0x9A; }

// The address mask the chip applies to string pointers: a 64-word EEPROM
// keeps bit 7 set in the pointer, which the chip ignores.
std::size_t PointerMask(std::size_t size) { return size - 1; }

void Put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v) {
  b[at] = std::uint8_t(v & 0xFF);
  b[at + 1] = std::uint8_t(v >> 8);
}

}  // namespace

std::size_t EepromBytes(EepromPart part) {
  switch (part) {
    case EepromPart::c93C46: return 128;
    case EepromPart::c93C56: return 256;
    case EepromPart::c93C66: return 512;
  }
  return 128;
}

std::uint16_t DeviceRelease(ChipType chip) { return chip == ChipType::ft2232d ? 0x0500 : 0x0700; }

std::size_t StringAndUserSpace(ChipType chip) { return chip == ChipType::ft2232d ? 96 : 86; }

std::size_t ChecksumOffset(std::size_t imageBytes) { return std::min<std::size_t>(imageBytes, 256) - 2; }

std::uint16_t EepromChecksum(const std::vector<std::uint8_t>& image) {
  std::uint16_t sum = 0xAAAA;
  for (std::size_t i = 0; i < ChecksumOffset(image.size()); i += 2) {
    sum = std::uint16_t(sum ^ (image[i] | image[i + 1] << 8));
    sum = std::uint16_t(sum << 1 | sum >> 15);
  }
  return sum;
}

std::vector<std::uint8_t> BuildEeprom(const EepromContents& c) {
  const std::size_t size = EepromBytes(c.part);
  std::vector<std::uint8_t> b(size, 0);
  b[0x00] = 0x08;  // channel A: UART mode, virtual COM port driver
  b[0x01] = 0x08;  // channel B likewise
  Put16(b, 0x02, c.vendor);
  Put16(b, 0x04, c.product);
  Put16(b, 0x06, DeviceRelease(c.chip));
  b[0x08] = 0x80;  // bus powered
  b[0x09] = 0x2D;  // 90 mA, in 2 mA units
  b[0x0A] = 0x08;  // the serial number string is used
  Put16(b, 0x0C, 0x0200);
  if (c.chip == ChipType::ft2232d)
    b[0x14] = std::uint8_t(c.part);
  else
    b[0x18] = std::uint8_t(c.part);

  const std::size_t start = StringStart(c.chip);
  const std::string* strings[] = {&c.manufacturer, &c.description, &c.serial};
  std::size_t at = start;
  const std::size_t limit = start + StringAndUserSpace(c.chip);
  for (int i = 0; i < 3; ++i) {
    const std::string& s = *strings[i];
    const std::size_t len = 2 + 2 * s.size();
    if (at + len > limit) throw std::length_error("EEPROM strings do not fit");
    // On the 64-word part the pointer carries 0x80 (its address wraps).
    b[0x0E + 2 * i] = std::uint8_t((size == 128 ? at | 0x80 : at) & 0xFF);
    b[0x0F + 2 * i] = std::uint8_t(len);
    b[at] = std::uint8_t(len);
    b[at + 1] = 0x03;  // string descriptor
    for (std::size_t k = 0; k < s.size(); ++k) Put16(b, at + 2 + 2 * k, std::uint8_t(s[k]));
    at += len;
  }
  if (at + c.userArea.size() > limit) throw std::length_error("EEPROM user area does not fit");
  std::copy(c.userArea.begin(), c.userArea.end(), b.begin() + std::ptrdiff_t(at));
  Put16(b, ChecksumOffset(size), EepromChecksum(b));
  return b;
}

std::string EepromString(const std::vector<std::uint8_t>& image, int which) {
  if (which < 1 || which > 3 || image.size() < 0x16) return {};
  std::size_t at = image[0x0E + 2 * (which - 1)] & PointerMask(image.size());
  std::size_t len = image[0x0F + 2 * (which - 1)];
  if (len < 2 || at + len > image.size()) return {};
  std::string s;
  for (std::size_t k = at + 2; k + 1 < at + len; k += 2) s += char(image[k]);
  return s;
}

std::size_t UserAreaStart(const std::vector<std::uint8_t>& image) {
  std::size_t end = 0;
  for (int i = 0; i < 3; ++i) {
    std::size_t at = image[0x0E + 2 * i] & PointerMask(image.size());
    end = std::max(end, at + image[0x0F + 2 * i]);
  }
  return end;
}

std::size_t UserAreaSize(const std::vector<std::uint8_t>& image, ChipType chip) {
  const std::size_t limit = StringStart(chip) + StringAndUserSpace(chip);
  const std::size_t start = UserAreaStart(image);
  return start < limit ? limit - start : 0;
}

}  // namespace velmar::usbemu
