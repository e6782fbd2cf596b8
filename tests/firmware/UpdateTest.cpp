// The firmware change end to end against simulated programmers: each kind
// updated from the shipped files, the file choice by kind, every refusal
// that must leave the controller untouched, the failed verify that must
// leave it erased, the second attempt for a controller that did not answer,
// the fuses, and the thread priority around programming.
#include <algorithm>
#include <cstring>
#include <filesystem>

#include <gtest/gtest.h>

#include "firmware/TFirmwareFile.h"
#include "firmware/TUpdateProg.h"
#include "firmware/UpdateRig.h"
#include "platform/Text.h"
#include "support/GoldenTrace.h"
#include "support/WireStream.h"

namespace velmar::firmware {
namespace {

using test::UpdateRig;
namespace txt = update_text;
namespace fs = std::filesystem;

// The file the settings name for a firmware, as a full path in the build's program folder.
std::string Shipped(const std::string& name) { return test::BinDir() + "FirmWare/" + name; }

// A copy of a shipped file in `dir` with the third line's first digit changed.
std::string Tampered(const test::TempDir& dir, const std::string& name) {
  std::vector<std::string> lines = TFirmwareFile::ReadLines(Shipped(name));
  lines.at(2)[0] = lines[2][0] == '0' ? '1' : '0';
  std::string text;
  for (const std::string& l : lines) text += l + "\r\n";
  test::WriteFile(dir.File(name), text);
  return dir.File(name);
}

// A file `name` at `version` whose records are `records`.
std::string Packed(const test::TempDir& dir, const std::string& name, const std::string& version,
                   const std::vector<std::string>& records) {
  test::WriteFile(dir.File(name), TFirmwareFile::Pack(version, records));
  return dir.File(name);
}

struct KindCase {
  int kind;
  int oldVersion;
  int newVersion;
  int loaded;
};

class UpdateEveryKind : public ::testing::TestWithParam<KindCase> {};

TEST_P(UpdateEveryKind, OldFirmwareIsReplacedAndTheProgrammerIdentifiesWithTheNewVersion) {
  const KindCase c = GetParam();
  UpdateRig rig(c.kind);
  rig.Sim().version = c.oldVersion;
  EXPECT_NE(rig.Identify(), "");
  const std::size_t shown = rig.sim.dialogs.shown.size();
  EXPECT_EQ(rig.Change(c.loaded), 0) << rig.sim.dialogs.LastText();
  EXPECT_EQ(rig.sim.dialogs.shown.size(), shown);  // nothing to tell the user
  EXPECT_EQ(rig.Identify(), "");
  EXPECT_EQ(rig.Link().FirmwareVersion, c.newVersion);
  EXPECT_EQ(rig.sim.data.LoadedFirmware, c.loaded);
  EXPECT_EQ(rig.Sim().controller.lockBits, sim::kLockedBits);
  EXPECT_TRUE(rig.form.Busy);
}

INSTANTIATE_TEST_SUITE_P(Firmware, UpdateEveryKind,
                         ::testing::Values(KindCase{0, 200, 226, 0}, KindCase{1, 210, 226, 0}, KindCase{2, 225, 226, 0},
                                           KindCase{3, 140, 150, 3}, KindCase{4, 0x2E, 48, 1},
                                           KindCase{5, 224, 226, 0}),
                         [](const auto& info) { return "Kind" + std::to_string(int(info.param.kind)); });

TEST(FirmwareChange, ReportsEveryStepAndItsProgress) {
  UpdateRig rig(0);
  rig.Sim().version = 200;
  ASSERT_EQ(rig.Change(devices::fw_pic), 0);
  EXPECT_EQ(rig.view.messages,
            (std::vector<std::string>{txt::kStarting, std::string(txt::kOpening) + "E2", txt::kErasing, txt::kFuses,
                                      txt::kProgramming, txt::kVerifying, txt::kLockbits, txt::kClosing,
                                      txt::kCompleted, txt::kReading}));
  // 128 pages of 64 bytes, then 64 blocks read back.
  ASSERT_EQ(rig.view.progress.size(), 128u + 64u);
  EXPECT_EQ(rig.view.progress.front(), std::make_pair(0, 128));
  EXPECT_EQ(rig.view.progress[127], std::make_pair(127, 128));
  EXPECT_EQ(rig.view.progress.back(), std::make_pair(63, 64));
}

// Which file and firmware each kind takes, whatever was asked (PIC24
// firmware in "asked.upd"); the version 2 programmers and a kind not known
// keep what was asked.
struct KindFirmware {
  slot::ProgrammerKind kind;
  const char* file;
  int required;
};

const KindFirmware kKindFirmware[] = {
    {slot::kind_single, "pic.upd", devices::fw_pic},      {slot::kind_single_old, "pic.upd", devices::fw_pic},
    {slot::kind_8way, "pic.upd", devices::fw_pic},        {slot::kind_portable, "portable.upd", devices::fw_portable},
    {slot::kind_8way_v2, "asked.upd", devices::fw_pic24}, {slot::kind_single_v2, "asked.upd", devices::fw_pic24},
    {slot::kind_unknown, "asked.upd", devices::fw_pic24},
};

void PrintTo(const KindFirmware& k, std::ostream* os) { *os << "kind " << int(k.kind); }

class FirmwareForKind : public ::testing::TestWithParam<KindFirmware> {};

TEST_P(FirmwareForKind, TheKindDecidesTheFileAndFirmware) {
  devices::TData data;
  data.FirmwareQRX = "pic.upd";
  data.FirmwareQRX24 = "pic24.upd";
  data.FirmwareQRXPrima = "portable.upd";
  std::string file = "asked.upd";
  int required = devices::fw_pic24;
  ChooseFirmwareForKind(GetParam().kind, data, file, required);
  EXPECT_EQ(file, GetParam().file);
  EXPECT_EQ(required, GetParam().required);
}

INSTANTIATE_TEST_SUITE_P(EveryKind, FirmwareForKind, ::testing::ValuesIn(kKindFirmware),
                         [](const ::testing::TestParamInfo<KindFirmware>& info) {
                           return "Kind" + std::to_string(int(info.param.kind));
                         });

TEST(FirmwareChange, EachProgrammerRunsTheFirmwareItTakes) {
  // A version 1 programmer asked for PIC24 firmware gets PIC12/16/18 firmware.
  UpdateRig eightWay(2);
  ASSERT_EQ(eightWay.Change(devices::fw_pic24, Shipped("qrxpic24.upd")), 0);
  EXPECT_EQ(eightWay.Identify(), "");
  EXPECT_EQ(eightWay.Link().FirmwareVersion, 226);
  // A version 2 programmer takes what it is asked for, either way round.
  UpdateRig single2(5);
  ASSERT_EQ(single2.Change(devices::fw_pic24), 0);
  EXPECT_EQ(single2.Identify(), "");
  EXPECT_EQ(single2.sim.data.LoadedFirmware, devices::fw_pic24);
  ASSERT_EQ(single2.Change(devices::fw_pic), 0);
  EXPECT_EQ(single2.Identify(), "");
  EXPECT_EQ(single2.sim.data.LoadedFirmware, devices::fw_pic);
}

TEST(FirmwareChange, AnErasedControllerWhoseKindIsNotKnownIsUpdatedByItsSignature) {
  // The portable's controller always takes the portable firmware, whatever
  // the caller asked for.
  UpdateRig rig(3);
  rig.Sim().firmware = sim::FirmwareKind::none;
  EXPECT_EQ(rig.Identify(), "Programmer Needs Firmware update or Flat battery");
  EXPECT_EQ(rig.Change(devices::fw_pic, {}, slot::kind_unknown), 0) << rig.sim.dialogs.LastText();
  EXPECT_EQ(rig.Identify(), "");
  EXPECT_EQ(rig.Link().FirmwareVersion, 150);
}

TEST(FirmwareChange, FilesThatAreNotRightAreRefusedBeforeAnythingIsErased) {
  test::TempDir dir;
  struct Case {
    std::string file;
    int required;
    std::string message;
  };
  const std::vector<Case> cases = {
      {Tampered(dir, "qrxpicusb.upd"), devices::fw_pic, CorruptedMessage(dir.File("qrxpicusb.upd"))},
      {dir.File("missing.upd"), devices::fw_pic, NotFoundMessage(dir.File("missing.upd"))},
      // PIC24 firmware offered where PIC12/16/18 firmware is required.
      {Shipped("qrxpic24.upd"), devices::fw_pic, txt::kWrongVersion},
      // Records beyond the ATmega8515's 8 KiB, lines that are no records, and
      // records that hold no byte to program (they would leave it blank).
      {Packed(dir, "beyond.upd", "E2", {":02300000AA55CF", ":00000001FF"}), devices::fw_pic,
       CorruptedMessage(dir.File("beyond.upd"))},
      {Packed(dir, "nonsense.upd", "E2", {"not a record"}), devices::fw_pic,
       CorruptedMessage(dir.File("nonsense.upd"))},
      {Packed(dir, "blank.upd", "E2", {":00000001FF"}), devices::fw_pic, CorruptedMessage(dir.File("blank.upd"))},
      {Packed(dir, "erased.upd", "E2", {":02000000FFFF00", ":00000001FF"}), devices::fw_pic,
       CorruptedMessage(dir.File("erased.upd"))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    UpdateRig rig(5);
    rig.Sim().version = 200;
    const std::vector<std::uint8_t> before = rig.Flash();
    EXPECT_EQ(rig.Change(c.required, c.file), 1) << c.file;
    EXPECT_EQ(rig.sim.dialogs.LastText(), c.message);
    EXPECT_EQ(rig.form.messageLabel, c.message);
    EXPECT_TRUE(rig.Untouched(before)) << c.message;
    EXPECT_EQ(rig.Identify(), link::link_text::kNeedsUpdatePressOk);  // still runs the old firmware
  }
}

TEST(FirmwareChange, AFailedVerifyLeavesTheControllerErased) {
  for (int kind : {0, 3}) {
    UpdateRig rig(kind);
    rig.Sim().faults.flashBadByte = 0x1234;
    EXPECT_EQ(rig.Change(kind == 3 ? devices::fw_portable : devices::fw_pic), 1);
    EXPECT_EQ(rig.sim.dialogs.LastText(), txt::kUpdateFailed);
    EXPECT_EQ(rig.Flash(), std::vector<std::uint8_t>(rig.Sim().controller.part->flashSize, 0xFF));
    EXPECT_EQ(rig.Sim().firmware, sim::FirmwareKind::none);
    EXPECT_EQ(rig.priority.raised, 2);  // programming and verifying
    EXPECT_EQ(rig.priority.current, 0);
    EXPECT_EQ(rig.Identify(), "Programmer Needs Firmware update or Flat battery");
  }
}

TEST(FirmwareChange, AReplyLostWhileProgrammingAlsoLeavesTheControllerErased) {
  UpdateRig rig(0);
  // Each page takes three reads, the last the page transfer's replies; the
  // first page's is the 28th read: this loses a byte of page 100's.
  rig.Sim().faults.shortRead = 28 + 3 * 100;
  ASSERT_EQ(rig.Change(devices::fw_pic), 1);
  EXPECT_EQ(rig.sim.dialogs.LastText(), txt::kUpdateFailed);
  EXPECT_EQ(rig.view.messages.back(), txt::kUpdateFailed);
  EXPECT_NE(std::find(rig.view.messages.begin(), rig.view.messages.end(), txt::kProgramming), rig.view.messages.end());
  EXPECT_EQ(std::find(rig.view.messages.begin(), rig.view.messages.end(), txt::kVerifying), rig.view.messages.end());
  EXPECT_EQ(rig.Flash(), std::vector<std::uint8_t>(0x2000, 0xFF));
  EXPECT_EQ(rig.priority.current, 0);
}

TEST(FirmwareChange, ProgrammingAndVerifyingRunAtTheHighestPriority) {
  UpdateRig rig(0);
  ASSERT_EQ(rig.Change(devices::fw_pic), 0);
  EXPECT_EQ(rig.priority.raised, 2);
  EXPECT_EQ(rig.priority.current, 0);
  // Every progress report of those two steps came while raised.
  std::size_t raisedReports = 0;
  for (int p : rig.view.highestPriorityDuring) raisedReports += p == test::RecordingPriority::kHighest;
  EXPECT_EQ(raisedReports, 128u + 64u);
}

TEST(FirmwareChange, AControllerThatDidNotAnswerGetsASecondAttempt) {
  // It echoes the first programming enable; entering programming mode
  // twice more brings it into step.
  UpdateRig rig(0, true);
  rig.Sim().firmware = sim::FirmwareKind::none;
  rig.Sim().faults.ispMissed = 1;
  EXPECT_EQ(rig.Change(devices::fw_pic), 0) << rig.sim.dialogs.LastText();
  const std::string trace = rig.sim.traceText.str();
  std::size_t signatureReads = 0;
  for (std::size_t at = 0; (at = trace.find("31 03 00 30 FF 00 FF", at)) != std::string::npos; ++at) ++signatureReads;
  EXPECT_EQ(signatureReads, 2u);
  EXPECT_EQ(rig.Identify(), "");

  // One that never answers is refused after the second attempt, untouched.
  UpdateRig deaf(0);
  deaf.Sim().faults.ispMissed = 5;
  deaf.Sim().firmware = sim::FirmwareKind::none;
  const auto before = deaf.Flash();
  EXPECT_EQ(deaf.Change(devices::fw_pic), 1);
  EXPECT_EQ(deaf.sim.dialogs.LastText(), txt::kBadSignature);
  EXPECT_TRUE(deaf.Untouched(before));
}

TEST(FirmwareChange, OnlyTheTwoKnownControllersAreProgrammed) {
  for (int signature : {0x1E9999, 0x001122}) {
    UpdateRig rig(4);
    rig.Sim().faults.signature = signature;
    const auto before = rig.Flash();
    EXPECT_EQ(rig.Change(devices::fw_pic), 1);
    EXPECT_EQ(rig.sim.dialogs.LastText(), txt::kBadSignature);
    EXPECT_TRUE(rig.Untouched(before));
  }
  UpdateRig silent(0);
  silent.Sim().faults.silent = true;
  EXPECT_EQ(silent.Change(devices::fw_pic), 1);
  EXPECT_EQ(silent.sim.dialogs.LastText(), txt::kNoIspMode);
}

TEST(FirmwareChange, FusesAreWrittenOnlyWhenWrongAndThenTheControllerRestarts) {
  // Right already (as a working programmer has them): no fuse write, no restart.
  for (int kind : {0, 3}) {
    UpdateRig rig(kind, true);
    ASSERT_EQ(rig.Change(kind == 3 ? devices::fw_portable : devices::fw_pic), 0);
    const std::string trace = rig.sim.traceText.str();
    EXPECT_EQ(trace.find(" AC A0 00 2F"), std::string::npos) << kind;
    EXPECT_EQ(trace.find("FT_Write 80 02 33 "), std::string::npos) << kind;
  }
  // Factory fuses: written, the extended fuse on the ATmega128 only, and the
  // controller restarted into programming mode before its flash is written.
  for (int kind : {0, 3}) {
    UpdateRig rig(kind, true);
    sim::AvrController& c = rig.Sim().controller;
    c.lowFuse = 0xE1;
    c.extendedFuse = 0xFD;
    ASSERT_EQ(rig.Change(kind == 3 ? devices::fw_portable : devices::fw_pic), 0) << rig.sim.dialogs.LastText();
    const sim::AvrController& after = rig.Sim().controller;
    EXPECT_EQ(after.lowFuse, 0x2F);
    EXPECT_EQ(after.highFuse, kind == 3 ? 0x99 : 0xD9);
    EXPECT_EQ(after.extendedFuse, kind == 3 ? 0xFF : 0xFD);
    const std::string trace = rig.sim.traceText.str();
    EXPECT_NE(trace.find("FT_Write 80 02 33 "), std::string::npos);
    EXPECT_EQ(rig.Identify(), "");
  }
}

TEST(FirmwareChange, ThePortableFileIsFoundInTheProgramFolderWhateverTheCurrentFolder) {
  test::TempDir program, elsewhere;
  fs::create_directories(program.File("FirmWare"));
  fs::copy_file(Shipped("primafw.upd"), program.File("FirmWare/primafw.upd"));
  test::WriteFile(program.File("progsetting.ini"),
                  "[AppSetting]\r\nSVERQRXPRIMA=150\r\nFirmwareQRXPrima=FirmWare\\primafw.upd\r\n");
  // A current folder holding a damaged file of the same name.
  fs::create_directories(elsewhere.File("FirmWare"));
  Tampered(elsewhere, "primafw.upd");
  fs::rename(elsewhere.File("primafw.upd"), elsewhere.File("FirmWare/primafw.upd"));
  const fs::path was = fs::current_path();
  fs::current_path(elsewhere.Path());
  UpdateRig rig(3);
  rig.programFolder = program.Path();
  rig.Link().ProgramFolder = program.Path();
  const int result = rig.Change(devices::fw_portable);
  fs::current_path(was);
  EXPECT_EQ(result, 0) << rig.sim.dialogs.LastText();

  // A full path in the settings stands as it is.
  test::WriteFile(program.File("progsetting.ini"),
                  "[AppSetting]\r\nSVERQRXPRIMA=150\r\nFirmwareQRXPrima=" + Shipped("primafw.upd") + "\r\n");
  UpdateRig full(3);
  full.programFolder = program.Path();
  full.Sim().version = 140;
  EXPECT_EQ(full.Change(devices::fw_portable), 0) << full.sim.dialogs.LastText();
}

TEST(FirmwareChange, TheVersionAFileMustCarryComesFromTheSettings) {
  test::TempDir program;
  fs::create_directories(program.File("FirmWare"));
  fs::copy_file(Shipped("qrxpicusb.upd"), program.File("FirmWare/qrxpicusb.upd"));
  test::WriteFile(program.File("progsetting.ini"), "[AppSetting]\r\nSVERQRX=227\r\n");
  UpdateRig rig(0);
  rig.programFolder = program.Path();
  const auto before = rig.Flash();
  EXPECT_EQ(rig.Change(devices::fw_pic), 1);
  EXPECT_EQ(rig.sim.dialogs.LastText(), txt::kWrongVersion);
  EXPECT_TRUE(rig.Untouched(before));
}

TEST(TUpdateProg, UpdateModeIsClearedOnEveryWayOut) {
  test::SimRig rig(0);
  rig.Make();
  test::RecordingPriority priority;
  TUpdateProg updater(*rig.unit, rig.clock, rig.dialogs, rig.data, rig.pump, priority);
  updater.ProgramFolder = test::BinDir();
  EXPECT_THROW(updater.Update("/nonexistent/file.upd", devices::fw_pic), link::EISPException);
  EXPECT_FALSE(updater.UpdateMode);
  updater.Update(Shipped("qrxpicusb.upd"), devices::fw_pic);
  EXPECT_FALSE(updater.UpdateMode);
  EXPECT_EQ(updater.ControllerPageSize, 64);
  EXPECT_EQ(updater.ControllerFlashSize, 0x2000u);
}

// The start of an update on every kind, set beside the golden trace worked
// out by hand from the protocol (tests/link/golden).
class UpdateStart : public ::testing::TestWithParam<std::tuple<int, link::LinkPacing>> {};

// Exact pacing gives the golden trace call by call, fast pacing the same wire.
TEST_P(UpdateStart, PutsWhatTheProtocolGivesOnTheWire) {
  const auto [kind, pacing] = GetParam();
  test::SimRig rig(kind);
  rig.Make(true);
  test::RecordingPriority priority;
  TUpdateProg updater(*rig.unit, rig.clock, rig.dialogs, rig.data, rig.pump, priority);
  updater.ProgramFolder = test::BinDir();
  updater.Pacing = pacing;
  const bool portable = kind == slot::kind_portable;
  updater.Update(Shipped(portable ? "primafw.upd" : "qrxpicusb.upd"),
                 portable ? devices::fw_portable : devices::fw_pic);
  const auto golden = test::ReadGolden(portable ? "update-atmega128.trace" : "update-atmega8515.trace");
  EXPECT_EQ(pacing == link::LinkPacing::exact ? test::CompareWithGolden(rig.traceText.str(), golden.at(""), true)
                                              : test::CompareWireWithGolden(rig.traceText.str(), golden.at(""), true),
            "");
}

INSTANTIATE_TEST_SUITE_P(Kinds, UpdateStart,
                         ::testing::Combine(::testing::Range(0, 6),
                                            ::testing::Values(link::LinkPacing::exact, link::LinkPacing::fast)));

TEST(FirmwarePath, RelativeNamesLieInTheProgramFolder) {
#ifdef _WIN32
  EXPECT_EQ(FirmwarePath("C:\\Velmar\\", "FirmWare\\qrxpicusb.upd"), "C:\\Velmar\\FirmWare\\qrxpicusb.upd");
  EXPECT_EQ(FirmwarePath("C:\\Velmar", "FirmWare/x.upd"), "C:\\Velmar\\FirmWare\\x.upd");
  EXPECT_EQ(FirmwarePath("C:\\Velmar\\", "D:\\fw\\x.upd"), "D:\\fw\\x.upd");
#else
  EXPECT_EQ(FirmwarePath("/opt/velmar/", "FirmWare\\qrxpicusb.upd"), "/opt/velmar/FirmWare/qrxpicusb.upd");
  EXPECT_EQ(FirmwarePath("/opt/velmar", "FirmWare/x.upd"), "/opt/velmar/FirmWare/x.upd");
  EXPECT_EQ(FirmwarePath("/opt/velmar/", "/home/u/x.upd"), "/home/u/x.upd");
#endif
}

TEST(ShippedFirmware, FilesAreTheSimulatedImagesAtTheVersionsTheSettingsExpect) {
  struct File {
    const char* name;
    sim::FirmwareKind firmware;
    const sim::AvrPart& part;
    const char* key;
  };
  const File files[] = {{"qrxpicusb.upd", sim::FirmwareKind::pic, sim::ATmega8515(), "SVERQRX"},
                        {"qrxpic24.upd", sim::FirmwareKind::pic24, sim::ATmega8515(), "SVERQRX24"},
                        {"primafw.upd", sim::FirmwareKind::portable, sim::ATmega128(), "SVERQRXPRIMA"}};
  const std::string ini = test::ReadFile(test::SourceDir() + "data/progsetting.ini");
  for (const File& f : files) {
    std::size_t at = ini.find(std::string(f.key) + "=");
    ASSERT_NE(at, std::string::npos);
    const int version = std::stoi(ini.substr(at + std::strlen(f.key) + 1));
    std::vector<std::string> records;
    for (const std::string& line : text::SplitLines(sim::FirmwareHexText(f.firmware, version, f.part)))
      if (!line.empty()) records.push_back(line);
    EXPECT_EQ(test::ReadFile(test::SourceDir() + "data/FirmWare/" + f.name),
              TFirmwareFile::Pack(TFirmwareFile::VersionText(std::uint8_t(version)), records))
        << f.name << ": make it again with scripts/make-firmware-files.sh";
  }
}

}  // namespace
}  // namespace velmar::firmware
