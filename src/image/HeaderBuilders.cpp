// Put hex bytes, the shared header steps and the choice of a family's
// header builder.
#include "image/HeaderBuilders.h"

#include <algorithm>

#include "devices/DeviceDatabase.h"
#include "image/Useful.h"
#include "platform/Text.h"

namespace velmar::image {

using namespace slot::slot_header;

std::vector<std::uint8_t> HexTextBytes(std::string_view text, std::size_t count, std::string_view what) {
  std::vector<std::uint8_t> bytes(count);
  for (std::size_t i = 0; i < count; ++i) {
    if (2 * i + 2 > text.size() || !IsHexDigit(text[2 * i]) || !IsHexDigit(text[2 * i + 1]))
      throw std::invalid_argument(std::string(what) + " \"" + std::string(text) + "\" is not a hexadecimal text of " +
                                  std::to_string(count) + " bytes");
    bytes[i] = HexPairToByte(text.substr(2 * i, 2));
  }
  return bytes;
}

void PutHexBytes(std::uint8_t* header, std::size_t offset, std::size_t count, std::string_view text,
                 std::string_view what) {
  if (offset + count > kSize) throw std::invalid_argument("header bytes beyond the 160-byte header");
  const std::vector<std::uint8_t> bytes = HexTextBytes(text, count, what);
  std::copy(bytes.begin(), bytes.end(), header + offset);
}

std::string DeviceKey(const devices::TData& d, std::string_view key) {
  return "DEVICES.INI [" + d.DeviceName + "] " + std::string(key);
}

void PutNumber(std::uint8_t* header, std::size_t offset, std::size_t count, std::int64_t value, std::string_view what) {
  const std::uint64_t most = (std::uint64_t(1) << (8 * std::min<std::size_t>(count, 4))) - 1;
  if (value < 0 || std::uint64_t(value) > most)
    throw std::invalid_argument("The value " + std::to_string(value) + " does not fit " + std::to_string(count) +
                                " header byte(s) (at most " + std::to_string(most) + ")" +
                                (what.empty() ? std::string() : " of " + std::string(what)));
  PutHexBytes(header, offset, count, text::IntToHex(std::uint64_t(value), int(2 * count)));
}

namespace header_steps {

void PutLimit(std::uint8_t* header, const BuildOptions& o, bool withFlags) {
  if (o.limitPrograms) {
    if (withFlags) PutNumber(header, LimitFlags.offset, 1, 0x80);
    PutNumber(header, ProductionCount.offset, 2, std::uint32_t(o.progCount));
  } else {
    if (withFlags) PutNumber(header, LimitFlags.offset, 1, 0x00);
    PutHexBytes(header, ProductionCount.offset, 2, "FFFF");
  }
}

void PutDeviceTiming(std::uint8_t* header, const devices::TData& d) {
  PutNumber(header, device_params::kReserved, 1, 0xFF);
  PutHexBytes(header, DeviceId.offset, 2, d.DeviceID, DeviceKey(d, "DeviceID"));
  PutHexBytes(header, device_params::kEraseCmd, 2, d.EraseCMD, DeviceKey(d, "EraseCMD"));
  PutNumber(header, device_params::kZero, 1, 0x00);
  PutNumber(header, device_params::kProgTime, 1, d.ProgTime, DeviceKey(d, "ProgTime"));
  PutNumber(header, device_params::kEraseTime, 1, d.EraseTime, DeviceKey(d, "EraseTime"));
}

std::string DebuggerQuestion(std::string_view lastLine) {
  return "Background Debugger is Enabled in\rConfiguration Bytes in Hex File.\rThis may affect your code "
         "operation\r\r" +
         std::string(lastLine) + "\r";
}

}  // namespace header_steps

HeaderOutcome BuildHeader(int family, SlotJob& job, const BuildOptions& options, BuildQuestions& dialogs,
                          std::uint8_t* header) {
  switch (family) {
    case devices::fam_PIC18F:
    case devices::fam_PIC18K: return BuildPic18Header(job, options, dialogs, header);
    case devices::fam_PIC12F16F: return BuildPic16Header(job, options, header);
    case devices::fam_PIC18J: return BuildPic18JHeader(job, options, header);
    case devices::fam_PIC24F: return BuildPic24Header(job, options, dialogs, header);
    case devices::fam_dsPIC30: return BuildDsPic30Header(job, options, header);
    default: throw std::invalid_argument("No slot can be built for family " + std::to_string(family));
  }
}

}  // namespace velmar::image
