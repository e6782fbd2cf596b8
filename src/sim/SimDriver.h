// The simulated programmer as a driver backend: the USB side of the
// dual-channel interface chip (its channels listed and opened as D2XX lists
// and opens them, reads that time out, the EEPROM user area, latency timer
// and bit mode), with the programmer hanging on channel A of the interface
// whose serial number the state names. Further interfaces, listed first,
// have nothing attached. Wire time (bits at the current clock divisor) and
// read time-outs move a virtual clock on when one is given; with a firmware
// that needs time per reply byte (the state's reply_prep_us) so does the
// USB time each read's bytes wait for: the channel's latency timer, or one
// full-speed frame after "send immediate".
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "link/FtDriver.h"
#include "sim/Ft2232Channel.h"
#include "sim/ProgrammerBoard.h"
#include "sim/SimState.h"

namespace velmar::platform {
class Clock;
class VirtualClock;
}  // namespace velmar::platform

namespace velmar::sim {

class SimDriver final : public link::FtDriver {
 public:
  // `wireClock` (may be null) is advanced by wire time and read time-outs.
  SimDriver(SimState state, platform::Clock& clock, platform::VirtualClock* wireClock);
  ~SimDriver() override;

  SimState& State() { return state_; }
  // Driver calls so far (what the unplug_after fault counts).
  long long Calls() const { return calls_; }
  ProgrammerBoard& Board() { return *board_; }
  Ft2232Channel& ProgrammerChannel();

  static constexpr std::uint64_t kReadTimeoutMs = 1000;
  static constexpr std::uint64_t kFrameUs = 1000;

  std::string Name() const override { return "sim"; }
  link::FT_STATUS ListDeviceCount(std::uint32_t& count) override;
  link::FT_STATUS ListDeviceByIndex(std::uint32_t index, std::uint32_t what, char* buffer, std::size_t size) override;
  link::FT_STATUS OpenEx(const char* serial, link::FT_HANDLE& handle) override;
  link::FT_STATUS Close(link::FT_HANDLE handle) override;
  link::FT_STATUS Read(link::FT_HANDLE handle, std::uint8_t* buffer, std::uint32_t count, std::uint32_t& got) override;
  link::FT_STATUS Write(link::FT_HANDLE handle, const std::uint8_t* buffer, std::uint32_t count,
                        std::uint32_t& written) override;
  link::FT_STATUS GetQueueStatus(link::FT_HANDLE handle, std::uint32_t& rxBytes) override;
  link::FT_STATUS CyclePort(link::FT_HANDLE handle) override;
  link::FT_STATUS EE_UARead(link::FT_HANDLE handle, std::uint8_t* buffer, std::uint32_t size,
                            std::uint32_t& got) override;
  link::FT_STATUS SetLatencyTimer(link::FT_HANDLE handle, std::uint8_t ms) override;
  link::FT_STATUS SetBitMode(link::FT_HANDLE handle, std::uint8_t mask, std::uint8_t mode) override;

 private:
  struct Channel {
    std::string description;
    std::string serial;
    PinTarget* pins = nullptr;
    std::unique_ptr<Ft2232Channel> mpsse;
    bool open = false;
    bool mpsseMode = false;
    std::uint8_t latency = 16;
    bool programmer = false;
    bool sentImmediate = false;  // "send immediate" ran since the last read
  };
  // Counts the call; true once the interface has been unplugged.
  bool Gone();
  Channel* Find(link::FT_HANDLE handle);
  void WireTime(double micros);
  // The USB time a read that brought `got` bytes waited for.
  void UsbTime(Channel& c, std::uint32_t got);

  SimState state_;
  platform::Clock& clock_;
  platform::VirtualClock* wireClock_;
  std::unique_ptr<ProgrammerBoard> board_;
  NothingAttached nothing_;
  std::vector<std::unique_ptr<Channel>> channels_;
  long long calls_ = 0;
  long long reads_ = 0;
  double wireMicros_ = 0;
};

}  // namespace velmar::sim
