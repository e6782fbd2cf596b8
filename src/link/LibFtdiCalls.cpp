// The real libftdi1 calls behind LibFtdiCalls. Sessions are libftdi contexts
// opened on one channel each; the device list is kept (with its libusb
// references) until the next search.
#include <chrono>
#include <functional>
#include <thread>
#include <utility>

#include "link/ConnectionCheck.h"
#include "link/LibFtdiDriver.h"

#ifdef VELMAR_HAVE_LIBFTDI
#include <ftdi.h>
#include <libusb.h>
#endif

namespace velmar::link {

#ifdef VELMAR_HAVE_LIBFTDI

namespace {

constexpr int kVendor = 0x0403;
constexpr int kDualChannel = 0x6010;

std::string Code(int rc) { return " (" + std::to_string(rc) + ")"; }

// The kernel's name of a device's port: bus, then the hub ports ("1-2.4").
std::string UsbLocation(libusb_device* device) {
  std::uint8_t ports[8];
  const int n = libusb_get_port_numbers(device, ports, int(sizeof ports));
  if (n <= 0) return {};
  std::string text = std::to_string(libusb_get_bus_number(device)) + "-";
  for (int i = 0; i < n; ++i) text += (i ? "." : "") + std::to_string(ports[i]);
  return text;
}

std::string UsbError(int rc) { return std::string(libusb_error_name(rc)) + Code(rc); }

const char* ChannelName(int channel) { return channel ? "B" : "A"; }

// Why libftdi could not open or read a device, found by asking libusb
// directly (libftdi keeps only its own code), with what the user can do;
// `udevRuleInstalled` says whether our rule is there when access is refused.
std::string Diagnose(libusb_device* device, int channel, const std::function<bool()>& udevRuleInstalled) {
  libusb_device_handle* h = nullptr;
  const int open = libusb_open(device, &h);
  if (open == LIBUSB_ERROR_ACCESS && udevRuleInstalled && udevRuleInstalled())
    return "libusb: " + UsbError(open) +
           ": this user may not open the USB interface, though Velmar's udev rule is installed. Unplug and replug "
           "the programmer so that the rule applies; without a desktop seat: sudo adduser $USER plugdev, then log "
           "in again";
  if (open == LIBUSB_ERROR_ACCESS)
    return "libusb: " + UsbError(open) + ": this user may not open the USB interface. Install Velmar's udev rule (" +
           std::string(kUdevRuleName) + " into /etc/udev/rules.d/, then unplug and replug the programmer)";
  if (open < 0) return "libusb: " + UsbError(open) + ": unplug and replug the programmer's USB cable";
  std::string why;
  const int kernel = libusb_kernel_driver_active(h, channel);
  if (kernel == 1) {
    why = "the kernel's serial driver (ftdi_sio) holds channel " + std::string(ChannelName(channel)) +
          " and could not be detached: close the program using its serial port (/dev/ttyUSB*) or unload the "
          "driver (sudo rmmod ftdi_sio)";
  } else {
    const int claim = libusb_claim_interface(h, channel);
    if (claim == LIBUSB_ERROR_BUSY)
      why = "libusb: " + UsbError(claim) + ": another program holds channel " + ChannelName(channel) +
            " of the interface; close it (another Velmar, a terminal or a programming tool) and try again";
    else if (claim < 0)
      why = "libusb: " + UsbError(claim) + " claiming channel " + ChannelName(channel);
    else
      libusb_release_interface(h, channel);
  }
  libusb_close(h);
  return why;
}

class RealLibFtdi final : public LibFtdiCalls {
 public:
  explicit RealLibFtdi(std::function<bool()> udevRuleInstalled)
      : udevRuleInstalled_(std::move(udevRuleInstalled)), list_ctx_(ftdi_new()) {}
  ~RealLibFtdi() override {
    for (ftdi_context* c : sessions_)
      if (c) {
        ftdi_usb_close(c);
        ftdi_free(c);
      }
    if (list_) ftdi_list_free(&list_);
    if (list_ctx_) ftdi_free(list_ctx_);
  }

  std::string Problem() override {
    return list_ctx_ ? std::string() : "libftdi could not start the USB subsystem (libusb)";
  }

  int FindAll(std::vector<UsbDevice>& out) override {
    if (!list_ctx_) return -1;
    if (list_) ftdi_list_free(&list_);
    int n = ftdi_usb_find_all(list_ctx_, &list_, kVendor, kDualChannel);
    if (n < 0) return n;
    for (ftdi_device_list* d = list_; d; d = d->next) {
      char manufacturer[128] = {}, description[128] = {}, serial[128] = {};
      const int rc = ftdi_usb_get_strings(list_ctx_, d->dev, manufacturer, sizeof manufacturer, description,
                                          sizeof description, serial, sizeof serial);
      std::string problem;
      if (rc < 0) {
        problem = "libftdi: " + std::string(ftdi_get_error_string(list_ctx_)) + Code(rc);
        const std::string why = Diagnose(d->dev, 0, udevRuleInstalled_);
        problem += why.empty() ? ": the interface did not give its description; unplug and replug it" : "\r" + why;
      }
      out.push_back({d->dev, description, serial, problem, UsbLocation(d->dev)});
    }
    return n;
  }

  int Open(void* device, int channel) override {
    ftdi_context* c = ftdi_new();
    if (!c) return -1;
    ftdi_set_interface(c, channel ? INTERFACE_B : INTERFACE_A);
    c->module_detach_mode = AUTO_DETACH_REATACH_SIO_MODULE;
    int rc = ftdi_usb_open_dev(c, static_cast<libusb_device*>(device));
    if (rc < 0) {
      lastOpenError_ = "libftdi: " + std::string(ftdi_get_error_string(c)) + Code(rc);
      ftdi_free(c);
      const std::string why = Diagnose(static_cast<libusb_device*>(device), channel, udevRuleInstalled_);
      if (!why.empty()) lastOpenError_ += "\r" + why;
      return rc;
    }
    c->usb_read_timeout = 50;
    ftdi_tcioflush(c);
    sessions_.push_back(c);
    return int(sessions_.size() - 1);
  }

  void Close(int s) override {
    if (ftdi_context* c = Get(s)) {
      ftdi_usb_close(c);
      ftdi_free(c);
      sessions_[std::size_t(s)] = nullptr;
    }
  }

  int ReadData(int s, std::uint8_t* b, int n) override { return Get(s) ? ftdi_read_data(Get(s), b, n) : -1; }
  int WriteData(int s, const std::uint8_t* b, int n) override { return Get(s) ? ftdi_write_data(Get(s), b, n) : -1; }
  int SetLatency(int s, std::uint8_t ms) override { return Get(s) ? ftdi_set_latency_timer(Get(s), ms) : -1; }
  int SetBitmode(int s, std::uint8_t mask, std::uint8_t mode) override {
    return Get(s) ? ftdi_set_bitmode(Get(s), mask, mode) : -1;
  }
  int ResetPort(int s) override {
    ftdi_context* c = Get(s);
    if (!c || !c->usb_dev) return -1;
    const int rc = libusb_reset_device(c->usb_dev);
    // NOT_FOUND: the device came back as a new one, as after FT_CyclePort;
    // the session is spent either way and is closed next.
    if (rc == 0 || rc == LIBUSB_ERROR_NOT_FOUND) return 0;
    portError_ = "libusb_reset_device: " + UsbError(rc);
    return rc;
  }

  int ReadEeprom(int s, std::vector<std::uint8_t>& raw) override {
    ftdi_context* c = Get(s);
    if (!c) return -1;
    int rc = ftdi_read_eeprom(c);
    if (rc < 0) return rc;
    int size = 0;
    ftdi_get_eeprom_value(c, CHIP_SIZE, &size);
    if (size <= 0) size = 128;
    raw.assign(std::size_t(size), 0);
    return ftdi_get_eeprom_buf(c, raw.data(), size);
  }

  std::string ErrorString(int s) override {
    if (s < 0) return lastOpenError_.empty() && list_ctx_ ? ftdi_get_error_string(list_ctx_) : lastOpenError_;
    if (!portError_.empty()) return std::exchange(portError_, std::string());
    ftdi_context* c = Get(s);
    return c ? ftdi_get_error_string(c) : std::string();
  }

  std::uint64_t NowMs() override {
    using namespace std::chrono;
    return std::uint64_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
  }
  void SleepMs(unsigned ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

 private:
  ftdi_context* Get(int s) { return s >= 0 && std::size_t(s) < sessions_.size() ? sessions_[std::size_t(s)] : nullptr; }
  std::function<bool()> udevRuleInstalled_;
  ftdi_context* list_ctx_;
  ftdi_device_list* list_ = nullptr;
  std::vector<ftdi_context*> sessions_;
  std::string lastOpenError_;
  std::string portError_;
};

}  // namespace

std::unique_ptr<LibFtdiCalls> MakeLibFtdiCalls(std::function<bool()> udevRuleInstalled) {
  return std::make_unique<RealLibFtdi>(std::move(udevRuleInstalled));
}

std::string LibFtdiVersion() { return ftdi_get_library_version().version_str; }

#else

std::unique_ptr<LibFtdiCalls> MakeLibFtdiCalls(std::function<bool()>) { return nullptr; }

std::string LibFtdiVersion() { return {}; }

#endif

}  // namespace velmar::link
