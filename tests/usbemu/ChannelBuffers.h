// The fixed buffers of one channel of the emulated chip, between the USB
// endpoints and the MPSSE engine. Bytes from the host wait in the from-host
// buffer until the engine takes them; what the engine clocks in waits in the
// to-host buffer until the host reads it. The engine runs a command only
// while the to-host buffer has room for what it returns (a long shift runs
// as far as the room goes, then stops clocking), so with the to-host buffer
// full the from-host buffer fills too and the chip takes no more bytes: the
// host's write then stays unfinished, as on the chip (FT2232D: 384 bytes
// towards the host, 128 from it; FT2232H: 4 KiB each way).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/Ft2232Channel.h"

namespace velmar::usbemu {

class ChannelBuffers {
 public:
  ChannelBuffers(sim::Ft2232Channel& mpsse, std::size_t toHost, std::size_t fromHost)
      : mpsse_(mpsse), toHost_(toHost), fromHost_(fromHost) {}

  // Takes as many of the `n` bytes as the from-host buffer has room for, the
  // engine running on them as they come; returns how many it took.
  std::size_t Take(const std::uint8_t* data, std::size_t n);
  // Runs the engine on what waits, as far as the to-host buffer allows
  // (after the host has read some of it).
  void Run();
  // Drops the bytes that wait for the engine (a purge of the from-host buffer).
  void DropWaiting() { waiting_.clear(); }
  std::size_t Waiting() const { return waiting_.size(); }
  std::size_t ToHostCapacity() const { return toHost_; }
  std::size_t FromHostCapacity() const { return fromHost_; }

 private:
  std::size_t ToHostRoom() const;
  // Runs as much of the data shift at `at` as data and room allow; false
  // when none of it could run.
  bool RunShift(std::size_t at, std::size_t& consumed);

  sim::Ft2232Channel& mpsse_;
  std::size_t toHost_;
  std::size_t fromHost_;
  std::vector<std::uint8_t> waiting_;
};

}  // namespace velmar::usbemu
