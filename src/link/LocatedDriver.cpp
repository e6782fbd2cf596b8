// The driver of one USB location.
#include "link/LocatedDriver.h"

namespace velmar::link {

FT_STATUS LocatedDriver::ListDeviceCount(std::uint32_t& count) {
  count = 0;
  shown_.clear();
  lastError_.clear();
  std::uint32_t all = 0;
  if (const FT_STATUS s = inner_.ListDeviceCount(all); s != FT_OK) return s;
  std::string elsewhere;
  for (std::uint32_t index = 0; index < all; ++index) {
    const std::string at = inner_.ListDeviceLocation(index);
    if (at == location_)
      shown_.push_back(index);
    else if (!at.empty() && elsewhere.find(at) == std::string::npos)
      elsewhere += (elsewhere.empty() ? "" : ", ") + at;
  }
  if (shown_.empty() && all > 0)
    lastError_ = "Nothing is plugged in at USB location " + location_ +
                 (elsewhere.empty() ? " (this driver cannot tell where devices are plugged in)"
                                    : " (devices are at " + elsewhere + ")");
  count = std::uint32_t(shown_.size());
  return FT_OK;
}

FT_STATUS LocatedDriver::ListDeviceByIndex(std::uint32_t index, std::uint32_t what, char* buffer, std::size_t size) {
  if (index >= shown_.size()) return FT_DEVICE_NOT_FOUND;
  return inner_.ListDeviceByIndex(shown_[index], what, buffer, size);
}

FT_STATUS LocatedDriver::OpenEx(const char* serial, FT_HANDLE& handle) {
  return inner_.OpenAt(location_, serial, handle);
}

}  // namespace velmar::link
