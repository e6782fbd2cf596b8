// The timing and unplug settings, read once from the environment.
#include "EmulationOptions.h"

#include <cstdlib>
#include <string>

namespace velmar::usbemu {

namespace {
std::uint64_t g_calls = 0;
bool g_unplugged = false;

EmulationOptions Read() {
  EmulationOptions o;
  const char* timing = std::getenv("VELMAR_USB_EMU_TIMING");
  o.pessimistic = timing && std::string(timing) == "pessimistic";
  const char* faults = std::getenv("VELMAR_USB_EMU_FAULT");
  const std::string f = faults ? std::string(",") + faults : "";
  const std::string key = ",unplug-after=";
  const std::size_t at = f.find(key);
  if (at != std::string::npos) o.unplugAfter = std::atoll(f.c_str() + at + key.size());
  return o;
}
}  // namespace

const EmulationOptions& Options() {
  static const EmulationOptions options = Read();
  return options;
}

bool ReachDevice() {
  if (g_unplugged) return false;
  ++g_calls;
  const std::int64_t after = Options().unplugAfter;
  if (after >= 0 && std::int64_t(g_calls) > after) g_unplugged = true;
  return !g_unplugged;
}

bool Unplugged() { return g_unplugged; }
std::uint64_t DeviceCalls() { return g_calls; }

std::uint64_t BulkFloorUs(bool highSpeed) { return Options().pessimistic ? (highSpeed ? 250 : 1000) : 0; }
std::uint64_t ControlFloorUs() { return Options().pessimistic ? 3000 : 0; }

}  // namespace velmar::usbemu
