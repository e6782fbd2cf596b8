// Building slots from the shipped examples through the main window model,
// one complete slot per family, against the golden headers in golden/
// (written out by hand, never by running the builders; see its README.md).
// Then the questions of the build with both answers and its refusals.
#include "operations/SlotBuild.h"

#include <filesystem>
#include <sstream>
#include <tuple>

#include <gtest/gtest.h>

#include "model/WindowFixture.h"
#include "operations/GoldenSlotFile.h"
#include "platform/Text.h"
#include "slot/ProgrammerGeometry.h"
#include "slot/SlotHeader.h"

using velmar::model::Ctl;

using namespace velmar;
using namespace velmar::test;
using platform::DlgButton;

namespace {

using Bytes = std::vector<std::uint8_t>;

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
    geometry.ApplyKind(slot::KindFromNumber(kind).value());
    f.Choose(family, device);
    f.C().SetText(Ctl::ProgCaption, "Blink");
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
// Each golden file (golden/README.md) is one such build: the header must be
// the file's byte for byte, and the slot image starts with it.
struct GoldenSlotBuild : SlotBuildTest, ::testing::WithParamInterface<std::string> {};

TEST_P(GoldenSlotBuild, HeaderAndSlotAreTheFilesBytes) {
  GoldenSlot g;
  ASSERT_NO_THROW(g = ReadGoldenSlot(GoldenSlotFolder() + GetParam() + ".hdr"));
  std::uint8_t sum = 0;
  for (std::size_t i = 0; i < 158; ++i) sum = std::uint8_t(sum + g.header[i]);
  ASSERT_EQ(sum, 0) << "the golden header's own checksum (byte 157) does not add up";

  Show(g.kind, g.family, g.device);
  Example(g.example);
  ASSERT_TRUE(Build()) << f.dialogs.LastText();
  EXPECT_EQ(Dump(H()), Dump(g.header.data()));
  EXPECT_EQ(Slot(0, 160), Bytes(H(), H() + 160));
  if (g.codeLength) {
    EXPECT_EQ(result.layout.codeLength, *g.codeLength);
  }
  if (g.codeChecksum) {
    EXPECT_EQ(result.layout.codeChecksum, *g.codeChecksum);
  }
  for (const auto& [at, bytes] : g.slotBytes) {
    EXPECT_EQ(Slot(at, std::uint32_t(bytes.size())), bytes) << "slot image at " << at;
  }
}

INSTANTIATE_TEST_SUITE_P(Examples, GoldenSlotBuild, ::testing::ValuesIn(GoldenSlotNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

// Besides the header, the first slot's record and the window's copy of its
// name.
TEST_F(SlotBuildTest, TheNewSlotsRecordAndCaption) {
  Show(3, 0, "PIC18F4520");
  Example("pic18f4520");
  ASSERT_TRUE(Build()) << f.dialogs.LastText();
  EXPECT_EQ(result.record->StartPage, 0u);
  EXPECT_EQ(result.record->NextPage, 1032u);
  EXPECT_EQ(f.C().Text(Ctl::selectedDescription), slot::MakeSlotName(1, "Blink").substr(0, 28));  // the box holds 28
  EXPECT_TRUE(f.W().Data.ConfigDataFound);
}

// Preserve Data Memory cannot go with Program Data Only: choosing the latter
// clears the box, so the data part is the program's data, not the preserve
// marker that replaces its first byte.
TEST_F(SlotBuildTest, ProgramDataOnlyAfterPreserveDataMemoryKeepsTheData) {
  Show(3, 1, "PIC16F628A");
  Example("pic16f628a");
  f.C().SetChecked(Ctl::DataSave, true);
  f.C().SetItemIndex(Ctl::ProgramOps, 1);
  EXPECT_FALSE(f.C().Checked(Ctl::DataSave));
  EXPECT_FALSE(f.C().Enabled(Ctl::DataSave));
  ASSERT_TRUE(Build()) << f.dialogs.LastText();
  EXPECT_EQ(H()[47] & 0x40, 0) << "no preserve flag";
  EXPECT_EQ(Slot(4352, 8), (Bytes{0x56, 0x65, 0x6C, 0x6D, 0x61, 0x72, 0x00, 0x2A}));
}

TEST_F(SlotBuildTest, Pic24KaKeepsTheChosenLowVoltageEntry) {
  Show(4, 4, "PIC24F16KA102");
  Example("pic24f16ka102");
  ASSERT_TRUE(f.C().Enabled(Ctl::progMode));
  f.C().UserSelect(Ctl::progMode, 0);
  ASSERT_TRUE(Build()) << f.dialogs.LastText();
  EXPECT_EQ(f.C().ItemIndex(Ctl::progMode), 0);
  EXPECT_TRUE(f.W().Data.LowVoltageMode);
  EXPECT_EQ(H()[47] & 0x20, 0x00);  // low-voltage entry recorded
}

// The portable hides Limit Programs Allowed; a limit ticked for another
// programmer and kept in the settings must not reach its slots unseen.
TEST_F(SlotBuildTest, AHiddenProductionLimitIsNotWritten) {
  for (int kind : {3, 4}) {
    Show(kind, 0, "PIC18F4520");
    Example("pic18f4520");
    f.C().SetChecked(Ctl::limitPrograms, true);
    f.C().SetValue(Ctl::ProgCount, 300);
    ASSERT_TRUE(Build()) << f.dialogs.LastText();
    const bool shown = kind != 3;
    EXPECT_EQ(f.C().Visible(Ctl::limitPrograms), shown);
    EXPECT_EQ(H()[84], shown ? 0x80 : 0x00) << kind;
    EXPECT_EQ(H()[158], shown ? 0x01 : 0xFF) << kind;
    EXPECT_EQ(H()[159], shown ? 0x2C : 0xFF) << kind;
  }
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
    f.C().SetText(Ctl::ProgCaption, caption);
    EXPECT_FALSE(Build());
    EXPECT_EQ(f.dialogs.LastText(), "Please enter a Program Description");
  }
}

TEST_F(SlotBuildTest, DeviceRecordsOutOfRangeEndTheBuild) {
  f.dialogs.defaultAnswer = DlgButton::Yes;
  WriteFile(f.program.File("DEVICES.INI"),
            "[PIC18F46K22]\n[PIC24FJ99]\nFlashSize=66048\nType=24FJ\nFuseCount=9\nBufferSize=64\nBlockSize=64\n");
  f.Show(4);
  geometry.ApplyKind(slot::kind_8way_v2);
  f.Choose(4, "PIC24FJ99");
  f.C().SetText(Ctl::ProgCaption, "Blink");
  Example("pic24fj64ga002");
  EXPECT_FALSE(Build());
  EXPECT_EQ(f.dialogs.LastText(),
            "The device record PIC24FJ99 in DEVICES.INI cannot be used:\rFuseCount 9 is out of range (1 to 7)");
  EXPECT_EQ(f.dialogs.shown.back().title, "Error");
}

// Values too wide for their header fields are refused as written, never
// wrapped into a smaller value that would pass: the device record's line and
// the refusal.
using TooWideValue = std::pair<std::string, std::string>;
class TooWideValues : public SlotBuildTest, public ::testing::WithParamInterface<TooWideValue> {};

TEST_P(TooWideValues, AreRefusedAsWritten) {
  const auto& [line, message] = GetParam();
  WriteFile(f.program.File("DEVICES.INI"), "[PIC18F4520]\nFlashSize=32768\n" + line + "\n");
  f.Show(3);
  geometry.ApplyKind(slot::kind_portable);
  f.Choose(0, "PIC18F4520");
  f.C().SetText(Ctl::ProgCaption, "Blink");
  Example("pic18f4520");
  EXPECT_FALSE(Build()) << line;
  EXPECT_EQ(f.dialogs.LastText(), "The device record PIC18F4520 in DEVICES.INI cannot be used:\r" + message);
}

INSTANTIATE_TEST_SUITE_P(
    SlotBuild, TooWideValues,
    ::testing::Values(TooWideValue{"BufferSize=300", "BufferSize 300 is out of range (1 to 255)"},
                      TooWideValue{"BlockSize=65600", "BlockSize 65600 is out of range (0 to 65535)"},
                      TooWideValue{"EraseBlocks=260", "EraseBlocks 260 is out of range (0 to 255)"}));

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
  f.C().SetItemIndex(Ctl::ProgramOps, 1);
  f.C().SetEnabled(Ctl::DataSave, true);
  f.C().SetChecked(Ctl::DataSave, true);
  f.C().SetEnabled(Ctl::DataSave, false);
  ASSERT_TRUE(f.C().Checked(Ctl::DataSave));
  ASSERT_FALSE(f.C().Enabled(Ctl::DataSave));
  ASSERT_TRUE(Build()) << f.dialogs.LastText();
  EXPECT_EQ(H()[47] & 0x40, 0);
  EXPECT_EQ(slot::GetField(H(), slot::slot_header::DataLength), 8u);
  EXPECT_EQ(Slot(4352, 2), (Bytes{0x56, 0x65}));  // EEPROM byte 0 is the file's, not the preserve marker
}

// A file with nothing in it, or with a line that is not a record, is no
// program: every family refuses it with its own message, then names the
// user's file and the line with the reason (never an intermediate file, and
// before any question about its contents).
struct RefusingFamily {
  int kind, family;
  const char* device;
  const char* message;  // the family's own words before the file's name; %s stands for the file
};
struct UnusableContent {
  const char* name;
  const char* text;
  const char* detail;  // what follows the file's name
};

void PrintTo(const RefusingFamily& f, std::ostream* os) { *os << f.device; }
void PrintTo(const UnusableContent& c, std::ostream* os) { *os << c.name; }

const RefusingFamily kRefusingFamilies[] = {
    {3, 0, "PIC18F4520", "Error opening file or bad data \r%s"},
    {3, 3, "PIC18F46K22", "Error opening file or bad data \r%s"},
    {3, 2, "PIC18F46J50", "Bad File Data\r%s\rQuitting"},
    {3, 1, "PIC16F628A", "Error in Hex file - bad format for PIC16 Devices\rQuitting"},
    {4, 4, "PIC24FJ64GA002", "Error in Hex file - bad format for PIC24 Devices\rQuitting"},
    {4, 4, "PIC24F16KA102", "Error in Hex file - bad format for PIC24F Devices\rQuitting"},
    {4, 5, "dsPIC30F4011", "Error in Hex file - bad format for dsPIC30 Devices\rQuitting"},
};
const UnusableContent kUnusableContents[] = {
    {"Empty", "", " holds no lines"},
    {"BadCharacter", ":020000040000FA\n:04000000010203G4F2\n:00000001FF\n", " line 2: "},
    {"PlainText", "This is a text file\nnot a HEX file\n", " line 1: "},
};

struct UnusableFile : SlotBuildTest, ::testing::WithParamInterface<std::tuple<RefusingFamily, UnusableContent>> {};

TEST_P(UnusableFile, BuildsNoSlotAndIsNamed) {
  const auto& [family, content] = GetParam();
  const std::string file = f.working.File("user.hex");
  std::string message = family.message;
  if (const std::size_t at = message.find("%s"); at != std::string::npos) message.replace(at, 2, file);
  Show(family.kind, family.family, family.device);
  WriteFile(file, content.text);
  File(file);
  f.dialogs.defaultAnswer = DlgButton::Yes;
  const std::size_t shown = f.dialogs.shown.size();
  EXPECT_FALSE(Build());
  ASSERT_EQ(f.dialogs.shown.size(), shown + 1) << "one message, no question first: " << f.dialogs.LastText();
  const std::string expected = message + "\r" + file + content.detail;
  EXPECT_EQ(f.dialogs.LastText().substr(0, expected.size()), expected) << f.dialogs.LastText();
  EXPECT_EQ(f.dialogs.LastText().find("kf_"), std::string::npos) << f.dialogs.LastText();
}

INSTANTIATE_TEST_SUITE_P(EveryFamily, UnusableFile,
                         ::testing::Combine(::testing::ValuesIn(kRefusingFamilies),
                                            ::testing::ValuesIn(kUnusableContents)),
                         [](const ::testing::TestParamInfo<UnusableFile::ParamType>& info) {
                           return std::string(std::get<0>(info.param).device) + "_" + std::get<1>(info.param).name;
                         });

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

// Another run sharing the working folder writes its pieces while this build
// waits on a question: this build must go on with its own.
TEST_F(SlotBuildTest, AnotherRunsPiecesInTheWorkingFolderAreNeverRead) {
  Show(3, 0, "PIC18F4520");
  WriteFile(f.working.File("plain.hex"), ":020000000102FB\n:00000001FF\n");
  File(f.working.File("plain.hex"));
  const std::string working = f.W().Folders.working;
  f.dialogs.onMessage = [&](const platform::MessageBoxRequest&) {
    WriteFile(working + "kf_flash.hex", ":020FFE000000F1\n:00000001FF\n");  // 4096 bytes of a PIC16 program
    WriteFile(working + "kf_eeprom.hex", ":0100000055AA\n:00000001FF\n");
  };
  f.dialogs.Answer(DlgButton::Yes);
  ASSERT_TRUE(Build());
  EXPECT_EQ(result.layout.rawCodeLength, 2u);
  EXPECT_EQ(result.slotImage.GetValue(160), 0x01);
  // Afterwards the working folder shows this build's pieces, whole.
  EXPECT_NE(ReadFile(working + "kf_flash.hex").find(":020000000102FB"), std::string::npos);
  EXPECT_EQ(ReadFile(working + "kf_flash.hex").find(":020FFE"), std::string::npos);
  for (const auto& entry : std::filesystem::directory_iterator(working))
    EXPECT_NE(entry.path().filename().string().rfind(".kf_build-", 0), 0u) << "private build folder left behind";
}

}  // namespace
