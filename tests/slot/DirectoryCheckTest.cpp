// The directory check before a write: which listed directories are whole,
// which slot is named damaged and why, and the empty slot a Delete of the
// damaged slot writes.
#include "slot/DirectoryCheck.h"

#include <gtest/gtest.h>

#include "slot/ProgrammerGeometry.h"
#include "slot/TProgramEntry.h"

namespace velmar::slot {
namespace {

enum class Seal { good, bad, emptied };

struct Listed {
  std::uint32_t start, next, pages;
  Seal seal = Seal::good;
};

void Fill(TProgramEntryList& list, const std::vector<Listed>& slots) {
  list.Clear();
  for (const Listed& s : slots) {
    HeaderBytes h = EmptyHeader(std::uint16_t(s.next), std::uint16_t(s.pages));
    if (s.seal != Seal::emptied) {
      PutText(h.data(), slot_header::SlotName, "001 Job");
      SealHeader(h.data());
      if (s.seal == Seal::bad) h[slot_header::HeaderChecksum.offset] ^= 0x01;
    }
    list.Add(std::make_unique<TProgramEntry>(s.start, s.next, s.pages, "", "", "", h));
  }
}

struct Case {
  const char* what;
  ProgrammerKind kind;
  std::vector<Listed> slots;
  int damagedSlot;  // 0: whole
  DamageKind damage = DamageKind::header_checksum;
};

// The 8-way: 512 pages a slot, 4096 pages; the portable: 1032 of 8256.
const Case kCases[] = {
    {"empty list", kind_8way, {}, 0},
    {"chain of whole slots", kind_8way, {{0, 512, 512}, {512, 1024, 512}, {1024, 1536, 512}}, 0},
    {"an emptied slot has no checksum", kind_8way, {{0, 512, 512, Seal::emptied}, {512, 1024, 512}}, 0},
    {"the last slot ends the dataflash", kind_portable, {{0, 1032, 1032}, {7224, 8256, 1032}}, 0},
    {"a portable image made in 1024-byte pages", kind_portable, {{0, 1032, 258}, {1032, 2064, 258}}, 0},
    {"pages reaching past the link", kind_8way, {{0, 512, 512}, {512, 1024, 600}}, 2, DamageKind::link},
    {"a bad checksum", kind_8way, {{0, 512, 512}, {512, 1024, 512}, {1024, 512, 512, Seal::bad}}, 3},
    {"a link inside its own slot, checksum good", kind_portable, {{0, 100, 1032}}, 1, DamageKind::link},
    {"a link back to an earlier slot", kind_8way, {{0, 512, 512}, {512, 0, 512}}, 2, DamageKind::link},
    {"a page count of 0xFFFF", kind_8way, {{0, 512, 512}, {512, 66047, 65535}}, 2, DamageKind::link},
    {"a page count of zero", kind_8way, {{0, 0, 0}}, 1, DamageKind::link},
    {"past the dataflash", kind_8way, {{3840, 4352, 512}}, 1, DamageKind::link},
    {"a single-slot programmer has no links", kind_single, {{0, 0xFFFF, 16, Seal::bad}}, 0},
};

TEST(DirectoryCheck, NamesTheFirstDamagedSlot) {
  for (const Case& c : kCases) {
    ProgrammerGeometry g;
    g.ApplyKind(c.kind);
    TProgramEntryList list;
    Fill(list, c.slots);
    const auto damage = FindDirectoryDamage(list, g);
    if (c.damagedSlot == 0) {
      EXPECT_FALSE(damage) << c.what << ": " << damage->reason;
      continue;
    }
    ASSERT_TRUE(damage) << c.what;
    EXPECT_EQ(damage->slot, c.damagedSlot) << c.what;
    EXPECT_EQ(damage->kind, c.damage) << c.what;
  }
}

TEST(DirectoryCheck, DeleteOfTheDamagedSlotEmptiesOneWholeSlotOnly) {
  ProgrammerGeometry g;
  g.ApplyKind(kind_8way);
  TProgramEntryList list;
  // Slot 2's link skips a slot: the walk went on to the slot at 1536.
  Fill(list, {{0, 512, 512}, {512, 1536, 1024, Seal::bad}, {1536, 2048, 512}});
  const auto mended = RepairedEmptySlot(list, g, 2);
  ASSERT_TRUE(mended);
  EXPECT_EQ(mended->StartPage, 512u);
  EXPECT_EQ(mended->NextPage, 1024u);
  EXPECT_EQ(mended->PageCount, 512u);
  EXPECT_EQ(mended->Header, EmptyHeader(1024, 512));
  EXPECT_TRUE(IsEmptiedHeader(mended->Header.data()));

  // A whole slot from there would reach the next listed slot.
  Fill(list, {{0, 300, 300, Seal::bad}, {300, 812, 512}});
  EXPECT_FALSE(RepairedEmptySlot(list, g, 1));
  Fill(list, {{3584, 4096, 512, Seal::bad}});
  EXPECT_TRUE(RepairedEmptySlot(list, g, 1)) << "the last whole slot of the dataflash";
  Fill(list, {{3600, 4112, 512, Seal::bad}});
  EXPECT_FALSE(RepairedEmptySlot(list, g, 1)) << "past the dataflash";
}

}  // namespace
}  // namespace velmar::slot
