// Shared state of a command-line run.
#include "cli/CliContext.h"

#include <cstdint>
#include <ostream>
#include <stdexcept>

#include "cli/TerminalDialogs.h"
#include "platform/Paths.h"
#include "platform/Text.h"

namespace velmar::cli {

CliContext::CliContext(std::ostream& o, std::ostream& e, std::istream& i)
    : out(o), err(e), in(i), dialogs(std::make_unique<TerminalDialogs>(*this)) {}

CliContext::~CliContext() = default;

image::Folders CliContext::Folders() const { return frontend::FoldersFrom(options); }

// Texts read from a programmer or a file are bytes, not always UTF-8 (a slot
// description typed in an 8-bit character set); such a byte is shown as
// U+FFFD rather than failing the whole report.
void CliContext::PrintJson(const nlohmann::ordered_json& object) {
  out << object.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
}

std::uint64_t ParseSize(const std::string& text) {
  std::string t = text::UpperCase(text::Trim(text));
  if (t.empty()) throw CliFailure("empty size", kExitUsage);
  std::uint64_t multiplier = 1;
  if (t.back() == 'K') multiplier = 1024, t.pop_back();
  else if (t.back() == 'M') multiplier = 1024 * 1024, t.pop_back();
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
