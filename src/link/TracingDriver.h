// A driver decorator that writes one line per driver call to a trace stream,
// for users debugging hardware and for tests. Together with TraceWaits, which
// hooks a Clock's onSleep, it writes the trace format documented in
// docs/TRACE.md:
//
//   FT_Write 86 17 00 -> 0
//   FT_Read 1 -> 0 : 53
//   Sleep 100
#pragma once

#include <memory>
#include <ostream>

#include "link/FtDriver.h"

namespace velmar::platform {
class Clock;
}

namespace velmar::link {

class TracingDriver final : public FtDriver {
 public:
  TracingDriver(FtDriver& inner, std::ostream& out) : inner_(inner), out_(out) {}

  std::string Name() const override { return inner_.Name(); }
  std::string Problem() const override { return inner_.Problem(); }
  std::string LastError() const override { return inner_.LastError(); }
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

 private:
  FtDriver& inner_;
  std::ostream& out_;
};

// Makes `clock` write "Sleep N" to `out` before every wait (keeping any hook
// already installed).
void TraceWaits(platform::Clock& clock, std::ostream& out);

}  // namespace velmar::link
