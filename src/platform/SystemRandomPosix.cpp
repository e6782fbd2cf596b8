// The system's random bytes on POSIX systems.
#include <unistd.h>

#include "platform/SystemRandom.h"

namespace velmar::platform {

bool SystemRandomBytes(std::uint8_t* out, std::size_t n) { return n <= 256 && getentropy(out, n) == 0; }

}  // namespace velmar::platform
