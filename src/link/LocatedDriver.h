// A driver that shows only the interface chip at one USB location (--port):
// its channels are the only ones listed, and opening one by serial number
// opens it there, whichever other programmer of the same serial number was
// plugged in first. Every other call goes to the backend unchanged.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "link/FtDriver.h"

namespace velmar::link {

class LocatedDriver final : public FtDriver {
 public:
  LocatedDriver(FtDriver& inner, std::string location) : inner_(inner), location_(std::move(location)) {}

  std::string Name() const override { return inner_.Name(); }
  std::string Problem() const override { return inner_.Problem(); }
  std::string LastError() const override { return lastError_.empty() ? inner_.LastError() : lastError_; }

  FT_STATUS ListDeviceCount(std::uint32_t& count) override;
  FT_STATUS ListDeviceByIndex(std::uint32_t index, std::uint32_t what, char* buffer, std::size_t size) override;
  FT_STATUS OpenEx(const char* serial, FT_HANDLE& handle) override;
  FT_STATUS Close(FT_HANDLE h) override { return inner_.Close(h); }
  FT_STATUS Read(FT_HANDLE h, std::uint8_t* b, std::uint32_t n, std::uint32_t& got) override {
    return inner_.Read(h, b, n, got);
  }
  FT_STATUS Write(FT_HANDLE h, const std::uint8_t* b, std::uint32_t n, std::uint32_t& written) override {
    return inner_.Write(h, b, n, written);
  }
  FT_STATUS GetQueueStatus(FT_HANDLE h, std::uint32_t& rx) override { return inner_.GetQueueStatus(h, rx); }
  FT_STATUS CyclePort(FT_HANDLE h) override { return inner_.CyclePort(h); }
  FT_STATUS EE_UARead(FT_HANDLE h, std::uint8_t* b, std::uint32_t n, std::uint32_t& got) override {
    return inner_.EE_UARead(h, b, n, got);
  }
  FT_STATUS SetLatencyTimer(FT_HANDLE h, std::uint8_t ms) override { return inner_.SetLatencyTimer(h, ms); }
  FT_STATUS SetBitMode(FT_HANDLE h, std::uint8_t mask, std::uint8_t mode) override {
    return inner_.SetBitMode(h, mask, mode);
  }
  std::string ListDeviceLocation(std::uint32_t index) override {
    return index < shown_.size() ? location_ : std::string();
  }
  FT_STATUS OpenAt(const std::string& location, const char* serial, FT_HANDLE& handle) override {
    return inner_.OpenAt(location, serial, handle);
  }

  const std::string& Location() const { return location_; }

 private:
  FtDriver& inner_;
  std::string location_;
  std::vector<std::uint32_t> shown_;  // the backend's indices of the channels at location_
  std::string lastError_;
};

}  // namespace velmar::link
