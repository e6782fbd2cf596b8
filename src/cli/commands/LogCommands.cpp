// `velmar-cli log`: the working folder's operation log, the latest records
// last. Plain text gives one line per record (time, operation, result,
// programmer kind, slot, then the description, file and checksum or the
// failure's message); --json gives the records as they are kept; --csv
// exports them with a column per key. Lines of the log that are not whole
// records are skipped with a warning on stderr.
#include <CLI/CLI.hpp>

#include <algorithm>

#include "cli/CliContext.h"
#include "cli/Commands.h"
#include "oplog/OperationLog.h"
#include "oplog/OperationRecord.h"
#include "platform/Text.h"

namespace velmar::cli {

namespace {

using nlohmann::ordered_json;

struct LogArgs {
  int last = -1;       // all
  std::string driver;  // only the records of this driver (empty: all)
  bool csv = false;
};

std::string Text(const ordered_json& record, const char* key) {
  auto it = record.find(key);
  if (it == record.end()) return {};
  if (it->is_string()) return it->get<std::string>();
  return it->dump(-1, ' ', false, ordered_json::error_handler_t::replace);
}

std::string Padded(std::string text, std::size_t width) {
  if (text.size() < width) text.append(width - text.size(), ' ');
  return text;
}

// The part of a record after its fixed columns.
std::string Detail(const ordered_json& r) {
  std::vector<std::string> parts;
  if (Text(r, "driver") == "sim") parts.push_back("(simulated)");
  if (!Text(r, "description").empty()) parts.push_back("\"" + Text(r, "description") + "\"");
  if (!Text(r, "device").empty()) parts.push_back(Text(r, "device"));
  if (!Text(r, "file").empty()) parts.push_back(Text(r, "file"));
  if (!Text(r, "file_sha256").empty()) parts.push_back("sha256 " + Text(r, "file_sha256"));
  if (!Text(r, "message").empty()) {
    std::string message = Text(r, "message");
    std::replace(message.begin(), message.end(), '\n', ' ');
    parts.push_back("- " + message);
  }
  std::string out;
  for (const std::string& p : parts) out += (out.empty() ? "" : "  ") + p;
  return out;
}

void ShowLog(CliContext& ctx, const LogArgs& a) {
  const oplog::OperationLog log(ctx.Folders().working + oplog::kLogFileName);
  oplog::LogReading reading = log.Read();
  for (const std::string& warning : reading.warnings) ctx.err << "Warning: " << warning << "\n";
  std::vector<ordered_json>& records = reading.records;
  if (!a.driver.empty())
    records.erase(std::remove_if(records.begin(), records.end(),
                                 [&a](const ordered_json& r) { return Text(r, "driver") != a.driver; }),
                  records.end());
  if (a.last >= 0 && std::size_t(a.last) < records.size()) records.erase(records.begin(), records.end() - a.last);

  if (a.csv) {
    ctx.out << oplog::RecordsCsv(records);
    return;
  }
  if (ctx.options.json) {
    ordered_json list = ordered_json::array();
    for (ordered_json& r : records) list.push_back(std::move(r));
    ctx.PrintJson({{"log", log.Path()}, {"records", std::move(list)}, {"warnings", reading.warnings}});
    return;
  }
  if (records.empty()) {
    ctx.out << "No operations recorded in " << log.Path() << "\n";
    return;
  }
  for (const ordered_json& r : records) {
    const std::string slot = Text(r, "slot").empty() ? "" : "slot " + Text(r, "slot");
    std::string line = Padded(Text(r, "time"), 26) + Padded(Text(r, "operation"), 17) + Padded(Text(r, "result"), 11) +
                       Padded(Text(r, "kind"), 12) + Padded(slot, 9) + Detail(r);
    // Descriptions and messages may quote names read from a programmer.
    ctx.out << text::EscapeControls(text::Trim(line)) << "\n";
  }
}

}  // namespace

void RegisterLogCommands(CLI::App& app, CliContext& ctx) {
  auto a = std::make_shared<LogArgs>();
  auto* log = app.add_subcommand("log", "Show the operation log of the working folder (velmar-log.jsonl)");
  log->add_option("--last", a->last, "Only the last N records")->check(CLI::NonNegativeNumber);
  log->add_flag("--csv", a->csv, "Export the records as CSV (one column per key)");
  log->add_option("--driver", a->driver, "Only the records of one driver: sim, libftdi or d2xx")
      ->check(CLI::IsMember({"sim", "libftdi", "d2xx"}));
  log->callback([&ctx, a] {
    if (a->csv && ctx.options.json) throw CliFailure("--csv and --json cannot be used together", kExitUsage);
    ShowLog(ctx, *a);
  });
}

}  // namespace velmar::cli
