// The window's view of the operation log.
#include "model/OperationLogView.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <optional>

#include "oplog/OperationLog.h"
#include "oplog/OperationRecord.h"
#include "platform/AtomicFile.h"
#include "platform/Dialogs.h"
#include "platform/LocalTime.h"

namespace velmar::model {

namespace {

using nlohmann::ordered_json;

constexpr const char* kCsvFilter = "CSV|*.csv|All Files|*.*";

std::string Text(const ordered_json& record, const char* key) {
  auto it = record.find(key);
  if (it == record.end() || it->is_null()) return {};
  if (it->is_string()) return it->get<std::string>();
  return it->dump(-1, ' ', false, ordered_json::error_handler_t::replace);
}

std::string OneLine(std::string text) {
  std::replace(text.begin(), text.end(), '\r', ' ');
  std::replace(text.begin(), text.end(), '\n', ' ');
  return text;
}

std::string Details(const ordered_json& r) {
  std::vector<std::string> parts;
  if (!Text(r, "description").empty()) parts.push_back("\"" + Text(r, "description") + "\"");
  for (const char* key : {"device", "file"})
    if (!Text(r, key).empty()) parts.push_back(Text(r, key));
  if (!Text(r, "file_sha256").empty()) parts.push_back("SHA-256 " + Text(r, "file_sha256"));
  if (!Text(r, "message").empty()) parts.push_back("- " + Text(r, "message"));
  std::string out;
  for (const std::string& p : parts) out += (out.empty() ? "" : "  ") + p;
  return OneLine(out);
}

}  // namespace

std::string LocalTimeText(const std::string& utc) {
  std::tm t{};
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, used = 0;
  if (std::sscanf(utc.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%n", &year, &month, &day, &hour, &minute, &second, &used) != 6 ||
      used != 19 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60)
    return utc;
  const std::string rest = utc.substr(19);  // fraction of a second, then "Z"
  if (rest.empty() || rest.back() != 'Z') return utc;
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  std::tm local{};
  if (!platform::UtcToLocal(t, local)) return utc;
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

LogRow RowOf(const ordered_json& record) {
  LogRow row;
  row.utcTime = Text(record, "time");
  row.time = LocalTimeText(row.utcTime);
  row.operation = Text(record, "operation");
  row.result = Text(record, "result");
  row.programmer = Text(record, "kind");
  row.slot = Text(record, "slot");
  row.details = Details(record);
  return row;
}

void OperationLogView::Refresh() {
  exported_.clear();
  oplog::LogReading reading = oplog::OperationLog(logPath_()).Read();
  records_ = std::move(reading.records);
  warnings_ = std::move(reading.warnings);
  rows_.clear();
  rows_.reserve(records_.size());
  for (auto it = records_.rbegin(); it != records_.rend(); ++it) rows_.push_back(RowOf(*it));
}

std::string OperationLogView::StatusText() const {
  if (!warnings_.empty()) {
    std::string text = "Warning: " + warnings_.front();
    if (warnings_.size() > 1) text += " (and " + std::to_string(warnings_.size() - 1) + " more)";
    return text;
  }
  if (!exported_.empty()) return exported_;
  const std::size_t n = rows_.size();
  return logPath_() + ": " + std::to_string(n) + (n == 1 ? " record" : " records");
}

bool OperationLogView::ExportCsv(const std::string& folder) {
  std::optional<std::string> chosen = dialogs_.SaveFile({kCsvFilter, "csv", folder, "velmar-log.csv"});
  if (!chosen) return false;
  Refresh();  // everything recorded up to now
  std::string error;
  if (!platform::WriteFileAtomically(*chosen, oplog::RecordsCsv(records_), &error)) {
    dialogs_.ShowError("The operation log could not be exported.\r\r" + error, "Export CSV");
    return false;
  }
  const std::size_t n = records_.size();
  exported_ = std::to_string(n) + (n == 1 ? " record" : " records") + " exported to " + *chosen;
  return true;
}

}  // namespace velmar::model
