// The firmware's command interpreter.
#include "sim/RunFirmware.h"

#include <algorithm>
#include <iterator>

#include "platform/Clock.h"
#include "platform/Text.h"
#include "sim/SimState.h"
#include "slot/ProgrammerGeometry.h"

namespace velmar::sim {

namespace {
constexpr std::uint8_t kBusy = 0xFA;
constexpr std::uint8_t kAck = '!';
constexpr std::uint8_t kOk = '*';
constexpr std::uint8_t kUnknown = '?';
}  // namespace

bool RunFirmware::EightWay() const { return slot::KindRow(s_.kind).halfPages; }
bool RunFirmware::Portable() const { return s_.firmware == FirmwareKind::portable; }

void RunFirmware::Boot() {
  reply_.clear();
  replying_ = false;
  busyPending_ = false;
  spdr_ = 0;
  phase_ = Phase::Idle;
  args_.clear();
  busyUntil_ = 0;
}

bool RunFirmware::TooSoonForReply() {
  const std::uint64_t now = clock_.NowUs();
  const bool tooSoon = s_.replyPrepUs > 0 && byteSeen_ && now - lastByteUs_ < std::uint64_t(s_.replyPrepUs);
  lastByteUs_ = now;
  byteSeen_ = true;
  return tooSoon;
}

std::uint8_t RunFirmware::NextOut() {
  const bool tooSoon = TooSoonForReply();
  if (!reply_.empty()) {
    if (!replying_) check_.ReplyStarts();
    replying_ = true;
    if (tooSoon && pace_ == ReplyPace::loaded) return spdr_;
    if (s_.faults.busyForever || busyPending_ || clock_.NowMs() < busyUntil_) {
      busyPending_ = false;
      return kBusy;
    }
    std::uint8_t b = reply_.front();
    reply_.pop_front();
    return b;
  }
  replying_ = false;
  return spdr_;
}

void RunFirmware::Reply(std::vector<std::uint8_t> bytes, bool mayBeBusy, ReplyPace pace) {
  reply_.assign(bytes.begin(), bytes.end());
  pace_ = pace;
  ++replies_;
  busyPending_ = mayBeBusy && s_.faults.busyEvery > 0 && replies_ % s_.faults.busyEvery == 0;
}

void RunFirmware::Received(std::uint8_t in) {
  spdr_ = in;
  if (replying_) return;
  switch (phase_) {
    case Phase::Idle: Command(in); return;
    case Phase::WriteData: WriteByte(in); return;
    default:
      args_.push_back(in);
      if (args_.size() == need_) Arguments();
      return;
  }
}

void RunFirmware::Command(std::uint8_t c) {
  args_.clear();
  auto expect = [this](Phase p, std::size_t n) {
    phase_ = p;
    need_ = n;
  };
  switch (c) {
    case 0xFF:
    case 0x00: return;  // clock filler
    case 0xAC: expect(Phase::Wake, 3); return;
    default: break;
  }
  // Bytes the firmware does not know are no command of its protocol (the
  // update's controller instructions reach a running firmware that way).
  static constexpr std::uint8_t kCommands[] = {'D', 'S', 'B', 'V', 'v', 'N', 'n', 'C', 'R', 'W', 'E'};
  if (std::find(std::begin(kCommands), std::end(kCommands), c) != std::end(kCommands)) check_.Command(c);
  switch (c) {
    case 'D': {
      if (s_.faults.unknownIdentify) return Reply({kUnknown});
      if (s_.faults.identifyMissed > 0) {
        --s_.faults.identifyMissed;
        return Reply({0x00, 0x00, 0x00, 0x00});
      }
      const slot::KindInfo* k = slot::FindKind(s_.kind);
      int id = s_.faults.identity >= 0 ? s_.faults.identity : (k->manufacturerId << 8 | k->deviceId);
      if (k->secondIdentity >= 0 && s_.hardware == 2 && s_.faults.identity < 0) id = k->secondIdentity;
      return Reply({kOk, std::uint8_t(id >> 8), std::uint8_t(id), std::uint8_t(id == 0xFFFF ? 0xFF : 0x00)});
    }
    case 'S': expect(Phase::StatusArg, 1); return;
    case 'B':
      if (!EightWay() || s_.faults.binarySwitchFails) return Reply({kUnknown});
      if (!s_.flash->BinaryPages()) s_.binaryPending = true;
      return Reply({kAck});
    case 'V': return Reply({kOk, std::uint8_t(s_.version), kAck});
    case 'v':
      if (!Portable()) return Reply({kUnknown});
      return Reply({0x00, std::uint8_t(s_.hardware == 2 ? 0x0C : 0x0B), 0x00});
    case 'N':
      if (!Portable()) return Reply({kUnknown});
      return Reply({0x00, std::uint8_t(s_.token >> 8), std::uint8_t(s_.token), 0x00});
    case 'n':
      if (!Portable()) return Reply({kUnknown});
      expect(Phase::TokenArgs, 2);
      return;
    case 'C':
      if (!EightWay() || s_.faults.countFails) return Reply({kUnknown});
      return Reply({kOk, 0x00, 0x00});
    case 'R': expect(Phase::ReadArgs, 5); return;
    case 'W': expect(Phase::WriteArgs, 5); return;
    case 'E': expect(Phase::EraseArgs, 4); return;
    default: Reply({kUnknown}); return;
  }
}

// The flip_read_page fault: the data of a read of that page reaches the
// loader with one bit flipped (the dataflash keeps it right), a different
// bit each read, so that no two faulty reads agree.
void RunFirmware::FlipReadBit(std::vector<std::uint8_t>& data) {
  const SimFaults& f = s_.faults;
  if (f.flipReadPage < 0 || data.empty() || s_.flash->PageOf(Address()) != std::uint32_t(f.flipReadPage)) return;
  if (f.flipReadCount > 0 && flippedReads_ >= f.flipReadCount) return;
  const int n = flippedReads_++;
  data[std::size_t(n / 8) % data.size()] ^= std::uint8_t(1u << (n % 8));
}

std::uint8_t RunFirmware::Status(bool failed) const {
  return std::uint8_t(0x80 | (failed ? 0x40 : 0) | 0x2C | (s_.flash->BinaryPages() ? 1 : 0));
}

void RunFirmware::Arguments() {
  Phase p = phase_;
  phase_ = Phase::Idle;
  Dataflash& flash = *s_.flash;
  switch (p) {
    case Phase::Wake: return;  // the echo of 'S' went out with the third byte
    case Phase::StatusArg:
      if (args_[0] != 0x00)
        check_.Violation("'S' (dataflash status) came with the argument 0x" + text::IntToHex(args_[0], 2) +
                         "; the protocol sends 0x00");
      return Reply({Status(false), 0x00});
    case Phase::TokenArgs: s_.token = std::uint16_t(args_[0] << 8 | args_[1]); return Reply({kAck});
    case Phase::ReadArgs: {
      const std::uint32_t count = std::uint32_t(args_[3] | args_[4] << 8);
      std::vector<std::uint8_t> data;
      data.reserve(count + 4);
      std::uint32_t at = flash.Locate(Address());
      for (std::uint32_t i = 0; i < count; ++i, at = flash.Next(at)) data.push_back(flash.At(at));
      FlipReadBit(data);
      const bool badPage =
          s_.faults.badReadPage >= 0 && flash.PageOf(Address()) == std::uint32_t(s_.faults.badReadPage);
      if (++reads_ == s_.faults.badRead || badPage)
        data.insert(data.end(), {kUnknown, kUnknown, kUnknown, kUnknown});
      else
        data.push_back(kAck);
      Reply(std::move(data), false, ReplyPace::streamed);
      check_.ReplyReady("a page read's data", ProtocolCheck::kReadMs);
      return;
    }
    case Phase::WriteArgs: {
      writeAddress_ = Address();
      writeLength_ = std::size_t(args_[3] | args_[4] << 8);
      writeData_.clear();
      lostBytes_ = false;
      secondHalfAt_ = 0;
      if (writeLength_ == 0) return Reply({Status(true), kAck, kAck});
      phase_ = Phase::WriteData;
      return;
    }
    case Phase::EraseArgs: {
      if (args_[3] != 'P' || s_.faults.eraseFails) return Reply({kUnknown});
      if (slot::KindRow(s_.kind).sim.linearAddressing) {
        std::uint32_t at = flash.Locate(Address() & ~0x7FFu);
        for (int i = 0; i < 8 * 256; ++i, at = flash.Next(at)) flash.Set(at, 0xFF);
      } else {
        flash.EraseBlock(Address());
      }
      busyUntil_ = clock_.NowMs() + kEraseMs;
      Reply({kAck});
      check_.ReplyReady("an erase's acknowledgement", ProtocolCheck::kEraseMs);
      return;
    }
    default: return;
  }
}

void RunFirmware::WriteByte(std::uint8_t b) {
  // The 8-way firmware takes a page as two halves of the given length and
  // needs a moment between them; bytes that come before it is ready are lost.
  const std::uint64_t halfDelay = check_.DelaysInForce().halfMs;
  if (EightWay() && writeData_.size() == writeLength_ && clock_.NowMs() - firstHalfAt_ < halfDelay)
    check_.Violation("the second half of a page came " + std::to_string(clock_.NowMs() - firstHalfAt_) +
                     " ms after the first; the half-page delay in force is " + std::to_string(halfDelay) + " ms");
  if (EightWay() && writeData_.size() >= writeLength_ && clock_.NowMs() < secondHalfAt_) {
    lostBytes_ = true;
    b = 0xFF;
  }
  writeData_.push_back(b);
  if (EightWay() && writeData_.size() == writeLength_) {
    firstHalfAt_ = clock_.NowMs();
    secondHalfAt_ = firstHalfAt_ + kHalfMs;
  }
  if (writeData_.size() == (EightWay() ? 2 * writeLength_ : writeLength_)) FinishWrite();
}

void RunFirmware::FinishWrite() {
  phase_ = Phase::Idle;
  const int unitShift = slot::KindRow(s_.kind).sim.linearAddressing ? 8 : 9;
  const int page = int(writeAddress_ >> unitShift);
  const int corruptAt = page == s_.faults.badPage ? int(s_.flash->Locate(writeAddress_) % s_.flash->PageSize() + 7) %
                                                        int(s_.flash->PageSize())
                                                  : -1;
  bool same = s_.flash->ProgramPage(writeAddress_, writeData_, corruptAt);
  if (page == s_.faults.silentBadPage) {
    // A cell that goes wrong after the controller's compare: the status says
    // the page took its data, only reading it back shows otherwise.
    const std::uint32_t size = s_.flash->PageSize();
    const std::uint32_t at = s_.flash->Locate(writeAddress_);
    const std::uint32_t cell = at - at % size + (at % size + 7) % size;
    s_.flash->Set(cell, std::uint8_t(s_.flash->At(cell) ^ 0x01));
  }
  busyUntil_ = clock_.NowMs() + kProgramMs;
  std::uint8_t status = Status(!same || lostBytes_);
  if (EightWay())
    Reply({status, kAck});
  else
    Reply({status, kAck, kAck});
  check_.ReplyReady("a page write's status", check_.DelaysInForce().pageMs);
}

}  // namespace velmar::sim
