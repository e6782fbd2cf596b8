// The d2xx backend: FTDI's own D2XX library, loaded at run time from
// libftd2xx.so (ftd2xx.dll on Windows) when the user has installed it. Nothing is linked against it;
// when it is absent the backend says so plainly when it is used. Reads get a
// time-out (FT_SetTimeouts) as soon as a device is opened. Calls the link
// can do without (FT_CyclePort) are looked up when first used, so a library
// that lacks one still works.
#pragma once

#include <memory>
#include <string>

#include "link/FtDriver.h"

namespace velmar::platform {
class SharedLibrary;
}

namespace velmar::link {

// A D2XX location id as a USB location: its hexadecimal digits are the bus
// and then the port path (0x124: "1-2.4"); "" for an id of fewer digits.
std::string LocIdText(std::uint32_t locId);

class D2xxLibraryDriver final : public FtDriver {
 public:
  // Tries `libraryName`, then the platform's names (libftd2xx.so and
  // libftd2xx.so.1; ftd2xx.dll on Windows).
  explicit D2xxLibraryDriver(const std::string& libraryName = {}, std::uint32_t readTimeoutMs = 1000);
  ~D2xxLibraryDriver() override;

  // True when the library can be loaded (used by --driver auto).
  static bool Loadable();
  // The library's file name on this platform, for messages.
  static std::string LibraryFileName();

  std::string Name() const override { return "d2xx"; }
  std::string Problem() const override { return problem_; }
  std::string LastError() const override { return lastError_; }

  FT_STATUS ListDeviceCount(std::uint32_t& count) override;
  FT_STATUS ListDeviceByIndex(std::uint32_t index, std::uint32_t what, char* buffer, std::size_t size) override;
  FT_STATUS OpenEx(const char* serial, FT_HANDLE& handle) override;
  FT_STATUS Close(FT_HANDLE handle) override;
  FT_STATUS Read(FT_HANDLE handle, std::uint8_t* buffer, std::uint32_t count, std::uint32_t& got) override;
  FT_STATUS Write(FT_HANDLE handle, const std::uint8_t* buffer, std::uint32_t count, std::uint32_t& written) override;
  FT_STATUS GetQueueStatus(FT_HANDLE handle, std::uint32_t& rxBytes) override;
  FT_STATUS CyclePort(FT_HANDLE handle) override;
  FT_STATUS EE_UARead(FT_HANDLE handle, std::uint8_t* buffer, std::uint32_t size, std::uint32_t& got) override;
  FT_STATUS SetLatencyTimer(FT_HANDLE handle, std::uint8_t ms) override;
  FT_STATUS SetBitMode(FT_HANDLE handle, std::uint8_t mask, std::uint8_t mode) override;
  std::string ListDeviceLocation(std::uint32_t index) override;
  FT_STATUS OpenAt(const std::string& location, const char* serial, FT_HANDLE& handle) override;

 private:
  // The library's location id of listed channel `index`.
  FT_STATUS LocationId(std::uint32_t index, std::uint32_t& locId);
  struct Api;
  std::unique_ptr<Api> api_;
  std::unique_ptr<platform::SharedLibrary> library_;
  std::string problem_;
  std::string lastError_;
  std::uint32_t readTimeoutMs_;
};

}  // namespace velmar::link
