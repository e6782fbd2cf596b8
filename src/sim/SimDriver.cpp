// The simulated interface's USB side.
#include "sim/SimDriver.h"

#include <algorithm>
#include <cstring>

#include "platform/Clock.h"

namespace velmar::sim {

using namespace link;

SimDriver::SimDriver(SimState state, platform::Clock& clock, platform::VirtualClock* wireClock)
    : state_(std::move(state)), clock_(clock), wireClock_(wireClock) {
  board_ = std::make_unique<ProgrammerBoard>(state_, clock_);
  auto add = [this](const std::string& serialBase, bool ours) {
    for (char letter : {'A', 'B'}) {
      auto c = std::make_unique<Channel>();
      c->description = std::string("Dual RS232 ") + letter;
      c->serial = serialBase + letter;
      c->programmer = ours && letter == 'A';
      c->pins = c->programmer ? static_cast<PinTarget*>(board_.get()) : &nothing_;
      c->mpsse = std::make_unique<Ft2232Channel>(*c->pins);
      c->mpsse->onWireTime = [this](double us) { WireTime(us); };
      c->mpsse->onSendImmediate = [channel = c.get()] { channel->sentImmediate = true; };
      channels_.push_back(std::move(c));
    }
  };
  for (int i = 0; i < state_.otherInterfaces; ++i) add("FT7K" + std::to_string(1000 + i), false);
  add(state_.interfaceSerial, true);
}

SimDriver::~SimDriver() = default;

Ft2232Channel& SimDriver::ProgrammerChannel() {
  for (auto& c : channels_)
    if (c->programmer) return *c->mpsse;
  return *channels_.front()->mpsse;
}

void SimDriver::WireTime(double micros) {
  if (!wireClock_) return;
  wireMicros_ += micros;
  const auto whole = std::uint64_t(wireMicros_);
  wireMicros_ -= double(whole);
  wireClock_->AdvanceUs(whole);
}

void SimDriver::UsbTime(Channel& c, std::uint32_t got) {
  // Counted only where the firmware's timing makes the gaps matter: the
  // time figures of every other run stay those of the wire and the waits.
  if (wireClock_ && got > 0 && state_.replyPrepUs > 0)
    wireClock_->AdvanceUs(c.sentImmediate ? kFrameUs : std::uint64_t(c.latency) * 1000);
  c.sentImmediate = false;
}

bool SimDriver::Gone() {
  ++calls_;
  return !state_.usbAttached || (state_.faults.unplugAfter > 0 && calls_ > state_.faults.unplugAfter);
}

SimDriver::Channel* SimDriver::Find(FT_HANDLE handle) {
  for (auto& c : channels_)
    if (c.get() == handle && c->open) return c.get();
  return nullptr;
}

FT_STATUS SimDriver::ListDeviceCount(std::uint32_t& count) {
  count = Gone() ? 0 : std::uint32_t(channels_.size());
  return FT_OK;
}

FT_STATUS SimDriver::ListDeviceByIndex(std::uint32_t index, std::uint32_t what, char* buffer, std::size_t size) {
  if (Gone() || index >= channels_.size()) return FT_DEVICE_NOT_FOUND;
  const Channel& c = *channels_[index];
  CopyListText(what == FT_OPEN_BY_SERIAL_NUMBER ? c.serial : c.description, buffer, size);
  return FT_OK;
}

FT_STATUS SimDriver::OpenEx(const char* serial, FT_HANDLE& handle) {
  handle = nullptr;
  if (Gone()) return FT_DEVICE_NOT_FOUND;
  if (state_.faults.openStatus != 0) return FT_STATUS(state_.faults.openStatus);
  for (auto& c : channels_) {
    if (c->serial != serial) continue;
    if (c->open) return FT_DEVICE_NOT_OPENED;
    c->open = true;
    c->mpsseMode = false;
    c->mpsse->RxQueue().clear();
    handle = c.get();
    return FT_OK;
  }
  return FT_DEVICE_NOT_FOUND;
}

FT_STATUS SimDriver::Close(FT_HANDLE handle) {
  bool gone = Gone();
  Channel* c = Find(handle);
  if (!c) return FT_INVALID_HANDLE;
  c->open = false;
  c->mpsseMode = false;
  c->mpsse->Reset();
  c->mpsse->RxQueue().clear();
  return gone ? FT_IO_ERROR : FT_OK;
}

FT_STATUS SimDriver::Read(FT_HANDLE handle, std::uint8_t* buffer, std::uint32_t count, std::uint32_t& got) {
  got = 0;
  if (Gone()) return FT_IO_ERROR;
  Channel* c = Find(handle);
  if (!c) return FT_INVALID_HANDLE;
  auto& q = c->mpsse->RxQueue();
  std::uint32_t n = std::min<std::uint32_t>(count, std::uint32_t(q.size()));
  std::copy_n(q.begin(), n, buffer);
  q.erase(q.begin(), q.begin() + n);
  if (++reads_ == state_.faults.shortRead && n > 0) --n;  // a byte lost on the way
  got = n;
  UsbTime(*c, got);
  if (got < count && wireClock_) wireClock_->Advance(kReadTimeoutMs);
  return FT_OK;
}

FT_STATUS SimDriver::Write(FT_HANDLE handle, const std::uint8_t* buffer, std::uint32_t count, std::uint32_t& written) {
  written = 0;
  if (Gone()) return FT_IO_ERROR;
  Channel* c = Find(handle);
  if (!c) return FT_INVALID_HANDLE;
  if (c->mpsseMode) c->mpsse->Execute(buffer, count);
  written = count;
  return FT_OK;
}

FT_STATUS SimDriver::GetQueueStatus(FT_HANDLE handle, std::uint32_t& rxBytes) {
  rxBytes = 0;
  if (Gone()) return FT_IO_ERROR;
  Channel* c = Find(handle);
  if (!c) return FT_INVALID_HANDLE;
  rxBytes = std::uint32_t(c->mpsse->RxQueue().size());
  return FT_OK;
}

FT_STATUS SimDriver::CyclePort(FT_HANDLE handle) {
  if (Gone()) return FT_IO_ERROR;
  Channel* c = Find(handle);
  if (!c) return FT_INVALID_HANDLE;
  c->mpsseMode = false;
  c->mpsse->Reset();
  return FT_OK;
}

FT_STATUS SimDriver::EE_UARead(FT_HANDLE handle, std::uint8_t* buffer, std::uint32_t size, std::uint32_t& got) {
  got = 0;
  if (Gone()) return FT_IO_ERROR;
  Channel* c = Find(handle);
  if (!c) return FT_INVALID_HANDLE;
  // The interface's user area: a maker tag and, at byte 8, '1' when the
  // interface can sense the programmer's supply.
  std::uint8_t area[32] = {'V', 'E', 'L', 'M', 'A', 'R', '0', '1'};
  area[8] = c->programmer && state_.voltageSensing ? '1' : '0';
  got = std::min<std::uint32_t>(size, sizeof area);
  std::memcpy(buffer, area, got);
  return FT_OK;
}

FT_STATUS SimDriver::SetLatencyTimer(FT_HANDLE handle, std::uint8_t ms) {
  if (Gone()) return FT_IO_ERROR;
  Channel* c = Find(handle);
  if (!c) return FT_INVALID_HANDLE;
  if (ms == 0) return FT_INVALID_PARAMETER;
  c->latency = ms;
  return FT_OK;
}

FT_STATUS SimDriver::SetBitMode(FT_HANDLE handle, std::uint8_t mask, std::uint8_t mode) {
  if (Gone()) return FT_IO_ERROR;
  Channel* c = Find(handle);
  if (!c) return FT_INVALID_HANDLE;
  if (mode != 0x02) c->mpsse->Reset();
  c->mpsseMode = mode == 0x02;
  return FT_OK;
}

}  // namespace velmar::sim
