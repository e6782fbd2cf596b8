// The explicit table of driver backends: the simulated programmer, libftdi1
// and FTDI's D2XX library loaded at run time. `--driver auto` takes d2xx when
// its library loads and libftdi otherwise.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "link/FtDriver.h"

namespace velmar::platform {
class Clock;
class VirtualClock;
}  // namespace velmar::platform

namespace velmar::sim {
struct SimState;
}

namespace velmar::frontend {

// What a backend may need when it is made.
struct DriverContext {
  platform::Clock& clock;
  platform::VirtualClock* virtualClock = nullptr;  // simulated wire time, or null
  sim::SimState* simState = nullptr;               // the simulated programmer (taken over)
  std::string udevRoot = "/";                      // where udev's folders lie, for the libftdi backend's advice
};

struct DriverBackend {
  const char* name;
  const char* summary;
  std::unique_ptr<link::FtDriver> (*create)(DriverContext& context);
};

std::span<const DriverBackend> DriverBackends();
const DriverBackend* FindBackend(std::string_view name);
// The backend `--driver auto` stands for.
std::string AutoBackend();

}  // namespace velmar::frontend
