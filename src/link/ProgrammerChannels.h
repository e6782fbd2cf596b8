// The programmer's interface channels among the listed USB channels: every
// programmer shows its channel with the same description and serial number,
// so several connected at once are told apart only by where each is plugged
// in. The search lists each with its USB location; a run opens the first
// unless it names one (--port).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velmar::link {

class FtDriver;

inline constexpr const char* kProgrammerChannel = "Dual RS232 A";
inline constexpr const char* kProgrammerSerial = "QRXA";

struct ProgrammerChannel {
  std::uint32_t index = 0;  // in the driver's list
  std::string location;     // "1-2.4"; empty when the driver cannot tell
};

// Every programmer channel `driver` lists, in its order.
std::vector<ProgrammerChannel> FindProgrammerChannels(FtDriver& driver);

// What a run says when it opens the first of several programmers: how many,
// where, which one it opens and how to choose another ("" for one or none).
std::string SeveralProgrammersNote(const std::vector<ProgrammerChannel>& channels);

// The locations as a list for messages: "1-2, 1-3.1".
std::string LocationList(const std::vector<ProgrammerChannel>& channels);

}  // namespace velmar::link
