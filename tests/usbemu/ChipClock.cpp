// Virtual time for the chip tests, which run the emulated chip in the test
// process without taking over its clocks (VirtualTime.cpp would).
#include "VirtualTime.h"

namespace velmar::usbemu {

namespace {
std::uint64_t g_nowUs = 0;
}

std::uint64_t NowUs() { return g_nowUs; }
void AdvanceUs(std::uint64_t us) { g_nowUs += us; }

}  // namespace velmar::usbemu
