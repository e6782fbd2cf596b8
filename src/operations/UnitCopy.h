// Copy Unit: the programmer's whole contents saved to a unit image file
// (.prg). The unit copy reads the pages of the listed slots in the progress
// window into an image of the dataflash (each page at page number x page
// size; with verification each page until two reads agree), blanks the headers of the slots past them and saves the
// image as Intel HEX; the main window's button asks, chooses the file and reports.
#pragma once

#include <string>

#include "link/TReadProg.h"
#include "model/ProgressForm.h"

namespace velmar::image {
class THexList;
}

namespace velmar::ops {

enum class CopyOutcome { Copied, ReadFailed, ReadsDisagree, SaveFailed };

// How often a page is read at most when a verified copy looks for two
// reads that agree.
inline constexpr int kMaxReadsPerPage = 5;

// Reads the pages of the first `slotRecords` slots and saves them to
// `fileName`. The file is written only when every page was read (the 8-way
// programmers' pages in two halves, both of which must succeed); a save that
// fails leaves any earlier file of that name whole and says why in
// `saveError`. A link failure (a programmer that asks for new firmware
// included) raises link::EISPException with the text to show. The link is
// closed afterwards whatever happens.
// With `verify`, every page is read twice and the reads compared; a page
// whose reads differ is read again until a read agrees with an earlier one
// (kMaxReadsPerPage reads at most). A page that never settles ends the copy
// with ReadsDisagree and its number in `unsettledPage`; nothing is saved.
CopyOutcome RunUnitCopy(model::ProgressForm& form, link::TReadProg& link, const std::string& fileName, int slotRecords,
                        std::string* saveError, bool verify = false, std::uint32_t* unsettledPage = nullptr);

enum class UnitRead { read, failed, unsettled };

// The programmer's content as Copy Unit saves it, read over the open,
// identified link into `content` (the dataflash's size): the pages of the
// first `slotRecords` slots, read as RunUnitCopy reads them, and blank
// headers for the slots past them. A page that does not read, or never
// settles, is named in `stoppedAt`; `content` is then left as it was.
UnitRead ReadUnitContent(model::ProgressForm& form, link::TReadProg& link, int slotRecords, bool verify,
                         image::THexList& content, std::uint32_t* stoppedAt);

// The failure of a verified copy at `page`.
std::string UnsettledPageText(std::uint32_t page);

// Makes the first 160 bytes of every slot from `firstSlot` to the last slot
// the dataflash holds blank (0xFF).
void BlankHeadersFrom(image::THexList& unitImage, const slot::ProgrammerGeometry& geometry, std::uint32_t firstSlot);

// Why a unit image cannot be saved at `chosen`, found before minutes of
// reading: no file name (an empty answer, a folder ending in a separator),
// a folder or something else that is no regular file, or a folder that does
// not exist. Empty when it may be saved.
std::string UnitFileProblem(const std::string& chosen);

// The file choice's filter for unit image files.
inline constexpr const char* kUnitFileFilter = "PRG|*.prg|All Files|*.*";

}  // namespace velmar::ops
