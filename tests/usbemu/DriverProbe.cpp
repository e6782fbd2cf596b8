// A driver exercised directly, for the USB emulation tests: velmar-cli never
// cycles the port and its queue queries hide among many other calls, so this
// small program opens the programmer's channel through one backend and does
// only what it is told.
//
//   usbemu_driver_probe libftdi|d2xx cycle     open, FT_CyclePort, close
//   usbemu_driver_probe libftdi|d2xx queue N   open, N queue queries, close
//   usbemu_driver_probe libftdi|d2xx flood N   open, MPSSE on, N clock-ins in
//                                              one write, nothing read, close
//
// Prints one line per call ("CALL -> STATUS") and exits 0 when every call
// succeeded.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "frontend/DriverRegistry.h"
#include "platform/Clock.h"

int main(int argc, char** argv) {
  using namespace velmar;
  if (argc < 3) {
    std::fprintf(stderr, "usage: usbemu_driver_probe libftdi|d2xx cycle | queue N | reopen\n");
    return 2;
  }
  const frontend::DriverBackend* backend = frontend::FindBackend(argv[1]);
  if (!backend) return 2;
  platform::RealClock clock;
  frontend::DriverContext context{clock, nullptr, nullptr};
  std::unique_ptr<link::FtDriver> driver = backend->create(context);
  int failures = 0;
  auto report = [&](const char* call, link::FT_STATUS s) {
    std::printf("%s -> %u\n", call, unsigned(s));
    if (s != link::FT_OK) {
      ++failures;
      if (!driver->LastError().empty()) std::printf("  %s\n", driver->LastError().c_str());
    }
  };
  std::uint32_t count = 0;
  report("FT_ListDevices", driver->ListDeviceCount(count));
  link::FT_HANDLE handle = nullptr;
  report("FT_OpenEx", driver->OpenEx("QRXA", handle));
  if (!handle) return 1;
  const std::string action = argv[2];
  if (action == "cycle") {
    report("FT_CyclePort", driver->CyclePort(handle));
  } else if (action == "reopen") {
    // MPSSE mode and line levels set, the channel closed and opened again:
    // the pins are read without setting the mode anew.
    report("FT_SetBitMode", driver->SetBitMode(handle, 0x3B, 2));
    const std::uint8_t lines[] = {0x80, 0x16, 0x33};
    std::uint32_t written = 0;
    report("FT_Write", driver->Write(handle, lines, 3, written));
    report("FT_Close", driver->Close(handle));
    report("FT_OpenEx", driver->OpenEx("QRXA", handle));
    const std::uint8_t readPins[] = {0x81, 0x87};
    report("FT_Write", driver->Write(handle, readPins, 2, written));
    std::uint8_t pins = 0;
    std::uint32_t got = 0;
    report("FT_Read", driver->Read(handle, &pins, 1, got));
    std::printf("pins %s\n", got == 1 ? std::to_string(pins).c_str() : "none");
  } else if (action == "queue" && argc > 3) {
    for (int i = 0, n = std::atoi(argv[3]); i < n; ++i) {
      std::uint32_t queued = 0;
      link::FT_STATUS s = driver->GetQueueStatus(handle, queued);
      if (s != link::FT_OK) report("FT_GetQueueStatus", s);
    }
  } else if (action == "flood" && argc > 3) {
    report("FT_SetBitMode", driver->SetBitMode(handle, 0x3B, 2));
    std::vector<std::uint8_t> clockIns;
    for (int i = 0, n = std::atoi(argv[3]); i < n; ++i) clockIns.insert(clockIns.end(), {0x20, 0x00, 0x00});
    std::uint32_t written = 0;
    report("FT_Write", driver->Write(handle, clockIns.data(), std::uint32_t(clockIns.size()), written));
    std::printf("written %u\n", unsigned(written));
  } else {
    return 2;
  }
  report("FT_Close", driver->Close(handle));
  return failures == 0 ? 0 : 1;
}
