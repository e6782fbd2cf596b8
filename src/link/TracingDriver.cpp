// Trace lines: D2XX function names, byte counts in decimal, byte arguments
// and data as two-digit upper-case hexadecimal, "-> status", and " : " with
// what came back.
#include "link/TracingDriver.h"

#include "platform/Clock.h"
#include "platform/Text.h"

namespace velmar::link {

namespace {

std::string Hex(std::uint8_t b) { return text::IntToHex(b, 2); }

// " : 12 AB" (just " :" when nothing came).
std::string Received(const std::uint8_t* data, std::uint32_t n) {
  return n == 0 ? std::string(" :") : " : " + text::HexBytes(data, n);
}

}  // namespace

FT_STATUS TracingDriver::ListDeviceCount(std::uint32_t& count) {
  FT_STATUS s = inner_.ListDeviceCount(count);
  out_ << "FT_ListDevices -> " << s;
  if (s == FT_OK) out_ << " : " << count;
  out_ << "\n";
  return s;
}

FT_STATUS TracingDriver::ListDeviceByIndex(std::uint32_t index, std::uint32_t what, char* buffer, std::size_t size) {
  FT_STATUS s = inner_.ListDeviceByIndex(index, what, buffer, size);
  out_ << "FT_ListDevices " << index << (what == FT_OPEN_BY_SERIAL_NUMBER ? " SerialNumber" : " Description") << " -> "
       << s;
  if (s == FT_OK && size > 0) {
    std::size_t n = 0;
    while (n < size && buffer[n] != '\0') ++n;
    out_ << " : " << std::string(buffer, n);
  }
  out_ << "\n";
  return s;
}

FT_STATUS TracingDriver::OpenEx(const char* serial, FT_HANDLE& handle) {
  FT_STATUS s = inner_.OpenEx(serial, handle);
  out_ << "FT_OpenEx " << serial << " -> " << s << "\n";
  return s;
}

FT_STATUS TracingDriver::Close(FT_HANDLE handle) {
  FT_STATUS s = inner_.Close(handle);
  out_ << "FT_Close -> " << s << "\n";
  return s;
}

FT_STATUS TracingDriver::Read(FT_HANDLE handle, std::uint8_t* buffer, std::uint32_t count, std::uint32_t& got) {
  FT_STATUS s = inner_.Read(handle, buffer, count, got);
  out_ << "FT_Read " << count << " -> " << s;
  if (s == FT_OK) out_ << Received(buffer, got < count ? got : count);
  out_ << "\n";
  return s;
}

FT_STATUS TracingDriver::Write(FT_HANDLE handle, const std::uint8_t* buffer, std::uint32_t count,
                               std::uint32_t& written) {
  FT_STATUS s = inner_.Write(handle, buffer, count, written);
  out_ << "FT_Write " << text::HexBytes(buffer, count) << " -> " << s << "\n";
  return s;
}

FT_STATUS TracingDriver::GetQueueStatus(FT_HANDLE handle, std::uint32_t& rxBytes) {
  FT_STATUS s = inner_.GetQueueStatus(handle, rxBytes);
  out_ << "FT_GetQueueStatus -> " << s;
  if (s == FT_OK) out_ << " : " << rxBytes;
  out_ << "\n";
  return s;
}

FT_STATUS TracingDriver::CyclePort(FT_HANDLE handle) {
  FT_STATUS s = inner_.CyclePort(handle);
  out_ << "FT_CyclePort -> " << s << "\n";
  return s;
}

FT_STATUS TracingDriver::EE_UARead(FT_HANDLE handle, std::uint8_t* buffer, std::uint32_t size, std::uint32_t& got) {
  FT_STATUS s = inner_.EE_UARead(handle, buffer, size, got);
  out_ << "FT_EE_UARead -> " << s;
  if (s == FT_OK) out_ << Received(buffer, got < size ? got : size);
  out_ << "\n";
  return s;
}

FT_STATUS TracingDriver::SetLatencyTimer(FT_HANDLE handle, std::uint8_t ms) {
  FT_STATUS s = inner_.SetLatencyTimer(handle, ms);
  out_ << "FT_SetLatencyTimer " << Hex(ms) << " -> " << s << "\n";
  return s;
}

FT_STATUS TracingDriver::SetBitMode(FT_HANDLE handle, std::uint8_t mask, std::uint8_t mode) {
  FT_STATUS s = inner_.SetBitMode(handle, mask, mode);
  out_ << "FT_SetBitMode " << Hex(mask) << " " << Hex(mode) << " -> " << s << "\n";
  return s;
}

void TraceWaits(platform::Clock& clock, std::ostream& out) {
  auto previous = clock.onSleep;
  clock.onSleep = [previous, &out](std::uint32_t ms) {
    if (previous) previous(ms);
    out << "Sleep " << ms << "\n";
  };
}

}  // namespace velmar::link
