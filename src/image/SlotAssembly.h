// The slot image assembly: the last step of New and Replace before the slot
// is written. It reads back the pieces the family builder left in the
// working folder (kf_flash.hex, and kf_eeprom.hex and kf_otp.hex when the job
// has such data), settles the code length with its padding, checks the
// sizes against the device and the slot, completes the header (lengths,
// positions, directory link, names, checksums) and lays header, code, data
// and auxiliary data out in the slot image. It also saves the header as
// kf_header.hex and the slot image as kf_flashtest.hex for inspection.
#pragma once

#include <cstdint>
#include "image/BuildQuestions.h"

#include "image/SlotJob.h"

namespace velmar::slot {
struct ProgrammerGeometry;
class TProgramEntry;
}  // namespace velmar::slot

namespace velmar::image {

class THexList;

enum SlotMode : int { mode_new = 0, mode_replace = 1 };

struct AssemblyRequest {
  int mode = mode_new;
  bool slotsShown = false;  // the slot list view shows at least one slot
};

// Where the assembly put things, for reports.
struct SlotLayout {
  std::uint32_t rawCodeLength = 0;     // up to the last programmed byte
  std::uint32_t paddedCodeLength = 0;  // rounded up to the family's unit
  std::uint32_t codeLength = 0;        // the length the checksum covers
  std::uint8_t codeChecksum = 0;
  std::uint32_t codeOffset = 160;
  std::uint32_t codeBytes = 0;  // FlashSize + 1 bytes of the code image
  std::uint32_t codeAreaEnd = 0;
  std::uint32_t spaceNeeded = 0;
  bool hasData = false;
  std::uint32_t dataOffset = 0;
  std::uint32_t dataBytes = 0;
  bool hasAux = false;
  std::uint32_t auxOffset = 0;
  std::uint32_t auxBytes = 0;
  std::uint32_t slotSize = 0;
  std::uint32_t pageSize = 0;
};

// Returns true with the finished header in `header` (160 bytes), in the
// record's header copy and at the start of `slotImage`; the record's start
// page, next page and page count are set for New. Returns false after it
// has told the user why it stopped (or after the user declined); then the
// header image, the record and the slot image are left as they were. A page
// size of 0 in `geometry` means no programmer has been read: the assembly
// then sets its default geometry there.
bool AssembleSlot(SlotJob& job, const BuildOptions& options, slot::ProgrammerGeometry& geometry,
                  const AssemblyRequest& request, THexList& header, slot::TProgramEntry& record, THexList& slotImage,
                  BuildQuestions& dialogs, SlotLayout* layout = nullptr);

// The code length of a code image: one past the last programmed byte. For
// the PIC12F-16F family (`wordBlank`) a word counts as programmed unless it
// is erased (0x3FFF or 0xFFFF); for the others any byte but 0xFF counts.
std::uint32_t ProgrammedLength(const THexList& code, bool wordBlank);

// (FlashSize + 160) rounded up to the next multiple of the page size, always
// strictly above.
std::uint32_t CodeAreaEnd(std::uint32_t flashSize, std::uint32_t pageSize);

}  // namespace velmar::image
