// The driver seam of the programmer link, shaped like FTDI's D2XX library:
// list the interface channels by index (count, description, serial number),
// open one by its serial number, and read, write, query the receive queue,
// cycle the port, read the EEPROM user area, set the latency timer and the
// bit mode on its handle. Status codes are D2XX's. Backends: the simulated
// programmer, libftdi1 and FTDI's own library loaded at run time (see
// DriverRegistry). A backend that cannot work at all says why in Problem().
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace velmar::link {

using FT_HANDLE = void*;
using FT_STATUS = std::uint32_t;

enum : FT_STATUS {
  FT_OK = 0,
  FT_INVALID_HANDLE = 1,
  FT_DEVICE_NOT_FOUND = 2,
  FT_DEVICE_NOT_OPENED = 3,
  FT_IO_ERROR = 4,
  FT_INSUFFICIENT_RESOURCES = 5,
  FT_INVALID_PARAMETER = 6,
  FT_INVALID_BAUD_RATE = 7,
  FT_DEVICE_NOT_OPENED_FOR_ERASE = 8,
  FT_DEVICE_NOT_OPENED_FOR_WRITE = 9,
  FT_FAILED_TO_WRITE_DEVICE = 10,
  FT_EEPROM_READ_FAILED = 11,
  FT_EEPROM_WRITE_FAILED = 12,
  FT_EEPROM_ERASE_FAILED = 13,
  FT_EEPROM_NOT_PRESENT = 14,
  FT_EEPROM_NOT_PROGRAMMED = 15,
  FT_INVALID_ARGS = 16,
  FT_NOT_SUPPORTED = 17,
  FT_OTHER_ERROR = 18,
};

// FT_ListDevices and FT_OpenEx flags.
constexpr std::uint32_t FT_LIST_NUMBER_ONLY = 0x80000000u;
constexpr std::uint32_t FT_LIST_BY_INDEX = 0x40000000u;
constexpr std::uint32_t FT_OPEN_BY_SERIAL_NUMBER = 1;
constexpr std::uint32_t FT_OPEN_BY_DESCRIPTION = 2;

// Serial numbers and descriptions as D2XX returns them (with the channel
// letter appended for dual-channel chips).
constexpr std::size_t kSerialBufferSize = 16;
constexpr std::size_t kDescriptionBufferSize = 64;
constexpr std::size_t kUserAreaSize = 64;

class FtDriver {
 public:
  virtual ~FtDriver() = default;

  // Short backend name ("sim", "libftdi", "d2xx").
  virtual std::string Name() const = 0;
  // Empty when the backend can be used; otherwise a sentence saying why not
  // (library missing, USB subsystem unavailable).
  virtual std::string Problem() const { return {}; }
  // What went wrong in the last failed call, in the backend's words (may be
  // empty); the link adds it to its own message.
  virtual std::string LastError() const { return {}; }

  // FT_ListDevices(&count, NULL, FT_LIST_NUMBER_ONLY).
  virtual FT_STATUS ListDeviceCount(std::uint32_t& count) = 0;
  // FT_ListDevices(index, buffer, FT_LIST_BY_INDEX | what), what being
  // FT_OPEN_BY_SERIAL_NUMBER or FT_OPEN_BY_DESCRIPTION. Writes a
  // zero-terminated text of at most `size` bytes (terminator included).
  virtual FT_STATUS ListDeviceByIndex(std::uint32_t index, std::uint32_t what, char* buffer, std::size_t size) = 0;
  // FT_OpenEx(serial, FT_OPEN_BY_SERIAL_NUMBER, &handle).
  virtual FT_STATUS OpenEx(const char* serial, FT_HANDLE& handle) = 0;
  virtual FT_STATUS Close(FT_HANDLE handle) = 0;
  // Reads up to `count` bytes; `got` says how many came. A read that times
  // out returns FT_OK with fewer bytes than asked.
  virtual FT_STATUS Read(FT_HANDLE handle, std::uint8_t* buffer, std::uint32_t count, std::uint32_t& got) = 0;
  virtual FT_STATUS Write(FT_HANDLE handle, const std::uint8_t* buffer, std::uint32_t count,
                          std::uint32_t& written) = 0;
  virtual FT_STATUS GetQueueStatus(FT_HANDLE handle, std::uint32_t& rxBytes) = 0;
  virtual FT_STATUS CyclePort(FT_HANDLE handle) = 0;
  // FT_EE_UARead: up to `size` bytes of the EEPROM user area.
  virtual FT_STATUS EE_UARead(FT_HANDLE handle, std::uint8_t* buffer, std::uint32_t size, std::uint32_t& got) = 0;
  virtual FT_STATUS SetLatencyTimer(FT_HANDLE handle, std::uint8_t ms) = 0;
  virtual FT_STATUS SetBitMode(FT_HANDLE handle, std::uint8_t mask, std::uint8_t mode) = 0;

  // Where listed channel `index` is plugged in: the USB bus and port path
  // ("1-2.4", as doctor shows it). Empty when the backend cannot tell.
  virtual std::string ListDeviceLocation(std::uint32_t index) { return {}; }
  // Opens the channel of serial number `serial` on the chip at `location`,
  // not merely the first of that serial number (every programmer has the
  // same one). FT_NOT_SUPPORTED when the backend cannot tell locations.
  virtual FT_STATUS OpenAt(const std::string& location, const char* serial, FT_HANDLE& handle) {
    handle = nullptr;
    return FT_NOT_SUPPORTED;
  }
};

// Copies `text` into a D2XX-style list buffer of `size` bytes: zero-terminated
// when it is shorter, filling the whole buffer without a terminator when it
// is not (a 16-character serial number fills the 16-byte buffer). Readers
// stop at the first zero byte or at the end of the buffer.
inline void CopyListText(const std::string& text, char* buffer, std::size_t size) {
  std::size_t n = text.size() < size ? text.size() : size;
  for (std::size_t i = 0; i < n; ++i) buffer[i] = text[i];
  if (n < size) buffer[n] = '\0';
}

}  // namespace velmar::link
