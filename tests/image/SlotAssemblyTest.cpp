// The slot image assembly: code lengths and their padding, the code area
// and where data and auxiliary data go, the size questions and refusals,
// the directory link of New and Replace, the names and checksums, and what
// stays untouched when it stops.
#include "image/SlotAssembly.h"

#include "image/BuilderFixture.h"
#include "slot/ProgrammerGeometry.h"
#include "slot/SlotHeader.h"
#include "slot/TProgramEntry.h"

using namespace velmar::image;
using namespace velmar::test;
using velmar::platform::DlgButton;
namespace vslot = velmar::slot;
namespace sh = velmar::slot::slot_header;

namespace {

struct SlotAssembly : BuilderFixture {
  vslot::ProgrammerGeometry geometry;
  THexList header{160};
  THexList slot;
  vslot::TProgramEntry record{0, 0, 0, vslot::MakeSlotName(1, "Test"), "user.hex", "PIC18F4520", vslot::HeaderBytes{}};
  AssemblyRequest request;
  SlotLayout layout;

  SlotAssembly() {
    geometry.ApplyKind(vslot::kind_portable);
    job.userFile = "/some/folder/user.hex";
    job.device.DeviceName = "PIC18F4520";
    job.device.FlashSize = 0x8000;
    job.device.BufferSize = 64;
    job.device.Type = "B";
    options.familyIndex = 0;
  }
  // kf_flash.hex with `n` programmed bytes from 0 (value 0x01), then `tail`.
  void Code(std::uint32_t n, Bytes tail = {}) {
    THexList img(0x41000);
    for (std::uint32_t i = 0; i < n; ++i) img.SetValue(i, 0x01);
    for (std::size_t i = 0; i < tail.size(); ++i) img.SetValue(n + std::uint32_t(i), tail[i]);
    ASSERT_EQ(TFileLoader::SaveFile(working.File(piece::kFlash), img).result, 0);
  }
  void Piece(const char* name, const Bytes& bytes) {
    THexList img(std::uint32_t(bytes.size()));
    for (std::size_t i = 0; i < bytes.size(); ++i) img.SetValue(std::uint32_t(i), bytes[i]);
    ASSERT_EQ(TFileLoader::SaveFile(working.File(name), img).result, 0);
  }
  bool Assemble() { return AssembleSlot(job, options, geometry, request, header, record, slot, questions, &layout); }
  std::uint32_t Field(vslot::HeaderField f) { return vslot::GetField(HeaderOf(header), f); }
  std::uint8_t H(std::size_t offset) { return header.GetValue(std::uint32_t(offset)); }
};

TEST_F(SlotAssembly, CodeIsPaddedToTheFamilysUnit) {
  Code(100);
  job.device.Type = "A";
  ASSERT_TRUE(Assemble());
  EXPECT_EQ(Field(sh::CodeLength), 8192u);
  job.device.Type = "B";
  ASSERT_TRUE(Assemble());
  EXPECT_EQ(Field(sh::CodeLength), 128u);
  options.familyIndex = 1;
  job.device.RowSize = 32;
  ASSERT_TRUE(Assemble());
  EXPECT_EQ(Field(sh::CodeLength), 128u);
  options.familyIndex = 5;
  job.device.Type = "B";
  job.device.BufferSize = 32;
  ASSERT_TRUE(Assemble());
  EXPECT_EQ(layout.codeLength, 192u);
}

TEST_F(SlotAssembly, A3FByteIsCodeButAnErasedWordIsNot) {
  Code(128, {0x3F});  // the last program byte happens to be 0x3F
  ASSERT_TRUE(Assemble());
  EXPECT_EQ(layout.rawCodeLength, 129u);
  EXPECT_EQ(Field(sh::CodeLength), 192u);

  THexList words(16);
  for (std::uint32_t a : {0u, 1u}) words.SetValue(a, 0x05);
  words.SetValue(2, 0xFF), words.SetValue(3, 0x3F);  // erased word
  EXPECT_EQ(ProgrammedLength(words, true), 2u);
  words.SetValue(4, 0x3F), words.SetValue(5, 0x3F);  // addlw 0x3F
  EXPECT_EQ(ProgrammedLength(words, true), 6u);
  EXPECT_EQ(ProgrammedLength(THexList(16), true), 0u);
}

TEST_F(SlotAssembly, CodeAreaEndsStrictlyAboveFlashSizePlusHeader) {
  EXPECT_EQ(CodeAreaEnd(0x8000, 264), 33000u);
  EXPECT_EQ(CodeAreaEnd(32608, 1024), 33792u);
  EXPECT_EQ(CodeAreaEnd(32608, 1024) / 1024, 33u);
}

TEST_F(SlotAssembly, BlankDataFileMakesTheJobDataless) {
  Code(10);
  job.device.EEPROMSIZE = 256;
  job.dataFileName = piece::kEeprom;
  Piece(piece::kEeprom, Bytes(256, 0xFF));
  options.familyIndex = 4;
  job.device.Type = "24KA";
  header.SetValue(sh::OptionFlagsB.offset, 0x90);
  ASSERT_TRUE(Assemble());
  EXPECT_EQ(Field(sh::DataLength), 0u);
  EXPECT_EQ(job.dataFileName, "");
  EXPECT_EQ(H(46), 0x80);
  EXPECT_FALSE(layout.hasData);
}

TEST_F(SlotAssembly, DataGoesToTheCodeAreaEndAndAuxiliaryDataAfterTheEepromSize) {
  geometry.ApplyKind(vslot::kind_8way_v2);  // 512-byte pages
  options.familyIndex = 5;
  job.device.Type = "ds30";
  job.device.FlashSize = 49152;
  job.device.EEPROMSIZE = 1024;
  job.device.BufferSize = 32;
  job.dataFileName = piece::kEeprom;
  job.auxiliary = true;
  Code(30);
  Piece(piece::kEeprom, {0x56, 0x65});
  Piece(piece::kOtp, {0x30, 0x00, 0x00});
  ASSERT_TRUE(Assemble());
  EXPECT_EQ(layout.codeAreaEnd, 49664u);  // 97 pages
  EXPECT_EQ(Field(sh::SlotDataLength), 97u);
  EXPECT_EQ(Field(sh::AuxDataStart), 99u);
  EXPECT_EQ(Field(sh::DataLength), 512u);  // words on dsPIC30
  EXPECT_EQ(Field(sh::CodeLength), 32768u);
  EXPECT_EQ(Field(sh::DeviceCodeSize), 32768u);
  EXPECT_EQ(slot.Count(), 524288u);
  EXPECT_EQ(slot.GetValue(160), 0x01);
  EXPECT_EQ(slot.GetValue(49664), 0x56);
  EXPECT_EQ(slot.GetValue(49665), 0x65);
  EXPECT_EQ(slot.GetValue(49664 + 1024), 0x30);
  EXPECT_EQ(slot.GetValue(49664 + 1024 + 3), 0xFF);

  // Without data the auxiliary part keeps its place.
  job.dataFileName = piece::kEeprom;
  job.auxiliary = true;
  Piece(piece::kEeprom, {0xFF});
  ASSERT_TRUE(Assemble());
  EXPECT_FALSE(layout.hasData);
  EXPECT_EQ(slot.GetValue(49664), 0xFF);
  EXPECT_EQ(slot.GetValue(49664 + 1024), 0x30);
}

TEST_F(SlotAssembly, BlankAuxiliaryFileClearsItsFlag) {
  Code(10);
  job.auxiliary = true;
  Piece(piece::kOtp, Bytes(8, 0xFF));
  header.SetValue(sh::OptionFlagsA.offset, 0xF8);
  ASSERT_TRUE(Assemble());
  EXPECT_FALSE(job.auxiliary);
  EXPECT_EQ(H(45), 0xD8);
  EXPECT_EQ(H(48), 0xFF);
}

TEST_F(SlotAssembly, SingleSlotProgrammersLinkNowhereAndCountBytes) {
  geometry.ApplyKind(vslot::kind_single);
  Code(10);
  record.SetNextPage(77);
  ASSERT_TRUE(Assemble());
  EXPECT_EQ(Field(sh::NextHeaderPage), 0xFFFFu);
  EXPECT_EQ(Field(sh::PageCount), 1024u);
  EXPECT_EQ(Field(sh::SlotDataLength), 33000u);  // bytes, all three written
  EXPECT_EQ(record.StartPage, 0u);
  EXPECT_EQ(record.NextPage, 0xFFFFu);
  EXPECT_EQ(H(2), 0x00);
  EXPECT_EQ(H(5), 0x00);
}

TEST_F(SlotAssembly, NewOnAMultiSlotProgrammerFollowsTheLastSlot) {
  Code(10);
  record.SetStartPage(2064);
  record.SetNextPage(2064);
  request.slotsShown = true;
  ASSERT_TRUE(Assemble());
  EXPECT_EQ(record.StartPage, 2064u);
  EXPECT_EQ(record.NextPage, 3096u);
  EXPECT_EQ(record.PageCount, 1032u);
  EXPECT_EQ(Field(sh::NextHeaderPage), 3096u);
  EXPECT_EQ(Field(sh::SlotDataLength), 129u);
  EXPECT_EQ(H(92), 0x00);
  // An empty list starts at page 0.
  record.SetNextPage(0);
  request.slotsShown = false;
  ASSERT_TRUE(Assemble());
  EXPECT_EQ(record.StartPage, 0u);
  EXPECT_EQ(Field(sh::NextHeaderPage), 1032u);
}

TEST_F(SlotAssembly, ReplaceKeepsTheSlotsLinkAndSize) {
  Code(10);
  request.mode = mode_replace;
  record = vslot::TProgramEntry(1032, 2064, 1032, vslot::MakeSlotName(2, "Test"), "", "", {});
  ASSERT_TRUE(Assemble());
  EXPECT_EQ(Field(sh::NextHeaderPage), 2064u);
  EXPECT_EQ(Field(sh::PageCount), 1032u);
  EXPECT_EQ(record.StartPage, 1032u);
}

TEST_F(SlotAssembly, CodeLargerThanTheDeviceAsksAndIsCut) {
  job.device.FlashSize = 64;
  Code(100);
  dialogs.Answer(DlgButton::No);
  EXPECT_FALSE(Assemble());
  EXPECT_EQ(dialogs.LastText(), "File Size is larger than Device Code Size \rFile will be truncated\r- Continue?");
  EXPECT_EQ(H(38), 0xFF);  // the header is left as it was
  dialogs.Answer(DlgButton::Yes);
  ASSERT_TRUE(Assemble());
  EXPECT_EQ(Field(sh::CodeLength), 64u);
  EXPECT_EQ(H(sh::CodeChecksum.offset), std::uint8_t(-64));
}

TEST_F(SlotAssembly, SlotsTooSmallAreRefused) {
  job.device.FlashSize = 0x40000;
  job.device.EEPROMSIZE = 2048;
  job.dataFileName = piece::kEeprom;
  Code(10);
  Piece(piece::kEeprom, {0x01});
  EXPECT_FALSE(Assemble());
  EXPECT_EQ(dialogs.LastText(), "Space needed is larger than block Size -264192");
  EXPECT_EQ(dialogs.shown.back().title, "File Size Warning");
  EXPECT_EQ(slot.Count(), 0u);

  job.device.FlashSize = 0x8000;
  request.mode = mode_replace;
  record.SetPageCount(100);
  EXPECT_FALSE(Assemble());
  EXPECT_EQ(dialogs.LastText(), "Code is bigger than slot Size.\rSlot Size is 264192");
}

TEST_F(SlotAssembly, MissingPiecesAndDataOutsideTheImagesAreErrors) {
  EXPECT_FALSE(Assemble());
  EXPECT_EQ(dialogs.shown.back().title, "Error");
  EXPECT_EQ(H(0), 0xFF);
  EXPECT_EQ(record.PageCount, 0u);

  Code(10);
  job.device.EEPROMSIZE = 4;
  job.dataFileName = piece::kEeprom;
  Piece(piece::kEeprom, Bytes(64, 0x00));
  EXPECT_FALSE(Assemble());
  EXPECT_EQ(dialogs.LastText(), job.userFile + " holds data outside the device's data memory (4 bytes)");
  // One byte past the end: the header would count five bytes of data memory
  // while the slot carries four.
  Piece(piece::kEeprom, {0x11, 0xFF, 0xFF, 0xFF, 0x22});
  EXPECT_FALSE(Assemble());
  EXPECT_EQ(dialogs.LastText(), job.userFile + " holds data outside the device's data memory (4 bytes)");
  EXPECT_EQ(H(41), 0xFF);
  Piece(piece::kEeprom, {0x11, 0xFF, 0xFF, 0x22});
  ASSERT_TRUE(Assemble());
  EXPECT_EQ(Field(sh::DataLength), 4u);
}

TEST_F(SlotAssembly, NamesAndChecksumsComeLast) {
  Code(3, {0x10, 0x20});
  job.userFile = "C:\\projects\\a_rather_long_file_name_for_a_program.hex";
  job.device.DeviceName = "PIC18F4520-EXTRA-LONG";
  ASSERT_TRUE(Assemble());
  const std::uint8_t* h = HeaderOf(header);
  EXPECT_EQ(vslot::GetText(h, sh::SourceFileName), "a_rather_long_file_n");
  EXPECT_EQ(vslot::GetText(h, sh::DeviceName), "PIC18F4520-EXTR");
  EXPECT_EQ(vslot::GetText(h, sh::SlotName), vslot::MakeSlotName(1, "Test"));
  // 64 code bytes: three 0x01, 0x10, 0x20 and 59 x 0xFF.
  EXPECT_EQ(h[142], std::uint8_t(-(3 + 0x10 + 0x20 + 59 * 0xFF)));
  EXPECT_TRUE(vslot::HeaderChecksumOk(h));
  EXPECT_EQ(record.Header[157], h[157]);
  EXPECT_EQ(slot.GetValue(157), h[157]);
  // The inspection copies.
  EXPECT_EQ(At(BuilderFixture::Piece(piece::kHeader, 160), 0, 160), Bytes(h, h + 160));
  EXPECT_EQ(BuilderFixture::Piece(piece::kFlashTest, slot.Count()).GetValue(163), 0x10);
}

TEST_F(SlotAssembly, PreserveDataMemoryKeepsADataPartOfTheWholeSize) {
  Code(10);
  job.device.EEPROMSIZE = 256;
  options.dataSave = options.dataSaveEnabled = true;
  ASSERT_TRUE(Assemble());
  EXPECT_TRUE(layout.hasData);
  EXPECT_EQ(Field(sh::DataLength), 256u);
  EXPECT_EQ(layout.spaceNeeded, 33024u + 256u);
  job.device.Type = "ds30";
  options.familyIndex = 5;
  ASSERT_TRUE(Assemble());
  EXPECT_EQ(Field(sh::DataLength), 128u);
}

TEST_F(SlotAssembly, RowCountsOfK40AndRowAlgorithms) {
  Code(100);
  job.device.Type = "K40";
  ASSERT_TRUE(Assemble());
  EXPECT_EQ(Field(sh::RowCount), 2u);
  EXPECT_EQ(H(143), 32);
  job.device.Type = "A";
  options.familyIndex = 1;
  job.device.Column = 15;
  job.device.RowSize = 32;
  ASSERT_TRUE(Assemble());
  EXPECT_EQ(Field(sh::RowCount), 4u);
  EXPECT_EQ(H(143), 16);

  // A K40 program cut to the device: its rows stop at the device's end too.
  job.device.Type = "K40";
  job.device.Column = 0;
  options.familyIndex = 3;
  job.device.FlashSize = 256;
  Code(300);
  dialogs.Answer(DlgButton::Yes);
  ASSERT_TRUE(Assemble());
  EXPECT_EQ(Field(sh::CodeLength), 256u);
  EXPECT_EQ(Field(sh::RowCount), 4u);
}

}  // namespace
