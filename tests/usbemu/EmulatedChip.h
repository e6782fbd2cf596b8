// One emulated dual-channel FTDI chip as the USB host sees it: its device
// and configuration descriptors, its vendor control requests, its EEPROM
// (word reads and writes), and per channel the MPSSE engine with the bytes
// waiting to go to the host. Bulk transfers are timed on the virtual clock
// the way the chip and a USB host controller would spend it: OUT data in
// packets from the next (micro)frame on; IN data in packets that each start
// with the two modem-status bytes, a partly filled packet leaving the chip
// only when its latency timer has run out since the last packet or after a
// "send immediate" command, and an idle channel answering with status-only
// packets at the latency timer's pace. Each channel has the chip's fixed
// buffers (ChannelBuffers): a write the chip cannot take stays unfinished
// until the host's time-out. MPSSE mode is there on both channels of the
// FT2232H and on channel A only of the FT2232D.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "ChannelBuffers.h"
#include "FtdiEeprom.h"
#include "sim/Ft2232Channel.h"
#include "sim/Pins.h"

namespace velmar::usbemu {

// Vendor requests of the chip (bRequest).
enum class VendorRequest : std::uint8_t {
  reset = 0x00,
  modemControl = 0x01,
  flowControl = 0x02,
  baudRate = 0x03,
  dataCharacteristics = 0x04,
  pollModemStatus = 0x05,
  eventChar = 0x06,
  errorChar = 0x07,
  setLatency = 0x09,
  getLatency = 0x0A,
  setBitMode = 0x0B,
  readPins = 0x0C,
  readEeprom = 0x90,
  writeEeprom = 0x91,
  eraseEeprom = 0x92,
};

// What a control transfer or a bulk transfer came to.
enum class UsbResult { ok, stall, timeout };

class EmulatedChip;

class EmulatedChannel {
 public:
  EmulatedChannel(EmulatedChip& chip, int index, sim::PinTarget& pins);

  // Bulk OUT: the bytes reach the chip (and its MPSSE engine in that mode);
  // `taken` says how many it took. When its buffers cannot take them all
  // (the host is not reading) the result is a time-out: the host then
  // waits it out (WaitOutWrite) or reads and goes on.
  UsbResult BulkOut(const std::uint8_t* data, std::size_t n, std::size_t& taken);
  // A write the chip keeps refusing, waited for up to `timeoutUs` (0: for
  // ever, which the emulation cuts short).
  static void WaitOutWrite(std::uint64_t timeoutUs);
  // Bulk IN of up to `length` bytes into `out` (status bytes included).
  // `timeoutUs` 0 waits as long as it takes. With `readyOnly` nothing is
  // waited for: only packets the chip would send at once come (none when
  // its latency timer is still running). `periodic` says the host polls
  // the channel all the time (the D2XX driver does), so the latency timer
  // keeps restarting on status-only packets.
  UsbResult BulkIn(std::uint8_t* out, int length, int& got, std::uint64_t timeoutUs, bool readyOnly, bool periodic);

  void SetBitMode(std::uint8_t mask, std::uint8_t mode);
  void Reset();  // SIO reset: both buffers purged
  void PurgeToHost() {
    mpsse_.RxQueue().clear();
    buffers_.Run();  // room again: the engine goes on
  }
  void PurgeFromHost() { buffers_.DropWaiting(); }
  // Back to power-on: bit mode off, lines released, default latency.
  void PowerOn();

  std::uint8_t latencyMs = 16;
  bool mpsseMode() const { return mpsseMode_; }
  sim::Ft2232Channel& Mpsse() { return mpsse_; }
  std::uint8_t Pins() const;

 private:
  bool MpsseOffered() const;

  EmulatedChip& chip_;
  int index_;
  sim::Ft2232Channel mpsse_;
  ChannelBuffers buffers_;
  bool mpsseMode_ = false;
  bool sendImmediate_ = false;
  std::uint64_t lastPacketUs_ = 0;
  double wireFraction_ = 0;
};

class EmulatedChip {
 public:
  EmulatedChip(ChipType type, EepromPart part, const std::string& serial, sim::PinTarget& pinsA,
               std::vector<std::uint8_t> userArea);

  ChipType Type() const { return type_; }
  bool HighSpeed() const { return type_ == ChipType::ft2232h; }
  int PacketSize() const { return HighSpeed() ? 512 : 64; }
  double PacketUs() const { return HighSpeed() ? 125.0 / 13 : 1000.0 / 19; }
  std::uint64_t FrameUs() const { return HighSpeed() ? 125 : 1000; }
  // Virtual time at the start of the next (micro)frame.
  std::uint64_t NextFrame(std::uint64_t nowUs) const;

  // 18 bytes of device descriptor.
  std::vector<std::uint8_t> DeviceDescriptor() const;
  // String descriptor `index` as ASCII (0 for the language list is not
  // text); false when there is none.
  bool StringDescriptor(int index, std::string& text) const;

  // A vendor control request. `data` receives IN data (length `length`) or
  // holds OUT data; `got` is what was transferred.
  UsbResult Control(std::uint8_t requestType, std::uint8_t request, std::uint16_t value, std::uint16_t index,
                    std::uint8_t* data, std::uint16_t length, int& got);
  // A standard request to the device (GET_STATUS, the device qualifier);
  // false when it is not one the emulation answers here.
  bool Standard(std::uint8_t requestType, std::uint8_t request, std::uint16_t value, std::uint8_t* data,
                std::uint16_t length, UsbResult& result, int& got);
  // Charges the virtual clock for one control transfer.
  void ChargeControl();

  EmulatedChannel& Channel(int i) { return i == 0 ? a_ : b_; }
  // Port reset or re-enumeration: both channels as at power-on.
  void PowerOn();

  const std::vector<std::uint8_t>& Eeprom() const { return eeprom_; }
  std::string Serial() const { return EepromString(eeprom_, 3); }
  std::string Description() const { return EepromString(eeprom_, 2); }

 private:
  EmulatedChannel* ChannelFor(std::uint16_t index);

  ChipType type_;
  sim::NothingAttached nothing_;
  std::vector<std::uint8_t> eeprom_;
  EmulatedChannel a_;
  EmulatedChannel b_;
};

}  // namespace velmar::usbemu
