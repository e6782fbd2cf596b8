// USB device listing from sysfs and libusb.
#include "link/UsbInventory.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <tuple>

#ifdef VELMAR_HAVE_LIBUSB
#include <libusb.h>
#endif

namespace velmar::link {

namespace {

namespace fs = std::filesystem;

std::string Attribute(const fs::path& folder, const char* name) {
  std::ifstream in(folder / name);
  std::string value;
  std::getline(in, value);
  while (!value.empty() && (value.back() == '\n' || value.back() == '\r' || value.back() == ' ')) value.pop_back();
  std::size_t first = value.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : value.substr(first);
}

int Number(const std::string& text, int base = 10) {
  try {
    return text.empty() ? 0 : std::stoi(text, nullptr, base);
  } catch (const std::exception&) {
    return 0;
  }
}

fs::path DevicesFolder(const std::string& sysfsRoot) { return fs::path(sysfsRoot) / "bus/usb/devices"; }

// The interfaces of the device named `name` ("1-2"): "1-2:1.0", "1-2:1.1".
std::vector<UsbInterface> InterfacesOf(const fs::path& devices, const std::string& name) {
  std::vector<UsbInterface> list;
  std::error_code ec;
  for (const fs::directory_entry& e : fs::directory_iterator(devices, ec)) {
    const std::string entry = e.path().filename().string();
    if (entry.rfind(name + ":", 0) != 0) continue;
    UsbInterface i;
    const std::string number = Attribute(e.path(), "bInterfaceNumber");
    i.number = number.empty() ? Number(entry.substr(entry.rfind('.') + 1)) : Number(number, 16);
    std::error_code le;
    fs::path driver = fs::read_symlink(e.path() / "driver", le);
    if (!le) i.driver = driver.filename().string();
    for (const fs::directory_entry& t : fs::directory_iterator(e.path(), le))
      if (t.path().filename().string().rfind("tty", 0) == 0 && t.path().filename() != "tty")
        i.tty = t.path().filename().string();
    list.push_back(i);
  }
  std::sort(list.begin(), list.end(), [](const UsbInterface& a, const UsbInterface& b) { return a.number < b.number; });
  return list;
}

UsbDevice ReadDevice(const fs::path& devices, const std::string& name) {
  const fs::path folder = devices / name;
  UsbDevice d;
  d.path = name;
  d.bus = Number(Attribute(folder, "busnum"));
  d.address = Number(Attribute(folder, "devnum"));
  d.vendor = std::uint16_t(Number(Attribute(folder, "idVendor"), 16));
  d.product = std::uint16_t(Number(Attribute(folder, "idProduct"), 16));
  d.manufacturer = Attribute(folder, "manufacturer");
  d.productName = Attribute(folder, "product");
  d.serial = Attribute(folder, "serial");
  d.interfaces = InterfacesOf(devices, name);
  return d;
}

}  // namespace

std::string UsbDevice::Node(const std::string& devRoot) const {
  char tail[32];
  std::snprintf(tail, sizeof tail, "/bus/usb/%03d/%03d", bus, address);
  return devRoot + tail;
}

std::string UsbDevice::Id() const {
  char id[16];
  std::snprintf(id, sizeof id, "%04x:%04x", vendor, product);
  return id;
}

std::string UsbDevice::Place() const {
  const std::string numbers = "bus " + std::to_string(bus) + ", device " + std::to_string(address);
  return path.empty() ? numbers : path + " (" + numbers + ")";
}

std::vector<UsbDevice> ListFtdiDevicesFromSysfs(const std::string& sysfsRoot) {
  std::vector<UsbDevice> list;
  const fs::path devices = DevicesFolder(sysfsRoot);
  std::error_code ec;
  std::vector<std::string> names;
  for (const fs::directory_entry& e : fs::directory_iterator(devices, ec)) {
    const std::string name = e.path().filename().string();
    // Interfaces carry a colon; root hubs ("usb1") have no FTDI vendor id.
    if (name.find(':') != std::string::npos) continue;
    if (Number(Attribute(e.path(), "idVendor"), 16) == kFtdiVendorId) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  for (const std::string& n : names) list.push_back(ReadDevice(devices, n));
  return list;
}

#ifdef VELMAR_HAVE_LIBUSB

namespace {

std::string StringDescriptor(libusb_device_handle* h, std::uint8_t index) {
  if (!h || index == 0) return {};
  unsigned char text[256] = {};
  int n = libusb_get_string_descriptor_ascii(h, index, text, sizeof text - 1);
  return n > 0 ? std::string(reinterpret_cast<char*>(text), std::size_t(n)) : std::string();
}

}  // namespace

// Only the libusb calls libftdi itself makes are used, so that anything
// standing in for libusb under libftdi serves the check as well. The port
// path, strings and drivers come from the sysfs entry with the same bus
// number and address.
bool ListFtdiDevicesWithLibusb(const std::string& sysfsRoot, std::vector<UsbDevice>& devices, std::string& error) {
  libusb_context* context = nullptr;
  int rc = libusb_init(&context);
  if (rc != 0) {
    error = std::string("libusb cannot start: ") + libusb_error_name(rc);
    return false;
  }
  libusb_device** list = nullptr;
  ssize_t count = libusb_get_device_list(context, &list);
  if (count < 0) {
    error = std::string("libusb cannot list the USB devices: ") + libusb_error_name(int(count));
    libusb_exit(context);
    return false;
  }
  const std::vector<UsbDevice> fromSysfs = ListFtdiDevicesFromSysfs(sysfsRoot);
  for (ssize_t i = 0; i < count; ++i) {
    libusb_device* dev = list[i];
    libusb_device_descriptor desc{};
    if (libusb_get_device_descriptor(dev, &desc) != 0 || desc.idVendor != kFtdiVendorId) continue;
    UsbDevice d;
    d.bus = libusb_get_bus_number(dev);
    d.address = libusb_get_device_address(dev);
    d.vendor = desc.idVendor;
    d.product = desc.idProduct;
    auto known = std::find_if(fromSysfs.begin(), fromSysfs.end(),
                              [&](const UsbDevice& k) { return k.bus == d.bus && k.address == d.address; });
    if (known != fromSysfs.end()) {
      d.path = known->path;
      d.manufacturer = known->manufacturer;
      d.productName = known->productName;
      d.serial = known->serial;
      d.interfaces = known->interfaces;
    }
    if (d.interfaces.empty()) {
      libusb_config_descriptor* config = nullptr;
      if (libusb_get_config_descriptor(dev, 0, &config) == 0) {
        for (int n = 0; n < config->bNumInterfaces; ++n) d.interfaces.push_back({n, "", ""});
        libusb_free_config_descriptor(config);
      }
    }
    libusb_device_handle* h = nullptr;
    rc = libusb_open(dev, &h);
    if (rc == 0) {
      d.libusbOpened = UsbDevice::Opened::Yes;
      if (d.manufacturer.empty()) d.manufacturer = StringDescriptor(h, desc.iManufacturer);
      if (d.productName.empty()) d.productName = StringDescriptor(h, desc.iProduct);
      if (d.serial.empty()) d.serial = StringDescriptor(h, desc.iSerialNumber);
      libusb_close(h);
    } else {
      d.libusbOpened = UsbDevice::Opened::No;
      d.libusbError = libusb_error_name(rc);
    }
    devices.push_back(d);
  }
  libusb_free_device_list(list, 1);
  libusb_exit(context);
  std::sort(devices.begin(), devices.end(), [](const UsbDevice& a, const UsbDevice& b) {
    return std::tie(a.path, a.bus, a.address) < std::tie(b.path, b.bus, b.address);
  });
  return true;
}

#else

bool ListFtdiDevicesWithLibusb(const std::string&, std::vector<UsbDevice>&, std::string& error) {
  error = "this build of Velmar has no libusb";
  return false;
}

#endif

}  // namespace velmar::link
