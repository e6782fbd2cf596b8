// The slot image assembly. It works on copies of the header and the record
// and a slot image of its own, and hands them over only when everything has
// succeeded.
#include "image/SlotAssembly.h"

#include <algorithm>
#include <vector>

#include "devices/DeviceDatabase.h"
#include "image/BuildQuestions.h"
#include "image/DeviceLimits.h"
#include "image/TFileLoader.h"
#include "image/THexList.h"
#include "platform/Paths.h"
#include "slot/ProgrammerGeometry.h"
#include "slot/SlotHeader.h"
#include "slot/TProgramEntry.h"

namespace velmar::image {

using namespace slot::slot_header;

namespace {

constexpr const char* kSizeTitle = "File Size Warning";

// The 16-bit types whose header lengths count 16-bit program addresses.
bool CountsProgramAddresses(const std::string& type) {
  return type == "24FJ" || type == "24FJ-GA4" || type == "ds30" || type == "24KA";
}

std::uint32_t RoundUp(std::uint32_t value, std::uint32_t unit) {
  return unit == 0 ? value : (value + unit - 1) / unit * unit;
}

// One past the highest byte that is not 0xFF (0 when there is none).
std::uint32_t HighestUsed(const THexList& image) { return std::uint32_t(image.LastUsedByte() + 1); }

// Loads a piece whose place in the slot holds `room` bytes; data beyond
// them would be lost (or, for data memory, counted without being carried),
// so it is an error.
void LoadPiece(const SlotJob& job, const char* name, THexList& image, const std::string& what, std::uint32_t room) {
  if (TFileLoader::LoadFile(job.PiecePath(name), image).Failed() || HighestUsed(image) > room)
    throw EImageError(job.userFile + " holds data outside " + what + " (" + std::to_string(room) + " bytes)");
}

// A position or size in the slot: in pages with the third byte 0 on the
// multi-slot programmers, in bytes on the single-slot ones.
void PutSlotPosition(std::uint8_t* h, slot::HeaderField f, std::uint32_t bytes, const slot::ProgrammerGeometry& g) {
  if (g.IsMultiSlot()) {
    slot::PutField(h, slot::HeaderField{f.offset, 2}, (bytes / g.PageSize) & 0xFFFF);
    h[f.offset + 2] = 0;
  } else {
    slot::PutField(h, f, bytes);
  }
}

void CopyInto(THexList& slot, std::uint32_t at, const THexList& from, std::uint32_t count) {
  slot.CopyFrom(from, 0, at, count);
}

}  // namespace

std::uint32_t ProgrammedLength(const THexList& code, bool wordBlank) {
  if (!wordBlank) return HighestUsed(code);
  const std::int64_t last = code.LastUsedByte();  // words above it are blank
  if (last < 0) return 0;
  if (code.Count() % 2 && last == std::int64_t(code.Count()) - 1) return code.Count();
  for (std::uint32_t w = std::uint32_t(last / 2) + 1; w-- > 0;) {
    const std::uint8_t lo = code.GetValue(2 * w), hi = code.GetValue(2 * w + 1);
    if (!(lo == 0xFF && (hi == 0x3F || hi == 0xFF))) return 2 * w + 2;
  }
  return 0;
}

std::uint32_t CodeAreaEnd(std::uint32_t flashSize, std::uint32_t pageSize) {
  return (flashSize + 160) / pageSize * pageSize + pageSize;
}

bool AssembleSlot(SlotJob& job, const BuildOptions& options, slot::ProgrammerGeometry& geometry,
                  const AssemblyRequest& request, THexList& header, slot::TProgramEntry& record, THexList& slotImage,
                  BuildQuestions& dialogs, SlotLayout* layout) {
  try {
    const devices::TData& d = job.device;
    const int family = options.familyIndex;
    if (auto refusal = CheckDeviceLimits(d, family, geometry.CodeImageLimit + 2048)) throw EImageError(*refusal);
    const bool wide = family == devices::fam_PIC24F || family == devices::fam_dsPIC30;
    slot::HeaderBytes h;
    std::copy_n(image::HeaderOf(header), kSize, h.begin());
    slot::TProgramEntry rec = record;
    SlotLayout out;

    // Data memory.
    THexList data(std::uint32_t(d.EEPROMSIZE) + 1);
    if (d.EEPROMSIZE > 0 && !job.dataFileName.empty()) {
      LoadPiece(job, piece::kEeprom, data, "the device's data memory", std::uint32_t(d.EEPROMSIZE));
      if (data.LastUsed() == -1) {
        job.dataFileName.clear();
        if (wide) h[OptionFlagsB.offset] &= std::uint8_t(~0x10);
      } else {
        out.hasData = true;
      }
    }
    if (options.dataSave && options.dataSaveEnabled) out.hasData = true;

    // Code, its padding and the size question.
    THexList code(geometry.CodeImageLimit + 2048);
    LoadPiece(job, piece::kFlash, code, "the code image", code.Count());
    out.rawCodeLength = ProgrammedLength(code, family == devices::fam_PIC12F16F);
    std::uint32_t unit = d.BufferSize;
    if (family == devices::fam_PIC18F && d.Type == "A")
      unit = 8192;
    else if (family == devices::fam_PIC12F16F)
      unit = std::uint32_t(d.RowSize);
    else if (wide)
      unit = 3u * d.BufferSize;
    out.paddedCodeLength = RoundUp(out.rawCodeLength, unit);
    const std::uint32_t flashSize = std::uint32_t(d.FlashSize);
    out.codeLength = out.paddedCodeLength;
    if (flashSize < out.paddedCodeLength) {
      if (!dialogs.AskYesNo("File Size is larger than Device Code Size \rFile will be truncated\r- Continue?",
                            kSizeTitle))
        return false;
      out.codeLength = flashSize;
    }
    // Rows of a cut program end with the device, not with the file.
    if (d.Type == "K40" && d.BufferSize > 0) {
      slot::PutField(h.data(), RowCount, (out.codeLength / d.BufferSize) & 0xFFFF);
      slot::PutField(h.data(), RowHalf, d.BufferSize / 2u);
    }

    // Room in the slot.
    if (geometry.PageSize == 0) {
      geometry.Capacity = 8192000;
      geometry.SlotSize = 0x8400;
      geometry.PageSize = 1024;
    }
    const std::uint32_t page = geometry.PageSize;
    out.codeAreaEnd = CodeAreaEnd(flashSize, page);
    out.spaceNeeded = out.codeAreaEnd + (out.hasData ? std::uint32_t(d.EEPROMSIZE) : 0);
    if (job.auxiliary)
      out.spaceNeeded = std::max(out.spaceNeeded, out.codeAreaEnd + std::uint32_t(d.EEPROMSIZE) + 3u * d.BufferSize);
    std::string refusal;
    if (request.mode == mode_replace) {
      if (std::uint64_t(rec.PageCount) * page < out.spaceNeeded)
        refusal = "Code is bigger than slot Size.\rSlot Size is " + std::to_string(geometry.SlotSize);
    } else if (geometry.SlotSize < out.spaceNeeded) {
      refusal = "Space needed is larger than block Size -" + std::to_string(geometry.SlotSize);
    }
    if (!refusal.empty()) {
      dialogs.ShowWarning(refusal, kSizeTitle);
      return false;
    }

    // Lengths.
    if (!CountsProgramAddresses(d.Type)) {
      slot::PutField(h.data(), CodeLength, out.codeLength);
      slot::PutField(h.data(), DeviceCodeSize, flashSize);
      if (d.Column == 15 && d.RowSize > 0) {
        slot::PutField(h.data(), RowCount, (out.codeLength / std::uint32_t(d.RowSize)) & 0xFFFF);
        slot::PutField(h.data(), RowHalf, std::uint32_t(d.RowSize) / 2);
      }
    } else {
      slot::PutField(h.data(), CodeLength, flashSize / 3 * 2);
      slot::PutField(h.data(), DeviceCodeSize, flashSize / 3 * 2);
    }
    std::uint32_t dataLength = 0;
    if (out.hasData)
      dataLength = (d.Type == "ds30" || d.Type == "24KA") ? std::uint32_t(d.EEPROMSIZE) / 2 : HighestUsed(data);
    if (options.dataSave) dataLength = d.Type == "ds30" ? std::uint32_t(d.EEPROMSIZE) / 2 : std::uint32_t(d.EEPROMSIZE);
    slot::PutField(h.data(), DataLength, dataLength);
    PutSlotPosition(h.data(), SlotDataLength, out.codeAreaEnd, geometry);

    // Auxiliary data.
    THexList aux(3u * d.BufferSize);
    out.auxOffset = out.codeAreaEnd + std::uint32_t(d.EEPROMSIZE);
    if (job.auxiliary) {
      LoadPiece(job, piece::kOtp, aux, "the device's auxiliary area", aux.Count());
      if (aux.LastUsed() == -1) {
        job.auxiliary = false;
        h[OptionFlagsA.offset] &= std::uint8_t(~0x20);
      } else {
        out.hasAux = true;
        PutSlotPosition(h.data(), AuxDataStart, out.auxOffset, geometry);
      }
    }

    // Directory link and size.
    const std::uint32_t pagesPerSlot = geometry.SlotSize / page;
    std::uint32_t next;
    if (request.mode == mode_replace) {
      next = rec.NextPage;
    } else if (geometry.IsMultiSlot()) {
      next = rec.NextPage + pagesPerSlot;
      rec.SetStartPage(request.slotsShown ? rec.NextPage : 0);
      rec.SetNextPage(next);
      rec.SetPageCount(pagesPerSlot);
    } else {
      next = 0xFFFF;
      rec.SetNextPage(0xFFFF);
      rec.SetPageCount(pagesPerSlot);
      rec.SetStartPage(0);
    }
    slot::PutField(h.data(), NextHeaderPage, next & 0xFFFF);
    slot::PutField(h.data(), InUseMarker, 0x00);
    slot::PutField(h.data(), PageCount, rec.PageCount & 0xFFFF);
    h[PageCount.offset + PageCount.size] = 0x00;

    // Names and checksums; nothing in the header changes after these.
    slot::PutText(h.data(), SlotName, rec.SlotName);
    slot::PutText(h.data(), SourceFileName, platform::ExtractFileName(job.userFile));
    slot::PutText(h.data(), DeviceName, d.DeviceName);
    code.GetValue(out.codeLength ? out.codeLength - 1 : 0);
    std::vector<std::uint8_t> programmed(out.codeLength);
    code.Read(0, programmed.data(), programmed.size());
    out.codeChecksum = slot::NegatedSum(programmed.data(), out.codeLength);
    h[CodeChecksum.offset] = out.codeChecksum;
    slot::SealHeader(h.data());

    // The slot image.
    THexList slot(geometry.SlotSize);
    THexList headerImage(kSize);
    headerImage.Write(0, h.data(), h.size());
    CopyInto(slot, 0, headerImage, kSize);
    out.codeBytes = flashSize + 1;
    CopyInto(slot, out.codeOffset, code, out.codeBytes);
    if (out.hasData) {
      out.dataOffset = out.codeAreaEnd;
      out.dataBytes = std::uint32_t(d.EEPROMSIZE);
      CopyInto(slot, out.dataOffset, data, out.dataBytes);
    }
    if (out.hasAux) {
      out.auxBytes = aux.Count();
      CopyInto(slot, out.auxOffset, aux, out.auxBytes);
    }
    SaveResult saved = SavePiece(job, piece::kHeader, headerImage);
    if (!saved.Failed()) saved = SavePiece(job, piece::kFlashTest, slot);
    if (saved.Failed()) throw EImageError(saved.message);

    out.slotSize = geometry.SlotSize;
    out.pageSize = page;
    std::copy(h.begin(), h.end(), image::HeaderOf(header));
    rec.Header = h;
    record = rec;
    slotImage = std::move(slot);
    if (layout) *layout = out;
    return true;
  } catch (const std::exception& e) {
    dialogs.ShowError(e.what(), "Error");
    return false;
  }
}

}  // namespace velmar::image
