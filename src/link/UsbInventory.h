// The USB devices with FTDI's vendor id that this machine has, as the
// connection check needs to see them: where they sit on the bus, what they
// call themselves, their interfaces (channels) with the kernel driver bound
// to each, and their device node. Two sources give the same records: the
// kernel's sysfs tree (which any user may read, and which tests fake with a
// folder of their own) and libusb, which also lists devices a kernel driver
// holds; what libusb cannot read without opening the device comes from sysfs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velmar::link {

inline constexpr std::uint16_t kFtdiVendorId = 0x0403;
inline constexpr std::uint16_t kFt2232ProductId = 0x6010;

struct UsbInterface {
  int number = 0;
  std::string driver;  // the kernel driver bound to it ("" none)
  std::string tty;     // the serial port the kernel made of it ("ttyUSB0"), if any
};

struct UsbDevice {
  int bus = 0;
  int address = 0;
  std::string path;  // the kernel's name of the port: "1-2.3" ("" not in sysfs)
  std::uint16_t vendor = 0;
  std::uint16_t product = 0;
  std::string manufacturer;
  std::string productName;
  std::string serial;
  std::vector<UsbInterface> interfaces;
  // Listed through libusb: whether libusb could open it (the plainest test
  // of this user's access), and why not. Unknown when listed from sysfs.
  enum class Opened { Unknown, Yes, No };
  Opened libusbOpened = Opened::Unknown;
  std::string libusbError;

  // The device node under `devRoot` ("/dev"): devRoot/bus/usb/BBB/DDD.
  std::string Node(const std::string& devRoot) const;
  // "0403:6010".
  std::string Id() const;
  // Where it sits: "1-2.3 (bus 1, device 5)", or only the bus and device.
  std::string Place() const;
};

// Every device with FTDI's vendor id under `sysfsRoot` (normally "/sys"),
// in the kernel's order of port names.
std::vector<UsbDevice> ListFtdiDevicesFromSysfs(const std::string& sysfsRoot);

// The same through libusb, filled in from sysfs where libusb cannot read
// the strings. False (and `error` set) when libusb cannot be used here.
bool ListFtdiDevicesWithLibusb(const std::string& sysfsRoot, std::vector<UsbDevice>& devices, std::string& error);

}  // namespace velmar::link
