// D2XXUnit: the thin adapter between the programmer link and the USB
// interface driver. It owns the one open device handle, a fixed transmit
// buffer and a fixed receive buffer, and offers one small function per driver
// call. Higher layers fill TxBuffer from offset 0, call WriteFTDevice with a
// byte count, and take replies from RxBuffer. Every failed call goes to
// ReportFTError, which tells it as an error notice while FTErrorReports is on.
//
// Two guards beyond a plain pass-through: ReadFTDevice clears the part of
// RxBuffer that a short or failed read did not fill, so bytes of an earlier
// reply can never pass for a new one; and counts are bounded by the buffers.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "link/FtDriver.h"

namespace velmar::platform {
class Notices;
}

namespace velmar::link {

// The text that follows a failed call's caption in the error notice (empty
// for statuses above 17).
std::string FtStatusText(FT_STATUS status);

class D2XXUnit {
 public:
  static constexpr std::uint32_t kBufferSize = 65536;

  D2XXUnit(FtDriver& driver, platform::Notices& notices);

  FtDriver& Driver() { return driver_; }

  FT_HANDLE DeviceHandle = nullptr;
  std::vector<std::uint8_t> TxBuffer;
  std::vector<std::uint8_t> RxBuffer;
  std::uint32_t DeviceCount = 0;
  std::string ListText;
  std::array<char, kDescriptionBufferSize> DescriptionBuffer{};
  std::array<char, kSerialBufferSize> SerialBuffer{};
  std::array<char, 50> OpenSerialBuffer{};
  FT_STATUS LastIoStatus = FT_OK;
  std::uint32_t RxQueueCount = 0;
  std::array<std::uint8_t, kUserAreaSize> UserAreaBuffer{};
  std::uint32_t UserAreaLength = 0;
  bool FTErrorReports = true;
  // Added by the front end to the link's "no device" messages: how to find
  // out why (empty function or text: nothing is added).
  std::function<std::string()> NoDeviceAdvice;
  // `message` with the advice on a line of its own.
  std::string WithNoDeviceAdvice(const std::string& message) const;
  // How the front end names its connection check in the link's advice: the
  // command line's `velmar-cli doctor`, the window's Help > Check Connection.
  std::string ConnectionCheckName = "`velmar-cli doctor`";
  // `why` (a reason the interface could not be used) with the check that
  // shows what to do, on a line of its own; empty stays empty.
  std::string WithCheckAdvice(const std::string& why, const std::string& verb = "shows what to do") const;
  // Called with the bytes each read brought, when set (the comparison of
  // the link's pacings records every reply this way).
  std::function<void(const std::uint8_t* bytes, std::uint32_t n)> OnReplies;

  FT_STATUS GetFTDeviceCount();
  FT_STATUS GetFTDeviceSerialNo(std::uint32_t index);
  FT_STATUS GetFTDeviceDescription(std::uint32_t index);
  FT_STATUS Open_USB_Device_By_Serial_Number(const std::string& serial);
  FT_STATUS CloseFTDevice();
  // Reads `count` bytes into RxBuffer; returns how many came. The status
  // goes to LastIoStatus.
  std::uint32_t ReadFTDevice(std::uint32_t count);
  // Writes the first `count` bytes of TxBuffer; returns how many went.
  std::uint32_t WriteFTDevice(std::uint32_t count);
  FT_STATUS GetFTQueueStatus();
  FT_STATUS CycleFTPort();
  FT_STATUS ReadFTUserArea();
  FT_STATUS SetFTLatencyTimer(std::uint32_t ms);
  FT_STATUS SetFTBitMode(std::uint8_t mask, std::uint8_t mode);

  void ReportFTError(const std::string& caption, FT_STATUS status);

 private:
  FtDriver& driver_;
  platform::Notices& notices_;
};

}  // namespace velmar::link
