// The operation log file, "velmar-log.jsonl" in the working folder: JSON
// Lines, one record per line, only ever appended to. Each record goes out in
// one write of the whole line to a file opened for appending, and is flushed
// to the disk before the append returns, so a crash or a power loss can at
// worst leave the last line torn; the next append starts on a line of its
// own, and the reader skips a line that is not a whole record with a
// warning. At 10 MB the log is renamed to "velmar-log.jsonl.1" (replacing
// the one before) and a new one begun.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace velmar::oplog {

inline constexpr const char* kLogFileName = "velmar-log.jsonl";
inline constexpr std::uint64_t kLogRotationBytes = 10u * 1024u * 1024u;

struct LogReading {
  std::vector<nlohmann::ordered_json> records;  // oldest first
  std::vector<std::string> warnings;            // one per line skipped or file not read
};

class OperationLog {
 public:
  explicit OperationLog(std::string path, std::uint64_t rotationBytes = kLogRotationBytes)
      : path_(std::move(path)), rotationBytes_(rotationBytes) {}

  const std::string& Path() const { return path_; }
  // The file the log is renamed to when it rotates.
  std::string PreviousPath() const { return path_ + ".1"; }

  // Appends one line ("\n"-terminated). False, with a sentence naming the
  // file and the reason in `error`, when the line could not be written;
  // a log that could not rotate is still appended to (and says so).
  bool Append(const std::string& line, std::string* error);

  // Every record of the previous file and the current one, oldest first. A
  // missing file is an empty log.
  LogReading Read() const;

 private:
  std::string path_;
  std::uint64_t rotationBytes_;
};

}  // namespace velmar::oplog
