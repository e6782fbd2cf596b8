// The family builders of the 16-bit families: dsPIC30, PIC24 FJ (devices
// whose name holds "FJ"; configuration words in the last instructions of
// program memory) and PIC24F (configuration registers and data EEPROM in
// their own spaces). The user's file holds four bytes per 24-bit instruction
// (low, middle, high, phantom 0x00) at byte address 2 x program address; the
// slot keeps three. Each builder splits the file into its memory spaces by
// their extended address records, packs the program into kf_flash.hex and
// writes the data EEPROM (kf_eeprom.hex) and the auxiliary area
// (kf_otp.hex) as the slot assembly expects them.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>
#include "image/BuildQuestions.h"

#include "image/SlotJob.h"

namespace velmar::image {

class THexList;

// Each returns false after it has shown its message (or after the user
// declined to go on). The PIC24 FJ builder raises std::invalid_argument when
// the device's `Fuses` text holds too few byte pairs.
bool BuildDsPic30(SlotJob& job, const BuildOptions& options, BuildQuestions& dialogs);
bool BuildPic24FJ(SlotJob& job, const BuildOptions& options, BuildQuestions& dialogs);
bool BuildPic24F(SlotJob& job, const BuildOptions& options, BuildQuestions& dialogs);

// ---- Shared steps, exposed for the tests ----

// The memory spaces a 16-bit file is split into.
enum class Space { Eeprom, Config, Aux };

struct SectionSplit {
  std::vector<std::string> program;              // everything else, ending with the end record
  std::vector<std::string> eeprom, config, aux;  // each ending with the end record
  bool hasEeprom = false, hasConfig = false, hasAux = false;
};

// Splits upper-cased lines. A section starts at the address record of its
// space (the record itself is dropped) and runs to the next address or end
// record, which is then examined again; sections of one space met more than
// once are joined. Auxiliary lines are re-addressed to a running offset from
// 0 (":", count, offset, then the line from its record type on). Lines
// after the end record are ignored, as the loader ignores them. Only the
// spaces listed in `spaces` are split out. Throws std::invalid_argument for
// an auxiliary line without a valid byte count.
SectionSplit SplitSections(std::vector<std::string> lines, std::initializer_list<Space> spaces);

// Copies bytes 4k, 4k+1, 4k+2 of `file` to 3k, 3k+1, 3k+2 of `packed` for k
// below `instructions`.
void PackInstructions(const THexList& file, THexList& packed, std::uint32_t instructions);

// True when `file` holds a byte other than 0xFF at or above `from`.
bool HoldsDataFrom(const THexList& file, std::uint32_t from);

}  // namespace velmar::image
