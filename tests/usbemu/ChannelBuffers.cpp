// The engine fed from the from-host buffer as the to-host buffer allows.
#include "ChannelBuffers.h"

#include <algorithm>

namespace velmar::usbemu {

std::size_t ChannelBuffers::ToHostRoom() const {
  const std::size_t held = mpsse_.RxQueue().size();
  return held < toHost_ ? toHost_ - held : 0;
}

std::size_t ChannelBuffers::Take(const std::uint8_t* data, std::size_t n) {
  std::size_t taken = 0;
  while (taken < n) {
    Run();
    const std::size_t room = fromHost_ - std::min(fromHost_, waiting_.size());
    if (room == 0) break;
    const std::size_t k = std::min(room, n - taken);
    waiting_.insert(waiting_.end(), data + taken, data + taken + k);
    taken += k;
  }
  Run();
  return taken;
}

bool ChannelBuffers::RunShift(std::size_t at, std::size_t& consumed) {
  const std::uint8_t* p = waiting_.data() + at;
  const std::size_t avail = waiting_.size() - at;
  consumed = 0;
  if (avail < 3) return false;
  const std::uint8_t c = p[0];
  const bool write = c & 0x10, read = c & 0x20;
  const std::size_t count = std::size_t(p[1] | p[2] << 8) + 1;
  std::size_t k = count;
  if (write) k = std::min(k, avail - 3);
  if (read) k = std::min(k, ToHostRoom());
  if (k == 0) return false;
  std::vector<std::uint8_t> part = {c, std::uint8_t((k - 1) & 0xFF), std::uint8_t((k - 1) >> 8)};
  if (write) part.insert(part.end(), p + 3, p + 3 + k);
  mpsse_.Execute(part.data(), part.size());
  if (k == count) {
    consumed = 3 + (write ? count : 0);
    return true;
  }
  // The rest of the shift stays, its count lowered by what ran.
  const std::size_t rest = count - k - 1;
  waiting_[at + 1] = std::uint8_t(rest & 0xFF);
  waiting_[at + 2] = std::uint8_t(rest >> 8);
  if (write) waiting_.erase(waiting_.begin() + std::ptrdiff_t(at + 3), waiting_.begin() + std::ptrdiff_t(at + 3 + k));
  return true;
}

void ChannelBuffers::Run() {
  std::size_t at = 0;
  while (at < waiting_.size()) {
    const std::uint8_t* p = waiting_.data() + at;
    if (sim::Ft2232Channel::IsByteShift(p[0])) {
      std::size_t consumed = 0;
      if (!RunShift(at, consumed)) break;
      at += consumed;
      continue;
    }
    const std::size_t len = sim::Ft2232Channel::CommandLength(p, waiting_.size() - at, mpsse_.highSpeed);
    if (len == 0 || sim::Ft2232Channel::ReplyLength(p, mpsse_.highSpeed) > ToHostRoom()) break;
    mpsse_.Execute(p, len);
    at += len;
  }
  waiting_.erase(waiting_.begin(), waiting_.begin() + std::ptrdiff_t(at));
}

}  // namespace velmar::usbemu
