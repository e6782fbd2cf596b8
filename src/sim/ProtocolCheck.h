// The simulated programmer's watch over the loader: everything the loader
// does that the programmer's protocol does not allow is recorded as a
// protocol violation instead of being quietly put up with. It sees the
// interface lines change and every byte clocked through the board, and the
// firmware tells it about commands and replies. Recorded are: a command
// before the wake-up handshake, or before the line settle sequence (with its
// three 750 ms waits) is over; a step of the channel set-up or of the
// settle sequence, or a reply, that comes before the wait the protocol gives
// it; and an 'S' (dataflash status) argument other than 0x00. Violations go
// to the state (SimState::violations) and to a process-wide handler that
// tests install to fail the test they happen in.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "sim/Pins.h"

namespace velmar::platform {
class Clock;
}

namespace velmar::sim {

struct SimState;

using ViolationHandler = std::function<void(const std::string&)>;
// Installs `handler` for every simulated programmer of the process; returns
// the one it replaces (empty: violations are only recorded in the state).
ViolationHandler SetViolationHandler(ViolationHandler handler);

class ProtocolCheck {
 public:
  // The waits the protocol gives (milliseconds). The page and half-page
  // delays are service settings (1 to 255): the check holds the loader to
  // the delays in force (SetDelaySource), else to these defaults.
  static constexpr std::uint64_t kSetupHighMs = 100;
  static constexpr std::uint64_t kSetupEnableMs = 500;
  static constexpr std::uint64_t kAfterWakeMs = 50;
  static constexpr std::uint64_t kSettleMs = 750;
  static constexpr std::uint64_t kReadMs = 50;
  static constexpr std::uint64_t kPageDelayMs = 40;
  static constexpr std::uint64_t kHalfDelayMs = 10;
  static constexpr std::uint64_t kEraseMs = 100;

  ProtocolCheck(SimState& state, platform::Clock& clock) : s_(state), clock_(clock) {}

  // The page and half-page delays the loader has in force, asked each time
  // a page write is checked (none: the defaults above).
  struct Delays {
    std::uint64_t pageMs = kPageDelayMs;
    std::uint64_t halfMs = kHalfDelayMs;
  };
  void SetDelaySource(std::function<Delays()> source) { delays_ = std::move(source); }
  Delays DelaysInForce() const { return delays_ ? delays_() : Delays{}; }

  // Line changes: the channel set-up and the settle sequence are followed;
  // the interface's buffer switched off (a channel reset) ends them.
  void LinesChanged(const Lines& lines);
  // One byte clocked through the selected board: `out` to the loader, `in`
  // from it. Finds the wake-up handshake (0xAC 'S' 0xFF 0xFF answered by
  // 'S' in the third byte), whoever answers it.
  void ByteClocked(std::uint8_t out, std::uint8_t in);
  // The programmer was switched off and on: the handshake is to be done again.
  void PowerCycled();

  // A command byte reaches the running firmware.
  void Command(std::uint8_t command);
  // The firmware's reply to `what` may be clocked in `waitMs` after now
  // (the protocol's wait after the request); checked when it starts.
  void ReplyReady(const char* what, std::uint64_t waitMs);
  void ReplyStarts();
  // Anything else the firmware finds wrong.
  void Violation(const std::string& text);

  bool Settled() const;

 private:
  enum class Settle { none, lowSet, highSet, done };

  SimState& s_;
  platform::Clock& clock_;
  // Channel set-up: the buffer enabled with select (0x03), then without (0x01).
  Lines lines_;
  std::uint64_t setupHighAt_ = 0;
  std::uint64_t setupEnabledAt_ = 0;
  bool setupPending_ = false;
  bool handshake_ = false;
  std::uint64_t handshakeAt_ = 0;
  Settle settle_ = Settle::none;
  std::uint64_t settleStepAt_ = 0;
  std::uint8_t frame_[4] = {};
  std::uint8_t frameOut_[4] = {};
  const char* replyWhat_ = nullptr;
  std::uint64_t replyAskedAt_ = 0;
  std::uint64_t replyWaitMs_ = 0;
  std::function<Delays()> delays_;
};

}  // namespace velmar::sim
