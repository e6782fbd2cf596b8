// The operation log as the window keeps it: the message trail every message
// of the window's operations goes through, the folder the log lives in (the
// working folder, which a Read may change), the clock the protocol's time is
// read from, and the one warning a log that cannot be written earns. An
// OperationRecorder is started where an operation starts; it times the
// operation, is filled in as the operation learns its facts, and appends the
// record when it ends: ok when the operation said it succeeded, cancelled
// when its last word was a question the user declined, failed otherwise
// (with the last message the user was shown).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "oplog/OperationLog.h"
#include "oplog/OperationRecord.h"
#include "platform/MessageTrail.h"

namespace velmar::platform {
class Clock;
}

namespace velmar::oplog {

class OperationJournal {
 public:
  explicit OperationJournal(platform::Dialogs& user) : trail_(user) {}

  // The dialogs the operations use (the user's, watched).
  platform::MessageTrail& Trail() { return trail_; }
  // The folder the log is kept in, asked at every append (empty: the
  // current folder).
  void SetFolderSource(std::function<std::string()> folder) { folder_ = std::move(folder); }
  std::string LogPath() const;
  // The clock the protocol time is read from (none: protocol_ms left out).
  void SetClock(platform::Clock* clock) { clock_ = clock; }
  // The driver backend every record names ("sim", "libftdi", "d2xx"), so a
  // simulated run is never taken for a real one.
  void SetDriver(std::string driver) { driver_ = std::move(driver); }
  // Where the programmer is plugged in ("1-2.4"), named by every record
  // from now on (empty: none named).
  void SetLocation(std::string location) { location_ = std::move(location); }
  platform::Clock* Clock() const { return clock_; }
  // The link pacing every record started from now on names ("exact" or
  // "fast"; empty: none named).
  void SetLinkPacing(std::string pacing) { linkPacing_ = std::move(pacing); }
  const std::string& LinkPacing() const { return linkPacing_; }
  // Size at which the log rotates (tests make it small).
  void SetRotationBytes(std::uint64_t bytes) { rotationBytes_ = bytes; }

  // Appends a record. A log that cannot be written never stops anything: the
  // first failure is shown as a warning through the user's dialogs (not the
  // trail), later ones are silent. True when the record was written.
  bool Append(const OperationRecord& record);
  // True once the user was told the log cannot be written.
  bool Warned() const { return warned_; }
  // Called after every append, written or not (a window showing the log
  // reads it again).
  void SetAppendObserver(std::function<void()> observer) { appended_ = std::move(observer); }

 private:
  platform::MessageTrail trail_;
  std::function<std::string()> folder_;
  platform::Clock* clock_ = nullptr;
  std::string driver_;
  std::string location_;
  std::uint64_t rotationBytes_ = kLogRotationBytes;
  std::string linkPacing_;
  bool warned_ = false;
  std::function<void()> appended_;
};

class OperationRecorder {
 public:
  // No journal: nothing is recorded. The protocol time comes from `clock`,
  // else from the journal's clock.
  // `fill` adds facts known only at the end, just before the record is written.
  OperationRecorder(OperationJournal* journal, LoggedOperation operation, platform::Clock* clock = nullptr,
                    std::function<void(OperationRecord&)> fill = {});
  ~OperationRecorder();
  OperationRecorder(const OperationRecorder&) = delete;
  OperationRecorder& operator=(const OperationRecorder&) = delete;

  OperationRecord& Record() { return record_; }

  void Succeeded() { outcome_ = LoggedResult::ok; }
  void Cancelled() { outcome_ = LoggedResult::cancelled; }
  // Failed with this text (instead of the last message shown).
  void Failed(const std::string& message);
  // Appends the record now (once; the destructor does it otherwise).
  void Finish();

 private:
  OperationJournal* journal_;
  platform::Clock* clock_;
  OperationRecord record_;
  std::function<void(OperationRecord&)> fill_;
  std::optional<LoggedResult> outcome_;
  std::uint64_t startEvent_ = 0;
  std::uint64_t startProtocolMs_ = 0;
  std::int64_t startWallMs_ = 0;
  bool finished_ = false;
};

// The file as the user gave it, its size and its SHA-256 (size and digest
// left out when it cannot be read).
void RecordFile(OperationRecord& record, const std::string& file);

}  // namespace velmar::oplog
