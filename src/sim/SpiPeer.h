// A byte-level synchronous-serial slave as the programmer's controller sees
// its serial port: before each byte it puts the byte it will shift out, and
// after the eighth clock it is handed the byte that came in.
#pragma once

#include <cstdint>

namespace velmar::sim {

class SpiPeer {
 public:
  virtual ~SpiPeer() = default;
  virtual std::uint8_t NextOut() = 0;
  virtual void Received(std::uint8_t in) = 0;
};

}  // namespace velmar::sim
