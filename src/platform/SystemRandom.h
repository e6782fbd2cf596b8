// Random bytes from the operating system's generator (getentropy on POSIX
// systems, rand_s on Windows), for values that must differ from run to run
// and from machine to machine, such as the portable programmer's unit token.
#pragma once

#include <cstddef>
#include <cstdint>

namespace velmar::platform {

// Fills out[0..n-1] (n up to 256); false when the system gave none.
bool SystemRandomBytes(std::uint8_t* out, std::size_t n);

}  // namespace velmar::platform
