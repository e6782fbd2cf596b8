// The system's random bytes on Windows.
#define _CRT_RAND_S
#include <stdlib.h>

#include "platform/SystemRandom.h"

namespace velmar::platform {

bool SystemRandomBytes(std::uint8_t* out, std::size_t n) {
  if (n > 256) return false;
  for (std::size_t i = 0; i < n; ++i) {
    unsigned int value = 0;
    if (rand_s(&value) != 0) return false;
    out[i] = std::uint8_t(value);
  }
  return true;
}

}  // namespace velmar::platform
