// Read-back verification of a slot write: the programmer compares every
// page as it programs it, but a cell that goes wrong afterwards, or a page
// that went to the wrong place, only shows when the page is read back. Each
// page written is read (in halves on the 8-way programmers, as they were
// written) and compared with the slot image. Every slot of the write that
// does not read back as written, or whose page cannot be read back at all,
// has its header emptied, so it is not listed as a program.
#include <algorithm>

#include "image/THexList.h"
#include "link/LinkErrors.h"
#include "link/TReadProg.h"
#include "slot/SlotHeader.h"
#include "slot/TProgramEntry.h"

namespace velmar::link {

namespace {

// The link's read image and read mode for as long as the verification runs.
class ReadScope {
 public:
  ReadScope(TReadProg& link, std::uint32_t size)
      : link_(link), image_(std::move(link.ReadImage)), indexed_(link.PageIndexedReads) {
    link.ReadImage = std::make_unique<image::THexList>(size);
    link.PageIndexedReads = false;
  }
  ~ReadScope() {
    link_.ReadImage = std::move(image_);
    link_.PageIndexedReads = indexed_;
  }
  ReadScope(const ReadScope&) = delete;
  ReadScope& operator=(const ReadScope&) = delete;

 private:
  TReadProg& link_;
  std::unique_ptr<image::THexList> image_;
  bool indexed_;
};

}  // namespace

std::uint32_t TReadProg::SlotStartOf(const SlotWrite& w, std::uint32_t offset) {
  std::uint32_t first = 0;
  for (std::uint32_t s : w.slotStarts)
    if (s <= offset && s > first) first = s;
  return first;
}

PageReadBack TReadProg::ReadBackPage(std::uint32_t page, const std::uint8_t* wanted) {
  const std::uint32_t size = Geometry.PageSize;
  const std::uint8_t* read = ReadImage->DataAt(0);
  if (!Geometry.WritesHalfPages()) {
    if (!ReadBlock(page, size, 1)) return PageReadBack::unreadable;
    return std::equal(read, read + size, wanted) ? PageReadBack::as_written : PageReadBack::differs;
  }
  const std::uint32_t half = size / 2;
  for (int part = 1; part <= 2; ++part) {
    if (!ReadBlock(page, half, part)) return PageReadBack::unreadable;
    if (!std::equal(read, read + half, wanted + (part == 2 ? half : 0))) return PageReadBack::differs;
  }
  return PageReadBack::as_written;
}

std::vector<VerifyFault> TReadProg::VerifySlot(const SlotWrite& w) {
  CheckSlotFits(w);
  const std::uint32_t size = Geometry.PageSize;
  const std::uint32_t n = w.slot.PageCount;
  ReadScope scope(*this, size);
  Progress(0, int(n));
  Message("Verifying Programmer");
  std::vector<VerifyFault> faults;
  for (std::uint32_t k = 0; k < n; ++k) {
    // Once a page of a slot is found faulty the slot is lost anyway; the
    // pages of the next slots are still read, as they may be too.
    if (!faults.empty() && SlotStartOf(w, faults.back().page - w.slot.StartPage) == SlotStartOf(w, k)) continue;
    const std::uint32_t page = w.slot.StartPage + k;
    if (BlankPageSkipped(page, k * size, w)) continue;
    const PageReadBack found = ReadBackPage(page, w.image.DataAt(k * size));
    if (found != PageReadBack::as_written) faults.push_back({page, found});
    Progress(int(k), int(n));
  }
  return faults;
}

std::uint32_t TReadProg::EmptySlotHolding(const SlotWrite& w, std::uint32_t page) {
  // The write's slot headers lie at StartPage plus 0 and each slot start.
  const std::uint32_t first = SlotStartOf(w, page - w.slot.StartPage);
  const std::uint32_t headerPage = w.slot.StartPage + first;
  EmptiedHeader emptied{headerPage, {}};
  const auto listed = std::find_if(w.emptyFirst.begin(), w.emptyFirst.end(),
                                   [headerPage](const EmptiedHeader& e) { return e.page == headerPage; });
  if (listed != w.emptyFirst.end()) {
    emptied.header = listed->header;
  } else {
    const auto written = slot::EntryFromHeader(headerPage, w.image.DataAt(first * Geometry.PageSize));
    emptied.header = slot::EmptyHeader(std::uint16_t(written->NextPage), std::uint16_t(written->PageCount));
  }
  WriteEmptiedHeader(emptied);
  std::erase(RewrittenHeaders, headerPage);
  if (std::find(EmptiedHeaders.begin(), EmptiedHeaders.end(), headerPage) == EmptiedHeaders.end())
    EmptiedHeaders.push_back(headerPage);
  return headerPage;
}

}  // namespace velmar::link
