// The libftdi1 backend: real hardware without FTDI's own library. It shows
// each dual-channel interface chip as D2XX does, as two devices described
// "<description> A" and "<description> B" with serial numbers "<serial>A"
// and "<serial>B"; opening one detaches the kernel's serial driver from that
// channel (and gives it back on close); reads gather bytes until they have
// what was asked or the read time-out passes; the receive queue is read
// ahead into the backend's own buffer; the EEPROM user area is the part of
// the interface's EEPROM after its string descriptors. Failures keep
// libftdi's and libusb's codes and say what the user can do about them.
//
// The libftdi calls sit behind LibFtdiCalls, so tests can check this logic
// against a fake.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/FtDriver.h"

namespace velmar::link {

class LibFtdiCalls {
 public:
  struct UsbDevice {
    void* device = nullptr;  // libusb_device*
    std::string description;
    std::string serial;
    // Why the strings could not be read ("" when they were).
    std::string problem;
    // Its bus and port path, as the kernel names it: "1-2.4".
    std::string location;
  };
  virtual ~LibFtdiCalls() = default;
  // Empty when libftdi and libusb can be used, else why not.
  virtual std::string Problem() = 0;
  // Every dual-channel interface chip on the bus; < 0 on a USB error.
  virtual int FindAll(std::vector<UsbDevice>& out) = 0;
  // Opens channel 0 (A) or 1 (B) of a device, detaching the kernel's serial
  // driver from it. Returns a session number >= 0 or a libftdi error < 0;
  // ErrorString(-1) then says why and what to do.
  virtual int Open(void* device, int channel) = 0;
  virtual void Close(int session) = 0;
  // ftdi_read_data: the bytes that arrived (possibly none) or < 0.
  virtual int ReadData(int session, std::uint8_t* buffer, int size) = 0;
  virtual int WriteData(int session, const std::uint8_t* buffer, int size) = 0;
  virtual int SetLatency(int session, std::uint8_t ms) = 0;
  virtual int SetBitmode(int session, std::uint8_t mask, std::uint8_t mode) = 0;
  // Resets the USB port of a session's device, as FT_CyclePort does: the
  // device leaves the bus and comes back (libusb's device reset, not the
  // chip's own reset request).
  virtual int ResetPort(int session) = 0;
  // The raw EEPROM; < 0 when it cannot be read.
  virtual int ReadEeprom(int session, std::vector<std::uint8_t>& raw) = 0;
  virtual std::string ErrorString(int session) = 0;
  virtual std::uint64_t NowMs() = 0;
  virtual void SleepMs(unsigned ms) = 0;
};

// The libftdi1 library itself (null when Velmar was built without it).
// `udevRuleInstalled`, asked when this user may not open a device, picks the
// advice: install the udev rule, or let the installed one apply.
std::unique_ptr<LibFtdiCalls> MakeLibFtdiCalls(std::function<bool()> udevRuleInstalled = {});
// The version of the libftdi1 library in use ("" when built without it).
std::string LibFtdiVersion();

// The user area of a raw interface EEPROM: the bytes after the last string
// descriptor up to the checksum word.
std::vector<std::uint8_t> UserAreaFromEeprom(const std::vector<std::uint8_t>& raw);

class LibFtdiDriver final : public FtDriver {
 public:
  explicit LibFtdiDriver(std::unique_ptr<LibFtdiCalls> calls, std::uint64_t readTimeoutMs = 1000);
  ~LibFtdiDriver() override;

  std::string Name() const override { return "libftdi"; }
  std::string Problem() const override;
  std::string LastError() const override { return lastError_; }

  FT_STATUS ListDeviceCount(std::uint32_t& count) override;
  FT_STATUS ListDeviceByIndex(std::uint32_t index, std::uint32_t what, char* buffer, std::size_t size) override;
  FT_STATUS OpenEx(const char* serial, FT_HANDLE& handle) override;
  FT_STATUS Close(FT_HANDLE handle) override;
  FT_STATUS Read(FT_HANDLE handle, std::uint8_t* buffer, std::uint32_t count, std::uint32_t& got) override;
  FT_STATUS Write(FT_HANDLE handle, const std::uint8_t* buffer, std::uint32_t count, std::uint32_t& written) override;
  FT_STATUS GetQueueStatus(FT_HANDLE handle, std::uint32_t& rxBytes) override;
  FT_STATUS CyclePort(FT_HANDLE handle) override;
  FT_STATUS EE_UARead(FT_HANDLE handle, std::uint8_t* buffer, std::uint32_t size, std::uint32_t& got) override;
  FT_STATUS SetLatencyTimer(FT_HANDLE handle, std::uint8_t ms) override;
  FT_STATUS SetBitMode(FT_HANDLE handle, std::uint8_t mask, std::uint8_t mode) override;
  std::string ListDeviceLocation(std::uint32_t index) override;
  FT_STATUS OpenAt(const std::string& location, const char* serial, FT_HANDLE& handle) override;

 private:
  // Opens the channel named `serial` of the first device `where` accepts.
  template <typename Where>
  FT_STATUS OpenWhere(const char* serial, FT_HANDLE& handle, Where where);
  struct Session {
    int id;
    std::deque<std::uint8_t> rx;
  };
  FT_STATUS Refresh();
  Session* Find(FT_HANDLE handle);
  FT_STATUS Fail(int session, FT_STATUS status);
  // Moves what has arrived, up to `wanted` bytes, into the session's buffer.
  FT_STATUS Drain(Session& s, std::uint32_t wanted);

  std::unique_ptr<LibFtdiCalls> calls_;
  std::uint64_t readTimeoutMs_;
  std::vector<LibFtdiCalls::UsbDevice> devices_;
  std::vector<std::unique_ptr<Session>> sessions_;
  std::string lastError_;
};

}  // namespace velmar::link
