// One record of the operation log: what was done to which programmer, from
// which file, when, and how it ended. A record is one JSON object whose keys
// come in a fixed order; keys that do not apply to an operation are left
// out. The same keys are the columns of the CSV export.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace velmar::oplog {

enum class LoggedOperation {
  read,
  new_slot,
  replace,
  remove,
  erase,
  copy,
  load,
  update_firmware,
  link_test,
  verify_unit
};
enum class LoggedResult { ok, failed, cancelled };

const char* OperationName(
    LoggedOperation operation);               // "read", "new", ... "update-firmware", "link-test", "verify-unit"
const char* ResultName(LoggedResult result);  // "ok", "failed", "cancelled"

struct OperationRecord {
  std::string time;  // ISO 8601, UTC
  LoggedOperation operation = LoggedOperation::read;
  LoggedResult result = LoggedResult::failed;
  std::optional<std::string> message;  // the text the user was shown on failure
  std::optional<std::string> kind;     // programmer kind name ("8way")
  std::optional<std::string> model;    // "8-way programmer, version 1"
  std::optional<std::string> serial;   // the USB interface's serial number
  // Where the programmer is plugged in ("1-2.4", as doctor shows it): with
  // several connected, the serial number is the same on every one.
  std::optional<std::string> location;
  std::optional<std::string> driver;  // the backend that ran it: sim, libftdi, d2xx
  std::optional<int> firmwareVersion;
  std::optional<int> slot;  // 1 for the first slot
  std::optional<std::string> description;
  std::optional<std::string> device;
  std::optional<std::string> family;
  std::optional<std::string> file;  // as the user gave it
  std::optional<std::uint64_t> fileSize;
  std::optional<std::string> fileSha256;
  // Verify Unit: the SHA-256 of the unit image a Copy Unit of the programmer
  // would save, and what the comparison with the file found ("identical",
  // "differing", "different-geometry").
  std::optional<std::string> unitSha256;
  std::optional<std::string> comparison;
  // What a Replace wrote over: the old slot's description, device and file.
  std::optional<std::string> replacedDescription;
  std::optional<std::string> replacedDevice;
  std::optional<std::string> replacedFile;
  std::optional<std::uint64_t> durationMs;  // wall-clock time
  std::optional<std::uint64_t> protocolMs;  // time of the programmer's protocol (simulated: virtual time)
  std::optional<std::string> linkPacing;    // how the link paced its exchanges: "exact" or "fast"
  std::string velmarVersion;
};

// The keys of a record in their order (also the CSV columns).
const std::vector<std::string>& RecordKeys();

// The record as one JSON object (keys that do not apply left out).
nlohmann::ordered_json RecordJson(const OperationRecord& record);
// The record as one line of the log, "\n" included.
std::string RecordLine(const OperationRecord& record);

// Records as CSV: a header row of every key, then one row per record (empty
// cells for keys a record has not), lines ended by CRLF.
std::string RecordsCsv(const std::vector<nlohmann::ordered_json>& records);

// The time now as the log writes it ("2026-03-01T09:30:12.345Z").
std::string UtcTimeNow();

}  // namespace velmar::oplog
