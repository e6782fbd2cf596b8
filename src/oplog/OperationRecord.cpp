// Operation records: names, JSON and CSV.
#include "oplog/OperationRecord.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace velmar::oplog {

using nlohmann::ordered_json;

const char* OperationName(LoggedOperation operation) {
  switch (operation) {
    case LoggedOperation::read: return "read";
    case LoggedOperation::new_slot: return "new";
    case LoggedOperation::replace: return "replace";
    case LoggedOperation::remove: return "delete";
    case LoggedOperation::erase: return "erase";
    case LoggedOperation::copy: return "copy";
    case LoggedOperation::load: return "load";
    case LoggedOperation::update_firmware: return "update-firmware";
    case LoggedOperation::link_test: return "link-test";
    case LoggedOperation::verify_unit: return "verify-unit";
  }
  return "read";
}

const char* ResultName(LoggedResult result) {
  switch (result) {
    case LoggedResult::ok: return "ok";
    case LoggedResult::cancelled: return "cancelled";
    case LoggedResult::failed: return "failed";
  }
  return "failed";
}

const std::vector<std::string>& RecordKeys() {
  static const std::vector<std::string> keys = {"time",
                                                "operation",
                                                "result",
                                                "message",
                                                "kind",
                                                "model",
                                                "serial",
                                                "location",
                                                "driver",
                                                "firmware_version",
                                                "slot",
                                                "description",
                                                "device",
                                                "family",
                                                "file",
                                                "file_size",
                                                "file_sha256",
                                                "unit_sha256",
                                                "comparison",
                                                "replaced_description",
                                                "replaced_device",
                                                "replaced_file",
                                                "duration_ms",
                                                "protocol_ms",
                                                "link_pacing",
                                                "velmar_version"};
  return keys;
}

namespace {

template <typename T>
void Put(ordered_json& j, const char* key, const std::optional<T>& value) {
  if (value) j[key] = *value;
}

}  // namespace

ordered_json RecordJson(const OperationRecord& r) {
  ordered_json j;
  j["time"] = r.time;
  j["operation"] = OperationName(r.operation);
  j["result"] = ResultName(r.result);
  Put(j, "message", r.message);
  Put(j, "kind", r.kind);
  Put(j, "model", r.model);
  Put(j, "serial", r.serial);
  Put(j, "location", r.location);
  Put(j, "driver", r.driver);
  Put(j, "firmware_version", r.firmwareVersion);
  Put(j, "slot", r.slot);
  Put(j, "description", r.description);
  Put(j, "device", r.device);
  Put(j, "family", r.family);
  Put(j, "file", r.file);
  Put(j, "file_size", r.fileSize);
  Put(j, "file_sha256", r.fileSha256);
  Put(j, "unit_sha256", r.unitSha256);
  Put(j, "comparison", r.comparison);
  Put(j, "replaced_description", r.replacedDescription);
  Put(j, "replaced_device", r.replacedDevice);
  Put(j, "replaced_file", r.replacedFile);
  Put(j, "duration_ms", r.durationMs);
  Put(j, "protocol_ms", r.protocolMs);
  Put(j, "link_pacing", r.linkPacing);
  j["velmar_version"] = r.velmarVersion;
  return j;
}

std::string RecordLine(const OperationRecord& record) {
  // Texts from files and programmers may hold bytes that are not UTF-8; they
  // are written replaced rather than lose the record.
  return RecordJson(record).dump(-1, ' ', false, ordered_json::error_handler_t::replace) + "\n";
}

namespace {

std::string CsvCell(const ordered_json& value) {
  if (value.is_null()) return {};
  std::string text =
      value.is_string() ? value.get<std::string>() : value.dump(-1, ' ', false, ordered_json::error_handler_t::replace);
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace

std::string RecordsCsv(const std::vector<ordered_json>& records) {
  std::string out;
  const std::vector<std::string>& keys = RecordKeys();
  for (std::size_t k = 0; k < keys.size(); ++k) out += (k ? "," : "") + keys[k];
  out += "\r\n";
  for (const ordered_json& r : records) {
    for (std::size_t k = 0; k < keys.size(); ++k) {
      if (k) out += ',';
      auto it = r.find(keys[k]);
      if (it != r.end()) out += CsvCell(*it);
    }
    out += "\r\n";
  }
  return out;
}

std::string UtcTimeNow() {
  using namespace std::chrono;
  const auto now = system_clock::now();
  // The calendar of the standard library: the same on every system, and
  // no shared buffer of gmtime's.
  const auto today = floor<days>(now);
  const year_month_day date{today};
  const hh_mm_ss<milliseconds> time{floor<milliseconds>(now - today)};
  char text[128];  // room for any value of the fields, not only a real time
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02lld:%02lld:%02lld.%03lldZ", int(date.year()),
                unsigned(date.month()), unsigned(date.day()), (long long)time.hours().count(),
                (long long)time.minutes().count(), (long long)time.seconds().count(),
                (long long)time.subseconds().count());
  return text;
}

}  // namespace velmar::oplog
