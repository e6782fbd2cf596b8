// The operation journal and its recorders.
#include "oplog/OperationJournal.h"

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "platform/Clock.h"
#include "platform/FileDigest.h"

namespace velmar::oplog {

namespace {

std::int64_t WallMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

std::string OperationJournal::LogPath() const { return (folder_ ? folder_() : std::string()) + kLogFileName; }

bool OperationJournal::Append(const OperationRecord& given) {
  OperationRecord record = given;
  if (!record.driver && !driver_.empty()) record.driver = driver_;
  if (!record.location && !location_.empty()) record.location = location_;
  std::string error;
  OperationLog log(LogPath(), rotationBytes_);
  const bool written = log.Append(RecordLine(record), &error);
  if (!error.empty() && !warned_) {
    warned_ = true;
    trail_.User().ShowWarning(error + "\r\rOperations go on, but are not recorded in the log.", "Operation Log");
  }
  if (appended_) appended_();
  return written;
}

OperationRecorder::OperationRecorder(OperationJournal* journal, LoggedOperation operation, platform::Clock* clock,
                                     std::function<void(OperationRecord&)> fill)
    : journal_(journal),
      clock_(clock     ? clock
             : journal ? journal->Clock()
                       : nullptr),
      fill_(std::move(fill)) {
  record_.operation = operation;
  record_.velmarVersion = VELMAR_VERSION;
  record_.time = UtcTimeNow();
  if (journal_) startEvent_ = journal_->Trail().Events();
  if (journal_ && !journal_->LinkPacing().empty()) record_.linkPacing = journal_->LinkPacing();
  if (clock_) startProtocolMs_ = clock_->NowMs();
  startWallMs_ = WallMs();
}

OperationRecorder::~OperationRecorder() {
  try {
    Finish();
  } catch (const std::exception&) {
    // A record that could not be made never stops the operation.
  }
}

void OperationRecorder::Failed(const std::string& message) {
  outcome_ = LoggedResult::failed;
  record_.message = message;
}

void OperationRecorder::Finish() {
  if (finished_ || !journal_) return;
  finished_ = true;
  const platform::MessageTrail& trail = journal_->Trail();
  if (outcome_) {
    record_.result = *outcome_;
  } else if (trail.LastDeclineAt() > startEvent_ && trail.LastDeclineAt() >= trail.LastMessageAt()) {
    record_.result = LoggedResult::cancelled;
  } else {
    record_.result = LoggedResult::failed;
  }
  if (record_.result == LoggedResult::failed && !record_.message && trail.LastMessageAt() > startEvent_)
    record_.message = trail.LastMessage();
  if (record_.result != LoggedResult::failed) record_.message.reset();
  if (record_.message) {
    // Messages break lines with "\r"; the log keeps plain line breaks.
    for (char& c : *record_.message)
      if (c == '\r') c = '\n';
  }
  if (fill_) fill_(record_);
  record_.durationMs = std::uint64_t(std::max<std::int64_t>(0, WallMs() - startWallMs_));
  if (clock_) record_.protocolMs = clock_->NowMs() - startProtocolMs_;
  journal_->Append(record_);
}

void RecordFile(OperationRecord& record, const std::string& file) {
  if (file.empty()) return;
  record.file = file;
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(file, ec);
  if (ec) return;
  record.fileSize = size;
  if (std::optional<std::string> digest = platform::FileSha256(file)) record.fileSha256 = *digest;
}

}  // namespace velmar::oplog
