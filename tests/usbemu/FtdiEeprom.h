// An interface chip's configuration EEPROM laid out the way FTDI documents
// it for the dual-channel chips (see docs/USB-EMULATION.md for the sources):
// the configuration header (channel modes, vendor and product ids, device
// release, power, USB version), the offset and length of the manufacturer,
// product and serial number string descriptors, the descriptors themselves,
// the user area right after the last of them, and the checksum in the last
// word. Used by the emulated chip and by the tests of our user-area reader.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velmar::usbemu {

enum class ChipType { ft2232d, ft2232h };
// The serial EEPROM on the board: 64, 128 or 256 words.
enum class EepromPart { c93C46 = 0x46, c93C56 = 0x56, c93C66 = 0x66 };

struct EepromContents {
  ChipType chip = ChipType::ft2232d;
  EepromPart part = EepromPart::c93C46;
  std::uint16_t vendor = 0x0403;
  std::uint16_t product = 0x6010;
  std::string manufacturer = "FTDI";
  std::string description = "Dual RS232";
  std::string serial = "QRX";
  std::vector<std::uint8_t> userArea;
};

std::size_t EepromBytes(EepromPart part);
// The device release number the chip reports (0x0500 FT2232D, 0x0700 FT2232H).
std::uint16_t DeviceRelease(ChipType chip);
// Bytes available to the three strings and the user area together.
std::size_t StringAndUserSpace(ChipType chip);

// The whole EEPROM image. Raises std::length_error when the strings and the
// user area do not fit.
std::vector<std::uint8_t> BuildEeprom(const EepromContents& contents);

// Where the checksum word lies: the last word the chip's configuration
// covers, which is where libftdi reads it (it reads at most 256 bytes, so on
// a 93C66 the checksum closes the first half).
std::size_t ChecksumOffset(std::size_t imageBytes);
// FTDI's EEPROM checksum over every word before the checksum word.
std::uint16_t EepromChecksum(const std::vector<std::uint8_t>& image);

// String descriptor `which` (1 manufacturer, 2 product, 3 serial) read back
// from an image through its pointer, as the chip serves it; empty when the
// pointer is unset.
std::string EepromString(const std::vector<std::uint8_t>& image, int which);
// Where the user area starts and how long it is, as FTDI's library reports
// it: after the last string, up to the end of the string space.
std::size_t UserAreaStart(const std::vector<std::uint8_t>& image);
std::size_t UserAreaSize(const std::vector<std::uint8_t>& image, ChipType chip);

}  // namespace velmar::usbemu
