// Copy Unit and Load Unit on the window model against the simulated
// programmer: a copy loaded back restores the same bytes on every kind, the
// questions and refusals, the 8-way's half-page reads (both must succeed), a
// save that fails, the portable's page-mode adjustment, the unit image file
// checks, old slots past a loaded image, a programmer that asks for new
// firmware mid-operation, and the command-line start's Load Unit.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "image/TFileLoader.h"
#include "link/LinkErrors.h"
#include "link/TReadProg.h"
#include "operations/DurationEstimate.h"
#include "operations/OperationsRig.h"
#include "operations/UnitCopy.h"
#include "operations/UnitImageCheck.h"
#include "operations/UnitLoad.h"
#include "operations/WindowOperations.h"
#include "platform/FileDigest.h"
#include "platform/Paths.h"
#include "platform/Text.h"

namespace velmar::test {
namespace {

using platform::DlgButton;

const ExampleProgram kPic16{"pic16f628a", 1, "PIC16F628A"};
const ExampleProgram kPic18{"pic18f4520", 0, "PIC18F4520"};

void AddSlots(OpsRig& rig, int count) {
  const auto answer = rig.dialogs.script.defaultAnswer;
  rig.AnswerYes();
  for (int i = 1; i <= count; ++i) {
    rig.Example(i % 2 ? kPic16 : kPic18, "Job " + std::to_string(i));
    ASSERT_TRUE(ops::NewButtonClick(rig.W())) << rig.dialogs.script.LastText();
  }
  rig.dialogs.script.defaultAnswer = answer;
}

bool Copy(OpsRig& rig, const std::string& file) {
  rig.dialogs.script.Answer(DlgButton::Yes);
  rig.dialogs.script.AnswerSave(file);
  return ops::CopyButtonClick(rig.W());
}

// Load Unit of `file`, both questions (before the file is chosen and on
// what it holds) answered Yes.
bool Load(OpsRig& rig, const std::string& file) {
  rig.dialogs.script.Answer(DlgButton::Yes);
  rig.dialogs.script.Answer(DlgButton::Yes);
  rig.dialogs.script.AnswerOpen(file);
  return ops::LoadButtonClick(rig.W());
}

class UnitCopyAndLoad : public ::testing::TestWithParam<int> {};

TEST_P(UnitCopyAndLoad, ACopyLoadedBackRestoresTheSameBytes) {
  const int kind = GetParam();
  OpsRig rig(kind);
  model::TMainForm& w = rig.Begin();
  AddSlots(rig, kind == 2 || kind == 3 || kind == 4 ? 2 : 1);
  const image::THexList original = rig.Flash();
  const std::string file = rig.work.File("unit.prg");
  ASSERT_TRUE(Copy(rig, file)) << kind << ": " << rig.dialogs.script.LastText();
  EXPECT_EQ(rig.dialogs.script.LastText(), "Programmer Copied successfully\r" + file +
                                               "\rSHA-256: " + *platform::FileSha256(file) +
                                               "\rNot verified: every page read once (verify reads each page twice)");
  EXPECT_EQ(rig.view.captions.back(), "Copying Programmer");

  rig.dialogs.script.Answer(DlgButton::Yes);
  ASSERT_TRUE(ops::EraseButtonClick(w));
  ASSERT_TRUE(Load(rig, file)) << kind << ": " << rig.dialogs.script.LastText();
  EXPECT_EQ(rig.dialogs.script.LastText(), "Programmer Loaded successfully\r" + file);
  EXPECT_TRUE(SameBytes(original, rig.Flash())) << kind;
  EXPECT_EQ(w.Programs.EntryCount, kind == 2 || kind == 3 || kind == 4 ? 2 : 1) << "the directory was read back";
  EXPECT_EQ(text::Trim(w.Programs.Get(0).SlotName), "001 Job 1");
  EXPECT_EQ(rig.view.open, 0);
  EXPECT_FALSE(w.Link()->LinkOpen);
}

INSTANTIATE_TEST_SUITE_P(EveryKind, UnitCopyAndLoad, ::testing::Range(0, 6),
                         [](const ::testing::TestParamInfo<int>& info) { return "Kind" + std::to_string(info.param); });

// A page whose data reaches the loader with a bit flipped: a copy that
// reads each page once saves the wrong byte as success; a verified copy
// reads the page again until two reads agree (and saves the programmer's
// true contents), or, when no two reads ever agree, fails naming the page
// and saves nothing.
TEST(UnitCopyVerify, FlippedBitsInIncomingDataAreReadAgainOrFailNamingThePage) {
  struct Case {
    const char* name;
    int kind;
    bool verify;
    int flips;  // flipped reads of the page (0: every read)
    bool copied, sameAsProgrammer;
  };
  const Case cases[] = {
      {"unverifiedSavesWrongData", 0, false, 1, true, false}, {"oneFlipIsReadAgain", 0, true, 1, true, true},
      {"twoFlipsAreReadAgain", 0, true, 2, true, true},       {"halfPagesReadAgain", 2, true, 3, true, true},
      {"neverAlikeFails", 0, true, 0, false, false},          {"neverAlikeFailsOnHalfPages", 2, true, 0, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    OpsRig rig(c.kind);
    rig.Begin();
    AddSlots(rig, 1);
    const std::uint32_t page = 1;  // the first slot's first data page
    rig.Sim().faults.flipReadPage = int(page);
    rig.Sim().faults.flipReadCount = c.flips;
    rig.C().SetChecked(model::Ctl::VerifyAfterWriting, c.verify);
    const image::THexList programmer = rig.Flash();
    const std::string file = rig.work.File("unit.prg");

    EXPECT_EQ(Copy(rig, file), c.copied) << rig.dialogs.script.LastText();
    if (!c.copied) {
      EXPECT_EQ(rig.dialogs.script.LastText(),
                "Programmer Read Error\rPage 1 read differently each time (5 reads); the unit image was not saved");
      EXPECT_FALSE(std::filesystem::exists(file));
      continue;
    }
    EXPECT_NE(rig.dialogs.script.LastText().find(c.verify ? "\rVerified: every page read twice with the same data"
                                                          : "\rNot verified"),
              std::string::npos)
        << rig.dialogs.script.LastText();
    image::THexList saved(programmer.Count());
    ASSERT_FALSE(image::TFileLoader::LoadFile(file, saved).Failed());
    const std::uint32_t size = rig.PageSize();
    EXPECT_EQ(std::equal(saved.DataAt(page * size), saved.DataAt(page * size) + size, programmer.DataAt(page * size)),
              c.sameAsProgrammer);
  }
}

TEST(UnitCopy, ReadsTheListedSlotsAndAsksWithTheKindsDuration) {
  OpsRig rig(3);
  model::TMainForm& w = rig.Begin();
  AddSlots(rig, 3);
  ASSERT_TRUE(Copy(rig, rig.work.File("three")));
  EXPECT_EQ(rig.dialogs.script.shown[rig.dialogs.script.shown.size() - 2].text,
            "This Operation can take up to 20 minutes\rThis copy takes about 4 min 10 s to 4 min 35 s (3 slots)"
            "\r\rDo you want to continue?");
  EXPECT_EQ(rig.view.largestMaximum, int(3 * w.Link()->Geometry.PagesPerSlot()));
  EXPECT_TRUE(Exists(rig.work.File("three.prg"))) << "a name typed without extension gets .prg";
  EXPECT_EQ(rig.dialogs.script.fileRequests.back().filter, "PRG|*.prg|All Files|*.*");
  EXPECT_EQ(w.LastFolder, rig.work.Path());

  OpsRig eight(2);
  eight.Begin();
  AddSlots(eight, 1);
  ASSERT_TRUE(Copy(eight, eight.work.File("one.prg")));
  EXPECT_EQ(eight.dialogs.script.shown[eight.dialogs.script.shown.size() - 2].text.rfind(
                "This Operation can take up to 10 minutes\rThis copy takes about ", 0),
            0u);
}

// The estimate's protocol part is what the simulated copy takes on the
// virtual clock: whole pages or halves, read once or verified.
TEST(UnitCopy, TheQuestionGivesTheDurationTheRunTakes) {
  struct Case {
    int kind, slots;
    bool verify;
  };
  for (const Case c : {Case{0, 1, false}, Case{2, 2, false}, Case{3, 2, false}, Case{3, 1, true}, Case{4, 1, true},
                       Case{5, 1, false}}) {
    OpsRig rig(c.kind);
    model::TMainForm& w = rig.Begin();
    AddSlots(rig, c.slots);
    rig.C().SetChecked(model::Ctl::VerifyAfterWriting, c.verify);
    const ops::DurationEstimate estimate =
        ops::CopyUnitDuration(w.Geometry(), c.slots, c.verify, ops::TimingOf(w.LinkPacing(), w.Link()));
    const std::uint64_t start = rig.clock.NowMs();
    ASSERT_TRUE(Copy(rig, rig.work.File("unit.prg"))) << rig.dialogs.script.LastText();
    const double took = double(rig.clock.NowMs() - start);
    EXPECT_NEAR(double(estimate.protocolMs), took, took * 0.005) << c.kind << (c.verify ? " verified" : "");
    const std::string asked = rig.dialogs.script.shown[rig.dialogs.script.shown.size() - 2].text;
    EXPECT_NE(asked.find("This copy takes " + ops::DurationText(estimate)), std::string::npos) << asked;
    EXPECT_EQ(asked.find("every page read at least twice") != std::string::npos, c.verify) << asked;
  }
}

TEST(UnitCopy, RefusesWithoutAProgrammerOrWithAnEmptyOne) {
  OpsRig rig(3);
  model::TMainForm& w = rig.Begin();
  EXPECT_FALSE(ops::CopyButtonClick(w));
  EXPECT_EQ(rig.dialogs.script.LastText(), "Cannot copy as the Programmer is empty");
  EXPECT_TRUE(rig.dialogs.script.fileRequests.empty()) << "no file dialog";
  w.DemoMode = true;
  EXPECT_FALSE(ops::CopyButtonClick(w));
  EXPECT_EQ(rig.dialogs.script.LastText(), "No Programmer Detected. Read Programmer First");
}

TEST(UnitCopy, OnThe8WayBothHalvesOfAPageMustRead) {
  // One slot staged: the Read takes two header reads, so the copy's first
  // page is read by reads 3 (first half) and 4 (second half).
  for (int failing : {3, 4}) {
    OpsRig rig(2);
    rig.Stage({SlotSpec{}});
    model::TMainForm& w = rig.Begin();
    ASSERT_EQ(w.Programs.EntryCount, 1);
    rig.Sim().faults.badRead = failing;
    const std::string file = rig.work.File("unit.prg");
    WriteFile(file, "an earlier copy");
    EXPECT_FALSE(Copy(rig, file)) << failing;
    EXPECT_EQ(rig.dialogs.script.LastText(), "Programmer Read Error") << failing;
    EXPECT_EQ(ReadFile(file), "an earlier copy") << "no file is written";
    EXPECT_EQ(rig.view.open, 0);
  }
}

TEST(UnitCopy, ASaveThatCannotWorkIsRefusedBeforeTheRead) {
  OpsRig rig(3);
  model::TMainForm& w = rig.Begin();
  AddSlots(rig, 1);
  const std::string file = rig.work.File("missing-folder/unit.prg");
  const int windows = rig.view.shown;
  EXPECT_FALSE(Copy(rig, file));
  const std::string text = rig.dialogs.script.LastText();
  EXPECT_EQ(text, "The folder " + platform::WithSeparator(rig.work.File("missing-folder")) + " does not exist");
  EXPECT_EQ(rig.view.shown, windows) << "nothing was read";
  EXPECT_EQ(rig.dialogs.script.shown.back().type, platform::DlgType::Error);
  EXPECT_FALSE(Exists(file));
  EXPECT_EQ(w.Programs.EntryCount, 1) << "the list is left as it was";

  // A folder of that name is left as it was.
  const std::string folder = rig.work.File("taken.prg");
  std::filesystem::create_directory(folder);
  WriteFile(folder + "/inside", "kept");
  EXPECT_FALSE(Copy(rig, folder));
  EXPECT_EQ(rig.dialogs.script.LastText(), folder + " is a folder; give a file name for the unit image");
  EXPECT_EQ(ReadFile(folder + "/inside"), "kept");
}

TEST(UnitCopy, ABackslashIsALetterOfAFileNameOffWindows) {
  VELMAR_SKIP_ON_WINDOWS("a backslash separates folders there");
  OpsRig rig(3);
  rig.Begin();
  AddSlots(rig, 1);
  const std::string file = rig.work.File("a\\b.prg");
  ASSERT_TRUE(Copy(rig, file)) << rig.dialogs.script.LastText();
  EXPECT_TRUE(Exists(file));
}

TEST(UnitCopy, AProgrammerAskingForFirmwareIsReportedAndTheWindowReleased) {
  OpsRig rig(3);
  model::TMainForm& w = rig.Begin();
  AddSlots(rig, 1);
  rig.Sim().faults.unknownIdentify = true;
  const std::string file = rig.work.File("unit.prg");
  EXPECT_FALSE(Copy(rig, file));
  EXPECT_EQ(rig.dialogs.script.LastText(), "Programmer Needs Firmware update");
  EXPECT_EQ(rig.dialogs.script.shown.back().type, platform::DlgType::Error);
  EXPECT_EQ(rig.view.open, 0);
  EXPECT_FALSE(Exists(file));
  EXPECT_FALSE(w.Link()->LinkOpen);
  EXPECT_EQ(w.Link()->ReadImage, nullptr);
}

TEST(UnitCopy, BlanksTheHeadersOfTheSlotsPastTheListedOnes) {
  slot::ProgrammerGeometry g;
  g.ApplyKind(slot::kind_8way);
  image::THexList img(g.Capacity);
  for (std::uint32_t i = 0; i < g.Capacity; i += 97) img.SetValue(i, 0x11);
  ops::BlankHeadersFrom(img, g, 3);
  for (std::uint32_t slot = 0; slot < 8; ++slot) {
    const std::uint32_t at = slot * g.SlotSize;
    bool blank = true;
    for (std::uint32_t i = 0; i < 160; ++i) blank = blank && img.GetValue(at + i) == 0xFF;
    EXPECT_EQ(blank, slot >= 3) << slot;
    EXPECT_EQ(img.GetValue(at + 160 + (97 - (at + 160) % 97) % 97), 0x11) << "the rest of the slot stays";
  }
}

TEST(PortablePageMode, HeadersCountingIn1024BytePagesAreMultipliedByFour) {
  slot::ProgrammerGeometry g;
  g.ApplyKind(slot::kind_portable);
  image::THexList img = UnitImage(3, 3, 258);
  ASSERT_TRUE(ops::AdjustPortablePageMode(img, g.SlotSize));
  for (std::uint32_t i = 0; i < 3; ++i) {
    const std::uint8_t* h = img.DataAt(i * g.SlotSize);
    EXPECT_EQ(slot::GetField(h, slot::slot_header::NextHeaderPage), 1032 * (i + 1)) << i;
    EXPECT_TRUE(slot::HeaderChecksumOk(h)) << i;
  }
  EXPECT_EQ(img.GetValue(3 * g.SlotSize), 0xFF) << "the blank header past the last slot is not touched";

  image::THexList already = UnitImage(3, 2, 1032);
  const image::THexList copy = UnitImage(3, 2, 1032);
  EXPECT_TRUE(ops::AdjustPortablePageMode(already, g.SlotSize));
  EXPECT_TRUE(SameBytes(already, copy));

  image::THexList other = UnitImage(3, 1, 500);
  EXPECT_FALSE(ops::AdjustPortablePageMode(other, g.SlotSize));
}

TEST(UnitLoad, OnThePortableAFileIn1024BytePagesIsAdjustedAndOtherFilesRefused) {
  OpsRig rig(3);
  model::TMainForm& w = rig.Begin();
  const std::string file = rig.work.File("old.prg");
  ASSERT_EQ(image::TFileLoader::SaveFile(file, UnitImage(3, 2, 258)).result, 0);
  ASSERT_TRUE(Load(rig, file)) << rig.dialogs.script.LastText();
  EXPECT_EQ(slot::GetField(rig.HeaderAt(0).data(), slot::slot_header::NextHeaderPage), 1032u);
  EXPECT_EQ(slot::GetField(rig.HeaderAt(1032).data(), slot::slot_header::NextHeaderPage), 2064u);
  EXPECT_TRUE(slot::HeaderChecksumOk(rig.HeaderAt(1032).data()));
  EXPECT_EQ(w.Programs.EntryCount, 2);

  const image::THexList before = rig.Flash();
  const std::string wrong = rig.work.File("wrong.prg");
  ASSERT_EQ(image::TFileLoader::SaveFile(wrong, UnitImage(3, 1, 500)).result, 0);
  EXPECT_FALSE(Load(rig, wrong));
  EXPECT_TRUE(text::StartsWith(rig.dialogs.script.LastText(), "File is not correct for portable programmer\r"));
  EXPECT_TRUE(SameBytes(before, rig.Flash()));
  EXPECT_EQ(rig.view.shown, 1) << "only the first load opened a window";
}

TEST(UnitLoad, RefusesFilesThatAreNoUnitImageOfThisProgrammer) {
  OpsRig rig(0);
  model::TMainForm& w = rig.Begin();
  AddSlots(rig, 1);
  const image::THexList before = rig.Flash();
  const int windows = rig.view.shown;

  // Data past the dataflash.
  const std::string big = rig.work.File("big.prg");
  image::THexList img = UnitImage(0, 1, 0xFFFF);
  image::THexList larger(img.Count() + 1024);
  std::copy(img.DataAt(0), img.DataAt(0) + img.Count(), larger.DataAt(0));
  larger.SetValue(img.Count() + 10, 0x55);
  ASSERT_EQ(image::TFileLoader::SaveFile(big, larger).result, 0);
  EXPECT_FALSE(Load(rig, big));
  EXPECT_EQ(rig.dialogs.script.LastText(), "Error in Programmer file\rQuitting");
  EXPECT_EQ(rig.dialogs.script.shown.back().title, "File Format Warning");

  // A file with no data, and one with no slot header at its start.
  WriteFile(rig.work.File("empty.prg"), "");
  EXPECT_FALSE(Load(rig, rig.work.File("empty.prg")));
  EXPECT_EQ(rig.dialogs.script.LastText(), "Error in Programmer file\rQuitting");
  EXPECT_FALSE(Load(rig, ExampleFile("pic16f628a")));
  EXPECT_EQ(rig.dialogs.script.LastText(), "Error in Programmer file\rQuitting");

  // A file that cannot be read.
  EXPECT_FALSE(Load(rig, rig.work.File("absent.prg")));
  EXPECT_TRUE(rig.dialogs.script.LastText().ends_with("\r\rClosing... ")) << rig.dialogs.script.LastText();

  EXPECT_EQ(rig.view.shown, windows) << "no progress window was opened";
  EXPECT_TRUE(SameBytes(before, rig.Flash()));
  EXPECT_EQ(w.Programs.EntryCount, 1);
}

// Images that would leave a programmer whose slots list wrong, overlap or
// are refused later: each is refused, naming why, before anything is
// erased.
struct HostileImage {
  const char* what;
  int connectedKind;
  std::function<image::THexList()> make;
  const char* says;
};

void Reseal(image::THexList& img, std::uint32_t at, slot::HeaderField field, std::uint32_t value) {
  slot::PutField(img.DataAt(at), field, value);
  slot::SealHeader(img.DataAt(at));
}

const std::uint32_t k8waySlot = 262144;

const HostileImage kHostileImages[] = {
    {"a portable's image on an 8-way", 2, [] { return UnitImage(3, 2, 1032); },
     "The file is a unit image of a portable programmer with LCD, with slots of 1032 pages of 256 bytes; the connected "
     "programmer is an 8-way programmer, version 1, with slots of 512 pages of 512 bytes."},
    {"an 8-way's image on a single-way", 0, [] { return UnitImage(2, 1, 512); },
     "The file is a unit image of an 8-way programmer, version 1"},
    {"a single-way's image on a portable", 3, [] { return UnitImage(0, 1, 0xFFFF); },
     "File is not correct for portable programmer\rThe file is a unit image of a single-way programmer, version 1"},
    {"a bad header checksum", 2,
     [] {
       image::THexList img = UnitImage(2, 2, 512);
       img.DataAt(k8waySlot)[157] ^= 0x01;
       return img;
     },
     "Slot 2 in the file is damaged: its header checksum is wrong."},
    {"a link loop", 2,
     [] {
       image::THexList img = UnitImage(2, 2, 512);
       Reseal(img, k8waySlot, slot::slot_header::NextHeaderPage, 0);
       return img;
     },
     "Slot 2 in the file is damaged: its link points to page 0"},
    {"a page count of 0xFFFF", 2,
     [] {
       image::THexList img = UnitImage(2, 2, 512);
       Reseal(img, k8waySlot, slot::slot_header::PageCount, 0xFFFF);
       return img;
     },
     "Slot 2 in the file is damaged: its link points to page 1024, inside its own 65535 pages"},
    {"data past the last listed slot", 2,
     [] {
       image::THexList img = UnitImage(2, 2, 512);
       img.SetValue(3 * k8waySlot + 300, 0x55);
       return img;
     },
     "The file holds data past its last slot (slot 2 ends before page 1024, the data goes on to page 1536): Copy "
     "Unit saves no such file."},
    {"every byte zero", 2,
     [] {
       image::THexList img(2097152);
       std::fill_n(img.DataAt(0), img.Count(), std::uint8_t(0));
       return img;
     },
     "The file's first slot (link 0, 0 pages) fits no programmer kind"},
};

TEST(UnitLoad, RefusesEveryHostileImageBeforeErasingAnything) {
  for (const HostileImage& c : kHostileImages) {
    OpsRig rig(c.connectedKind);
    rig.Begin();
    AddSlots(rig, 1);
    const image::THexList before = rig.Flash();
    const int windows = rig.view.shown;
    const std::string file = rig.work.File("hostile.prg");
    ASSERT_EQ(image::TFileLoader::SaveFile(file, c.make()).result, 0) << c.what;
    EXPECT_FALSE(Load(rig, file)) << c.what;
    EXPECT_TRUE(text::Contains(rig.dialogs.script.LastText(), c.says))
        << c.what << ": " << rig.dialogs.script.LastText();
    EXPECT_EQ(rig.view.shown, windows) << c.what << ": no progress window";
    EXPECT_TRUE(SameBytes(before, rig.Flash())) << c.what;
  }
}

TEST(UnitLoad, WritesThePagesUpToTheLastDataByte) {
  OpsRig rig(0);
  rig.Begin();
  image::THexList img = UnitImage(0, 1, 0xFFFF);
  img.SetValue(300, 0xFF);
  img.SetValue(1000, 0x42);
  const std::string file = rig.work.File("short.prg");
  ASSERT_EQ(image::TFileLoader::SaveFile(file, img).result, 0);
  ASSERT_TRUE(Load(rig, file)) << rig.dialogs.script.LastText();
  EXPECT_EQ(rig.view.maxima.back(), 4) << "pages 0 to 3";
  EXPECT_EQ(rig.Flash().GetValue(1000), 0x42);
}

TEST(UnitLoad, WritesBlankPagesInsideLaterSlotsAndLeavesNoOldSlotListed) {
  // The programmer holds three slots; the file two, the second with blank
  // pages where the programmer's second slot has data.
  OpsRig rig(3);
  model::TMainForm& w = rig.Begin();
  AddSlots(rig, 3);
  const std::string file = rig.work.File("two.prg");
  ASSERT_EQ(image::TFileLoader::SaveFile(file, UnitImage(3, 2, 1032)).result, 0);
  ASSERT_TRUE(Load(rig, file)) << rig.dialogs.script.LastText();

  const image::THexList now = rig.Flash();
  const std::uint32_t slot = w.Link()->Geometry.SlotSize;
  EXPECT_EQ(now.GetValue(slot + 160), 0xFF) << "the old code of slot 2 is gone";
  for (std::uint32_t i = 0; i < 160; ++i) ASSERT_EQ(now.GetValue(2 * slot + i), 0xFF) << "old header of slot 3";
  EXPECT_EQ(w.Programs.EntryCount, 2);
  w.ReadProgButtonClick();
  EXPECT_EQ(w.Programs.EntryCount, 2);
}

// On the command line no read-back follows the load: the stale headers of
// the later slots must still be emptied, so that a separate read lists only
// the loaded slots.
TEST(UnitLoad, OnTheCommandLineALaterReadListsOnlyTheLoadedSlots) {
  OpsRig rig(3);
  model::TMainForm& w = rig.Begin();
  AddSlots(rig, 3);
  const std::string file = rig.work.File("two.prg");
  ASSERT_EQ(image::TFileLoader::SaveFile(file, UnitImage(3, 2, 1032)).result, 0);
  w.CommandLineMode = true;
  ASSERT_TRUE(Load(rig, file)) << rig.dialogs.script.LastText();
  w.CommandLineMode = false;
  w.ReadProgButtonClick();
  EXPECT_EQ(w.Programs.EntryCount, 2);
}

TEST(UnitLoad, AProgrammerAskingForFirmwareAfterTheWriteIsReportedAndTheWindowReleased) {
  OpsRig rig(3);
  model::TMainForm& w = rig.Begin();
  const std::string file = rig.work.File("two.prg");
  ASSERT_EQ(image::TFileLoader::SaveFile(file, UnitImage(3, 2, 1032)).result, 0);
  rig.view.onChange = [&](const model::ProgressForm& form) {
    if (form.messageLabel == " Updating Program List") rig.Sim().faults.unknownIdentify = true;
  };
  EXPECT_FALSE(Load(rig, file));
  EXPECT_EQ(rig.dialogs.script.LastText(), "Programmer Needs Firmware update");
  EXPECT_EQ(rig.view.open, 0);
  EXPECT_FALSE(w.Link()->LinkOpen);
}

TEST(UnitLoad, AProgrammerSwappedSinceTheReadIsNotWritten) {
  OpsRig rig(2);
  model::TMainForm& w = rig.Begin();
  const std::string file = rig.work.File("two.prg");
  ASSERT_EQ(image::TFileLoader::SaveFile(file, UnitImage(2, 2, 512)).result, 0);
  rig.Sim().faults.identity = 0x1F27;  // answers as an 8-way programmer version 2
  EXPECT_FALSE(Load(rig, file));
  EXPECT_EQ(rig.dialogs.script.LastText(), "Programmer type has changed. Please use Read button before Programming");
  EXPECT_EQ(rig.Flash().LastUsed(), -1);
  EXPECT_EQ(w.Programs.EntryCount, 0);
}

TEST(UnitLoad, AsksFirstAndRefusesWithoutAProgrammer) {
  OpsRig rig(3);
  model::TMainForm& w = rig.Begin();
  rig.dialogs.script.Answer(DlgButton::No);
  EXPECT_FALSE(ops::LoadButtonClick(w));
  EXPECT_EQ(rig.dialogs.script.LastText(),
            "Load Programmer will replace ALL existing programs\r\rDo you want to continue?");
  EXPECT_EQ(rig.dialogs.script.shown.back().defaultButton, DlgButton::No) << "Return never replaces the programs";
  EXPECT_TRUE(rig.dialogs.script.fileRequests.empty());
  w.DemoMode = true;
  EXPECT_FALSE(ops::LoadButtonClick(w));
  EXPECT_EQ(rig.dialogs.script.LastText(), "No Programmer Detected. Read Programmer First");
}

// Once the file is chosen, the question names it and what it holds, and
// No (the default) leaves the programmer as it was.
TEST(UnitLoad, AsksAgainWithTheFilesKindAndSlotsBeforeErasingAnything) {
  TempDir dir;
  const std::string file = dir.File("line 3.prg");
  image::THexList unit = UnitImage(3, 14, 1032);
  ASSERT_EQ(image::TFileLoader::SaveFile(file, unit).result, 0);
  OpsRig rig(3);
  model::TMainForm& w = rig.Begin();
  const image::THexList before = rig.Flash();
  rig.dialogs.script.Answer(DlgButton::Yes);
  rig.dialogs.script.Answer(DlgButton::No);
  rig.dialogs.script.AnswerOpen(file);
  EXPECT_FALSE(ops::LoadButtonClick(w));
  const auto& asked = rig.dialogs.script.shown.back();
  std::string slots;
  for (int i = 1; i <= ops::kMaxListedSlots; ++i) slots += "\r" + text::ZeroPad(i, 3) + " Unit " + std::to_string(i);
  EXPECT_EQ(asked.text, file + "\rA unit image of a portable programmer with LCD, 14 slots:" + slots + "\rand 2 more" +
                            "\r\rLoad it into the programmer? Every program the programmer holds now is erased.");
  EXPECT_EQ(asked.defaultButton, DlgButton::No);
  EXPECT_EQ(rig.view.shown, 0) << "the programmer was not touched";
  EXPECT_TRUE(SameBytes(before, rig.Flash()));
}

TEST(UnitLoad, ACommandLineStartLoadsTheNamedFileAndCloses) {
  TempDir dir;
  const std::string file = dir.File("start.prg");
  ASSERT_EQ(image::TFileLoader::SaveFile(file, UnitImage(3, 2, 1032)).result, 0);
  OpsRig rig(3);
  rig.AnswerYes();
  model::TMainForm& w = rig.Begin({"/auto", file});
  EXPECT_TRUE(rig.dialogs.script.fileRequests.empty()) << "the file came from the command line";
  ASSERT_FALSE(rig.dialogs.script.shown.empty());
  EXPECT_EQ(rig.dialogs.script.shown.front().text,
            "Load Programmer will replace ALL existing programs\r\rDo you want to continue?")
      << "a command-line start still asks before it replaces everything";
  EXPECT_EQ(rig.dialogs.script.shown.front().defaultButton, DlgButton::No);
  EXPECT_EQ(rig.dialogs.script.LastText(), "Programmer Loaded successfully\r" + file);
  EXPECT_EQ(w.Programs.EntryCount, 0) << "the list is not read back";
  EXPECT_TRUE(w.CloseRequested);
  EXPECT_EQ(slot::GetField(rig.HeaderAt(1032).data(), slot::slot_header::NextHeaderPage), 2064u);
}

TEST(UnitLoad, ACommandLineStartWithOnlyShowAsksForTheFileAndStays) {
  TempDir dir;
  const std::string file = dir.File("shown.prg");
  ASSERT_EQ(image::TFileLoader::SaveFile(file, UnitImage(3, 1, 1032)).result, 0);
  EXPECT_EQ(ops::CommandLineUnitFile({"/auto", "Show"}), "");
  EXPECT_EQ(ops::CommandLineUnitFile({"/auto", "show", ""}), "");
  EXPECT_EQ(ops::CommandLineUnitFile({"/auto", "a.prg", "SHOW"}), "a.prg");
  EXPECT_EQ(ops::CommandLineUnitFile({"/auto"}), "");

  OpsRig rig(3);
  rig.AnswerYes();
  rig.dialogs.script.AnswerOpen(file);
  model::TMainForm& w = rig.Begin({"/auto", "show"});
  EXPECT_EQ(rig.dialogs.script.fileRequests.size(), 1u);
  EXPECT_FALSE(w.CloseRequested);
  EXPECT_EQ(text::Trim(slot::GetText(rig.HeaderAt(0).data(), slot::slot_header::SlotName)), "001 Unit 1");
}

}  // namespace
}  // namespace velmar::test
