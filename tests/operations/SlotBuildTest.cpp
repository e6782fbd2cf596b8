// Building slots from the shipped examples through the main window model,
// one complete slot per family. The expected headers are written out byte by
// byte from the slot format and the family rules (the derivation of each
// value is in the comments), never by running the builders; the code
// checksums were summed by hand from the example files (blank bytes 0xFF,
// blank PIC12/16 words 0x3FFF, 16-bit instructions packed to three bytes).
// Then the questions of the build with both answers and its refusals.
#include "operations/SlotBuild.h"

#include <array>
#include <filesystem>
#include <sstream>

#include <gtest/gtest.h>

#include "slot/ProgrammerGeometry.h"
#include "slot/SlotHeader.h"
#include "model/WindowFixture.h"
#include "platform/Text.h"

using namespace velmar;
using namespace velmar::test;
using platform::DlgButton;

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Expected {
  std::array<std::uint8_t, 160> b;
  Expected() { b.fill(0xFF); }
  Expected& Put(std::size_t at, const Bytes& v) {
    std::copy(v.begin(), v.end(), b.begin() + std::ptrdiff_t(at));
    return *this;
  }
  Expected& Text(std::size_t at, std::size_t width, const std::string& s) {
    std::string t = text::FitRight(s, width, ' ');
    std::copy(t.begin(), t.end(), b.begin() + std::ptrdiff_t(at));
    return *this;
  }
  // HeaderChecksum: bytes 0 to 157 add up to 0.
  const std::uint8_t* Sealed() {
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < 157; ++i) sum = std::uint8_t(sum + b[i]);
    b[157] = std::uint8_t(-sum);
    return b.data();
  }
};

std::string Dump(const std::uint8_t* h) {
  std::ostringstream o;
  for (int row = 0; row < 10; ++row) {
    o << text::ZeroPad(std::uint64_t(row * 16), 3) << ":";
    for (int i = 0; i < 16; ++i) o << " " << text::IntToHex(h[row * 16 + i], 2);
    o << "\n";
  }
  return o.str();
}

struct SlotBuildTest : ::testing::Test {
  WindowFixture f{""};
  slot::ProgrammerGeometry geometry;
  slot::TProgramEntryList slots;
  ops::SlotBuildRequest request;
  ops::SlotBuildResult result;

  void Show(int kind, int family, const std::string& device) {
    std::filesystem::copy_file(SourceDir() + "data/DEVICES.INI", f.program.File("DEVICES.INI"),
                               std::filesystem::copy_options::overwrite_existing);
    f.Show(kind);
    geometry.ApplyKind(std::uint8_t(kind));
    f.Choose(family, device);
    f.C().SetText("ProgCaption", "Blink");
  }
  void File(const std::string& path) { f.W().Data.FlashFile = path; }
  void Example(const std::string& folder) { File(SourceDir() + "examples/" + folder + "/blink.hex"); }
  bool Build() { return ops::SlotBuild(f.W(), geometry, slots, request, result); }
  const std::uint8_t* H() { return image::HeaderOf(result.header); }
  Bytes Slot(std::uint32_t at, std::uint32_t n) {
    Bytes r;
    for (std::uint32_t i = 0; i < n; ++i) r.push_back(result.slotImage.GetValue(at + i));
    return r;
  }
};

// Every example is built on a freshly shown window with no setting.ini:
// Match Device ID on, Program User ID and Verify Configuration off, high
// voltage programming, Preserve Data Memory off, the 3.3 V box unchecked,
// no production limit, LED repeat 5.

TEST_F(SlotBuildTest, Pic18fExample) {
  Show(3, 0, "PIC18F4520");
  Example("pic18f4520");
  ASSERT_TRUE(Build()) << f.dialogs.LastText();
  Expected e;
  e.Put(0, {0x08, 0x04, 0x00, 0x08, 0x04, 0x00})  // next slot at page 1032 (one portable slot), 1032 pages
      .Text(6, 32, "001 Blink")
      .Put(38, {0x40, 0x00, 0x00})  // code up to 0x39 (58 bytes) padded to the 32-byte buffer: 64
      .Put(41, {0x08, 0x00})        // EEPROM "Velmar", 0x00, 0x2A: 8 bytes
      .Put(43, {0x10, 0x80})        // DeviceID
      .Put(45, {0xDA})              // match, high voltage, bulk erase (5 V), verify off, type B
      .Put(46, {0xA9})
      .Put(47, {0x00})
      .Put(48, {1, 2, 3, 4, 5, 6, 7, 8})  // ID locations
      // CONFIG1L..4H from the file (FF 08 1E 1E FF 81 81 FF) AND Fuses 00CF1F1F0087C500
      .Put(56, {0x00, 0x08, 0x1E, 0x1E, 0x00, 0x81, 0x81, 0x00})
      // 11 configuration bytes in the file, so the protection bytes AND Lockbits
      .Put(64, {0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40})
      .Put(70, {0x0B, 0x20, 0x00, 0x20, 0x8F, 0x3F, 0x04, 0x00, 0x01, 0x01})  // count, block, buffer, erase, ...
      .Put(80, {0xFF, 0xFF})    // reserved; supply: the 5 V box is shown and unchecked
      .Put(84, {0x00})          // no limit
      .Put(86, {0x05})
      .Put(87, {0x00, 0x80, 0x00})  // 32768 bytes of code memory
      .Put(90, {0x81, 0x00, 0x00})  // 32768 + 160 rounded up to 129 pages of 256
      .Put(94, {0x08})
      .Text(95, 20, "blink.hex")
      .Text(116, 15, "PIC18F4520")
      .Put(142, {0x7A})  // code checksum over 64 bytes
      .Put(147, {0x00})  // 8 IDs: no extra bytes
      .Put(158, {0xFF, 0xFF});
  EXPECT_EQ(Dump(H()), Dump(e.Sealed()));
  EXPECT_EQ(result.layout.codeLength, 64u);
  EXPECT_EQ(result.layout.codeChecksum, 0x7A);
  EXPECT_EQ(Slot(0, 160), Bytes(H(), H() + 160));
  EXPECT_EQ(Slot(160, 4), (Bytes{0x0D, 0xEF, 0x00, 0xF0}));
  EXPECT_EQ(Slot(33024, 9), (Bytes{0x56, 0x65, 0x6C, 0x6D, 0x61, 0x72, 0x00, 0x2A, 0xFF}));
  EXPECT_EQ(result.record->StartPage, 0u);
  EXPECT_EQ(result.record->NextPage, 1032u);
  EXPECT_EQ(f.C().Text("ProgCaption2"), slot::MakeSlotName(1, "Blink").substr(0, 28));  // the box holds 28
  EXPECT_TRUE(f.W().Data.ConfigDataFound);
}

TEST_F(SlotBuildTest, Pic18kExample) {
  Show(3, 3, "PIC18F46K22");
  Example("pic18f46k22");
  ASSERT_TRUE(Build()) << f.dialogs.LastText();
  Expected e;
  e.Put(0, {0x08, 0x04, 0x00, 0x08, 0x04, 0x00})
      .Text(6, 32, "001 Blink")
      .Put(38, {0x40, 0x00, 0x00})  // 58 bytes padded to 64
      .Put(41, {0x0B, 0x00})        // "Velmar K22", 0x00
      .Put(43, {0x54, 0x00})
      .Put(45, {0xDA})  // match, high voltage, bulk erase (5 V and K22: one bit), verify off, K22
      .Put(46, {0x62})  // K22
      .Put(47, {0x24})  // PIC18 K, K22
      .Put(48, {0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x00, 0x01})
      // FF 28 06 3C FF BD 81 FF AND 00FF1F3F00BFC500
      .Put(56, {0x00, 0x28, 0x06, 0x3C, 0x00, 0xBD, 0x81, 0x00})
      .Put(64, {0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40})
      .Put(70, {0x0B, 0x40, 0x00, 0x40, 0x8F, 0x0F, 0x04, 0x00, 0x01, 0x02})
      .Put(80, {0xFF, 0xFF})
      .Put(84, {0x00})
      .Put(86, {0x05})
      .Put(87, {0x00, 0x00, 0x01})  // 65536
      .Put(90, {0x01, 0x01, 0x00})  // 65696 rounded up to 257 pages
      .Put(94, {0x88})              // K22
      .Text(95, 20, "blink.hex")
      .Text(116, 15, "PIC18F46K22")
      .Put(142, {0x12})
      .Put(147, {0x00})
      .Put(158, {0xFF, 0xFF});
  EXPECT_EQ(Dump(H()), Dump(e.Sealed()));
  EXPECT_EQ(Slot(65792, 11), (Bytes{0x56, 0x65, 0x6C, 0x6D, 0x61, 0x72, 0x20, 0x4B, 0x32, 0x32, 0x00}));
}

TEST_F(SlotBuildTest, Pic18jExample) {
  Show(3, 2, "PIC18F46J50");
  Example("pic18f46j50");
  ASSERT_TRUE(Build()) << f.dialogs.LastText();
  Expected e;
  e.Put(0, {0x08, 0x04, 0x00, 0x08, 0x04, 0x00})
      .Text(6, 32, "001 Blink")
      .Put(38, {0x00, 0x00, 0x01})  // the configuration words end the 64 KiB
      .Put(41, {0x00, 0x00})
      .Put(43, {0x4C, 0xA0})
      .Put(45, {0x92})  // match, bulk erase and bit 1
      .Put(46, {0xA9})
      .Put(47, {0x80})
      .Put(56, {0xFF, 0xF7, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF})  // the default mask (unused fuses unchecked)
      .Put(71, {0x04, 0x00, 0x40, 0x80, 0x01, 0x00, 0x00, 0x02, 0x35})  // bulk erase: 524 ms
      .Put(80, {0xFF, 0xA9})
      .Put(84, {0x00})
      .Put(86, {0x05})
      .Put(87, {0x00, 0x00, 0x01})
      .Put(90, {0x01, 0x01, 0x00})
      .Put(94, {0x08})
      .Text(95, 20, "blink.hex")
      .Text(116, 15, "PIC18F46J50")
      .Put(142, {0x7E})
      .Put(158, {0xFF, 0xFF});
  EXPECT_EQ(Dump(H()), Dump(e.Sealed()));
  // The file's configuration words already had the debugger off and bit 3 clear.
  EXPECT_EQ(Slot(160 + 0xFFF8, 8), (Bytes{0xAC, 0xF7, 0x10, 0xFF, 0xF3, 0xF8, 0xFF, 0xF1}));
}

TEST_F(SlotBuildTest, Pic16Example) {
  Show(3, 1, "PIC16F628A");
  Example("pic16f628a");
  ASSERT_TRUE(Build()) << f.dialogs.LastText();
  Expected e;
  e.Put(0, {0x08, 0x04, 0x00, 0x08, 0x04, 0x00})
      .Text(6, 32, "001 Blink")
      .Put(38, {0x2A, 0x00, 0x00})  // 21 words, RowSize 2
      .Put(41, {0x08, 0x00})
      .Put(43, {0x10, 0x60})
      .Put(45, {0xDC})  // match, high voltage (column 3 locks it), bulk erase, verify off, family
      .Put(46, {0x1D})  // Program All on column 3
      .Put(47, {0x00})
      .Put(48, {0x01, 0x00, 0x02, 0x00, 0x03, 0x00, 0x04, 0x00})
      .Put(56, {0x70, 0x3F})  // FuseCount 2: one word
      .Put(70, {0x02})
      .Put(76, {0x03, 0x00})
      .Put(80, {0xFF, 0xFF})
      .Put(84, {0x00})
      .Put(86, {0x05})
      .Put(87, {0x00, 0x10, 0x00})
      .Put(90, {0x11, 0x00, 0x00})  // 4256 rounded up to 17 pages
      .Put(94, {0x08})
      .Text(95, 20, "blink.hex")
      .Text(116, 15, "PIC16F628A")
      .Put(142, {0x56, 0x02})  // code checksum; RowSize
      .Put(158, {0xFF, 0xFF});
  EXPECT_EQ(Dump(H()), Dump(e.Sealed()));
  EXPECT_EQ(Slot(160 + 42, 4), (Bytes{0xFF, 0x3F, 0xFF, 0x3F}));  // blank words fill the device
  EXPECT_EQ(Slot(160 + 4096, 2), (Bytes{0xFF, 0xFF}));
  EXPECT_EQ(Slot(4352, 8), (Bytes{0x56, 0x65, 0x6C, 0x6D, 0x61, 0x72, 0x00, 0x2A}));
}

// Preserve Data Memory cannot go with Program Data Only: choosing the latter
// clears the box, so the data part is the program's data, not the preserve
// marker that replaces its first byte.
TEST_F(SlotBuildTest, ProgramDataOnlyAfterPreserveDataMemoryKeepsTheData) {
  Show(3, 1, "PIC16F628A");
  Example("pic16f628a");
  f.C().SetChecked("DataSave", true);
  f.C().SetItemIndex("ProgramOps", 1);
  EXPECT_FALSE(f.C().Checked("DataSave"));
  EXPECT_FALSE(f.C().Enabled("DataSave"));
  ASSERT_TRUE(Build()) << f.dialogs.LastText();
  EXPECT_EQ(H()[47] & 0x40, 0) << "no preserve flag";
  EXPECT_EQ(Slot(4352, 8), (Bytes{0x56, 0x65, 0x6C, 0x6D, 0x61, 0x72, 0x00, 0x2A}));
}

TEST_F(SlotBuildTest, Pic24FjExample) {
  Show(4, 4, "PIC24FJ64GA002");
  Example("pic24fj64ga002");
  ASSERT_TRUE(Build()) << f.dialogs.LastText();
  Expected e;
  e.Put(0, {0x00, 0x04, 0x00, 0x00, 0x04, 0x00})  // 1024 pages of 512 per 8-way slot
      .Text(6, 32, "001 Blink")
      .Put(38, {0x00, 0xAC, 0x00})  // 66048 / 3 x 2 program addresses
      .Put(41, {0x00, 0x00})
      .Put(43, {0x04, 0x47})
      .Put(45, {0x98})  // match, always 0x10, verify off
      .Put(46, {0xA0})  // FJ
      .Put(47, {0x00})
      .Put(56, {0xFF, 0x87, 0xDF, 0x7F})  // the Fuses mask, two words
      .Put(70, {0x02, 0x40})
      .Put(73, {0x40, 0x40, 0x4F, 0x20, 0x00, 0x02, 0x28})
      .Put(80, {0xFF, 0xB8})
      .Put(86, {0x05})
      .Put(87, {0x00, 0xAC, 0x00})
      .Put(90, {0x82, 0x00, 0x00})  // 66208 rounded up to 130 pages of 512
      .Put(94, {0x08})
      .Text(95, 20, "blink.hex")
      .Text(116, 15, "PIC24FJ64GA002")
      .Put(142, {0x83})
      .Put(158, {0xFF, 0xFF});
  EXPECT_EQ(Dump(H()), Dump(e.Sealed()));
  EXPECT_EQ(result.layout.codeLength, 66048u);
  // CW2 F9DF AND FF87 and CW1 3F7F AND DF7F, upper bytes 0x00.
  EXPECT_EQ(Slot(160 + 66042, 6), (Bytes{0xDF, 0x81, 0x00, 0x5F, 0x3F, 0x00}));
  EXPECT_EQ(Slot(160, 3), (Bytes{0x00, 0x02, 0x04}));
}

TEST_F(SlotBuildTest, Pic24fExample) {
  Show(4, 4, "PIC24F16KA102");
  Example("pic24f16ka102");
  ASSERT_TRUE(Build()) << f.dialogs.LastText();
  Expected e;
  e.Put(0, {0x00, 0x04, 0x00, 0x00, 0x04, 0x00})
      .Text(6, 32, "001 Blink")
      .Put(38, {0x00, 0x2C, 0x00})  // 16896 / 3 x 2
      .Put(41, {0x00, 0x01})        // 512 / 2 words of EEPROM
      .Put(43, {0x0D, 0x03})
      .Put(45, {0x98})
      .Put(46, {0x90})  // KA, has EEPROM data
      .Put(47, {0x20})  // high-voltage entry chosen
      // FBS, reserved (0), FGS, FOSCSEL, FOSC, FWDT, FPOR, FICD AND 0F000387FFDFFB83, then FDS
      .Put(56, {0x0F, 0x00, 0x03, 0x87, 0xDB, 0x5F, 0xFB, 0x83, 0xDF})
      .Put(70, {0x09, 0x20})
      .Put(73, {0x20, 0x40, 0x64, 0x22, 0x00, 0x02, 0x28})
      .Put(80, {0xFF, 0xB8})
      .Put(86, {0x05})
      .Put(87, {0x00, 0x2C, 0x00})
      .Put(90, {0x22, 0x00, 0x00})  // 17056 rounded up to 34 pages
      .Put(94, {0x08})
      .Text(95, 20, "blink.hex")
      .Text(116, 15, "PIC24F16KA102")
      .Put(142, {0xE7})
      .Put(158, {0xFF, 0xFF});
  EXPECT_EQ(Dump(H()), Dump(e.Sealed()));
  EXPECT_EQ(result.layout.codeLength, 864u);  // 30 bytes padded to 3 x 32
  EXPECT_EQ(Slot(17408, 12), (Bytes{0x56, 0x65, 0x6C, 0x6D, 0x61, 0x72, 0x00, 0x24, 0x34, 0x12, 0xCD, 0xAB}));
}

TEST_F(SlotBuildTest, Pic24KaKeepsTheChosenLowVoltageEntry) {
  Show(4, 4, "PIC24F16KA102");
  Example("pic24f16ka102");
  ASSERT_TRUE(f.C().Enabled("progMode"));
  f.C().UserSelect("progMode", 0);
  ASSERT_TRUE(Build()) << f.dialogs.LastText();
  EXPECT_EQ(f.C().ItemIndex("progMode"), 0);
  EXPECT_TRUE(f.W().Data.LowVoltageMode);
  EXPECT_EQ(H()[47] & 0x20, 0x00);  // low-voltage entry recorded
}

// The portable hides Limit Programs Allowed; a limit ticked for another
// programmer and kept in the settings must not reach its slots unseen.
TEST_F(SlotBuildTest, AHiddenProductionLimitIsNotWritten) {
  for (int kind : {3, 4}) {
    Show(kind, 0, "PIC18F4520");
    Example("pic18f4520");
    f.C().SetChecked("limitPrograms", true);
    f.C().SetValue("ProgCount", 300);
    ASSERT_TRUE(Build()) << f.dialogs.LastText();
    const bool shown = kind != 3;
    EXPECT_EQ(f.C().Visible("limitPrograms"), shown);
    EXPECT_EQ(H()[84], shown ? 0x80 : 0x00) << kind;
    EXPECT_EQ(H()[158], shown ? 0x01 : 0xFF) << kind;
    EXPECT_EQ(H()[159], shown ? 0x2C : 0xFF) << kind;
  }
}

TEST_F(SlotBuildTest, DsPic30Example) {
  Show(4, 5, "dsPIC30F4011");
  Example("dspic30f4011");
  ASSERT_TRUE(Build()) << f.dialogs.LastText();
  Expected e;
  e.Put(0, {0x00, 0x04, 0x00, 0x00, 0x04, 0x00})
      .Text(6, 32, "001 Blink")
      .Put(38, {0x00, 0x80, 0x00})  // 49152 / 3 x 2
      .Put(41, {0x00, 0x02})        // 1024 / 2
      .Put(43, {0x01, 0x01})
      .Put(45, {0xF8})  // match, always 0x40, unit ID, 5 V, verify off
      .Put(46, {0x10})
      .Put(47, {0x02})
      .Put(48, {0x63, 0x00, 0x00})  // unit ID at 97 + 2 pages
      .Put(56, {0x00, 0xC1, 0x3F, 0x00, 0xB3, 0x87, 0x0F, 0x31, 0x0F, 0x33, 0x07, 0x00, 0x03, 0xC0})
      .Put(70, {0x07, 0x20})
      .Put(73, {0x20, 0x40, 0x7F, 0x23, 0x00, 0x02, 0x01})
      .Put(80, {0xFF, 0xFF})
      .Put(86, {0x05})
      .Put(87, {0x00, 0x80, 0x00})
      .Put(90, {0x61, 0x00, 0x00})  // 49312 rounded up to 97 pages
      .Put(94, {0x08})
      .Text(95, 20, "blink.hex")
      .Text(116, 15, "dsPIC30F4011")
      .Put(142, {0x92})
      .Put(158, {0xFF, 0xFF});
  EXPECT_EQ(Dump(H()), Dump(e.Sealed()));
  EXPECT_EQ(Slot(49664, 4), (Bytes{0x56, 0x65, 0x6C, 0x6D}));
  EXPECT_EQ(Slot(50688, 13), (Bytes{0x30, 0, 0, 0x34, 0, 0, 0x30, 0, 0, 0x31, 0, 0, 0xFF}));
}

// ---- Questions and refusals ----

TEST_F(SlotBuildTest, MissingConfigurationAsksForTheDefaults) {
  Show(3, 0, "PIC18F4520");
  WriteFile(f.working.File("plain.hex"), ":020000000102FB\n:00000001FF\n");
  File(f.working.File("plain.hex"));
  f.dialogs.Answer(DlgButton::No);
  EXPECT_FALSE(Build());
  EXPECT_EQ(f.dialogs.LastText(),
            "File does not contain Configuration Words data. Default values will be loaded. \rContinue?");
  EXPECT_EQ(f.dialogs.shown.back().title, "File Data Warning");
  EXPECT_EQ(result.slotImage.Count(), 0u);

  f.dialogs.Answer(DlgButton::Yes);
  ASSERT_TRUE(Build());
  // FDefs 00071F1F00838500 and LDefault 0FC00FE00F40.
  EXPECT_EQ(Bytes(H() + 56, H() + 70),
            (Bytes{0x00, 0x07, 0x1F, 0x1F, 0x00, 0x83, 0x85, 0x00, 0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40}));
  EXPECT_EQ(H()[70], 14);  // the device's FuseCount, read with the job's default
}

TEST_F(SlotBuildTest, Pic24fWithoutConfigurationAsksToo) {
  Show(4, 4, "PIC24F16KA102");
  WriteFile(f.working.File("plain.hex"), ":0400000001020300F6\n:00000001FF\n");
  File(f.working.File("plain.hex"));
  f.dialogs.Answer(DlgButton::No);
  EXPECT_FALSE(Build());
  f.dialogs.Answer(DlgButton::Yes);
  ASSERT_TRUE(Build());
  EXPECT_EQ(Bytes(H() + 56, H() + 65), (Bytes{0x0F, 0x00, 0x03, 0x87, 0xFF, 0xDF, 0xFB, 0x83, 0xFF}));
}

TEST_F(SlotBuildTest, DebuggerLeftOnIsQuestionedBeforeTheSlotIsMade) {
  Show(3, 0, "PIC18F4520");
  WriteFile(f.working.File("debug.hex"), ReadFile(SourceDir() + "examples/pic18f4520/blink.hex"));
  std::string text = ReadFile(f.working.File("debug.hex"));
  text.replace(text.find(":020005008181F7"), 15, ":02000500810177");  // CONFIG4L with DEBUG on
  WriteFile(f.working.File("debug.hex"), text);
  File(f.working.File("debug.hex"));
  f.dialogs.Answer(DlgButton::No);
  ASSERT_TRUE(Build());
  EXPECT_EQ(H()[62], 0x01);
  f.dialogs.Answer(DlgButton::Yes);
  ASSERT_TRUE(Build());
  EXPECT_EQ(H()[62], 0x81);
}

TEST_F(SlotBuildTest, ADescriptionIsRequired) {
  Show(3, 0, "PIC18F4520");
  Example("pic18f4520");
  for (const char* caption : {"", "*Enter Program Description *", "Empty slot"}) {
    f.C().SetText("ProgCaption", caption);
    EXPECT_FALSE(Build());
    EXPECT_EQ(f.dialogs.LastText(), "Please enter a Program Description");
  }
}

TEST_F(SlotBuildTest, DeviceRecordsOutOfRangeEndTheBuild) {
  f.dialogs.defaultAnswer = DlgButton::Yes;
  WriteFile(f.program.File("DEVICES.INI"),
            "[PIC18F46K22]\n[PIC24FJ99]\nFlashSize=66048\nType=24FJ\nFuseCount=9\nBufferSize=64\nBlockSize=64\n");
  f.Show(4);
  geometry.ApplyKind(4);
  f.Choose(4, "PIC24FJ99");
  f.C().SetText("ProgCaption", "Blink");
  Example("pic24fj64ga002");
  EXPECT_FALSE(Build());
  EXPECT_EQ(f.dialogs.LastText(),
            "The device record PIC24FJ99 in DEVICES.INI cannot be used:\rFuseCount 9 is out of range (1 to 7)");
  EXPECT_EQ(f.dialogs.shown.back().title, "Error");
}

// Values too wide for their header fields are refused as written, never
// wrapped into a smaller value that would pass.
TEST_F(SlotBuildTest, DeviceValuesTooWideForTheHeaderAreRefusedAsWritten) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"BufferSize=300", "BufferSize 300 is out of range (1 to 255)"},
      {"BlockSize=65600", "BlockSize 65600 is out of range (0 to 65535)"},
      {"EraseBlocks=260", "EraseBlocks 260 is out of range (0 to 255)"},
  };
  for (const auto& [line, message] : cases) {
    WriteFile(f.program.File("DEVICES.INI"), "[PIC18F4520]\nFlashSize=32768\n" + line + "\n");
    f.Show(3);
    geometry.ApplyKind(3);
    f.Choose(0, "PIC18F4520");
    f.C().SetText("ProgCaption", "Blink");
    Example("pic18f4520");
    EXPECT_FALSE(Build()) << line;
    EXPECT_EQ(f.dialogs.LastText(), "The device record PIC18F4520 in DEVICES.INI cannot be used:\r" + message);
  }
}

TEST_F(SlotBuildTest, ReplaceRewritesTheSelectedSlotInPlace) {
  Show(3, 0, "PIC18F4520");
  Example("pic18f4520");
  slot::HeaderBytes blank;
  blank.fill(0xFF);
  for (std::uint32_t i = 0; i < 3; ++i)
    slots.Add(std::make_unique<slot::TProgramEntry>(i * 1032, (i + 1) * 1032, 1032, slot::MakeSlotName(int(i) + 1, "x"),
                                                    "", "", blank));
  request.mode = image::mode_replace;
  request.selectedRow = 2;
  request.slotsShown = true;
  ASSERT_TRUE(Build());
  EXPECT_EQ(slots.CurrentIndex, 1);
  EXPECT_EQ(slot::GetText(H(), slot::slot_header::SlotName), slot::MakeSlotName(2, "Blink"));
  EXPECT_EQ(slot::GetField(H(), slot::slot_header::NextHeaderPage), 2064u);
  EXPECT_EQ(result.record->StartPage, 1032u);

  request.mode = image::mode_new;
  ASSERT_TRUE(Build());
  EXPECT_EQ(slot::GetText(H(), slot::slot_header::SlotName), slot::MakeSlotName(4, "Blink"));
  EXPECT_EQ(result.record->StartPage, 3096u);
  EXPECT_EQ(result.record->NextPage, 4128u);
}

// A Preserve Data Memory box greyed out while ticked (whatever greyed it out)
// must not change the data the slot carries.
TEST_F(SlotBuildTest, PreserveDataMemoryGreyedOutKeepsTheUsersData) {
  Show(3, 1, "PIC16F628A");
  Example("pic16f628a");
  f.C().SetItemIndex("ProgramOps", 1);
  f.C().SetEnabled("DataSave", true);
  f.C().SetChecked("DataSave", true);
  f.C().SetEnabled("DataSave", false);
  ASSERT_TRUE(f.C().Checked("DataSave"));
  ASSERT_FALSE(f.C().Enabled("DataSave"));
  ASSERT_TRUE(Build()) << f.dialogs.LastText();
  EXPECT_EQ(H()[47] & 0x40, 0);
  EXPECT_EQ(slot::GetField(H(), slot::slot_header::DataLength), 8u);
  EXPECT_EQ(Slot(4352, 2), (Bytes{0x56, 0x65}));  // EEPROM byte 0 is the file's, not the preserve marker
}

// A file with nothing in it, or with a line that is not a record, is no
// program: every family refuses it with its own message, then names the
// user's file and the line with the reason (never an intermediate file, and
// before any question about its contents).
TEST_F(SlotBuildTest, AnEmptyOrBrokenFileBuildsNoSlotAndIsNamed) {
  struct Case {
    int kind, family;
    const char* device;
    std::string message;  // the family's own words, before the file's name
  };
  const std::string file = f.working.File("user.hex");
  const Case cases[] = {
      {3, 0, "PIC18F4520", "Error opening file or bad data \r" + file},
      {3, 3, "PIC18F46K22", "Error opening file or bad data \r" + file},
      {3, 2, "PIC18F46J50", "Bad File Data\r" + file + "\rQuitting"},
      {3, 1, "PIC16F628A", "Error in Hex file - bad format for PIC16 Devices\rQuitting"},
      {4, 4, "PIC24FJ64GA002", "Error in Hex file - bad format for PIC24 Devices\rQuitting"},
      {4, 4, "PIC24F16KA102", "Error in Hex file - bad format for PIC24F Devices\rQuitting"},
      {4, 5, "dsPIC30F4011", "Error in Hex file - bad format for dsPIC30 Devices\rQuitting"},
  };
  struct Content {
    std::string text, detail;
  };
  const Content contents[] = {
      {"", " holds no lines"},
      {":020000040000FA\n:04000000010203G4F2\n:00000001FF\n", " line 2: "},
      {"This is a text file\nnot a HEX file\n", " line 1: "},
  };
  for (const Case& c : cases) {
    for (const Content& content : contents) {
      SCOPED_TRACE(std::string(c.device) + " " + content.text);
      std::filesystem::remove(f.program.File("DEVICES.INI"));
      Show(c.kind, c.family, c.device);
      WriteFile(file, content.text);
      File(file);
      f.dialogs.defaultAnswer = DlgButton::Yes;
      const std::size_t shown = f.dialogs.shown.size();
      EXPECT_FALSE(Build());
      ASSERT_EQ(f.dialogs.shown.size(), shown + 1) << "one message, no question first: " << f.dialogs.LastText();
      const std::string expected = c.message + "\r" + file + content.detail;
      EXPECT_EQ(f.dialogs.LastText().substr(0, expected.size()), expected) << f.dialogs.LastText();
      EXPECT_EQ(f.dialogs.LastText().find("kf_"), std::string::npos) << f.dialogs.LastText();
    }
  }
}

TEST_F(SlotBuildTest, WorkingFolderIsMadeAndOldPiecesGo) {
  Show(3, 1, "PIC16F628A");
  f.W().Folders.working = f.working.Path() + "torvik/VELMAR/";
  Example("pic16f628a");
  ASSERT_TRUE(Build());
  EXPECT_TRUE(Exists(f.W().Folders.working + "kf_flashtest.hex"));
  // A program without EEPROM data must not pick up the last one's.
  WriteFile(f.working.File("noeeprom.hex"), ":020000000528D1\n:00000001FF\n");
  File(f.working.File("noeeprom.hex"));
  ASSERT_TRUE(Build());
  EXPECT_FALSE(Exists(f.W().Folders.working + "kf_eeprom.hex"));
  EXPECT_EQ(slot::GetField(H(), slot::slot_header::DataLength), 0u);
}

}  // namespace
