// The slot directory: walk the chain of slot headers from page 0 and list
// every accepted slot. The walk stops at the first header that is not in
// use, after as many headers as the programmer has slots, at a link beyond
// the dataflash and at a link back to a page already visited, so a stale or
// looping chain can never list more slots than the programmer holds.
#include <set>

#include "image/THexList.h"
#include "link/LinkErrors.h"
#include "link/TReadProg.h"
#include "slot/SlotHeader.h"
#include "slot/TProgramEntry.h"

namespace velmar::link {

void TReadProg::ReadDirectory(slot::TProgramEntryList& list) {
  using namespace slot::slot_header;
  list.Clear();
  PageIndexedReads = false;
  // Every header is read to the start of the image, so it needs room for
  // one header only (a slot-sized image, cleared for each Read, cost more
  // than the walk itself).
  ReadImage = std::make_unique<image::THexList>(kSize);

  const std::uint32_t pages = Geometry.PageTotal();
  std::set<std::uint32_t> visited;
  std::uint32_t next = 0;
  int headersRead = 0;
  int accepted = 0;
  while (true) {
    if (!ReadBlock(next, kSize, 1)) throw EISPException("Error reading Programmer Page" + std::to_string(headersRead));
    const std::uint8_t* header = ReadImage->DataAt(0);
    const std::uint32_t page = next;
    visited.insert(page);
    next = slot::GetField(header, NextHeaderPage);
    ++headersRead;
    if (header[InUseMarker.offset] != 0x00 || std::uint32_t(accepted) >= Geometry.SlotCount) break;
    list.Add(slot::EntryFromHeader(page, header));
    ++accepted;
    if (Geometry.WritesHalfPages() && headersRead >= 8) break;
    if (std::uint32_t(accepted) >= Geometry.SlotCount || next >= pages || visited.count(next)) break;
  }
  list.CurrentIndex = 0;

  if (Geometry.WritesHalfPages()) {
    SendByte('C');
    if (ReceiveByte() != '*') throw EISPException("Communication Failure");
    std::uint8_t replies[2];
    ReceiveRun({ReplyTake::receive, ReplyTake::receive}, replies);
  }
  ReadImage.reset();
}

}  // namespace velmar::link
