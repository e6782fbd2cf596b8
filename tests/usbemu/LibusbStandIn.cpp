// The libusb-1.0 calls libftdi makes (and the few our libftdi backend makes
// itself), answered by the emulated bus instead of the kernel. Preloaded in
// front of the real libusb, these definitions take its place. Contexts are
// kept apart: each has its own device objects for the emulated chips.
// Transfers submitted asynchronously are refused (libftdi only uses them
// for its streaming reads, which Velmar does not call).
#include <libusb.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "EmulatedBus.h"
#include "EmulationOptions.h"
#include "VirtualTime.h"

using velmar::usbemu::EmulatedBus;
using velmar::usbemu::EmulatedChip;
using velmar::usbemu::UsbResult;

struct libusb_context {
  std::vector<std::unique_ptr<libusb_device>> devices;
};

struct libusb_device {
  libusb_context* context = nullptr;
  EmulatedChip* chip = nullptr;
  std::uint8_t address = 0;
  int refs = 0;
};

struct libusb_device_handle {
  libusb_device* device = nullptr;
  bool claimed[2] = {false, false};
  bool autoDetach = false;
};

namespace {

constexpr int kInterfaces = 2;
constexpr unsigned char kOutEndpoint[kInterfaces] = {0x02, 0x04};
constexpr unsigned char kInEndpoint[kInterfaces] = {0x81, 0x83};

std::unique_lock<std::recursive_mutex> Lock() {
  return std::unique_lock<std::recursive_mutex>(velmar::usbemu::EmulationLock());
}

libusb_context* DefaultContext() {
  static libusb_context context;
  return &context;
}

libusb_context* Ctx(libusb_context* c) { return c ? c : DefaultContext(); }

// Who holds each interface of each chip: a handle of ours, or the kernel's
// serial driver (null handle, present when the fault asks for it).
struct Holders {
  std::map<std::pair<EmulatedChip*, int>, libusb_device_handle*> byHandle;
  std::map<std::pair<EmulatedChip*, int>, bool> kernelDetached;
};
Holders& Held() {
  static Holders h;
  return h;
}

// "kernel-driver-stuck": the serial driver holds the interfaces and will
// not be detached.
bool KernelDriverStuck() { return EmulatedBus::Get().Fault("kernel-driver-stuck"); }

bool KernelDriverBound(EmulatedChip* chip, int iface) {
  return KernelDriverStuck() || (EmulatedBus::Get().Fault("kernel-driver") && !Held().kernelDetached[{chip, iface}]);
}

int ToLibusb(UsbResult r) {
  switch (r) {
    case UsbResult::ok: return 0;
    case UsbResult::stall: return LIBUSB_ERROR_PIPE;
    case UsbResult::timeout: return LIBUSB_ERROR_TIMEOUT;
  }
  return LIBUSB_ERROR_OTHER;
}

int InterfaceOfEndpoint(unsigned char endpoint, bool& in) {
  for (int i = 0; i < kInterfaces; ++i) {
    if (endpoint == kOutEndpoint[i]) {
      in = false;
      return i;
    }
    if (endpoint == kInEndpoint[i]) {
      in = true;
      return i;
    }
  }
  return -1;
}

bool Present(libusb_device* dev) {
  auto chips = EmulatedBus::Get().Chips();
  return std::find(chips.begin(), chips.end(), dev->chip) != chips.end();
}

// A transfer to the device: it must be there, and it counts towards an unplug.
bool Reaches(libusb_device* dev) { return Present(dev) && velmar::usbemu::ReachDevice(); }

}  // namespace

extern "C" {

#define EXPORT __attribute__((visibility("default")))

EXPORT int libusb_init(libusb_context** ctx) {
  auto lock = Lock();
  if (ctx) *ctx = new libusb_context;
  return 0;
}

EXPORT void libusb_exit(libusb_context* ctx) {
  auto lock = Lock();
  if (ctx && ctx != DefaultContext()) delete ctx;
}

EXPORT ssize_t libusb_get_device_list(libusb_context* ctx, libusb_device*** list) {
  auto lock = Lock();
  libusb_context* c = Ctx(ctx);
  std::vector<EmulatedChip*> chips = EmulatedBus::Get().Chips();
  auto* out = static_cast<libusb_device**>(std::calloc(chips.size() + 1, sizeof(libusb_device*)));
  if (!out) return LIBUSB_ERROR_NO_MEM;
  for (std::size_t i = 0; i < chips.size(); ++i) {
    libusb_device* found = nullptr;
    for (auto& d : c->devices)
      if (d->chip == chips[i]) found = d.get();
    if (!found) {
      c->devices.push_back(std::make_unique<libusb_device>());
      found = c->devices.back().get();
      found->context = c;
      found->chip = chips[i];
      found->address = std::uint8_t(2 + i);
    }
    ++found->refs;
    out[i] = found;
  }
  *list = out;
  return ssize_t(chips.size());
}

EXPORT void libusb_free_device_list(libusb_device** list, int unref) {
  auto lock = Lock();
  if (!list) return;
  if (unref)
    for (libusb_device** d = list; *d; ++d) --(*d)->refs;
  std::free(list);
}

EXPORT libusb_device* libusb_ref_device(libusb_device* dev) {
  auto lock = Lock();
  ++dev->refs;
  return dev;
}

EXPORT void libusb_unref_device(libusb_device* dev) {
  auto lock = Lock();
  if (dev) --dev->refs;  // the context keeps the object until it ends
}

EXPORT uint8_t libusb_get_bus_number(libusb_device*) { return 1; }
EXPORT uint8_t libusb_get_device_address(libusb_device* dev) { return dev->address; }
// Every chip hangs on a root port of its own: locations "1-1", "1-2", ...
EXPORT int libusb_get_port_numbers(libusb_device* dev, uint8_t* ports, int len) {
  if (len < 1) return LIBUSB_ERROR_OVERFLOW;
  auto lock = Lock();
  ports[0] = std::uint8_t(EmulatedBus::Get().PortOf(dev->chip));
  return 1;
}

EXPORT int libusb_get_device_descriptor(libusb_device* dev, struct libusb_device_descriptor* desc) {
  auto lock = Lock();
  std::vector<std::uint8_t> d = dev->chip->DeviceDescriptor();
  desc->bLength = d[0];
  desc->bDescriptorType = d[1];
  desc->bcdUSB = std::uint16_t(d[2] | d[3] << 8);
  desc->bDeviceClass = d[4];
  desc->bDeviceSubClass = d[5];
  desc->bDeviceProtocol = d[6];
  desc->bMaxPacketSize0 = d[7];
  desc->idVendor = std::uint16_t(d[8] | d[9] << 8);
  desc->idProduct = std::uint16_t(d[10] | d[11] << 8);
  desc->bcdDevice = std::uint16_t(d[12] | d[13] << 8);
  desc->iManufacturer = d[14];
  desc->iProduct = d[15];
  desc->iSerialNumber = d[16];
  desc->bNumConfigurations = d[17];
  return 0;
}

EXPORT int libusb_get_config_descriptor(libusb_device* dev, uint8_t index, struct libusb_config_descriptor** config) {
  auto lock = Lock();
  if (index != 0) return LIBUSB_ERROR_NOT_FOUND;
  const std::uint16_t packet = std::uint16_t(dev->chip->PacketSize());
  auto* cfg = new libusb_config_descriptor{};
  auto* ifaces = new libusb_interface[kInterfaces]{};
  for (int i = 0; i < kInterfaces; ++i) {
    auto* alt = new libusb_interface_descriptor{};
    auto* eps = new libusb_endpoint_descriptor[2]{};
    eps[0] = {7, LIBUSB_DT_ENDPOINT, kInEndpoint[i], LIBUSB_TRANSFER_TYPE_BULK, packet, 0, 0, 0, nullptr, 0};
    eps[1] = {7, LIBUSB_DT_ENDPOINT, kOutEndpoint[i], LIBUSB_TRANSFER_TYPE_BULK, packet, 0, 0, 0, nullptr, 0};
    alt->bLength = 9;
    alt->bDescriptorType = LIBUSB_DT_INTERFACE;
    alt->bInterfaceNumber = std::uint8_t(i);
    alt->bNumEndpoints = 2;
    alt->bInterfaceClass = 0xFF;
    alt->bInterfaceSubClass = 0xFF;
    alt->bInterfaceProtocol = 0xFF;
    alt->iInterface = 2;
    alt->endpoint = eps;
    ifaces[i].altsetting = alt;
    ifaces[i].num_altsetting = 1;
  }
  cfg->bLength = 9;
  cfg->bDescriptorType = LIBUSB_DT_CONFIG;
  cfg->wTotalLength = 9 + kInterfaces * (9 + 2 * 7);
  cfg->bNumInterfaces = kInterfaces;
  cfg->bConfigurationValue = 1;
  cfg->bmAttributes = 0x80;
  cfg->MaxPower = 45;
  cfg->interface = ifaces;
  *config = cfg;
  return 0;
}

EXPORT void libusb_free_config_descriptor(struct libusb_config_descriptor* config) {
  if (!config) return;
  for (int i = 0; i < config->bNumInterfaces; ++i) {
    delete[] config->interface[i].altsetting->endpoint;
    delete config->interface[i].altsetting;
  }
  delete[] config->interface;
  delete config;
}

EXPORT int libusb_open(libusb_device* dev, libusb_device_handle** handle) {
  auto lock = Lock();
  if (!Present(dev)) return LIBUSB_ERROR_NO_DEVICE;
  if (EmulatedBus::Get().Fault("open-denied")) return LIBUSB_ERROR_ACCESS;
  auto* h = new libusb_device_handle;
  h->device = dev;
  ++dev->refs;
  ++velmar::usbemu::Account().openHandles;
  *handle = h;
  return 0;
}

EXPORT int libusb_release_interface(libusb_device_handle* h, int iface) {
  auto lock = Lock();
  if (iface < 0 || iface >= kInterfaces) return LIBUSB_ERROR_NOT_FOUND;
  if (!h->claimed[iface]) return LIBUSB_ERROR_NOT_FOUND;
  h->claimed[iface] = false;
  Held().byHandle.erase({h->device->chip, iface});
  if (h->autoDetach) Held().kernelDetached[{h->device->chip, iface}] = false;  // the serial driver comes back
  return 0;
}

EXPORT void libusb_close(libusb_device_handle* h) {
  auto lock = Lock();
  if (!h) return;
  bool session = false;
  for (int i = 0; i < kInterfaces; ++i)
    if (h->claimed[i]) {
      session = true;
      libusb_release_interface(h, i);
    }
  --h->device->refs;
  --velmar::usbemu::Account().openHandles;
  delete h;
  if (session) EmulatedBus::Get().Save();
}

EXPORT int libusb_get_configuration(libusb_device_handle*, int* config) {
  *config = 1;
  return 0;
}

EXPORT int libusb_set_configuration(libusb_device_handle*, int configuration) {
  return configuration == 1 || configuration == -1 ? 0 : LIBUSB_ERROR_NOT_FOUND;
}

EXPORT int libusb_kernel_driver_active(libusb_device_handle* h, int iface) {
  auto lock = Lock();
  if (iface < 0 || iface >= kInterfaces) return LIBUSB_ERROR_NOT_FOUND;
  return KernelDriverBound(h->device->chip, iface) ? 1 : 0;
}

EXPORT int libusb_detach_kernel_driver(libusb_device_handle* h, int iface) {
  auto lock = Lock();
  if (iface < 0 || iface >= kInterfaces) return LIBUSB_ERROR_NOT_FOUND;
  if (!KernelDriverBound(h->device->chip, iface)) return LIBUSB_ERROR_NOT_FOUND;
  if (KernelDriverStuck()) return LIBUSB_ERROR_ACCESS;
  Held().kernelDetached[{h->device->chip, iface}] = true;
  return 0;
}

EXPORT int libusb_attach_kernel_driver(libusb_device_handle* h, int iface) {
  auto lock = Lock();
  if (iface < 0 || iface >= kInterfaces) return LIBUSB_ERROR_NOT_FOUND;
  Held().kernelDetached[{h->device->chip, iface}] = false;
  return 0;
}

EXPORT int libusb_set_auto_detach_kernel_driver(libusb_device_handle* h, int enable) {
  auto lock = Lock();
  h->autoDetach = enable != 0;
  return 0;
}

EXPORT int libusb_claim_interface(libusb_device_handle* h, int iface) {
  auto lock = Lock();
  if (iface < 0 || iface >= kInterfaces) return LIBUSB_ERROR_NOT_FOUND;
  if (!Present(h->device)) return LIBUSB_ERROR_NO_DEVICE;
  EmulatedChip* chip = h->device->chip;
  EmulatedBus::Get().MarkUsed(chip);
  if (h->claimed[iface]) return 0;
  auto holder = Held().byHandle.find({chip, iface});
  if (holder != Held().byHandle.end() && holder->second != h) return LIBUSB_ERROR_BUSY;
  // Another program holding the interface looks the same from here.
  if (EmulatedBus::Get().Fault("claimed") && iface == 0) return LIBUSB_ERROR_BUSY;
  if (KernelDriverBound(chip, iface)) {
    if (!h->autoDetach || KernelDriverStuck()) return LIBUSB_ERROR_BUSY;
    Held().kernelDetached[{chip, iface}] = true;
  }
  h->claimed[iface] = true;
  Held().byHandle[{chip, iface}] = h;
  return 0;
}

EXPORT int libusb_reset_device(libusb_device_handle* h) {
  auto lock = Lock();
  if (!Reaches(h->device)) return LIBUSB_ERROR_NO_DEVICE;
  h->device->chip->ChargeControl();
  h->device->chip->PowerOn();
  return 0;
}

EXPORT int libusb_control_transfer(libusb_device_handle* h, uint8_t requestType, uint8_t request, uint16_t value,
                                   uint16_t index, unsigned char* data, uint16_t length, unsigned int) {
  auto lock = Lock();
  if (!Reaches(h->device)) return LIBUSB_ERROR_NO_DEVICE;
  EmulatedChip* chip = h->device->chip;
  UsbResult standard = UsbResult::ok;
  int answered = 0;
  if (chip->Standard(requestType, request, value, data, length, standard, answered))
    return standard == UsbResult::ok ? answered : ToLibusb(standard);
  // Standard GET_DESCRIPTOR for strings (libusb's inline helpers use it).
  if (requestType == 0x80 && request == LIBUSB_REQUEST_GET_DESCRIPTOR && (value >> 8) == LIBUSB_DT_STRING) {
    chip->ChargeControl();
    if (EmulatedBus::Get().Fault("strings")) return LIBUSB_ERROR_PIPE;
    std::vector<std::uint8_t> d;
    std::string text;
    if ((value & 0xFF) == 0) {
      d = {4, LIBUSB_DT_STRING, 0x09, 0x04};
    } else if (chip->StringDescriptor(value & 0xFF, text)) {
      d = {std::uint8_t(2 + 2 * text.size()), LIBUSB_DT_STRING};
      for (char ch : text) {
        d.push_back(std::uint8_t(ch));
        d.push_back(0);
      }
    } else {
      return LIBUSB_ERROR_PIPE;
    }
    int n = std::min<int>(length, int(d.size()));
    std::memcpy(data, d.data(), std::size_t(n));
    return n;
  }
  int got = 0;
  UsbResult r = chip->Control(requestType, request, value, index, data, length, got);
  return r == UsbResult::ok ? got : ToLibusb(r);
}

EXPORT int libusb_get_string_descriptor_ascii(libusb_device_handle* h, uint8_t index, unsigned char* data, int length) {
  auto lock = Lock();
  if (!Reaches(h->device)) return LIBUSB_ERROR_NO_DEVICE;
  if (index == 0) return LIBUSB_ERROR_INVALID_PARAM;
  EmulatedChip* chip = h->device->chip;
  chip->ChargeControl();  // the language list
  chip->ChargeControl();  // the string
  if (EmulatedBus::Get().Fault("strings")) return LIBUSB_ERROR_PIPE;
  std::string text;
  if (!chip->StringDescriptor(index, text)) return LIBUSB_ERROR_PIPE;
  if (length <= 0) return LIBUSB_ERROR_INVALID_PARAM;
  int n = std::min<int>(length - 1, int(text.size()));
  std::memcpy(data, text.data(), std::size_t(n));
  data[n] = 0;
  return n;
}

EXPORT int libusb_bulk_transfer(libusb_device_handle* h, unsigned char endpoint, unsigned char* data, int length,
                                int* transferred, unsigned int timeoutMs) {
  auto lock = Lock();
  if (transferred) *transferred = 0;
  if (!Reaches(h->device)) return LIBUSB_ERROR_NO_DEVICE;
  bool in = false;
  int iface = InterfaceOfEndpoint(endpoint, in);
  if (iface < 0) return LIBUSB_ERROR_NOT_FOUND;
  if (!h->claimed[iface]) return LIBUSB_ERROR_NOT_FOUND;
  auto& channel = h->device->chip->Channel(iface);
  if (!in) {
    std::size_t taken = 0;
    const UsbResult r = channel.BulkOut(data, std::size_t(length), taken);
    if (r == UsbResult::timeout) velmar::usbemu::EmulatedChannel::WaitOutWrite(std::uint64_t(timeoutMs) * 1000);
    if (transferred) *transferred = int(taken);
    return ToLibusb(r);
  }
  int got = 0;
  UsbResult r = channel.BulkIn(data, length, got, std::uint64_t(timeoutMs) * 1000, false, false);
  if (transferred) *transferred = got;
  return ToLibusb(r);
}

// Asynchronous transfers: libftdi's streaming calls only.
EXPORT struct libusb_transfer* libusb_alloc_transfer(int isoPackets) {
  return static_cast<libusb_transfer*>(
      std::calloc(1, sizeof(libusb_transfer) + sizeof(libusb_iso_packet_descriptor) * std::size_t(isoPackets)));
}
EXPORT void libusb_free_transfer(struct libusb_transfer* transfer) { std::free(transfer); }
EXPORT int libusb_submit_transfer(struct libusb_transfer*) { return LIBUSB_ERROR_NOT_SUPPORTED; }
EXPORT int libusb_cancel_transfer(struct libusb_transfer*) { return LIBUSB_ERROR_NOT_FOUND; }
EXPORT int libusb_handle_events_timeout(libusb_context*, struct timeval*) { return 0; }
EXPORT int libusb_handle_events_timeout_completed(libusb_context*, struct timeval*, int*) { return 0; }

EXPORT const char* libusb_error_name(int code) {
  switch (code) {
    case LIBUSB_SUCCESS: return "LIBUSB_SUCCESS";
    case LIBUSB_ERROR_IO: return "LIBUSB_ERROR_IO";
    case LIBUSB_ERROR_INVALID_PARAM: return "LIBUSB_ERROR_INVALID_PARAM";
    case LIBUSB_ERROR_ACCESS: return "LIBUSB_ERROR_ACCESS";
    case LIBUSB_ERROR_NO_DEVICE: return "LIBUSB_ERROR_NO_DEVICE";
    case LIBUSB_ERROR_NOT_FOUND: return "LIBUSB_ERROR_NOT_FOUND";
    case LIBUSB_ERROR_BUSY: return "LIBUSB_ERROR_BUSY";
    case LIBUSB_ERROR_TIMEOUT: return "LIBUSB_ERROR_TIMEOUT";
    case LIBUSB_ERROR_PIPE: return "LIBUSB_ERROR_PIPE";
    case LIBUSB_ERROR_NOT_SUPPORTED: return "LIBUSB_ERROR_NOT_SUPPORTED";
    default: return "LIBUSB_ERROR_OTHER";
  }
}

}  // extern "C"
