// The operation log as the desktop window shows it, under the slot list: the
// records of velmar-log.jsonl (and of the file it last rotated to), newest
// first, one row each with its time in local time, the operation, how it
// ended, the programmer, the slot and a line of details (description,
// device, file, checksum or the failure's message). Lines that are not whole
// records (a line torn by a power cut) are left out with a warning, as
// `velmar-cli log` does. "Export CSV..." writes every record, oldest first,
// in the same CSV as `velmar-cli log --csv`, to a file the user chooses.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace velmar::platform {
class Dialogs;
}

namespace velmar::model {

struct LogRow {
  std::string time;        // local time, "2026-03-01 10:30:12"
  std::string utcTime;     // as recorded
  std::string operation;   // "new", "read", ...
  std::string result;      // "ok", "failed", "cancelled"
  std::string programmer;  // the programmer kind
  std::string slot;
  std::string details;
};

class OperationLogView {
 public:
  // `logPath` names the log file at each refresh (the working folder may
  // change with a Read).
  OperationLogView(std::function<std::string()> logPath, platform::Dialogs& dialogs)
      : logPath_(std::move(logPath)), dialogs_(dialogs) {}

  // Reads the log again.
  void Refresh();
  const std::vector<LogRow>& Rows() const { return rows_; }  // newest first
  const std::vector<std::string>& Warnings() const { return warnings_; }
  // The line the pane shows over the list: the warnings, else the outcome
  // of the last export, else the log's name and its number of records.
  std::string StatusText() const;

  // Asks for a file (starting in `folder`) and writes the records there as
  // CSV. False when the user cancelled or the file could not be written (the
  // user has been told why).
  bool ExportCsv(const std::string& folder);

 private:
  std::function<std::string()> logPath_;
  platform::Dialogs& dialogs_;
  std::vector<nlohmann::ordered_json> records_;  // oldest first, as read
  std::vector<LogRow> rows_;
  std::vector<std::string> warnings_;
  std::string exported_;
};

// A recorded UTC time ("2026-03-01T09:30:12.345Z") in local time
// ("2026-03-01 10:30:12"); a text that is not such a time comes back as it is.
std::string LocalTimeText(const std::string& utc);

// One record as a row of the pane.
LogRow RowOf(const nlohmann::ordered_json& record);

}  // namespace velmar::model
