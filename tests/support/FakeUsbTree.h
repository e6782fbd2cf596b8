// A fake sysfs, /dev and udev tree for the connection check: devices with
// their attributes, interfaces with a bound driver, device nodes with a mode
// and owner, and rule files.
#pragma once

#include <filesystem>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "support/TestSupport.h"

namespace velmar::test {

struct FakeUsbTree {
  TempDir root;
  std::string Sys() const { return root.File("sys"); }
  std::string Dev() const { return root.File("dev"); }
  std::string Udev() const { return root.File("udev"); }

  FakeUsbTree() {
    std::filesystem::create_directories(Sys() + "/bus/usb/devices");
    std::filesystem::create_directories(Dev());
    std::filesystem::create_directories(Udev());
  }

  // A device at `path` ("1-2") with its attributes and `interfaces` channels.
  void AddDevice(const std::string& path, const std::string& vendor, const std::string& product, int bus, int address,
                 const std::string& serial, int interfaces = 2) {
    const std::string d = Sys() + "/bus/usb/devices/" + path + "/";
    std::filesystem::create_directories(d);
    WriteFile(d + "idVendor", vendor + "\n");
    WriteFile(d + "idProduct", product + "\n");
    WriteFile(d + "busnum", std::to_string(bus) + "\n");
    WriteFile(d + "devnum", std::to_string(address) + "\n");
    WriteFile(d + "product", "Dual RS232\n");
    WriteFile(d + "manufacturer", "FTDI\n");
    if (!serial.empty()) WriteFile(d + "serial", serial + "\n");
    for (int i = 0; i < interfaces; ++i) {
      const std::string f = Sys() + "/bus/usb/devices/" + path + ":1." + std::to_string(i) + "/";
      std::filesystem::create_directories(f);
      WriteFile(f + "bInterfaceNumber", "0" + std::to_string(i) + "\n");
    }
  }
  // Binds `driver` to interface `n` of `path`, with a serial port when given.
  void Bind(const std::string& path, int n, const std::string& driver, const std::string& tty = {}) {
    const std::string f = Sys() + "/bus/usb/devices/" + path + ":1." + std::to_string(n) + "/";
    std::filesystem::create_directories(Sys() + "/bus/usb/drivers/" + driver);
    std::filesystem::create_symlink(Sys() + "/bus/usb/drivers/" + driver, f + "driver");
    if (!tty.empty()) std::filesystem::create_directories(f + tty);
  }
  // The device node of bus/address with a mode (owned by whoever runs the
  // test; the check is told another user).
  std::string Node(int bus, int address, mode_t mode) {
    char tail[32];
    std::snprintf(tail, sizeof tail, "/bus/usb/%03d/%03d", bus, address);
    const std::string node = Dev() + tail;
    std::filesystem::create_directories(std::filesystem::path(node).parent_path());
    WriteFile(node, "");
    ::chmod(node.c_str(), mode);
    return node;
  }
  void InstallRule(const std::string& folder, const std::string& name, const std::string& text) {
    std::filesystem::create_directories(Udev() + "/" + folder);
    WriteFile(Udev() + "/" + folder + "/" + name, text);
  }
};

}  // namespace velmar::test
