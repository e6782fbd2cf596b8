// The operation log kept by the window over a simulated programmer: one
// record per operation with the programmer's and the program's facts and
// the checksums of the files, failures with the message the user was shown
// (through the simulator's faults), a question declined as cancelled, a
// firmware update inside a Read, and a log that cannot be written.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "operations/OperationsRig.h"
#include "operations/WindowOperations.h"
#include "oplog/OperationLog.h"
#include "oplog/OperationRecord.h"
#include "platform/FileDigest.h"
#include "platform/Paths.h"
#include "platform/Text.h"

using velmar::model::Ctl;

namespace velmar::test {
namespace {

using nlohmann::ordered_json;
using platform::DlgButton;

const ExampleProgram kPic16{"pic16f628a", 1, "PIC16F628A"};

std::vector<ordered_json> Records(OpsRig& rig) {
  const oplog::LogReading reading = oplog::OperationLog(rig.W().Journal().LogPath()).Read();
  EXPECT_TRUE(reading.warnings.empty());
  return reading.records;
}

std::vector<std::string> Summary(const std::vector<ordered_json>& records) {
  std::vector<std::string> out;
  for (const ordered_json& r : records)
    out.push_back(r["operation"].get<std::string>() + " " + r["result"].get<std::string>());
  return out;
}

bool New(OpsRig& rig, const std::string& description) {
  rig.Example(kPic16, description);
  return ops::NewButtonClick(rig.W());
}

TEST(OperationRecords, EveryOperationOfTheWindowAppendsOneRecordWithItsFacts) {
  OpsRig rig(2);
  model::TMainForm& w = rig.Begin();
  rig.AnswerYes();
  ASSERT_TRUE(New(rig, "Pump A")) << rig.dialogs.script.LastText();
  ASSERT_TRUE(New(rig, "Pump B")) << rig.dialogs.script.LastText();
  rig.Click(1);
  rig.Example(kPic16, "Pump C");
  ASSERT_TRUE(ops::editButtonClick(w)) << rig.dialogs.script.LastText();
  rig.Click(2);
  ASSERT_TRUE(ops::DeleteProgramButtonClick(w)) << rig.dialogs.script.LastText();
  const std::string unit = rig.work.File("unit.prg");
  rig.dialogs.script.AnswerSave(unit);
  ASSERT_TRUE(ops::CopyButtonClick(w)) << rig.dialogs.script.LastText();
  const std::string copied = rig.dialogs.script.LastText();
  ASSERT_TRUE(ops::EraseButtonClick(w));
  rig.dialogs.script.AnswerOpen(unit);
  ASSERT_TRUE(ops::LoadButtonClick(w)) << rig.dialogs.script.LastText();

  const std::vector<ordered_json> records = Records(rig);
  EXPECT_EQ(Summary(records), (std::vector<std::string>{"read ok", "new ok", "new ok", "replace ok", "delete ok",
                                                        "copy ok", "erase ok", "load ok"}));
  ASSERT_EQ(records.size(), 8u);
  const std::set<std::string> known(oplog::RecordKeys().begin(), oplog::RecordKeys().end());
  for (const ordered_json& r : records) {
    for (auto it = r.begin(); it != r.end(); ++it) EXPECT_TRUE(known.count(it.key())) << it.key();
    EXPECT_EQ(r["kind"], "8way");
    EXPECT_EQ(r["model"], slot::FindKind(slot::kind_8way)->model);
    EXPECT_EQ(r["serial"], "QRXA");
    EXPECT_EQ(r["firmware_version"], rig.Sim().version);
    EXPECT_TRUE(r.contains("duration_ms") && r.contains("protocol_ms") && r.contains("velmar_version"));
    EXPECT_FALSE(r.contains("message")) << "no failure, no message";
    EXPECT_EQ(r["time"].get<std::string>().size(), 24u) << r["time"];
  }
  EXPECT_FALSE(records[0].contains("slot") || records[0].contains("file")) << "a Read has no slot or file";
  EXPECT_GT(records[0]["protocol_ms"].get<std::uint64_t>(), 0u);

  const std::string hex = ExampleFile(kPic16.folder);
  const ordered_json& added = records[2];
  EXPECT_EQ(added["slot"], 2);
  EXPECT_EQ(added["description"], "Pump B");
  EXPECT_EQ(added["device"], "PIC16F628A");
  EXPECT_EQ(added["family"], rig.C().Items(Ctl::family)[1]);
  EXPECT_EQ(added["file"], hex);
  EXPECT_EQ(added["file_size"], std::filesystem::file_size(hex));
  EXPECT_EQ(added["file_sha256"], *platform::FileSha256(hex));
  EXPECT_EQ(records[3]["slot"], 1);
  EXPECT_EQ(records[3]["description"], "Pump C");
  EXPECT_EQ(records[3]["replaced_description"], "Pump A") << "what the Replace wrote over";
  EXPECT_EQ(records[3]["replaced_device"], "PIC16F628A");
  EXPECT_EQ(records[3]["replaced_file"], "blink.hex");
  EXPECT_FALSE(added.contains("replaced_description")) << "New replaces nothing";
  EXPECT_EQ(records[4]["slot"], 2);
  EXPECT_EQ(records[4]["description"], "Pump B") << "the slot that was emptied";

  // Copy Unit: the digest of the saved file, in its message and its record.
  const std::string digest = *platform::FileSha256(unit);
  EXPECT_EQ(copied, "Programmer Copied successfully\r" + unit + "\rSHA-256: " + digest +
                        "\rNot verified: every page read once (verify reads each page twice)");
  EXPECT_EQ(records[5]["file"], unit);
  EXPECT_EQ(records[5]["file_sha256"], digest);
  EXPECT_EQ(records[5]["file_size"], std::filesystem::file_size(unit));
  // Load Unit: the digest of the file it loaded.
  EXPECT_EQ(records[7]["file"], unit);
  EXPECT_EQ(records[7]["file_sha256"], digest);
}

TEST(OperationRecords, FailuresKeepTheMessageShownAndDeclinedQuestionsAreCancelled) {
  OpsRig rig(2);
  model::TMainForm& w = rig.Begin();
  rig.AnswerYes();
  rig.Sim().faults.badPage = 1;
  EXPECT_FALSE(New(rig, "Pump A"));
  rig.Sim().faults.badPage = -1;

  rig.Sim().faults.eraseFails = true;
  EXPECT_FALSE(ops::EraseButtonClick(w));
  rig.Sim().faults.eraseFails = false;

  rig.dialogs.script.Answer(DlgButton::No);
  EXPECT_FALSE(ops::EraseButtonClick(w));

  rig.dialogs.script.Answer(DlgButton::Yes);  // the time the copy takes
  rig.dialogs.script.AnswerSave(std::nullopt);
  ASSERT_TRUE(New(rig, "Pump B"));
  EXPECT_FALSE(ops::CopyButtonClick(w));

  const std::string broken = rig.work.File("broken.prg");
  WriteFile(broken, ":00000001FF\n");
  rig.dialogs.script.AnswerOpen(broken);
  EXPECT_FALSE(ops::LoadButtonClick(w));

  rig.Sim().faults.silent = true;
  rig.dialogs.script.Answer(DlgButton::Abort);
  w.ReadProgButtonClick();

  const std::vector<ordered_json> records = Records(rig);
  EXPECT_EQ(Summary(records), (std::vector<std::string>{"read ok", "new failed", "erase failed", "erase cancelled",
                                                        "new ok", "copy cancelled", "load failed", "read failed"}));
  ASSERT_EQ(records.size(), 8u);
  EXPECT_EQ(records[1]["message"], "Dataflash verify fail");
  EXPECT_EQ(records[1]["file_sha256"], *platform::FileSha256(ExampleFile(kPic16.folder)));
  EXPECT_TRUE(records[2].contains("message"));
  EXPECT_FALSE(records[3].contains("message")) << "a cancelled operation failed at nothing";
  EXPECT_EQ(records[6]["message"], "Error in Programmer file\nQuitting");
  EXPECT_EQ(records[6]["file_sha256"], *platform::FileSha256(broken));
  EXPECT_EQ(records[7]["message"], text::Trim(rig.dialogs.script.shown.back().text));
}

TEST(OperationRecords, AFirmwareUpdateInsideAReadIsRecordedBeforeTheRead) {
  OpsRig rig(0);
  rig.Sim().version = 230;  // not the version the settings expect
  rig.Begin();
  const std::vector<ordered_json> records = Records(rig);
  EXPECT_EQ(Summary(records), (std::vector<std::string>{"update-firmware ok", "read ok"}));
  ASSERT_EQ(records.size(), 2u);
  const std::string file = rig.program + "FirmWare" + platform::kPathSeparator + "qrxpicusb.upd";
  EXPECT_EQ(records[0]["file"], file);
  EXPECT_EQ(records[0]["file_sha256"], *platform::FileSha256(file));
  EXPECT_EQ(records[0]["kind"], "single");
  EXPECT_EQ(records[1]["firmware_version"], 226);
}

TEST(OperationRecords, AnUnwritableLogNeverStopsAnOperationAndIsSaidOnce) {
  OpsRig rig(2);
  std::filesystem::create_directory(rig.work.File(oplog::kLogFileName));
  model::TMainForm& w = rig.Begin();
  rig.AnswerYes();
  EXPECT_TRUE(New(rig, "Pump A")) << rig.dialogs.script.LastText();
  EXPECT_TRUE(New(rig, "Pump B")) << rig.dialogs.script.LastText();
  EXPECT_EQ(w.Programs.EntryCount, 2);
  int warnings = 0;
  for (const auto& m : rig.dialogs.script.shown) warnings += text::Contains(m.text, oplog::kLogFileName) ? 1 : 0;
  EXPECT_EQ(warnings, 1);
  EXPECT_EQ(rig.dialogs.script.LastText(), "Program loaded successfully");
}

}  // namespace
}  // namespace velmar::test
