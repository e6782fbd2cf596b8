// The backend table.
#include "frontend/DriverRegistry.h"

#include <stdexcept>

#include "link/ConnectionCheck.h"
#include "link/D2xxLibraryDriver.h"
#include "link/LibFtdiDriver.h"
#include "sim/SimDriver.h"

namespace velmar::frontend {

namespace {

std::unique_ptr<link::FtDriver> MakeSim(DriverContext& c) {
  if (!c.simState) throw std::invalid_argument("the simulated programmer needs a state");
  return std::make_unique<sim::SimDriver>(std::move(*c.simState), c.clock, c.virtualClock);
}

std::unique_ptr<link::FtDriver> MakeLibFtdi(DriverContext& c) {
  return std::make_unique<link::LibFtdiDriver>(
      link::MakeLibFtdiCalls([root = c.udevRoot] { return !link::FindUdevRule(root).empty(); }));
}

std::unique_ptr<link::FtDriver> MakeD2xx(DriverContext&) { return std::make_unique<link::D2xxLibraryDriver>(); }

#ifdef _WIN32
constexpr const char* kD2xxDescription = "USB interface through FTDI's D2XX library (ftd2xx.dll)";
#else
constexpr const char* kD2xxDescription = "USB interface through FTDI's D2XX library (libftd2xx.so)";
#endif

const DriverBackend kBackends[] = {
    {"sim", "the simulated programmer", MakeSim},
    {"libftdi", "USB interface through libftdi1", MakeLibFtdi},
    {"d2xx", kD2xxDescription, MakeD2xx},
};

}  // namespace

std::span<const DriverBackend> DriverBackends() { return kBackends; }

const DriverBackend* FindBackend(std::string_view name) {
  for (const DriverBackend& b : kBackends)
    if (name == b.name) return &b;
  return nullptr;
}

std::string AutoBackend() {
#ifdef VELMAR_HAVE_LIBFTDI
  return link::D2xxLibraryDriver::Loadable() ? "d2xx" : "libftdi";
#else
  return "d2xx";  // the only road to the hardware in this build (Windows)
#endif
}

}  // namespace velmar::frontend
