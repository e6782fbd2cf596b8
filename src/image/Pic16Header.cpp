// The header builder of the PIC12F-16F family. The programming algorithm
// (`Column`) and the program-options choice decide the program-options byte
// and the bulk-erase flag; the option bytes are sets of flags, so every flag
// is set with OR and a flag named twice stays one bit.
#include <algorithm>

#include "devices/Algorithm.h"
#include "image/HeaderBuilders.h"
#include "platform/Text.h"
#include "slot/ProgrammerGeometry.h"

namespace velmar::image {

using namespace slot::slot_header;
namespace dp = device_params;

namespace {

using enum devices::AlgorithmColumn;
using devices::ColumnIn;

struct ProgramOption {
  std::uint8_t p;
  enum { Clear, Set, Keep } bulkErase;
};

// The program-options byte by the `ProgramOps` entry and the algorithm.
ProgramOption ProgramOptionFor(int ops, int column) {
  switch (ops) {
    case 0:
      if (column == alg_Default) return {0xDD, ProgramOption::Clear};
      if (ColumnIn(column, {alg_PIC12F629, alg_PIC16F62xA})) return {0x1D, ProgramOption::Set};
      if (ColumnIn(column, {alg_PIC16F7x, alg_PIC16F5x, alg_PIC16F505, alg_Column10, alg_Column14}))
        return {0x8D, ProgramOption::Set};
      if (column == alg_PIC16F87xA) return {0x9D, ProgramOption::Clear};
      if (ColumnIn(column, {alg_PIC16F88, alg_PIC16F1xxx, alg_Column13})) return {0x9D, ProgramOption::Set};
      if (ColumnIn(column, {alg_PIC16F684, alg_PIC16F88x})) return {0x0D, ProgramOption::Set};
      if (column == alg_PIC16F150x) return {0x00, ProgramOption::Set};
      return {0x00, ProgramOption::Keep};  // alg_Column11, or a number past the list
    case 1:
      return {0x18, ColumnIn(column, {alg_PIC16F88, alg_PIC16F1xxx, alg_Column13}) ? ProgramOption::Set
                                                                                   : ProgramOption::Clear};
    case 2:
      if (ColumnIn(column, {alg_PIC16F87xA, alg_PIC16F88, alg_PIC16F1xxx, alg_Column13}))
        return {0x25, ProgramOption::Clear};
      if (ColumnIn(column, {alg_PIC16F5x, alg_PIC16F505, alg_Column10})) return {0x8D, ProgramOption::Set};
      if (column == alg_Column11 || column > alg_Column13) return {0x00, ProgramOption::Clear};
      return {0x24, ProgramOption::Clear};  // alg_Default to alg_PIC16F62xA, alg_PIC16F684, alg_PIC16F88x
    default: return {0x00, ProgramOption::Keep};
  }
}

// The algorithm code the programmer knows for byte 76.
int AlgorithmCode(int column) {
  switch (column) {
    case alg_PIC16F1xxx: return alg_PIC16F88;
    case alg_Column13: return alg_PIC16F87xA;
    case alg_Column14: return alg_Column11;
    case alg_PIC16F150x: return alg_PIC16F88;
    default: return column;
  }
}

}  // namespace

HeaderOutcome BuildPic16Header(SlotJob& job, const BuildOptions& o, std::uint8_t* h) {
  const devices::TData& d = job.device;
  const int column = d.Column;
  const bool highVpp = devices::NeedsHighVpp(column);

  std::uint8_t dflags = 0x08;
  if (text::Contains(d.DeviceName, "183")) dflags |= 0x04;

  std::uint8_t a = 0x04;
  if (o.matchDeviceId && d.DeviceID != "FFFF") a |= 0x80;
  if (o.progMode != 0) a |= 0x40;
  if (o.programUserId) a |= 0x20;
  if (o.bulkErase) a |= 0x10;
  if (column == alg_PIC16F150x) a |= 0x10;
  if (!o.verifyConfig) a |= 0x08;
  if (ColumnIn(column, {alg_PIC16F88, alg_PIC16F5x, alg_Column11, alg_PIC16F1xxx, alg_Column13, alg_PIC16F150x}) ||
      (ColumnIn(column, {alg_PIC12F629, alg_PIC16F87xA}) && !o.vdd1st))
    a |= 0x02;
  if (d.ID14Bit) a |= 0x01;

  const ProgramOption option = ProgramOptionFor(o.programOps, column);
  std::uint8_t p = option.p;
  if (option.bulkErase == ProgramOption::Set) a |= 0x10;
  if (option.bulkErase == ProgramOption::Clear) a &= std::uint8_t(~0x10);
  if (o.programUserId) p |= 0x02;

  std::uint8_t c = 0x00;
  if (highVpp) {
    c |= 0x20;
    if (o.progMode == 0) c |= 0x10;
  }
  if (slot::KindRow(o.programmerKind).ppLed && o.ppLedOn) c |= 0x01;
  if (column == alg_Column14) c |= 0x01;
  if (column == alg_PIC16F150x) c |= 0x04;

  if (o.dataSave) {
    c |= 0x40;
    slot::PutField(h, DataLength, std::uint32_t(d.EEPROMSIZE));
    // Marks the job as having data so that the assembly keeps a data part.
    if (job.dataFileName.empty()) job.dataFileName = piece::kFlash;
  }
  header_steps::PutLimit(h, o, true);

  const bool supply33 = d.is3Vonly || (o.vddVisible && o.vddChecked);
  PutNumber(h, SupplyFlag.offset, 1, highVpp && supply33 ? 0xA9 : 0xFF);

  PutNumber(h, dp::kReserved, 1, 0xFF);
  PutNumber(h, OptionFlagsA.offset, 1, a);
  PutNumber(h, dp::kFuseCount, 1, d.FuseCount, DeviceKey(d, "FuseCount"));
  const std::size_t cfg = ConfigBytes.offset;
  std::copy_n(job.config.begin(), 2, h + cfg);
  if (d.FuseCount > 2) std::copy_n(job.config.begin() + 2, 2, h + cfg + 2);
  if (d.FuseCount > 4) std::copy_n(job.config.begin() + 4, 2, h + cfg + 4);
  if (d.FuseCount > 7) std::copy_n(job.config.begin() + 6, 2, h + cfg + 6);
  if (d.FuseCount == 10) std::copy_n(job.config.begin() + 8, 2, h + cfg + 8);
  std::copy_n(job.id.begin(), 8, h + AuxDataStart.offset);
  PutHexBytes(h, DeviceId.offset, 2, d.DeviceID, DeviceKey(d, "DeviceID"));

  PutNumber(h, dp::kFamilyFlags, 1, std::uint32_t(AlgorithmCode(column)));

  PutNumber(h, OptionFlagsB.offset, 1, p);
  PutNumber(h, OptionFlagsC.offset, 1, c);
  PutNumber(h, OptionFlagsD.offset, 1, dflags);
  PutNumber(h, ErrorRepeat.offset, 1, std::uint32_t(o.errorRepeat));
  PutNumber(h, dp::kZero, 1, 0x00);
  PutNumber(h, RowHalf.offset, 1, d.RowSize, DeviceKey(d, "RowSize"));
  return HeaderOutcome::built;
}

}  // namespace velmar::image
