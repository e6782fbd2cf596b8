// The link primitives: byte framing over the synchronous serial engine, block
// transfers, the control lines around them, the clock-speed table, the
// channel set-up, the wake-up handshake and the line settle sequence.
//
// Every reply is checked for arrival: a read that brings fewer bytes than
// asked (unplugged interface, silent channel) raises EISPException instead of
// letting old buffer contents pass for a reply. Busy replies (0xFA) are
// waited through by clocking further bytes in, but only up to a bound in
// count and in time.
//
// In exact pacing (the default) every exchange is its own USB write and
// read, as the protocol gives them. In fast pacing every write whose replies
// are read next ends with the "send immediate" command, so the interface
// hands them over at once rather than when its latency timer runs out, and
// runs of reply bytes go in one write and one read: the same bytes clocked,
// with less time between them.
#include <algorithm>
#include <vector>

#include "link/D2XXUnit.h"
#include "link/LinkErrors.h"
#include "link/TReadProg.h"
#include "platform/Clock.h"
#include "platform/MessagePump.h"

namespace velmar::link {

namespace {
constexpr std::uint8_t kBusy = 0xFA;
constexpr std::uint8_t kSendImmediate = 0x87;
constexpr int kMaxBusyReplies = 4096;
constexpr std::uint64_t kBusyTimeoutMs = 1000;
constexpr std::uint8_t kWake[4] = {0xAC, 'S', 0xFF, 0xFF};
constexpr int kWakeAttempts = 34;
}  // namespace

void TReadProg::Write(std::uint32_t n) { unit_.WriteFTDevice(n); }

void TReadProg::Write(std::initializer_list<std::uint8_t> bytes) {
  std::copy(bytes.begin(), bytes.end(), unit_.TxBuffer.begin());
  Write(std::uint32_t(bytes.size()));
}

void TReadProg::WriteAwaitingReply(std::uint32_t n) {
  if (Pacing == LinkPacing::fast && n < D2XXUnit::kBufferSize) unit_.TxBuffer[n++] = kSendImmediate;
  Write(n);
}

void TReadProg::WriteAwaitingReply(std::initializer_list<std::uint8_t> bytes) {
  std::copy(bytes.begin(), bytes.end(), unit_.TxBuffer.begin());
  WriteAwaitingReply(std::uint32_t(bytes.size()));
}

namespace {
[[noreturn]] void NoReply(std::uint32_t got, std::uint32_t n) {
  throw EISPException(std::string(link_text::kNotResponding) + "\r" + link_text::kNoReply + " (" + std::to_string(got) +
                      " of " + std::to_string(n) + " bytes)");
}

// Takes further bytes from `next` while `b` is a busy marker, up to a bound
// in count and in time.
template <typename Next>
std::uint8_t PastBusy(std::uint8_t b, platform::Clock& clock, Next&& next) {
  const std::uint64_t start = clock.NowMs();
  int busy = 0;
  while (b == kBusy) {
    if (++busy > kMaxBusyReplies || clock.NowMs() - start > kBusyTimeoutMs)
      throw EISPException(std::string(link_text::kNotResponding) + "\rThe programmer stayed busy");
    b = next();
  }
  return b;
}
}  // namespace

void TReadProg::ReadReply(std::uint32_t n) {
  std::uint32_t got = unit_.ReadFTDevice(n);
  if (got < n) NoReply(got, n);
}

void TReadProg::ReadReply(std::initializer_list<std::uint32_t> parts) {
  std::uint32_t total = 0;
  for (std::uint32_t n : parts) total += n;
  std::uint32_t got = unit_.ReadFTDevice(total);
  if (got >= total) return;
  for (std::uint32_t n : parts) {
    if (got < n) NoReply(got, n);
    got -= n;
  }
}

void TReadProg::Wait(std::uint32_t ms) { clock_.Sleep(ms); }

std::uint8_t TReadProg::ExchangeByte(std::uint8_t b) {
  WriteAwaitingReply({0x31, 0x00, 0x00, b});
  ReadReply(1);
  // The byte after a busy marker has to be clocked in like any other.
  return PastBusy(unit_.RxBuffer[0], clock_, [this] { return ClockInByte(); });
}

std::uint8_t TReadProg::ClockInByte() {
  WriteAwaitingReply({0x20, 0x00, 0x00});
  ReadReply(1);
  return unit_.RxBuffer[0];
}

void TReadProg::ReceiveRun(std::initializer_list<ReplyTake> takes, std::uint8_t* out) {
  if (Pacing == LinkPacing::exact) {
    // A busy marker is then followed by the clock-ins that wait it out
    // before the next byte of the run is exchanged.
    for (ReplyTake t : takes) *out++ = t == ReplyTake::receive ? ReceiveByte() : ClockInByte();
    return;
  }
  // ReceiveByte clocks 0xFF out, and so does a clock-in after it (the data
  // line holds its level): the run, and any byte clocked in after a busy
  // marker, puts on the wire exactly what the calls one by one would.
  auto& tx = unit_.TxBuffer;
  std::uint32_t n = 0;
  for (ReplyTake t : takes) {
    tx[n++] = t == ReplyTake::receive ? 0x31 : 0x20;
    tx[n++] = 0x00;
    tx[n++] = 0x00;
    if (t == ReplyTake::receive) tx[n++] = 0xFF;
  }
  WriteAwaitingReply(n);
  const auto k = std::uint32_t(takes.size());
  const std::uint32_t got = unit_.ReadFTDevice(k);
  if (got < k) NoReply(0, 1);
  std::vector<std::uint8_t> replies(unit_.RxBuffer.begin(), unit_.RxBuffer.begin() + k);
  std::size_t next = 0;
  auto take = [&] {
    if (next == replies.size()) replies.push_back(ClockInByte());
    return replies[next++];
  };
  for (ReplyTake t : takes) {
    const std::uint8_t b = take();
    *out++ = t == ReplyTake::receive ? PastBusy(b, clock_, take) : b;
  }
}

void TReadProg::ShiftThrough(std::uint32_t n) {
  auto& tx = unit_.TxBuffer;
  auto head = [&tx](std::uint32_t k) {
    tx[0] = 0x31;
    tx[1] = std::uint8_t((k - 1) & 0xFF);
    tx[2] = std::uint8_t((k - 1) >> 8);
  };
  if (n <= kChipReplyRoom) {
    head(n);
    WriteAwaitingReply(n + 3);
    ReadReply(n);
    return;
  }
  // The same bytes clocked, in parts whose replies fit the chip.
  const std::vector<std::uint8_t> data(tx.begin() + 3, tx.begin() + 3 + n);
  std::vector<std::uint8_t> replies;
  replies.reserve(n);
  for (std::uint32_t at = 0; at < n; at += kChipReplyRoom) {
    const std::uint32_t k = std::min(kChipReplyRoom, n - at);
    head(k);
    std::copy(data.begin() + at, data.begin() + at + k, tx.begin() + 3);
    WriteAwaitingReply(k + 3);
    ReadReply(k);
    replies.insert(replies.end(), unit_.RxBuffer.begin(), unit_.RxBuffer.begin() + k);
  }
  std::copy(replies.begin(), replies.end(), unit_.RxBuffer.begin());
}

void TReadProg::TransferBlock(const std::uint8_t* data, std::uint32_t n) {
  if (n < 1 || n > 65533) throw EISPException("Transfer of " + std::to_string(n) + " bytes is out of range");
  SelectLink();
  std::copy(data, data + n, unit_.TxBuffer.begin() + 3);
  ShiftThrough(n);
  unit_.GetFTQueueStatus();
  EndTransfer();
}

void TReadProg::UpdateHighLines(std::uint8_t setMask, std::uint8_t clearMask) {
  WriteAwaitingReply({0x83});
  if (unit_.ReadFTDevice(1) < 1) return;
  std::uint8_t v = std::uint8_t((unit_.RxBuffer[0] & ~clearMask) | setMask);
  Write({0x82, v, 0x0F});
}

void TReadProg::SelectLink() { UpdateHighLines(std::uint8_t(1u << 1), std::uint8_t(1u << SelectLine)); }

void TReadProg::EndTransfer() { UpdateHighLines(std::uint8_t((1u << PostTransferLine) | (1u << EnableLine)), 0); }

void TReadProg::DeselectLink() { UpdateHighLines(std::uint8_t((1u << SelectLine) | (1u << EnableLine)), 0); }

void TReadProg::AbortLink() { UpdateHighLines(std::uint8_t(1u << EnableLine), std::uint8_t(1u << PostTransferLine)); }

void TReadProg::ChangeLowLine(int n, bool set, bool repeat) {
  WriteAwaitingReply({0x86, 0x01, 0x00, 0x81});
  ReadReply(1);
  LowPinState = unit_.RxBuffer[0];
  LowPinState = std::uint8_t(LowPinState & ~(1u << WakeLine));
  if (set)
    LowPinState = std::uint8_t(LowPinState | (1u << (n & 7)));
  else
    LowPinState = std::uint8_t(LowPinState & ~(1u << (n & 7)));
  Write({0x80, LowPinState, 0x7B, 0x86, std::uint8_t(ClockDivisor & 0xFF), std::uint8_t(ClockDivisor >> 8)});
  if (repeat) Write({0x80, LowPinState, 0x7B});
}

void TReadProg::SetLowLine(int n) { ChangeLowLine(n, true, true); }

void TReadProg::ClearLowLine(int n) { ChangeLowLine(n, false, false); }

void TReadProg::IdleLowLines() { Write({0x80, 0x32, 0x33}); }

void TReadProg::WakeLowLines() { Write({0x80, 0x02, 0x33}); }

std::uint32_t TReadProg::SpeedDivisor(int index) {
  static const std::uint32_t kTable[] = {2, 23, 64, 128, 288, 352, 512, 544};
  return index >= 0 && index < 8 ? kTable[index] : 12288;
}

std::uint32_t TReadProg::LoaderSpeedDivisor(int item) {
  static const std::uint32_t kTable[] = {5, 23, 47, 99};
  return item >= 0 && item < 4 ? kTable[item] : 250;
}

void TReadProg::SetSpeed(int index) { ClockDivisor = SpeedDivisor(index); }

void TReadProg::SetupChannel() {
  unit_.SetFTLatencyTimer(1);
  unit_.SetFTBitMode(0x3B, 0);
  unit_.SetFTBitMode(0x3B, 2);
  Write({0x86, std::uint8_t(ClockDivisor & 0xFF), std::uint8_t(ClockDivisor >> 8)});
  unit_.SetFTLatencyTimer(16);
  Write({0x85, 0x82, 0x03, 0x0F});
  Wait(100);
  Write({0x82, 0x01, 0x0F});
  Wait(500);
}

void TReadProg::WakeProgrammer() {
  TransferBlock(kWake, 4);
  if (unit_.RxBuffer[2] == 'S') {
    ProgrammerAnswered = true;
    if (!UpdateMode) IdleLowLines();
    Wait(50);
    return;
  }
  IdleLowLines();
  Wait(50);
  WakeLowLines();
  Wait(50);
  bool answered = false;
  for (int attempt = 0; attempt < kWakeAttempts; ++attempt) {
    TransferBlock(kWake, 4);
    if (unit_.RxBuffer[2] == 'S') {
      answered = true;
      break;
    }
    SetLowLine(0);
    Wait(20);
    ClearLowLine(0);
    Wait(20);
  }
  ProgrammerAnswered = answered;
  if (!answered) {
    DeselectLink();
    AbortLink();
    throw EISPException("Programmer not Detected\rConnect Programmer or unplug and replug USB dongle");
  }
  if (!UpdateMode) IdleLowLines();
  Wait(500);
  SetSpeed(SpeedIndex);
}

void TReadProg::SettleLines() {
  unit_.SetFTLatencyTimer(5);
  Write({0x80, 0x16, 0x33});
  Wait(750);
  Write({0x82, 0x02, 0x0F});
  Wait(750);
  Write({0x80, 0x06, 0x2B});
  Wait(750);
}

}  // namespace velmar::link
