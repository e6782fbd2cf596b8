// Shared state of a command-line run.
#include "cli/CliContext.h"

#include <cstdint>
#include <ostream>
#include <stdexcept>

#include "cli/TerminalDialogs.h"
#include "frontend/LinkEnvironment.h"
#include "platform/AtomicFile.h"
#include "platform/Clock.h"
#include "platform/Paths.h"
#include "platform/Text.h"

namespace velmar::cli {

CliContext::CliContext(std::ostream& o, std::ostream& e, std::istream& i)
    : out(o), err(e), in(i), dialogs(std::make_unique<TerminalDialogs>(*this)) {}

CliContext::~CliContext() = default;

image::Folders CliContext::Folders() const {
  image::Folders f = frontend::FoldersFrom(options);
  if (!folderChecked_) {
    folderChecked_ = true;
    const std::string warning = platform::SharedFolderWarning(f.working);
    if (!warning.empty()) err << "Warning: " << warning << "\n";
  }
  return f;
}

void CliContext::WriteUserFile(const std::string& path, std::string_view contents) {
  WriteUserFile(path, [contents](const platform::AppendBytes& append) { return append(contents); });
}

void CliContext::WriteUserFile(const std::string& path,
                               const std::function<bool(const platform::AppendBytes&)>& produce) {
  if (path == "-") {
    jsonOut_ = &err;
    const bool made = produce([this](std::string_view piece) {
      out.write(piece.data(), std::streamsize(piece.size()));
      return bool(out);
    });
    out.flush();
    if (!made || !out) throw CliFailure("File Save Error: the output could not be written to stdout");
    return;
  }
  std::string error;
  if (!platform::WriteFileAtomically(path, produce, &error)) throw CliFailure("File Save Error: " + error);
}

std::ostream& CliContext::ReportTo(const std::string& writtenPath) { return writtenPath == "-" ? err : out; }

// Texts read from a programmer or a file are bytes, not always UTF-8 (a slot
// description typed in an 8-bit character set); such a byte is shown as
// U+FFFD rather than failing the whole report.
void CliContext::PrintJson(const nlohmann::ordered_json& object) {
  for (auto it = object.begin(); it != object.end(); ++it) json[it.key()] = it.value();
}

void CliContext::FlushJson(const std::string& error, int status) {
  if (status != kExitOk) json["error"] = {{"message", error}, {"status", status}};
  // The window's messages last: the command's own keys read first.
  if (json.contains("messages")) {
    nlohmann::ordered_json messages = json["messages"];
    json.erase("messages");
    json["messages"] = messages;
  }
  *jsonOut_ << json.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
}

void CliContext::Warn(const std::string& text) {
  if (!options.quiet) err << "Warning: " << text << "\n";
}

std::ostream& CliContext::Info() { return options.quiet || options.json ? nullOut_ : out; }

void CliContext::ReportLink(frontend::LinkEnvironment& env) {
  if (!options.verbose) return;
  const link::DriverCounts& c = env.Counts();
  err << "link: " << env.BackendName();
  if (!env.StateFile().empty()) err << " (" << env.StateFile() << ")";
  err << ", " << c.calls << " driver calls (" << c.writes << " writes of " << c.bytesWritten << " bytes, " << c.reads
      << " reads of " << c.bytesRead << " bytes), protocol time " << env.Clock().NowMs() << " ms\n";
}

int ParseVersion(const std::string& option, const std::string& given) {
  const std::string t = text::UpperCase(text::Trim(given));
  const bool prefixed = text::StartsWith(t, "0X");
  const std::string digits = prefixed ? t.substr(2) : t;
  const bool hex = prefixed || digits.find_first_of("ABCDEF") != std::string::npos;
  const char* allowed = hex ? "0123456789ABCDEF" : "0123456789";
  if (digits.empty() || digits.size() > 3 || digits.find_first_not_of(allowed) != std::string::npos)
    throw CliFailure(option + " " + given + ": expected a version such as 226, 0xE2 or E2", kExitUsage);
  const int v = std::stoi(digits, nullptr, hex ? 16 : 10);
  if (v > 255) throw CliFailure(option + " " + given + ": a version is 0 to 255 (0x00 to 0xFF)", kExitUsage);
  return v;
}

int ParseStoredVersion(const std::string& option, const std::string& given) {
  const std::string t = text::Trim(given);
  const int v = ParseVersion(option, given);
  const bool twoDigits = t.size() == 2 && t.find_first_not_of("0123456789") == std::string::npos;
  if (twoDigits && v >= 10) {
    const int asHex = std::stoi(t, nullptr, 16);
    throw CliFailure(option + " " + t + " could mean " + VersionText(v) + " or 0x" + t + " (" + std::to_string(asHex) +
                         "), the form the file stores: write 0x" + t + " for " + std::to_string(asHex) + ", or 0" + t +
                         " for " + std::to_string(v),
                     kExitUsage);
  }
  return v;
}

std::string VersionHex(int version) { return text::IntToHex(std::uint64_t(version), 2); }

std::string VersionText(int version) { return std::to_string(version) + " (0x" + VersionHex(version) + ")"; }

std::uint64_t ParseSize(const std::string& text) {
  std::string t = text::UpperCase(text::Trim(text));
  if (t.empty()) throw CliFailure("empty size", kExitUsage);
  std::uint64_t multiplier = 1;
  if (t.back() == 'K')
    multiplier = 1024, t.pop_back();
  else if (t.back() == 'M')
    multiplier = 1024 * 1024, t.pop_back();
  try {
    // stoull takes "-1" as 2^64 - 1: a size with a minus sign is no size.
    if (t.front() == '-') throw std::invalid_argument(t);
    std::size_t used = 0;
    std::uint64_t v = std::stoull(t, &used, text::StartsWith(t, "0X") ? 16 : 10);
    if (used != t.size()) throw std::invalid_argument(t);
    // A size too large to count in bytes is not taken modulo 2^64.
    if (v > UINT64_MAX / multiplier) throw std::out_of_range(t);
    return v * multiplier;
  } catch (const std::exception&) {
    throw CliFailure("'" + text + "' is not a size", kExitUsage);
  }
}

}  // namespace velmar::cli
