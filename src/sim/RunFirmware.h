// The programmer's firmware as it runs on the controller: a command
// interpreter behind the serial port. Like the controller's serial data
// register, it shifts out the byte it last received unless it has a reply
// queued; bytes that come in while it shifts a reply out are ignored. It
// answers the wake-up frame, the identity, status, binary-page, version,
// token and count commands, and reads, programs and erases dataflash pages.
// Busy replies (0xFA) come while a page is being programmed or erased, and
// where a fault asks for them. With the state's reply_prep_us it models a
// firmware that loads each reply byte in its main loop: a reply byte clocked
// sooner than that after the previous byte began is not loaded yet, and the
// byte just received goes out instead (the reply waits for the next byte).
// A page read's data is streamed from the dataflash and needs no such time.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "sim/ProtocolCheck.h"
#include "sim/SpiPeer.h"

namespace velmar::platform {
class Clock;
}

namespace velmar::sim {

struct SimState;

class RunFirmware final : public SpiPeer {
 public:
  RunFirmware(SimState& state, platform::Clock& clock, ProtocolCheck& check)
      : s_(state), clock_(clock), check_(check) {}

  std::uint8_t NextOut() override;
  void Received(std::uint8_t in) override;
  // A fresh start after reset: nothing queued, no command in progress.
  void Boot();

  // Page program and erase times, and the time the 8-way firmware needs to
  // take the first half of a page before the second may come (milliseconds).
  static constexpr std::uint64_t kProgramMs = 20;
  static constexpr std::uint64_t kEraseMs = 45;
  static constexpr std::uint64_t kHalfMs = 3;

 private:
  enum class Phase { Idle, Wake, StatusArg, ReadArgs, WriteArgs, WriteData, EraseArgs, TokenArgs };

  void Command(std::uint8_t c);
  void Arguments();
  enum class ReplyPace { loaded, streamed };
  void Reply(std::vector<std::uint8_t> bytes, bool mayBeBusy = true, ReplyPace pace = ReplyPace::loaded);
  // True when the byte now clocked comes too soon for a loaded reply byte.
  bool TooSoonForReply();
  void WriteByte(std::uint8_t b);
  void FinishWrite();
  std::uint8_t Status(bool failed) const;
  void FlipReadBit(std::vector<std::uint8_t>& data);
  std::uint32_t Address() const { return std::uint32_t(args_[0] | args_[1] << 8 | args_[2] << 16); }
  bool EightWay() const;
  bool Portable() const;

  SimState& s_;
  platform::Clock& clock_;
  ProtocolCheck& check_;
  std::deque<std::uint8_t> reply_;
  bool replying_ = false;
  bool busyPending_ = false;
  ReplyPace pace_ = ReplyPace::loaded;
  std::uint64_t lastByteUs_ = 0;  // when the previous byte began
  bool byteSeen_ = false;
  int replies_ = 0;
  std::uint8_t spdr_ = 0;
  Phase phase_ = Phase::Idle;
  std::vector<std::uint8_t> args_;
  std::size_t need_ = 0;
  std::uint64_t busyUntil_ = 0;
  int reads_ = 0;
  int flippedReads_ = 0;  // reads of the flip_read_page fault's page so far
  // Page write in progress.
  std::uint32_t writeAddress_ = 0;
  std::size_t writeLength_ = 0;
  std::vector<std::uint8_t> writeData_;
  bool lostBytes_ = false;
  std::uint64_t secondHalfAt_ = 0;
  std::uint64_t firstHalfAt_ = 0;
};

}  // namespace velmar::sim
