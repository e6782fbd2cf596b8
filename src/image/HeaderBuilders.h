// The header builders: after the family builder, each family's header
// builder writes the option fields of the 160-byte slot header (option
// flags, device identity, configuration and ID bytes, device parameters,
// supply and limit fields) from the job, the device values and the window's
// options. Every byte goes through one primitive, put hex bytes, which reads
// a text two hexadecimal digits per byte, so multi-byte values land high byte
// first. Field offsets come from the slot header layout.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>
#include "image/BuildQuestions.h"

#include "image/SlotJob.h"
#include "slot/SlotHeader.h"

namespace velmar::image {

// The parts of the header's DeviceParams field (bytes 70 to 79) and the
// reserved byte after it.
namespace device_params {
constexpr std::size_t kBase = slot::slot_header::DeviceParams.offset;
constexpr std::size_t kFuseCount = kBase + 0;                                    // 70
constexpr std::size_t kBlockSize = kBase + 1;                                    // 71 (PIC18: 71-72, high byte first)
constexpr std::size_t kBufferSize = kBase + 3;                                   // 73
constexpr std::size_t kEraseCmd = kBase + 4;                                     // 74-75
constexpr std::size_t kFamilyFlags = kBase + 6;                                  // 76
constexpr std::size_t kZero = kBase + 7;                                         // 77
constexpr std::size_t kProgTime = kBase + 8;                                     // 78
constexpr std::size_t kEraseTime = kBase + 9;                                    // 79
constexpr std::size_t kReserved = kBase + slot::slot_header::DeviceParams.size;  // 80, always 0xFF
}  // namespace device_params

// For i from 0 to count - 1, stores the byte written by characters 2i and
// 2i + 1 of `text` (either letter case) at header[offset + i]. Throws
// std::invalid_argument when the text is shorter than 2 x count or holds a
// character that is not a hexadecimal digit.
// `what` names the text in that error (a DEVICES.INI key, say).
void PutHexBytes(std::uint8_t* header, std::size_t offset, std::size_t count, std::string_view text,
                 std::string_view what = "Header value");
// A DEVICES.INI key of the job's device as messages name it:
// "DEVICES.INI [SECTION] KEY".
std::string DeviceKey(const devices::TData& d, std::string_view key);
// `value` as 2 x count hexadecimal digits through PutHexBytes. Throws
// std::invalid_argument when it is negative or does not fit, naming the
// limit and `what` (the field and where its value came from: DeviceKey for
// a DEVICES.INI value) when given.
void PutNumber(std::uint8_t* header, std::size_t offset, std::size_t count, std::int64_t value,
               std::string_view what = {});
// The first `count` bytes of a hexadecimal text; `what` names the text in
// the std::invalid_argument raised when it is too short or not hexadecimal.
std::vector<std::uint8_t> HexTextBytes(std::string_view text, std::size_t count, std::string_view what);

// The result of a header builder: built, or declined when the user said no to
// one of its questions (the texts "ok" and "error", kHeaderOk and
// kHeaderError, before).
enum class HeaderOutcome { built, declined };

// The family's header builder (PIC18F and PIC18 K share one). `header` is
// the 160-byte header image.
HeaderOutcome BuildHeader(int family, SlotJob& job, const BuildOptions& options, BuildQuestions& dialogs,
                          std::uint8_t* header);

HeaderOutcome BuildPic18Header(SlotJob& job, const BuildOptions& options, BuildQuestions& dialogs,
                               std::uint8_t* header);
HeaderOutcome BuildPic18JHeader(SlotJob& job, const BuildOptions& options, std::uint8_t* header);
HeaderOutcome BuildPic16Header(SlotJob& job, const BuildOptions& options, std::uint8_t* header);
HeaderOutcome BuildPic24Header(SlotJob& job, const BuildOptions& options, BuildQuestions& dialogs,
                               std::uint8_t* header);
HeaderOutcome BuildDsPic30Header(SlotJob& job, const BuildOptions& options, std::uint8_t* header);

// Shared steps of the header builders.
namespace header_steps {
// "Limit Programs Allowed": ProductionCount := the count (or 0xFFFF when
// off) and, when `withFlags`, LimitFlags := 0x80 (or 0x00).
void PutLimit(std::uint8_t* header, const BuildOptions& options, bool withFlags);
// The device's identity, erase command and timing bytes shared by every
// family but PIC12/16 (43-44, 74-75, 77, 78, 79 and the reserved byte 80).
void PutDeviceTiming(std::uint8_t* header, const devices::TData& device);
// The question every debugger check asks, with its last line.
std::string DebuggerQuestion(std::string_view lastLine);
}  // namespace header_steps

}  // namespace velmar::image
