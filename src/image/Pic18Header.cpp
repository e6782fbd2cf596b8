// The header builders of the PIC18 families: PIC18F and PIC18 K share one,
// PIC18J has its own. Option bytes are sets of flags, so every flag is
// set with OR: a flag named twice (bulk erase on K22 and K80 parts) stays
// one bit and never carries into its neighbour.
#include <algorithm>
#include <initializer_list>

#include "devices/DeviceDatabase.h"
#include "image/BuildQuestions.h"
#include "image/HeaderBuilders.h"
#include "slot/ProgrammerGeometry.h"

namespace velmar::image {

using namespace slot::slot_header;
namespace dp = device_params;

namespace {

bool TypeIs(const devices::TData& d, std::initializer_list<const char*> types) {
  for (const char* t : types)
    if (d.Type == t) return true;
  return false;
}

// Bytes 71-75, 77-79 and 80, written alike by both PIC18 header builders.
void PutPic18Parameters(std::uint8_t* h, const devices::TData& d) {
  header_steps::PutDeviceTiming(h, d);
  PutNumber(h, dp::kBlockSize, 2, d.BlockSize, DeviceKey(d, "BlockSize"));
  PutNumber(h, dp::kBufferSize, 1, d.BufferSize, DeviceKey(d, "BufferSize"));
}

}  // namespace

HeaderOutcome BuildPic18Header(SlotJob& job, const BuildOptions& o, BuildQuestions& dialogs, std::uint8_t* h) {
  devices::TData& d = job.device;
  const bool k22OrK80 = TypeIs(d, {"K22", "K80"});
  std::uint8_t a = 0, c = 0, dflags = 0x08;

  const bool bulkErase = TypeIs(d, {"D", "E", "K40"}) || (o.vddVisible && !o.vddChecked);
  if (o.matchDeviceId) a |= 0x80;
  if (o.progMode != 0) a |= 0x40;
  if (o.programUserId) a |= 0x20;
  if (bulkErase) a |= 0x10;
  if (!o.verifyConfig) a |= 0x08;
  if (TypeIs(d, {"B", "D", "E", "K22", "K80", "K40"})) a |= 0x02;

  const std::uint8_t b = d.Type == "K22" ? 0x62 : d.Type == "K80" ? 0x74 : 0xA9;

  if (o.familyIndex == devices::fam_PIC18K) c |= 0x20;
  if (k22OrK80) {
    c |= 0x04;
    dflags |= 0x80;
    if (o.bootSave) c |= 0x02;
    if (o.progMode == 0) c |= 0x10;
    a |= 0x10;
  }
  PutNumber(h, dp::kFamilyFlags, 1, d.EraseBlocks, DeviceKey(d, "EraseBlocks"));
  if (d.Type == "E" && o.progMode == 0) c |= 0x10;

  if (o.e2SkipFF) {
    a |= 0x01;
    d.EraseCMD = "8B0F";
  }
  if (o.dataSave) c |= 0x40;
  if (slot::KindRow(o.programmerKind).ppLed && o.ppLedOn) c |= 0x01;
  if (d.Type == "K40") dflags |= 0x01;

  // The background debugger bit is active low: DEBUG in CONFIG4L, or in the
  // second configuration word on K40 parts.
  const std::size_t debugByte = d.Type == "K40" ? 3 : 6;
  const std::uint8_t debugBit = d.Type == "K40" ? 0x20 : 0x80;
  if ((job.config[debugByte] & debugBit) == 0 &&
      dialogs.AskYesNo(header_steps::DebuggerQuestion("Do you want to switch DEBUG Off?")))
    job.config[debugByte] |= debugBit;

  std::copy_n(job.id.begin(), 8, h + AuxDataStart.offset);
  if (job.idCount < 9) {
    PutNumber(h, ExtraConfigCount.offset, 1, 0);
  } else {
    PutNumber(
        h, ExtraConfigCount.offset, 1, std::uint32_t(job.idCount - 8) / 2,
        "the extra configuration count, from the " + std::to_string(job.idCount) + " ID bytes of " + job.userFile);
    std::copy_n(job.id.begin() + 8, 8, h + ExtraConfig.offset);
  }
  std::copy_n(job.config.begin(), 8, h + ConfigBytes.offset);
  std::copy_n(job.protection.begin(), kProtectionByteCount, h + ConfigBytes.offset + 8);
  PutNumber(h, dp::kFuseCount, 1, d.FuseCount, DeviceKey(d, "FuseCount"));

  PutNumber(h, SupplyFlag.offset, 1, !o.vddVisible || o.vddChecked ? 0xA9 : 0xFF);
  header_steps::PutLimit(h, o, true);

  PutNumber(h, OptionFlagsA.offset, 1, a);
  PutNumber(h, OptionFlagsB.offset, 1, b);
  PutPic18Parameters(h, d);
  PutNumber(h, OptionFlagsC.offset, 1, c);
  PutNumber(h, OptionFlagsD.offset, 1, dflags);
  PutNumber(h, ErrorRepeat.offset, 1, std::uint32_t(o.errorRepeat));
  return HeaderOutcome::built;
}

HeaderOutcome BuildPic18JHeader(SlotJob& job, const BuildOptions& o, std::uint8_t* h) {
  const devices::TData& d = job.device;
  const bool j94 = d.Type == "J94";
  std::uint8_t a = 0x12, c = 0x80, dflags = 0x08;
  if (o.matchDeviceId) a |= 0x80;
  if (o.resetPulse) c |= 0x08;
  if (slot::KindRow(o.programmerKind).ppLed && o.ppLedOn) c |= 0x01;
  if (j94) {
    c |= 0x04;
    dflags |= 0x40;
  }
  // The header carries the mask the builder applied, not the file's bytes.
  PutHexBytes(h, ConfigBytes.offset, 8, d.Fuses, DeviceKey(d, "Fuses"));
  PutNumber(h, dp::kFamilyFlags, 1, 0x00);
  PutNumber(h, SupplyFlag.offset, 1, 0xA9);
  header_steps::PutLimit(h, o, true);

  PutNumber(h, OptionFlagsA.offset, 1, a);
  PutNumber(h, OptionFlagsB.offset, 1, 0xA9);
  PutPic18Parameters(h, d);
  PutNumber(h, OptionFlagsC.offset, 1, c);
  PutNumber(h, OptionFlagsD.offset, 1, dflags);
  PutNumber(h, ErrorRepeat.offset, 1, std::uint32_t(o.errorRepeat));
  return HeaderOutcome::built;
}

}  // namespace velmar::image
