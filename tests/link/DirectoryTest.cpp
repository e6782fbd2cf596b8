// Walking the slot directory of a staged simulated dataflash: what is
// listed, how names are filtered, and where the walk stops.
#include <gtest/gtest.h>

#include "image/TFileLoader.h"
#include "image/THexList.h"
#include "link/LinkErrors.h"
#include "link/SimRig.h"
#include "sim/DataflashImage.h"
#include "slot/SlotHeader.h"
#include "slot/TProgramEntry.h"

namespace velmar::link {
namespace {

using namespace velmar::slot;

using test::MessageOf;
using test::SimRig;

HeaderBytes Header(std::uint32_t next, std::uint32_t pages, const std::string& name, const std::string& file = "f.hex",
                   const std::string& device = "PIC16F628A") {
  HeaderBytes h;
  h.fill(0xFF);
  PutField(h.data(), slot_header::NextHeaderPage, next);
  PutField(h.data(), slot_header::InUseMarker, 0);
  PutField(h.data(), slot_header::PageCount, pages);
  h[5] = 0;
  PutText(h.data(), slot_header::SlotName, name);
  PutText(h.data(), slot_header::SourceFileName, file);
  PutText(h.data(), slot_header::DeviceName, device);
  SealHeader(h.data());
  return h;
}

// Stages headers at the given pages and builds the link.
TReadProg& Stage(SimRig& rig, const std::vector<std::pair<std::uint32_t, HeaderBytes>>& headers) {
  const std::uint32_t size = sim::LoaderPageSize(rig.state);
  image::THexList img(size * sim::LoaderPageCount(rig.state));
  for (const auto& [page, h] : headers)
    for (std::size_t i = 0; i < h.size(); ++i) img.SetValue(page * size + std::uint32_t(i), h[i]);
  sim::ImportImage(rig.state, img);
  TReadProg& p = rig.Make();
  p.Identify();
  return p;
}

TEST(ReadDirectory, AnErasedDataflashListsNothing) {
  for (int kind : {0, 2, 3}) {
    SimRig rig(kind);
    TReadProg& p = Stage(rig, {});
    TProgramEntryList list;
    p.ReadDirectory(list);
    EXPECT_EQ(list.EntryCount, 0);
    EXPECT_TRUE(p.LinkOpen);
    EXPECT_FALSE(p.ReadImage);
  }
}

TEST(ReadDirectory, ListsAChainOfSlotsWithTheirNames) {
  SimRig rig(kind_portable);
  HeaderBytes odd = Header(2064, 1032, "002 Odd ~^ name", "a~b^c\xFF.hex", "PIC~18F");
  TReadProg& p = Stage(rig, {{0, Header(1032, 1032, "001 Blink")},
                             {1032, odd},
                             {2064, Header(3096, 1032, std::string(slot_header::kEmptyName))}});
  TProgramEntryList list;
  list.CurrentIndex = 5;
  p.ReadDirectory(list);
  ASSERT_EQ(list.EntryCount, 3);
  EXPECT_EQ(list.CurrentIndex, 0);
  const TProgramEntry& second = list.Get(1);
  EXPECT_EQ(second.StartPage, 1032u);
  EXPECT_EQ(second.NextPage, 2064u);
  EXPECT_EQ(second.PageCount, 1032u);
  EXPECT_EQ(second.SlotName, "002 Odd ~^ name" + std::string(17, ' '));   // as stored
  EXPECT_EQ(second.SourceFileName, "a b c .hex" + std::string(11, ' '));  // 21 characters, filtered
  EXPECT_EQ(second.DeviceName, "PIC 18F" + std::string(9, ' '));          // 16 characters, filtered
  EXPECT_EQ(std::vector<std::uint8_t>(second.Header.begin(), second.Header.end()),
            std::vector<std::uint8_t>(odd.begin(), odd.end()));
  EXPECT_EQ(list.Get(2).SlotName.substr(0, 5), "Empty");  // an emptied slot is still listed
}

TEST(ReadDirectory, AnEightWayReadsAtMostEightHeadersThenAsksForTheCount) {
  SimRig rig(kind_8way);
  std::vector<std::pair<std::uint32_t, HeaderBytes>> headers;
  for (std::uint32_t i = 0; i < 8; ++i) headers.push_back({i * 512, Header((i + 1) * 512, 512, "slot")});
  TReadProg& p = Stage(rig, headers);
  TProgramEntryList list;
  const auto slept = rig.clock.SleptMs();
  p.ReadDirectory(list);
  EXPECT_EQ(list.EntryCount, 8);
  EXPECT_EQ(rig.clock.SleptMs() - slept, 8u * (50 + 5));  // eight header reads

  rig.Sim().faults.countFails = true;
  EXPECT_EQ(MessageOf<EISPException>([&] { p.ReadDirectory(list); }), "Communication Failure");
  EXPECT_EQ(list.EntryCount, 8);
}

TEST(ReadDirectory, NeverListsMoreSlotsThanTheProgrammerHolds) {
  // A single-way programmer: the link of its one slot leads nowhere.
  SimRig single(kind_single);
  TReadProg& s = Stage(single, {{0, Header(0xFFFF, 1024, "001 Only")}});
  TProgramEntryList list;
  const auto slept = single.clock.SleptMs();
  s.ReadDirectory(list);
  EXPECT_EQ(list.EntryCount, 1);
  EXPECT_EQ(single.clock.SleptMs() - slept, 55u);  // one read only

  // A portable holds 31 slots; a stale 32nd header beyond them is not listed.
  SimRig portable(kind_portable);
  std::vector<std::pair<std::uint32_t, HeaderBytes>> headers;
  for (std::uint32_t i = 0; i < 32; ++i) headers.push_back({i * 1032, Header((i + 1) * 1032, 1032, "slot")});
  TReadProg& p = Stage(portable, headers);
  p.ReadDirectory(list);
  EXPECT_EQ(list.EntryCount, 31);
}

TEST(ReadDirectory, ALinkBackOrBeyondTheDataflashEndsTheWalk) {
  SimRig loop(kind_portable);
  TReadProg& p = Stage(loop, {{0, Header(1032, 1032, "one")}, {1032, Header(0, 1032, "two")}});
  TProgramEntryList list;
  p.ReadDirectory(list);
  EXPECT_EQ(list.EntryCount, 2);

  SimRig far(kind_portable);
  TReadProg& q = Stage(far, {{0, Header(40000, 1032, "one")}});
  q.ReadDirectory(list);
  EXPECT_EQ(list.EntryCount, 1);
}

// Only a marker of 0x00 is a slot in use: an erased header (0xFF) and a
// half-written one (any other byte) end the walk.
TEST(ReadDirectory, OnlyAnInUseMarkerOfZeroContinuesTheWalk) {
  const struct {
    std::uint8_t marker;
    int listed;
  } cases[] = {{0x00, 2}, {0xFF, 1}, {0x5A, 1}, {0x01, 1}, {0x80, 1}};
  for (const auto& c : cases) {
    SimRig rig(kind_portable);
    HeaderBytes second = Header(2064, 1032, "two");
    PutField(second.data(), slot_header::InUseMarker, c.marker);
    SealHeader(second.data());
    TReadProg& p = Stage(rig, {{0, Header(1032, 1032, "one")}, {1032, second}});
    TProgramEntryList list;
    p.ReadDirectory(list);
    EXPECT_EQ(list.EntryCount, c.listed) << "marker " << int(c.marker);
  }
}

TEST(ReadDirectory, AFailedReadKeepsTheSlotsFoundSoFar) {
  SimRig rig(kind_portable);
  const HeaderBytes two = Header(2064, 1032, "two");
  TReadProg& p = Stage(rig, {{0, Header(1032, 1032, "one")}, {1032, two}});
  rig.Sim().faults.badRead = 2;
  TProgramEntryList list;
  EXPECT_EQ(MessageOf<EISPException>([&] { p.ReadDirectory(list); }), "Error reading Programmer Page1");
  EXPECT_EQ(list.EntryCount, 1);

  // dferror.hex holds the header as it came over the link, at address 0,
  // and nothing else.
  image::THexList saved(4096);
  ASSERT_EQ(image::TFileLoader::LoadFile(rig.work.File("dferror.hex"), saved).result, 0);
  EXPECT_EQ(std::vector<std::uint8_t>(saved.DataAt(0), saved.DataAt(0) + two.size()),
            std::vector<std::uint8_t>(two.begin(), two.end()));
  EXPECT_LT(saved.LastUsed(), std::int64_t(two.size()));
}

}  // namespace
}  // namespace velmar::link
