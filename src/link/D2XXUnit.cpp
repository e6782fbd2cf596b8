// The USB interface adapter: one function per driver call, captions and
// status texts for the error notice.
#include "link/D2XXUnit.h"

#include <algorithm>
#include <cstring>

#include "platform/Notices.h"

namespace velmar::link {

std::string FtStatusText(FT_STATUS status) {
  static const char* const kTexts[] = {
      "",
      " - Invalid handle...",
      " - Device not found...",
      " - Device not opened...",
      " - General IO error...",
      " - Insufficient resources...",
      " - Invalid parameter...",
      " - Invalid baud rate...",
      " Device not opened for erase...",
      " Device not opened for write...",
      " - Failed to write...",
      " - EEPROM read failed...",
      " - EEPROM write failed...",
      " - EEPROM erase failed...",
      " - EEPROM not present...",
      " - EEPROM not programmed...",
      " - Invalid arguments...",
      " - Other error ...",
  };
  return status < std::size(kTexts) ? kTexts[status] : "";
}

namespace {
// Text of a driver buffer up to its first zero byte, at most `max` characters.
std::string BufferText(const char* buffer, std::size_t max) {
  std::size_t n = 0;
  while (n < max && buffer[n] != '\0') ++n;
  return std::string(buffer, n);
}
}  // namespace

D2XXUnit::D2XXUnit(FtDriver& driver, platform::Notices& notices)
    : TxBuffer(kBufferSize, 0), RxBuffer(kBufferSize, 0), driver_(driver), notices_(notices) {}

void D2XXUnit::ReportFTError(const std::string& caption, FT_STATUS status) {
  if (!FTErrorReports || status == FT_OK) return;
  notices_.Tell(platform::NoticeLevel::error, caption + FtStatusText(status));
}

FT_STATUS D2XXUnit::GetFTDeviceCount() {
  FT_STATUS s = driver_.ListDeviceCount(DeviceCount);
  ReportFTError("GetFTDeviceCount", s);
  return s;
}

FT_STATUS D2XXUnit::GetFTDeviceSerialNo(std::uint32_t index) {
  SerialBuffer.fill('\0');
  FT_STATUS s = driver_.ListDeviceByIndex(index, FT_OPEN_BY_SERIAL_NUMBER, SerialBuffer.data(), SerialBuffer.size());
  if (s == FT_OK) ListText = BufferText(SerialBuffer.data(), SerialBuffer.size());
  ReportFTError("GetFTDeviceSerialNo", s);
  return s;
}

FT_STATUS D2XXUnit::GetFTDeviceDescription(std::uint32_t index) {
  DescriptionBuffer.fill('\0');
  FT_STATUS s =
      driver_.ListDeviceByIndex(index, FT_OPEN_BY_DESCRIPTION, DescriptionBuffer.data(), DescriptionBuffer.size());
  if (s == FT_OK) ListText = BufferText(DescriptionBuffer.data(), DescriptionBuffer.size());
  ReportFTError("GetFTDeviceDescription", s);
  return s;
}

FT_STATUS D2XXUnit::Open_USB_Device_By_Serial_Number(const std::string& serial) {
  OpenSerialBuffer.fill('\0');
  std::size_t n = std::min<std::size_t>(serial.size(), OpenSerialBuffer.size() - 1);
  std::memcpy(OpenSerialBuffer.data(), serial.data(), n);
  FT_STATUS s = driver_.OpenEx(OpenSerialBuffer.data(), DeviceHandle);
  if (s != FT_OK) DeviceHandle = nullptr;
  ReportFTError("Open_USB_Device_By_Serial_Number", s);
  return s;
}

FT_STATUS D2XXUnit::CloseFTDevice() {
  FT_STATUS s = driver_.Close(DeviceHandle);
  DeviceHandle = nullptr;
  ReportFTError("FT_Close", s);
  return s;
}

std::uint32_t D2XXUnit::ReadFTDevice(std::uint32_t count) {
  count = std::min(count, kBufferSize);
  std::uint32_t got = 0;
  LastIoStatus = driver_.Read(DeviceHandle, RxBuffer.data(), count, got);
  if (LastIoStatus != FT_OK) got = 0;
  got = std::min(got, count);
  // Whatever did not arrive must not look like a reply.
  std::fill(RxBuffer.begin() + got, RxBuffer.begin() + count, std::uint8_t(0));
  if (OnReplies && got > 0) OnReplies(RxBuffer.data(), got);
  ReportFTError("FT_Read", LastIoStatus);
  return got;
}

std::uint32_t D2XXUnit::WriteFTDevice(std::uint32_t count) {
  count = std::min(count, kBufferSize);
  std::uint32_t written = 0;
  LastIoStatus = driver_.Write(DeviceHandle, TxBuffer.data(), count, written);
  ReportFTError("FT_Write", LastIoStatus);
  return LastIoStatus == FT_OK ? written : 0;
}

FT_STATUS D2XXUnit::GetFTQueueStatus() {
  FT_STATUS s = driver_.GetQueueStatus(DeviceHandle, RxQueueCount);
  ReportFTError("FT_GetQueueStatus", s);
  return s;
}

FT_STATUS D2XXUnit::CycleFTPort() {
  FT_STATUS s = driver_.CyclePort(DeviceHandle);
  ReportFTError("FT_CyclePort", s);
  return s;
}

FT_STATUS D2XXUnit::ReadFTUserArea() {
  UserAreaLength = 0;
  FT_STATUS s = driver_.EE_UARead(DeviceHandle, UserAreaBuffer.data(), UserAreaBuffer.size(), UserAreaLength);
  UserAreaLength = std::min<std::uint32_t>(UserAreaLength, UserAreaBuffer.size());
  ReportFTError("FT_EE_UARead ", s);
  return s;
}

FT_STATUS D2XXUnit::SetFTLatencyTimer(std::uint32_t ms) {
  FT_STATUS s = driver_.SetLatencyTimer(DeviceHandle, std::uint8_t(ms));
  ReportFTError("FT_SetLatencyTimer ", s);
  return s;
}

FT_STATUS D2XXUnit::SetFTBitMode(std::uint8_t mask, std::uint8_t mode) {
  FT_STATUS s = driver_.SetBitMode(DeviceHandle, mask, mode);
  ReportFTError("FT_SetBitMode ", s);
  return s;
}

std::string D2XXUnit::WithNoDeviceAdvice(const std::string& message) const {
  const std::string advice = NoDeviceAdvice ? NoDeviceAdvice() : std::string();
  return advice.empty() ? message : message + "\r" + advice;
}

std::string D2XXUnit::WithCheckAdvice(const std::string& why, const std::string& verb) const {
  return why.empty() ? why : why + "\r" + ConnectionCheckName + " " + verb;
}

}  // namespace velmar::link
