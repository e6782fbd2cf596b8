// Read-back verification of a slot write: the programmer compares every
// page as it programs it, but a cell that goes wrong afterwards, or a page
// that went to the wrong place, only shows when the page is read back. Each
// page written is read (in halves on the 8-way programmers, as they were
// written) and compared with the slot image.
#include <algorithm>

#include "image/THexList.h"
#include "link/LinkErrors.h"
#include "link/TReadProg.h"
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

std::int64_t TReadProg::VerifySlot(const SlotWrite& w) {
  CheckSlotFits(w);
  const std::uint32_t size = Geometry.PageSize;
  const std::uint32_t n = w.slot.PageCount;
  ReadScope scope(*this, size);
  const std::uint8_t* read = ReadImage->DataAt(0);
  Progress(0, int(n));
  Message("Verifying Programmer");
  for (std::uint32_t k = 0; k < n; ++k) {
    const std::uint32_t page = w.slot.StartPage + k;
    if (BlankPageSkipped(page, k * size, w)) continue;
    const std::uint8_t* wanted = w.image.DataAt(k * size);
    bool same = true;
    if (Geometry.WritesHalfPages()) {
      const std::uint32_t half = size / 2;
      for (int part = 1; part <= 2 && same; ++part) {
        if (!ReadBlock(page, half, part))
          throw EISPException("Page " + std::to_string(page) + " could not be read back");
        same = std::equal(read, read + half, wanted + (part == 2 ? half : 0));
      }
    } else {
      if (!ReadBlock(page, size, 1)) throw EISPException("Page " + std::to_string(page) + " could not be read back");
      same = std::equal(read, read + size, wanted);
    }
    if (!same) return page;
    Progress(int(k), int(n));
  }
  return -1;
}

}  // namespace velmar::link
