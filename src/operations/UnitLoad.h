// Load Unit: a unit image file (.prg) written back into the programmer,
// replacing everything in it. The main window's button asks, takes the file
// (from the command line of an unattended start, else a file choice),
// loads it into an image of the dataflash, fits the portable programmer's
// page mode, writes every page from page 0 through the slot write, blanks the
// headers of the slots past the image so that nothing of the old contents
// is listed any more, and reads the directory back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velmar::image {
class THexList;
}

namespace velmar::ops {

// The portable programmer counts its pages in 256-byte units (a slot is
// 1032 pages); an image whose headers count in 1024-byte units (a slot of
// 258 pages) has every header's next-page value multiplied by 4 and its
// checksum renewed. False when the first header's next-page value is
// neither 258 nor 1032: the file is not a portable programmer's.
bool AdjustPortablePageMode(image::THexList& unitImage, std::uint32_t slotSize);

// The unit image file a command-line start names: its second parameter,
// unless that is only the "SHOW" switch. Empty when the file must be asked for.
std::string CommandLineUnitFile(const std::vector<std::string>& params);

}  // namespace velmar::ops
