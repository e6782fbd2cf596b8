// The header builders of the 16-bit families: one for every PIC24 type and
// one for dsPIC30. Option bytes are sets of flags, set with OR.
#include <algorithm>

#include "image/BuildQuestions.h"
#include "image/HeaderBuilders.h"
#include "platform/Text.h"

namespace velmar::image {

using namespace slot::slot_header;
namespace dp = device_params;

namespace {

// Bytes written alike by both builders: identity, erase command, timing,
// row and buffer sizes, limit, option bytes and the error repeat count.
void PutCommon(std::uint8_t* h, const devices::TData& d, const BuildOptions& o, std::uint8_t a, std::uint8_t b,
               std::uint8_t c) {
  // One byte: the value itself below 0x100, else its first two hex digits.
  PutHexBytes(h, dp::kBlockSize, 1, text::IntToHex(d.BlockSize, 2));
  PutNumber(h, dp::kBufferSize, 1, d.BufferSize, DeviceKey(d, "BufferSize"));
  header_steps::PutLimit(h, o, false);
  header_steps::PutDeviceTiming(h, d);
  PutNumber(h, OptionFlagsA.offset, 1, a);
  PutNumber(h, OptionFlagsB.offset, 1, b);
  PutNumber(h, OptionFlagsC.offset, 1, c);
  PutNumber(h, OptionFlagsD.offset, 1, 0x08);
  PutNumber(h, ErrorRepeat.offset, 1, std::uint32_t(o.errorRepeat));
}

void PutConfig(std::uint8_t* h, const SlotJob& job, std::size_t count) {
  std::copy_n(job.config.begin(), std::min(count, job.config.size()), h + ConfigBytes.offset);
}

}  // namespace

HeaderOutcome BuildPic24Header(SlotJob& job, const BuildOptions& o, BuildQuestions& dialogs, std::uint8_t* h) {
  const devices::TData& d = job.device;
  const std::string& type = d.Type;
  const bool fj = type == "24FJ" || type == "24FJ-GA4";

  std::uint8_t a = 0, b = 0, c = 0;
  if (o.matchDeviceId) a |= 0x80;
  if (o.progModeVisible && type == "24KA" && o.progMode == 1) c |= 0x20;
  a |= 0x10;
  if (!o.verifyConfig) a |= 0x08;
  if (o.resetPulse) c |= 0x08;
  if (type == "24FJ-GA4" && job.auxiliary) a |= 0x20;

  if (fj) {
    b |= 0x80 | 0x20;
    if (d.DAset) b |= 0x40;
  }
  if (type == "24KA") b |= 0x80;
  if (d.EEPROMSIZE > 0 && !job.dataFileName.empty()) b |= 0x10;
  if (type == "24FJ-GA4") b |= 0x08;

  if (type == "24KA") PutNumber(h, dp::kFamilyFlags, 1, 0x22);
  if (type == "24FJ") PutNumber(h, dp::kFamilyFlags, 1, 0x20);
  if (type == "24FJ-GA4") PutNumber(h, dp::kFamilyFlags, 1, 0x24);

  // Debugger checks (the debugger bits are active low).
  if (type == "24KA" && (job.config[7] & 0x80) == 0 &&
      dialogs.AskYesNo(header_steps::DebuggerQuestion("Do you want to switch DEBUG Off?")))
    job.config[7] |= 0x80;
  if (type == "24FJ" && d.FuseCount > 0 && std::size_t(2 * d.FuseCount) <= job.config.size()) {
    std::uint8_t& last = job.config[std::size_t(2 * d.FuseCount - 1)];
    if ((last & 0x08) == 0) {
      if (!dialogs.AskYesNo(header_steps::DebuggerQuestion("Do you want to continue?"))) return HeaderOutcome::declined;
      last |= 0x08;
    }
  }

  PutConfig(h, job, std::size_t(type == "24FJ" ? 2 * d.FuseCount : d.FuseCount));
  PutNumber(h, dp::kFuseCount, 1, d.FuseCount, DeviceKey(d, "FuseCount"));
  PutCommon(h, d, o, a, b, c);
  PutNumber(h, SupplyFlag.offset, 1, 0xB8);
  return HeaderOutcome::built;
}

HeaderOutcome BuildDsPic30Header(SlotJob& job, const BuildOptions& o, std::uint8_t* h) {
  const devices::TData& d = job.device;
  std::uint8_t a = 0x40, b = 0, c = 0x02;
  if (o.matchDeviceId) a |= 0x80;
  if (job.auxiliary) a |= 0x20;
  if (!o.vddChecked) a |= 0x10;
  if (!o.verifyConfig) a |= 0x08;
  if (o.resetPulse) c |= 0x08;
  if (o.dataSave) c |= 0x40;
  if (d.EEPROMSIZE > 0 && !job.dataFileName.empty()) b |= 0x10;
  if (d.Type == "24FJ-GA4") b |= 0x08;

  PutNumber(h, dp::kFamilyFlags, 1, 0x23);
  PutConfig(h, job, std::size_t(d.FuseCount));
  PutNumber(h, dp::kFuseCount, 1, d.FuseCount / 2, "half of " + DeviceKey(d, "FuseCount"));
  PutNumber(h, SupplyFlag.offset, 1, o.vddChecked ? 0xA9 : 0xFF);
  PutCommon(h, d, o, a, b, c);
  return HeaderOutcome::built;
}

}  // namespace velmar::image
