// The emulated chip's descriptors, control requests and timed bulk data.
#include "EmulatedChip.h"

#include <algorithm>

#include "EmulationOptions.h"
#include "VirtualTime.h"

namespace velmar::usbemu {

namespace {
constexpr std::uint8_t kModemStatus = 0x32;  // CTS and DSR set, as an idle FT2232 reports
constexpr std::uint8_t kLineStatus = 0x60;   // transmitter holding register and shift register empty
constexpr std::uint8_t kVendorOut = 0x40;
constexpr std::uint8_t kVendorIn = 0xC0;
constexpr std::uint8_t kMpsse = 0x02;
// A write the host gave no time-out: the emulation gives up after this long.
constexpr std::uint64_t kEndlessWriteUs = 60'000'000;

// The channel buffers: towards the host, from the host.
std::size_t ToHostBuffer(const EmulatedChip& chip) { return chip.HighSpeed() ? 4096 : 384; }
std::size_t FromHostBuffer(const EmulatedChip& chip) { return chip.HighSpeed() ? 4096 : 128; }
}  // namespace

EmulatedChannel::EmulatedChannel(EmulatedChip& chip, int index, sim::PinTarget& pins)
    : chip_(chip), index_(index), mpsse_(pins), buffers_(mpsse_, ToHostBuffer(chip), FromHostBuffer(chip)) {
  mpsse_.highSpeed = chip.HighSpeed();
  mpsse_.strictDirections = true;
  mpsse_.onWireTime = [this](double us) {
    wireFraction_ += us;
    auto whole = std::uint64_t(wireFraction_);
    wireFraction_ -= double(whole);
    AdvanceUs(whole);
    Account().wireUs += whole;
  };
  mpsse_.onSendImmediate = [this] { sendImmediate_ = true; };
}

UsbResult EmulatedChannel::BulkOut(const std::uint8_t* data, std::size_t n, std::size_t& taken) {
  const std::uint64_t now = NowUs();
  const std::size_t packets =
      std::max<std::size_t>(1, (n + std::size_t(chip_.PacketSize()) - 1) / std::size_t(chip_.PacketSize()));
  std::uint64_t done = chip_.NextFrame(now) + std::uint64_t(double(packets) * chip_.PacketUs());
  done = std::max(done, now + BulkFloorUs(chip_.HighSpeed()));
  AdvanceUs(done - now);
  Account().usbUs += done - now;
  ++Account().bulkOut;
  // Out of MPSSE mode the bytes go to the serial line, which takes them.
  taken = mpsseMode_ ? buffers_.Take(data, n) : n;
  return taken == n ? UsbResult::ok : UsbResult::timeout;
}

void EmulatedChannel::WaitOutWrite(std::uint64_t timeoutUs) {
  // The chip answers NAK until its buffers have room, which they never get
  // while the host is not reading: the host's time-out ends the transfer.
  const std::uint64_t wait = timeoutUs ? timeoutUs : kEndlessWriteUs;
  AdvanceUs(wait);
  Account().usbUs += wait;
}

UsbResult EmulatedChannel::BulkIn(std::uint8_t* out, int length, int& got, std::uint64_t timeoutUs, bool readyOnly,
                                  bool periodic) {
  got = 0;
  const std::uint64_t start = NowUs();
  const std::uint64_t deadline = timeoutUs ? start + timeoutUs : UINT64_MAX;
  const std::size_t packet = std::size_t(chip_.PacketSize());
  const std::size_t payload = packet - 2;
  auto& queue = mpsse_.RxQueue();
  std::uint64_t t = readyOnly ? start : chip_.NextFrame(start);
  UsbResult result = UsbResult::ok;
  auto send = [&](std::size_t n) {
    out[got] = kModemStatus;
    out[got + 1] = kLineStatus;
    std::copy_n(queue.begin(), n, out + got + 2);
    queue.erase(queue.begin(), queue.begin() + std::ptrdiff_t(n));
    got += int(n + 2);
    t += std::uint64_t(chip_.PacketUs());
    lastPacketUs_ = t;
    buffers_.Run();  // room again: the engine goes on
  };
  while (std::size_t(length - got) >= 2) {
    const std::size_t room = std::min<std::size_t>(packet, std::size_t(length - got)) - 2;
    if (queue.size() >= payload && room == payload) {
      send(payload);  // a full packet: the transfer goes on
      continue;
    }
    std::uint64_t due = lastPacketUs_ + latencyMs * 1000u;
    if (periodic && due < t) due += (t - due + latencyMs * 1000u - 1) / (latencyMs * 1000u) * (latencyMs * 1000u);
    if (!sendImmediate_ && t < due) {
      if (readyOnly) break;
      if (due > deadline) {
        Account().latencyUs += deadline - t;
        t = deadline;
        result = UsbResult::timeout;
        break;
      }
      Account().latencyUs += due - t;
      t = due;
    }
    if (readyOnly && queue.empty()) break;  // nothing to hand over
    send(std::min(queue.size(), room));
    if (queue.empty()) sendImmediate_ = false;
    break;  // a short packet ends the transfer
  }
  t = std::max(t, start + BulkFloorUs(chip_.HighSpeed()));
  const std::uint64_t now = NowUs();
  if (t > now) {
    Account().usbUs += t - now;
    AdvanceUs(t - now);
  }
  ++Account().bulkIn;
  return result;
}

bool EmulatedChannel::MpsseOffered() const { return chip_.HighSpeed() || index_ == 0; }

void EmulatedChannel::SetBitMode(std::uint8_t mask, std::uint8_t mode) {
  // The FT2232D's channel B has no MPSSE: the request is taken, the mode not.
  if (mode == kMpsse && !MpsseOffered()) mode = 0;
  if (mode != kMpsse) mpsse_.Reset();
  if (mode == kMpsse && !mpsseMode_) mpsse_.Enter(mask);
  mpsseMode_ = mode == kMpsse;
}

void EmulatedChannel::Reset() {
  mpsse_.RxQueue().clear();
  buffers_.DropWaiting();
}

void EmulatedChannel::PowerOn() {
  mpsseMode_ = false;
  mpsse_.Reset();
  mpsse_.RxQueue().clear();
  buffers_.DropWaiting();
  latencyMs = 16;
  sendImmediate_ = false;
}

std::uint8_t EmulatedChannel::Pins() const { return mpsse_.CurrentLines().lowValue; }

EmulatedChip::EmulatedChip(ChipType type, EepromPart part, const std::string& serial, sim::PinTarget& pinsA,
                           std::vector<std::uint8_t> userArea)
    : type_(type), a_(*this, 0, pinsA), b_(*this, 1, nothing_) {
  EepromContents c;
  c.chip = type;
  c.part = part;
  c.serial = serial;
  c.userArea = std::move(userArea);
  eeprom_ = BuildEeprom(c);
}

std::uint64_t EmulatedChip::NextFrame(std::uint64_t nowUs) const {
  return (nowUs + FrameUs() - 1) / FrameUs() * FrameUs();
}

std::vector<std::uint8_t> EmulatedChip::DeviceDescriptor() const {
  const std::uint16_t release = DeviceRelease(type_);
  return {18,
          0x01,
          0x00,
          0x02,
          0x00,
          0x00,
          0x00,
          std::uint8_t(HighSpeed() ? 64 : 8),
          eeprom_[2],
          eeprom_[3],
          eeprom_[4],
          eeprom_[5],
          std::uint8_t(release & 0xFF),
          std::uint8_t(release >> 8),
          1,
          2,
          3,
          1};
}

bool EmulatedChip::StringDescriptor(int index, std::string& text) const {
  if (index < 1 || index > 3) return false;
  text = EepromString(eeprom_, index);
  return !text.empty();
}

void EmulatedChip::ChargeControl() {
  const std::uint64_t now = NowUs();
  const std::uint64_t done = std::max(NextFrame(now) + FrameUs(), now + ControlFloorUs());
  AdvanceUs(done - now);
  Account().usbUs += done - now;
  ++Account().control;
}

EmulatedChannel* EmulatedChip::ChannelFor(std::uint16_t index) {
  switch (index & 0xFF) {
    case 0:
    case 1: return &a_;
    case 2: return &b_;
    default: return nullptr;
  }
}

void EmulatedChip::PowerOn() {
  ++Account().portResets;
  a_.PowerOn();
  b_.PowerOn();
}

bool EmulatedChip::Standard(std::uint8_t requestType, std::uint8_t request, std::uint16_t value, std::uint8_t* data,
                            std::uint16_t length, UsbResult& result, int& got) {
  constexpr std::uint8_t kStandardIn = 0x80, kGetStatus = 0x00, kGetDescriptor = 0x06, kQualifier = 0x06;
  if (requestType != kStandardIn) return false;
  std::vector<std::uint8_t> answer;
  if (request == kGetStatus && value == 0) {
    answer = {0x00, 0x00};  // bus powered, no remote wake-up
  } else if (request == kGetDescriptor && (value >> 8) == kQualifier) {
    // Only a high-speed device has one; a full-speed device stalls.
    if (HighSpeed()) answer = {10, kQualifier, 0x00, 0x02, 0x00, 0x00, 0x00, 64, 1, 0};
  } else {
    return false;
  }
  ChargeControl();
  got = 0;
  result = answer.empty() ? UsbResult::stall : UsbResult::ok;
  if (answer.empty()) return true;
  got = int(std::min<std::size_t>(length, answer.size()));
  std::copy_n(answer.begin(), got, data);
  return true;
}

UsbResult EmulatedChip::Control(std::uint8_t requestType, std::uint8_t request, std::uint16_t value,
                                std::uint16_t index, std::uint8_t* data, std::uint16_t length, int& got) {
  got = 0;
  ChargeControl();
  const bool in = requestType == kVendorIn;
  if (requestType != kVendorOut && !in) return UsbResult::stall;
  auto answer = [&](std::initializer_list<std::uint8_t> bytes) {
    if (!in || length < bytes.size()) return UsbResult::stall;
    std::copy(bytes.begin(), bytes.end(), data);
    got = int(bytes.size());
    return UsbResult::ok;
  };
  // EEPROM requests address words, not channels.
  switch (VendorRequest(request)) {
    case VendorRequest::readEeprom: {
      const std::size_t word = index % (eeprom_.size() / 2);
      return answer({eeprom_[2 * word], eeprom_[2 * word + 1]});
    }
    case VendorRequest::writeEeprom: {
      if (in) return UsbResult::stall;
      const std::size_t word = index % (eeprom_.size() / 2);
      eeprom_[2 * word] = std::uint8_t(value & 0xFF);
      eeprom_[2 * word + 1] = std::uint8_t(value >> 8);
      return UsbResult::ok;
    }
    case VendorRequest::eraseEeprom:
      if (in) return UsbResult::stall;
      std::fill(eeprom_.begin(), eeprom_.end(), 0xFF);
      return UsbResult::ok;
    default: break;
  }
  EmulatedChannel* ch = ChannelFor(index);
  if (!ch) return UsbResult::stall;
  switch (VendorRequest(request)) {
    case VendorRequest::reset:
      if (in) return UsbResult::stall;
      // libftdi 1.5's values: 1 (SIO_TCOFLUSH) empties what came from the
      // host, 2 (SIO_TCIFLUSH) what waits to go to it; 0 resets both.
      if (value == 0)
        ch->Reset();
      else if (value == 1)
        ch->PurgeFromHost();
      else if (value == 2)
        ch->PurgeToHost();
      else
        return UsbResult::stall;
      return UsbResult::ok;
    case VendorRequest::modemControl:
    case VendorRequest::flowControl:
    case VendorRequest::baudRate:
    case VendorRequest::dataCharacteristics:
    case VendorRequest::eventChar:
    case VendorRequest::errorChar: return in ? UsbResult::stall : UsbResult::ok;
    case VendorRequest::pollModemStatus: return answer({kModemStatus, kLineStatus});
    case VendorRequest::setLatency: {
      const unsigned ms = value & 0xFF;
      if (in || ms == 0) return UsbResult::stall;
      ch->latencyMs = std::uint8_t(ms);
      return UsbResult::ok;
    }
    case VendorRequest::getLatency: return answer({ch->latencyMs});
    case VendorRequest::setBitMode:
      if (in) return UsbResult::stall;
      ch->SetBitMode(std::uint8_t(value & 0xFF), std::uint8_t(value >> 8));
      return UsbResult::ok;
    case VendorRequest::readPins: return answer({ch->Pins()});
    default: return UsbResult::stall;
  }
}

}  // namespace velmar::usbemu
