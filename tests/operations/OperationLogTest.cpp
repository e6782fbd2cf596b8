// The operation log on its own: appending and reading back, a torn last
// line (skipped with a warning, and the next record kept apart from it),
// rotation keeping one previous file, logs that cannot be written (never a
// hang on a pipe, never through a link), the CSV export's quoting, the SHA-256 digest, and how a
// recorder tells ok, failed and cancelled apart from what the user saw.
#include <gtest/gtest.h>

#include <filesystem>

#include "oplog/OperationJournal.h"
#include "oplog/OperationLog.h"
#include "oplog/OperationRecord.h"
#include "platform/FileDigest.h"
#include "platform/ScriptedDialogs.h"
#include "support/TestSupport.h"

namespace velmar::test {
namespace {

using platform::DlgButton;

oplog::OperationRecord Record(oplog::LoggedOperation op, oplog::LoggedResult result) {
  oplog::OperationRecord r;
  r.time = "2026-03-01T09:30:12.345Z";
  r.operation = op;
  r.result = result;
  r.velmarVersion = "1.0";
  return r;
}

std::string Line(oplog::LoggedOperation op, oplog::LoggedResult result = oplog::LoggedResult::ok) {
  return oplog::RecordLine(Record(op, result));
}

TEST(OperationLog, RecordsReadBackInOrderWithOnlyTheKeysThatApply) {
  TempDir dir;
  oplog::OperationLog log(dir.File(oplog::kLogFileName));
  oplog::OperationRecord r = Record(oplog::LoggedOperation::new_slot, oplog::LoggedResult::ok);
  r.slot = 3;
  r.description = "Line \"A\", rev 2";
  r.fileSha256 = std::string(64, 'a');
  std::string error;
  ASSERT_TRUE(log.Append(oplog::RecordLine(r), &error)) << error;
  ASSERT_TRUE(log.Append(Line(oplog::LoggedOperation::erase, oplog::LoggedResult::failed), &error)) << error;

  const oplog::LogReading reading = log.Read();
  EXPECT_TRUE(reading.warnings.empty());
  ASSERT_EQ(reading.records.size(), 2u);
  const auto& first = reading.records[0];
  std::vector<std::string> keys;
  for (auto it = first.begin(); it != first.end(); ++it) keys.push_back(it.key());
  EXPECT_EQ(keys, (std::vector<std::string>{"time", "operation", "result", "slot", "description", "file_sha256",
                                            "velmar_version"}));
  EXPECT_EQ(first["operation"], "new");
  EXPECT_EQ(first["slot"], 3);
  EXPECT_EQ(first["description"], "Line \"A\", rev 2");
  EXPECT_EQ(reading.records[1]["operation"], "erase");
  EXPECT_EQ(reading.records[1]["result"], "failed");
}

TEST(OperationLog, ATornLastLineIsSkippedWithAWarningAndTheNextRecordKeptApart) {
  TempDir dir;
  const std::string path = dir.File(oplog::kLogFileName);
  const std::string whole = Line(oplog::LoggedOperation::read);
  const std::string torn = Line(oplog::LoggedOperation::copy).substr(0, 40);  // power lost mid-line
  WriteFile(path, whole + torn);
  oplog::OperationLog log(path);

  oplog::LogReading reading = log.Read();
  ASSERT_EQ(reading.records.size(), 1u);
  ASSERT_EQ(reading.warnings.size(), 1u);
  EXPECT_NE(reading.warnings[0].find("line 2"), std::string::npos) << reading.warnings[0];

  std::string error;
  ASSERT_TRUE(log.Append(Line(oplog::LoggedOperation::load), &error)) << error;
  reading = log.Read();
  ASSERT_EQ(reading.records.size(), 2u) << "the record after the torn line is whole";
  EXPECT_EQ(reading.records[1]["operation"], "load");
  EXPECT_EQ(reading.warnings.size(), 1u);
  EXPECT_EQ(ReadFile(path), whole + torn + "\n" + Line(oplog::LoggedOperation::load));
}

TEST(OperationLog, LinesThatAreNotRecordsAreSkippedNeverFatal) {
  TempDir dir;
  const std::string path = dir.File(oplog::kLogFileName);
  WriteFile(path, "[1,2]\n{\"time\":\"x\"}\n\xff\xfe\n\n" + Line(oplog::LoggedOperation::read) + "{\"operation\":");
  const oplog::LogReading reading = oplog::OperationLog(path).Read();
  EXPECT_EQ(reading.records.size(), 1u);
  EXPECT_EQ(reading.warnings.size(), 4u);
}

TEST(OperationLog, RotatesAtItsSizeKeepingOnePreviousFile) {
  TempDir dir;
  const std::string path = dir.File(oplog::kLogFileName);
  const std::string line = Line(oplog::LoggedOperation::read);
  oplog::OperationLog log(path, 3 * line.size());
  std::string error;
  for (int i = 0; i < 7; ++i) ASSERT_TRUE(log.Append(line, &error)) << error;
  // 3 lines fill a file; the 4th and 7th appends each began a new one.
  EXPECT_EQ(ReadFile(path).size(), line.size());
  EXPECT_EQ(ReadFile(log.PreviousPath()).size(), 3 * line.size());
  EXPECT_FALSE(Exists(log.PreviousPath() + ".1"));
  EXPECT_EQ(log.Read().records.size(), 4u) << "the reader takes the previous file first";
  EXPECT_EQ(oplog::kLogRotationBytes, 10u * 1024 * 1024);
}

TEST(OperationLog, ALogThatCannotBeWrittenSaysWhyAndNeverWaits) {
  TempDir dir;
  std::string error;
  // A missing folder is made, private to the user, as a new account's
  // working folder before anything else made it.
  ASSERT_TRUE(
      oplog::OperationLog(dir.File("new/") + oplog::kLogFileName).Append(Line(oplog::LoggedOperation::read), &error))
      << error;
  EXPECT_TRUE(Exists(dir.File("new/") + oplog::kLogFileName));
#ifndef _WIN32
  EXPECT_EQ(std::filesystem::status(dir.File("new")).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_all);
#endif
  // A file where its folder should be.
  WriteFile(dir.File("plain"), "");
  EXPECT_FALSE(
      oplog::OperationLog(dir.File("plain/") + oplog::kLogFileName).Append(Line(oplog::LoggedOperation::read), &error));
  EXPECT_NE(error.find("plain"), std::string::npos) << error;
  // A folder where the log should be.
  std::filesystem::create_directory(dir.File("folder"));
  error.clear();
  EXPECT_FALSE(oplog::OperationLog(dir.File("folder")).Append(Line(oplog::LoggedOperation::read), &error));
  EXPECT_FALSE(error.empty());
  // A pipe: opening it for writing must not wait for a reader.
  if (!MakeFifo(dir.File("pipe"))) return;  // Windows has no named pipes in folders
  error.clear();
  EXPECT_FALSE(oplog::OperationLog(dir.File("pipe")).Append(Line(oplog::LoggedOperation::read), &error));
  EXPECT_FALSE(error.empty());
}

// Each link at the log's name: the record must land nowhere, the target
// must stay as it was (or stay missing), and the message must say why.
TEST(OperationLog, ALinkAtItsNameIsRefusedAndNothingWrittenThroughIt) {
  enum class LinkKind { symbolic, hard, dangling };
  for (const LinkKind kind : {LinkKind::symbolic, LinkKind::hard, LinkKind::dangling}) {
    SCOPED_TRACE(int(kind));
    TempDir dir;
    const std::string target = dir.File("elsewhere.txt");
    const std::string log = dir.File(oplog::kLogFileName);
    if (kind != LinkKind::dangling) WriteFile(target, "keep\n");
    std::error_code ec;
    if (kind == LinkKind::hard)
      std::filesystem::create_hard_link(target, log, ec);
    else
      std::filesystem::create_symlink(target, log, ec);
    if (ec) GTEST_SKIP() << "links cannot be made here: " << ec.message();

    std::string error;
    EXPECT_FALSE(oplog::OperationLog(log).Append(Line(oplog::LoggedOperation::read), &error));
    EXPECT_NE(error.find("is a link"), std::string::npos) << error;
    if (kind == LinkKind::dangling)
      EXPECT_FALSE(Exists(target)) << "a dangling link created its target";
    else
      EXPECT_EQ(ReadFile(target), "keep\n");
  }
}

TEST(OperationRecords, CsvQuotesWhatWouldBreakItsCellsAndLeavesMissingKeysEmpty) {
  oplog::OperationRecord r = Record(oplog::LoggedOperation::new_slot, oplog::LoggedResult::failed);
  r.message = "Dataflash verify fail\non page 3";
  r.description = "Pump, \"v2\"";
  r.slot = 2;
  const std::string csv = oplog::RecordsCsv({oplog::RecordJson(r)});
  const std::string header = csv.substr(0, csv.find("\r\n"));
  EXPECT_EQ(header,
            "time,operation,result,message,kind,model,serial,location,driver,firmware_version,slot,description,device,"
            "family,file,"
            "file_size,file_sha256,unit_sha256,comparison,replaced_description,replaced_device,replaced_file,duration_"
            "ms,protocol_ms,"
            "link_pacing,velmar_version");
  EXPECT_EQ(csv.substr(header.size() + 2),
            "2026-03-01T09:30:12.345Z,new,failed,\"Dataflash verify fail\non page 3\",,,,,,,2,\"Pump, \"\"v2\"\"\","
            ",,,,,,,,,,,,,1.0\r\n");
}

TEST(OperationRecords, FileDigestIsTheStandardSha256) {
  TempDir dir;
  WriteFile(dir.File("abc"), "abc");
  EXPECT_EQ(platform::FileSha256(dir.File("abc")), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  WriteFile(dir.File("empty"), "");
  EXPECT_EQ(platform::FileSha256(dir.File("empty")),
            "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(platform::FileSha256(dir.File("missing")), std::nullopt);
  oplog::OperationRecord r;
  oplog::RecordFile(r, dir.File("missing"));
  EXPECT_EQ(r.file, dir.File("missing")) << "the name is kept, size and digest left out";
  EXPECT_FALSE(r.fileSize || r.fileSha256);
}

struct Journal {
  Journal() : journal(dialogs) {
    journal.SetFolderSource([this] { return dir.Path(); });
  }
  std::vector<nlohmann::ordered_json> Records() { return oplog::OperationLog(journal.LogPath()).Read().records; }

  TempDir dir;
  platform::ScriptedDialogs dialogs;
  oplog::OperationJournal journal;
};

TEST(OperationRecorder, TellsOkFailedAndCancelledFromWhatTheUserSaw) {
  Journal j;
  platform::Dialogs& d = j.journal.Trail();
  {
    oplog::OperationRecorder r(&j.journal, oplog::LoggedOperation::erase);
    d.ShowInformation("Programmer Erased");
    r.Succeeded();
  }
  {
    oplog::OperationRecorder r(&j.journal, oplog::LoggedOperation::erase);
    j.dialogs.Answer(DlgButton::No);
    d.AskYesNo("Are you sure you want to erase ALL programs?");
  }
  {
    oplog::OperationRecorder r(&j.journal, oplog::LoggedOperation::copy);
    j.dialogs.Answer(DlgButton::Yes);
    d.AskYesNo("This Operation can take up to 10 minutes");
    d.ShowError("Programmer Read Error\rTry again");
  }
  {
    oplog::OperationRecorder r(&j.journal, oplog::LoggedOperation::copy);
    j.dialogs.AnswerSave(std::nullopt);
    d.SaveFile({});
  }
  {
    // A failure box answered Abort is a failure, not a cancellation.
    oplog::OperationRecorder r(&j.journal, oplog::LoggedOperation::read);
    j.dialogs.Answer(DlgButton::Abort);
    d.MessageDlg("No USB devices found!", platform::DlgType::Error, {DlgButton::Abort, DlgButton::Retry});
  }
  { oplog::OperationRecorder r(&j.journal, oplog::LoggedOperation::remove); }  // stopped without a word
  const auto records = j.Records();
  ASSERT_EQ(records.size(), 6u);
  EXPECT_EQ(records[0]["result"], "ok");
  EXPECT_FALSE(records[0].contains("message")) << "a success has no failure message";
  EXPECT_EQ(records[1]["result"], "cancelled");
  EXPECT_EQ(records[2]["result"], "failed");
  EXPECT_EQ(records[2]["message"], "Programmer Read Error\nTry again");
  EXPECT_EQ(records[3]["result"], "cancelled");
  EXPECT_EQ(records[4]["result"], "failed");
  EXPECT_EQ(records[4]["message"], "No USB devices found!");
  EXPECT_EQ(records[5]["result"], "failed");
  EXPECT_FALSE(records[5].contains("message"));
}

// A question declined in an earlier operation does not make a later one
// that stops without a word "cancelled".
TEST(OperationRecorder, OnlyADeclineDuringTheOperationCancelsIt) {
  Journal j;
  platform::Dialogs& d = j.journal.Trail();
  {
    oplog::OperationRecorder r(&j.journal, oplog::LoggedOperation::erase);
    j.dialogs.Answer(DlgButton::No);
    d.AskYesNo("Are you sure you want to erase ALL programs?");
  }
  { oplog::OperationRecorder r(&j.journal, oplog::LoggedOperation::remove); }
  const auto records = j.Records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0]["result"], "cancelled");
  EXPECT_EQ(records[1]["result"], "failed");
}

TEST(OperationRecorder, AnUnwritableLogIsSaidOnceAndNeverStopsTheOperation) {
  Journal j;
  std::filesystem::create_directory(j.journal.LogPath());  // a folder where the log should be
  for (int i = 0; i < 3; ++i) {
    oplog::OperationRecorder r(&j.journal, oplog::LoggedOperation::read);
    r.Succeeded();
  }
  EXPECT_TRUE(j.journal.Warned());
  ASSERT_EQ(j.dialogs.shown.size(), 1u);
  EXPECT_EQ(j.dialogs.shown[0].type, platform::DlgType::Warning);
  EXPECT_NE(j.dialogs.shown[0].text.find(j.journal.LogPath()), std::string::npos);
  // The warning went past the trail: it is no operation's failure message.
  EXPECT_EQ(j.journal.Trail().LastMessageAt(), 0u);
}

}  // namespace
}  // namespace velmar::test
