// Dataflash page transfer: reading a run of bytes from a page, writing a page
// whole or in two halves (skipping blank pages past the slot's data), writing
// a whole slot and erasing the whole dataflash. Every page number and byte
// count is checked against the dataflash and the buffers before it is used.
#include <algorithm>

#include "image/TFileLoader.h"
#include "image/THexList.h"
#include "link/D2XXUnit.h"
#include "link/LinkErrors.h"
#include "link/TReadProg.h"
#include "platform/MessagePump.h"
#include "platform/Paths.h"
#include "slot/TProgramEntry.h"

namespace velmar::link {

namespace {
constexpr std::uint32_t kMaxReadCount = 21845;  // three command bytes per byte read
constexpr std::uint8_t kWriteFailed = 0x40;
constexpr std::uint8_t kBusy = 0xFA;
}  // namespace

std::uint32_t TReadProg::PageAddress(std::uint32_t page) const {
  std::uint64_t address = std::uint64_t(page) << (Use256Pages ? 8 : 9);
  if (address > 0xFFFFFF) throw EISPException("Page " + std::to_string(page) + " lies beyond the dataflash");
  return std::uint32_t(address);
}

bool TReadProg::ReadBlock(std::uint32_t page, std::uint32_t count, int part) {
  try {
    if (count == 0 || count > kMaxReadCount)
      throw EISPException("Cannot read " + std::to_string(count) + " bytes in one block");
    if (!ReadImage) throw EISPException("No image to read the programmer's pages into");
    const std::uint32_t half = Geometry.PageSize / 2;
    std::uint64_t target = PageIndexedReads ? std::uint64_t(page) * Geometry.PageSize + (part == 2 ? half : 0) : 0;
    if (target + count > ReadImage->Count())
      throw EISPException("Page " + std::to_string(page) + " does not fit the read image");
    std::uint32_t address = PageAddress(page) + (part == 2 ? half : 0);

    // Exact pacing: 'R' exchanged on its own, then its address and count.
    // Fast pacing: 'R' goes out with them in one write, and its reply (the
    // programmer answers nothing to it) is read with the data.
    const std::uint8_t where[] = {0x11,
                                  0x04,
                                  0x00,
                                  std::uint8_t(address),
                                  std::uint8_t(address >> 8),
                                  std::uint8_t(address >> 16),
                                  std::uint8_t(count),
                                  std::uint8_t(count >> 8)};
    const bool fast = Pacing == LinkPacing::fast;
    auto& tx = unit_.TxBuffer;
    std::uint32_t n = 0;
    if (fast) {
      const std::uint8_t command[] = {0x31, 0x00, 0x00, 'R'};
      n = std::uint32_t(std::copy(std::begin(command), std::end(command), tx.begin()) - tx.begin());
    } else {
      SendByte('R');
    }
    n = std::uint32_t(std::copy(std::begin(where), std::end(where), tx.begin() + n) - tx.begin());
    Write(n);
    Wait(50);
    // No write may leave more replies waiting than the chip holds: a long
    // read takes its first bytes in parts, each read before the next is
    // clocked ('R''s reply, in fast pacing, comes with the first part).
    std::uint32_t lead = fast ? 1 : 0;
    const std::uint32_t closing = fast ? 1 : 0;
    std::uint32_t done = 0;
    auto clockIns = [&tx](std::uint32_t k) {
      for (std::uint32_t i = 0; i < k; ++i) {
        tx[3 * i] = 0x20;
        tx[3 * i + 1] = 0x00;
        tx[3 * i + 2] = 0x00;
      }
    };
    auto take = [&](std::uint32_t k) {
      // A busy marker for 'R' means the programmer was still answering
      // something else and took neither the command nor its address.
      if (lead && unit_.RxBuffer[0] == kBusy)
        throw EISPException(std::string(link_text::kNotResponding) +
                            "\rThe programmer was busy when a page read began");
      const auto from = unit_.RxBuffer.begin() + lead;
      std::copy(from, from + k, ReadImage->DataAt(std::uint32_t(target + done)));
      done += k;
      lead = 0;
    };
    while (lead + (count - done) + closing > kChipReplyRoom) {
      const std::uint32_t k = kChipReplyRoom - lead;
      clockIns(k);
      WriteAwaitingReply(k * 3);
      ReadReply({lead, k});
      take(k);
    }
    const std::uint32_t rest = count - done;
    clockIns(rest);
    Write(rest * 3);
    Wait(PageIndexedReads ? 10 : 5);
    std::uint8_t trailer = 0;
    if (fast) {
      // The trailer is clocked in after the wait, as ClockInByte would, and
      // read with the data.
      WriteAwaitingReply({0x20, 0x00, 0x00});
      ReadReply({lead, rest, 1});
      const std::uint32_t at = lead + rest;
      take(rest);
      trailer = unit_.RxBuffer[at];
    } else {
      ReadReply(rest);
      take(rest);
      trailer = ClockInByte();
    }

    if (trailer != '!') {
      for (int i = 0; i < 3; ++i) ClockInByte();
      platform::EnsurePrivateFolder(WorkingFolder);
      image::TFileLoader::SaveFile(WorkingFolder + "dferror.hex", *ReadImage, 1, platform::Durability::kept,
                                   platform::FileOrigin::Own);
      return false;
    }
    return true;
  } catch (const EISPException& e) {
    throw EISPException(e.what());
  } catch (const image::EImageError& e) {
    throw EISPException(e.what());
  }
}

bool TReadProg::BlankPageSkipped(std::uint32_t page, std::uint32_t sourceOffset, const SlotWrite& w) const {
  if (w.blank.eraseWholeSlot) return false;
  const std::uint32_t size = Geometry.PageSize;
  const std::int64_t fromStart = std::int64_t(page) - std::int64_t(w.slot.StartPage);
  const std::int64_t dataEnd = std::int64_t(w.blank.deviceCodeSize) + w.blank.deviceDataSize + size;
  if (!(dataEnd < fromStart * std::int64_t(size))) return false;
  const std::uint8_t* p = w.image.DataAt(sourceOffset);
  return std::all_of(p, p + size, [](std::uint8_t b) { return b == 0xFF || b == 0x3F; });
}

void TReadProg::CheckSlotFits(const SlotWrite& w) const {
  const std::uint32_t pages = Geometry.PageTotal();
  if (std::uint64_t(w.slot.StartPage) + w.slot.PageCount > pages)
    throw EISPException("Slot pages " + std::to_string(w.slot.StartPage) + " to " +
                        std::to_string(std::uint64_t(w.slot.StartPage) + w.slot.PageCount) +
                        " lie beyond the programmer's " + std::to_string(pages) + " pages");
  if (std::uint64_t(w.slot.PageCount) * Geometry.PageSize > w.image.Count())
    throw EISPException("The slot image holds fewer than " + std::to_string(w.slot.PageCount) + " pages");
}

const std::uint8_t* TReadProg::StartPageWrite(std::uint32_t page, std::uint32_t length, std::uint32_t imageBytes,
                                              std::uint32_t sourceOffset, const SlotWrite& w) {
  if (length == 0 || length + 9 > D2XXUnit::kBufferSize ||
      std::uint64_t(sourceOffset) + std::max(imageBytes, Geometry.PageSize) > w.image.Count())
    throw EISPException("Page " + std::to_string(page) + " is not within the slot image");
  if (BlankPageSkipped(page, sourceOffset, w)) return nullptr;
  // One 0x31 shift carrying 'W', the page's address and the byte count,
  // then the first `length` bytes of the page.
  const std::uint32_t address = PageAddress(page);
  const std::uint8_t head[] = {0x31,
                               std::uint8_t(length + 5),
                               std::uint8_t((length + 5) >> 8),
                               'W',
                               std::uint8_t(address),
                               std::uint8_t(address >> 8),
                               std::uint8_t(address >> 16),
                               std::uint8_t(length),
                               std::uint8_t(length >> 8)};
  auto& tx = unit_.TxBuffer;
  std::copy(std::begin(head), std::end(head), tx.begin());
  const std::uint8_t* src = w.image.DataAt(sourceOffset);
  std::copy(src, src + length, tx.begin() + 9);
  // The replies are read before the delay starts: it counts from the last
  // byte clocked, not from when the USB write returned.
  ShiftThrough(length + 6);
  unit_.GetFTQueueStatus();
  return src;
}

bool TReadProg::WritePage(std::uint32_t page, std::uint32_t length, std::uint32_t sourceOffset, const SlotWrite& w) {
  if (!StartPageWrite(page, length, length, sourceOffset, w)) return true;
  Wait(PageDelay);
  pump_.ProcessMessages();
  std::uint8_t replies[3];
  ReceiveRun({ReplyTake::receive, ReplyTake::receive, ReplyTake::clockIn}, replies);
  return (replies[0] & kWriteFailed) == 0;
}

bool TReadProg::WriteHalfPages(std::uint32_t page, std::uint32_t half, std::uint32_t sourceOffset, const SlotWrite& w) {
  const std::uint8_t* src = StartPageWrite(page, half, 2 * half, sourceOffset, w);
  if (!src) return true;
  Wait(HalfDelay);
  std::copy(src + half, src + 2 * half, unit_.TxBuffer.begin() + 3);
  ShiftThrough(half);
  unit_.GetFTQueueStatus();
  Wait(PageDelay);
  pump_.ProcessMessages();
  std::uint8_t replies[2];
  ReceiveRun({ReplyTake::receive, ReplyTake::receive}, replies);
  return (replies[0] & kWriteFailed) == 0;
}

void TReadProg::WriteSlotPage(std::uint32_t page, std::uint32_t k, const SlotWrite& w, int done, int total) {
  const std::uint32_t size = Geometry.PageSize;
  const bool ok =
      Geometry.WritesHalfPages() ? WriteHalfPages(page, size / 2, k * size, w) : WritePage(page, size, k * size, w);
  if (!ok) throw EISPException("Dataflash verify fail");
  Progress(done, total);
}

void TReadProg::WriteEmptiedHeader(const EmptiedHeader& e) {
  const std::uint32_t size = Geometry.PageSize;
  image::THexList page(std::max<std::uint32_t>(size, slot::slot_header::kSize));
  std::copy(e.header.begin(), e.header.end(), page.DataAt(0));
  const slot::TProgramEntry record(e.page, 0, 1, "", "", "", e.header);
  const SlotWrite write{record, page, {0, 0, true}};
  const bool ok =
      Geometry.WritesHalfPages() ? WriteHalfPages(e.page, size / 2, 0, write) : WritePage(e.page, size, 0, write);
  if (!ok) throw EISPException("Dataflash verify fail");
}

bool TReadProg::WriteSlot(const SlotWrite& w) {
  EmptiedHeaders.clear();
  RewrittenHeaders.clear();
  try {
    SendByte('V');
    std::uint8_t replies[3];
    ReceiveRun({ReplyTake::receive, ReplyTake::receive, ReplyTake::receive}, replies);
    const std::uint8_t version = replies[1], trailer = replies[2];
    if (trailer != '!' || (version != Geometry.ExpectedPicVersion && version != Geometry.ExpectedPic24Version &&
                           version != Geometry.ExpectedPortableVersion))
      throw EISPException("Programmer not detected");
    CheckSlotFits(w);
    const std::uint32_t start = w.slot.StartPage;
    const std::uint32_t n = w.slot.PageCount;
    Progress(0, int(n));
    Message("Loading Programmer");
    // Old headers over the pages about to change are emptied first; each
    // slot's new header page goes after the rest of its slot. A write that
    // fails part-way leaves every slot either as it was, empty, or whole
    // (a New is not listed), never a header over data it does not describe.
    for (const EmptiedHeader& e : w.emptyFirst) {
      EmptiedHeaders.push_back(e.page);
      WriteEmptiedHeader(e);
    }
    std::vector<std::uint32_t> starts = w.slotStarts;
    starts.push_back(0);
    std::sort(starts.begin(), starts.end());
    starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
    int done = 0;
    for (std::size_t s = 0; s < starts.size() && starts[s] < n; ++s) {
      const std::uint32_t end = s + 1 < starts.size() ? std::min(starts[s + 1], n) : n;
      for (std::uint32_t k = starts[s] + 1; k < end; ++k) WriteSlotPage(start + k, k, w, done++, int(n));
      WriteSlotPage(start + starts[s], starts[s], w, done++, int(n));
      std::erase(EmptiedHeaders, start + starts[s]);
      RewrittenHeaders.push_back(start + starts[s]);
    }
    ClockInByte();
    CloseLink(false);
  } catch (const std::exception& e) {
    CloseLink(false);
    throw EISPException(e.what());
  }
  return true;
}

bool TReadProg::EraseUnit() {
  const std::uint32_t total = Geometry.PageTotal();
  Progress(0, int(total));
  for (std::uint32_t block = 0; block < total; block += 8) {
    std::uint32_t address = PageAddress(block);
    SendByte('E');
    SendByte(std::uint8_t(address));
    SendByte(std::uint8_t(address >> 8));
    SendByte(std::uint8_t(address >> 16));
    SendByte('P');
    Wait(100);
    if (ReceiveByte() != '!') throw EFirmwareUpdate("Erase Failed");
    Progress(int(block + 8), int(total));
  }
  return true;
}

}  // namespace velmar::link
