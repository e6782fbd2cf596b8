// The protocol watch: set-up and settle steps from the line changes, the
// handshake from the bytes clocked, waits and arguments from the firmware.
#include "sim/ProtocolCheck.h"

#include <cstdio>
#include <mutex>

#include "platform/Clock.h"
#include "sim/SimState.h"

namespace velmar::sim {

namespace {

constexpr std::uint8_t kEnable = 0x02;  // high byte: the interface buffer's enable
constexpr std::size_t kMaxRecorded = 100;

std::mutex& HandlerLock() {
  static std::mutex m;
  return m;
}

ViolationHandler& Handler() {
  static ViolationHandler h;
  return h;
}

bool Is(std::uint8_t value, std::uint8_t dir, std::uint8_t wantValue, std::uint8_t wantDir) {
  return value == wantValue && dir == wantDir;
}

std::string Hex(std::uint8_t b) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", b);
  return text;
}

std::string CommandName(std::uint8_t c) {
  if (c >= 0x20 && c < 0x7F) return "'" + std::string(1, char(c)) + "' (" + Hex(c) + ")";
  return Hex(c);
}

}  // namespace

ViolationHandler SetViolationHandler(ViolationHandler handler) {
  std::lock_guard<std::mutex> lock(HandlerLock());
  ViolationHandler old = std::move(Handler());
  Handler() = std::move(handler);
  return old;
}

void ProtocolCheck::Violation(const std::string& text) {
  if (s_.violations.size() < kMaxRecorded && (s_.violations.empty() || s_.violations.back() != text))
    s_.violations.push_back(text);
  ViolationHandler handler;
  {
    std::lock_guard<std::mutex> lock(HandlerLock());
    handler = Handler();
  }
  if (handler) handler(text);
}

void ProtocolCheck::LinesChanged(const Lines& l) {
  const std::uint64_t now = clock_.NowMs();
  // Only the byte just written counts as a step (a write of either byte
  // hands both over).
  const bool lowWritten = l.lowValue != lines_.lowValue || l.lowDir != lines_.lowDir;
  const bool highWritten = l.highValue != lines_.highValue || l.highDir != lines_.highDir;
  lines_ = l;
  // Channel set-up: high lines 0x03, 100 ms, 0x01 (the buffer still off),
  // 500 ms before the first byte.
  if (highWritten && Is(l.highValue, l.highDir, 0x03, 0x0F)) setupHighAt_ = now;
  if (highWritten && Is(l.highValue, l.highDir, 0x01, 0x0F)) {
    if (now - setupHighAt_ < kSetupHighMs)
      Violation("channel set-up: high lines 0x01 came " + std::to_string(now - setupHighAt_) +
                " ms after 0x03; the protocol waits " + std::to_string(kSetupHighMs) + " ms");
    setupEnabledAt_ = now;
    setupPending_ = true;
  }
  if (!(l.highDir & kEnable) || !(l.highValue & kEnable)) {
    // The buffer is off: the lines are to be settled again before commands.
    settle_ = Settle::none;
    return;
  }
  if (!handshake_) return;
  auto step = [&](Settle from, Settle to, std::uint64_t since, std::uint64_t wait, const char* what) {
    if (settle_ != from) return;
    if (now - since < wait)
      Violation(std::string("line settling: ") + what + " came " + std::to_string(now - since) +
                " ms after the step before it; the protocol waits " + std::to_string(wait) + " ms");
    settle_ = to;
    settleStepAt_ = now;
  };
  if (lowWritten && Is(l.lowValue, l.lowDir, 0x16, 0x33)) {
    settle_ = Settle::none;
    step(Settle::none, Settle::lowSet, handshakeAt_, kAfterWakeMs, "low lines 0x16");
  } else if (highWritten && Is(l.highValue, l.highDir, 0x02, 0x0F)) {
    step(Settle::lowSet, Settle::highSet, settleStepAt_, kSettleMs, "high lines 0x02");
  } else if (lowWritten && Is(l.lowValue, l.lowDir, 0x06, 0x2B)) {
    step(Settle::highSet, Settle::done, settleStepAt_, kSettleMs, "low lines 0x06");
  }
}

void ProtocolCheck::ByteClocked(std::uint8_t out, std::uint8_t in) {
  const std::uint64_t now = clock_.NowMs();
  if (setupPending_) {
    setupPending_ = false;
    if (now - setupEnabledAt_ < kSetupEnableMs)
      Violation("channel set-up: the first byte to the programmer came " + std::to_string(now - setupEnabledAt_) +
                " ms after high lines 0x01; the protocol waits " + std::to_string(kSetupEnableMs) + " ms");
  }
  for (int i = 0; i < 3; ++i) {
    frame_[i] = frame_[i + 1];
    frameOut_[i] = frameOut_[i + 1];
  }
  frame_[3] = in;
  frameOut_[3] = out;
  if (frame_[0] == 0xAC && frame_[1] == 'S' && frame_[2] == 0xFF && frame_[3] == 0xFF && frameOut_[2] == 'S') {
    handshake_ = true;
    handshakeAt_ = now;
  }
}

void ProtocolCheck::PowerCycled() {
  handshake_ = false;
  settle_ = Settle::none;
}

bool ProtocolCheck::Settled() const {
  return handshake_ && settle_ == Settle::done && clock_.NowMs() - settleStepAt_ >= kSettleMs;
}

void ProtocolCheck::Command(std::uint8_t c) {
  if (!handshake_)
    Violation("command " + CommandName(c) + " came before the wake-up handshake");
  else if (settle_ != Settle::done)
    Violation("command " + CommandName(c) + " came before the line settle sequence");
  else if (!Settled())
    Violation("command " + CommandName(c) + " came " + std::to_string(clock_.NowMs() - settleStepAt_) +
              " ms after the last line settle step; the protocol waits " + std::to_string(kSettleMs) + " ms");
}

void ProtocolCheck::ReplyReady(const char* what, std::uint64_t waitMs) {
  replyWhat_ = what;
  replyAskedAt_ = clock_.NowMs();
  replyWaitMs_ = waitMs;
}

void ProtocolCheck::ReplyStarts() {
  if (!replyWhat_) return;
  const std::uint64_t after = clock_.NowMs() - replyAskedAt_;
  if (after < replyWaitMs_)
    Violation(std::string(replyWhat_) + " was clocked in " + std::to_string(after) +
              " ms after the request; the protocol waits " + std::to_string(replyWaitMs_) + " ms");
  replyWhat_ = nullptr;
}

}  // namespace velmar::sim
