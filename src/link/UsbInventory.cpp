// USB device listing from sysfs and libusb.
#include "link/UsbInventory.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

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

bool ListFtdiDevicesWithLibusb(const std::string& sysfsRoot, std::vector<UsbDevice>& devices, std::string& error) {
  libusb_context* context = nullptr;
  int rc = libusb_init(&context);
  if (rc != 0) {
    error = std::string("libusb cannot start: ") + libusb_strerror(rc);
    return false;
  }
  libusb_device** list = nullptr;
  ssize_t count = libusb_get_device_list(context, &list);
  if (count < 0) {
    error = std::string("libusb cannot list the USB devices: ") + libusb_strerror(int(count));
    libusb_exit(context);
    return false;
  }
  const fs::path sysDevices = DevicesFolder(sysfsRoot);
  for (ssize_t i = 0; i < count; ++i) {
    libusb_device* dev = list[i];
    libusb_device_descriptor desc{};
    if (libusb_get_device_descriptor(dev, &desc) != 0 || desc.idVendor != kFtdiVendorId) continue;
    UsbDevice d;
    d.bus = libusb_get_bus_number(dev);
    d.address = libusb_get_device_address(dev);
    d.vendor = desc.idVendor;
    d.product = desc.idProduct;
    std::uint8_t ports[8];
    int depth = libusb_get_port_numbers(dev, ports, sizeof ports);
    d.path = std::to_string(d.bus) + "-";
    for (int p = 0; p < depth; ++p) d.path += (p ? "." : "") + std::to_string(ports[p]);
    // Strings and drivers as the kernel has them; libusb adds the strings
    // when sysfs lacks them and the device can be opened.
    UsbDevice fromSys = ReadDevice(sysDevices, d.path);
    d.manufacturer = fromSys.manufacturer;
    d.productName = fromSys.productName;
    d.serial = fromSys.serial;
    d.interfaces = fromSys.interfaces;
    if (d.interfaces.empty()) {
      libusb_config_descriptor* config = nullptr;
      if (libusb_get_active_config_descriptor(dev, &config) == 0 ||
          libusb_get_config_descriptor(dev, 0, &config) == 0) {
        for (int n = 0; n < config->bNumInterfaces; ++n) d.interfaces.push_back({n, "", ""});
        libusb_free_config_descriptor(config);
      }
    }
    if (d.productName.empty() || d.serial.empty()) {
      libusb_device_handle* h = nullptr;
      if (libusb_open(dev, &h) == 0) {
        if (d.manufacturer.empty()) d.manufacturer = StringDescriptor(h, desc.iManufacturer);
        if (d.productName.empty()) d.productName = StringDescriptor(h, desc.iProduct);
        if (d.serial.empty()) d.serial = StringDescriptor(h, desc.iSerialNumber);
        libusb_close(h);
      }
    }
    devices.push_back(d);
  }
  libusb_free_device_list(list, 1);
  libusb_exit(context);
  std::sort(devices.begin(), devices.end(), [](const UsbDevice& a, const UsbDevice& b) { return a.path < b.path; });
  return true;
}

#else

bool ListFtdiDevicesWithLibusb(const std::string&, std::vector<UsbDevice>&, std::string& error) {
  error = "this build of Velmar has no libusb";
  return false;
}

#endif

}  // namespace velmar::link
