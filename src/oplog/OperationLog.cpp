// Appending to and reading the operation log.
#include "oplog/OperationLog.h"

#include <filesystem>
#include <fstream>

#include "platform/AppendFile.h"
#include "platform/Paths.h"

namespace velmar::oplog {

namespace {

// Opens the log for appending: created when missing; never a folder, a
// device, a pipe or a link (symbolic or hard: the record would land in
// another file, and a dangling link would create one). Another Velmar rotating the same log waits for the lock.
bool OpenLog(platform::AppendFile& file, const std::string& path, std::string* error) {
  std::string reason;
  switch (file.Open(path, reason)) {
    case platform::AppendFile::Opened::yes: return true;
    case platform::AppendFile::Opened::notRegularFile:
      *error = "The operation log " + path + " is not a regular file";
      return false;
    case platform::AppendFile::Opened::link:
      *error = "The operation log " + path + " is a link to another file; nothing was written through it";
      return false;
    case platform::AppendFile::Opened::failed: break;
  }
  *error = "The operation log " + path + " cannot be opened: " + reason;
  return false;
}

}  // namespace

bool OperationLog::Append(const std::string& line, std::string* error) {
  // The first record of a new account may come before anything else made
  // the working folder (a first backup, restore or firmware update): the
  // log makes it, private to the user as the working folder always is.
  if (const std::string folder = platform::ExtractFilePath(path_); !folder.empty()) {
    std::string reason;
    if (!platform::EnsurePrivateFolder(folder, &reason)) {
      *error = "The operation log's folder " + folder + " cannot be made: " + reason;
      return false;
    }
  }
  platform::AppendFile file;
  if (!OpenLog(file, path_, error)) return false;
  std::string rotation;
  if (file.Size() >= rotationBytes_) {
    std::string reason;
    if (!platform::RenameReplacing(path_, PreviousPath(), reason)) {
      rotation = "The operation log " + path_ + " could not be renamed to " + PreviousPath() + ": " + reason;
    } else {
      file.Close();
      if (!OpenLog(file, path_, error)) return false;
    }
  }
  // A line torn by an earlier failure stays apart from this record.
  const std::string whole = file.EndsWithNewline() ? line : "\n" + line;
  std::string reason;
  if (!file.Append(whole, reason)) {
    *error = "The operation log " + path_ + " could not be written: " + reason;
    return false;
  }
  if (!file.Sync(reason)) {
    *error = "The operation log " + path_ + " could not be flushed: " + reason;
    return false;
  }
  if (!rotation.empty()) *error = rotation;
  return true;
}

namespace {

void ReadFile(const std::string& path, LogReading& out) {
  std::error_code ec;
  const std::filesystem::file_status st = std::filesystem::status(platform::PathOf(path), ec);
  if (st.type() == std::filesystem::file_type::not_found) return;
  if (ec) {
    out.warnings.push_back(path + ": " + ec.message());
    return;
  }
  if (st.type() != std::filesystem::file_type::regular) {
    out.warnings.push_back(path + ": not a regular file");
    return;
  }
  std::ifstream in(platform::PathOf(path), std::ios::binary);
  if (!in) {
    out.warnings.push_back(path + ": cannot be opened");
    return;
  }
  std::string line;
  for (std::size_t number = 1; std::getline(in, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    nlohmann::ordered_json record = nlohmann::ordered_json::parse(line, nullptr, false);
    if (record.is_discarded() || !record.is_object() || !record.contains("operation") || !record.contains("result")) {
      out.warnings.push_back(path + " line " + std::to_string(number) + ": not a whole record, skipped");
      continue;
    }
    out.records.push_back(std::move(record));
  }
}

}  // namespace

LogReading OperationLog::Read() const {
  LogReading out;
  ReadFile(PreviousPath(), out);
  ReadFile(path_, out);
  return out;
}

}  // namespace velmar::oplog
