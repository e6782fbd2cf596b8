// Finding the programmer channels.
#include "link/ProgrammerChannels.h"

#include <array>

#include "link/FtDriver.h"

namespace velmar::link {

namespace {

std::string Listed(FtDriver& driver, std::uint32_t index, std::uint32_t what) {
  std::array<char, kDescriptionBufferSize + 1> buffer{};
  if (driver.ListDeviceByIndex(index, what, buffer.data(), kDescriptionBufferSize) != FT_OK) return {};
  return std::string(buffer.data());
}

}  // namespace

std::vector<ProgrammerChannel> FindProgrammerChannels(FtDriver& driver) {
  std::vector<ProgrammerChannel> found;
  std::uint32_t count = 0;
  if (!driver.Problem().empty() || driver.ListDeviceCount(count) != FT_OK) return found;
  for (std::uint32_t index = 0; index < count; ++index) {
    if (Listed(driver, index, FT_OPEN_BY_DESCRIPTION) != kProgrammerChannel) continue;
    if (Listed(driver, index, FT_OPEN_BY_SERIAL_NUMBER) != kProgrammerSerial) continue;
    found.push_back({index, driver.ListDeviceLocation(index)});
  }
  return found;
}

std::string LocationList(const std::vector<ProgrammerChannel>& channels) {
  std::string text;
  for (const ProgrammerChannel& c : channels)
    text += (text.empty() ? "" : ", ") + (c.location.empty() ? std::string("(unknown)") : c.location);
  return text;
}

std::string SeveralProgrammersNote(const std::vector<ProgrammerChannel>& channels) {
  if (channels.size() < 2) return {};
  const std::string first = channels[0].location.empty() ? "the first found" : channels[0].location;
  return std::to_string(channels.size()) + " programmers are connected (at " + LocationList(channels) + "); using " +
         first + ". Choose one with --port LOCATION.";
}

}  // namespace velmar::link
