// A driver decorator that counts driver calls and the bytes written and
// read, for the performance figures and for tests that check how much an
// operation sends.
#pragma once

#include <cstdint>

#include "link/FtDriver.h"

namespace velmar::link {

struct DriverCounts {
  std::uint64_t calls = 0;
  std::uint64_t writes = 0;
  std::uint64_t reads = 0;
  std::uint64_t bytesWritten = 0;
  std::uint64_t bytesRead = 0;
};

class CountingDriver final : public FtDriver {
 public:
  explicit CountingDriver(FtDriver& inner) : inner_(inner) {}
  DriverCounts counts;

  std::string Name() const override { return inner_.Name(); }
  std::string Problem() const override { return inner_.Problem(); }
  std::string LastError() const override { return inner_.LastError(); }
  FT_STATUS ListDeviceCount(std::uint32_t& n) override { return ++counts.calls, inner_.ListDeviceCount(n); }
  FT_STATUS ListDeviceByIndex(std::uint32_t i, std::uint32_t w, char* b, std::size_t s) override {
    return ++counts.calls, inner_.ListDeviceByIndex(i, w, b, s);
  }
  FT_STATUS OpenEx(const char* serial, FT_HANDLE& h) override { return ++counts.calls, inner_.OpenEx(serial, h); }
  FT_STATUS Close(FT_HANDLE h) override { return ++counts.calls, inner_.Close(h); }
  FT_STATUS Read(FT_HANDLE h, std::uint8_t* b, std::uint32_t n, std::uint32_t& got) override {
    ++counts.calls, ++counts.reads;
    FT_STATUS s = inner_.Read(h, b, n, got);
    counts.bytesRead += got;
    return s;
  }
  FT_STATUS Write(FT_HANDLE h, const std::uint8_t* b, std::uint32_t n, std::uint32_t& written) override {
    ++counts.calls, ++counts.writes;
    FT_STATUS s = inner_.Write(h, b, n, written);
    counts.bytesWritten += written;
    return s;
  }
  FT_STATUS GetQueueStatus(FT_HANDLE h, std::uint32_t& n) override {
    return ++counts.calls, inner_.GetQueueStatus(h, n);
  }
  FT_STATUS CyclePort(FT_HANDLE h) override { return ++counts.calls, inner_.CyclePort(h); }
  FT_STATUS EE_UARead(FT_HANDLE h, std::uint8_t* b, std::uint32_t n, std::uint32_t& got) override {
    return ++counts.calls, inner_.EE_UARead(h, b, n, got);
  }
  FT_STATUS SetLatencyTimer(FT_HANDLE h, std::uint8_t ms) override {
    return ++counts.calls, inner_.SetLatencyTimer(h, ms);
  }
  FT_STATUS SetBitMode(FT_HANDLE h, std::uint8_t m, std::uint8_t mode) override {
    return ++counts.calls, inner_.SetBitMode(h, m, mode);
  }

 private:
  FtDriver& inner_;
};

}  // namespace velmar::link
