// Shared state of a command-line run.
#include "cli/CliContext.h"

#include <ostream>

#include "cli/TerminalDialogs.h"
#include "platform/Paths.h"
#include "platform/Text.h"

namespace velmar::cli {

CliContext::CliContext(std::ostream& o, std::ostream& e, std::istream& i)
    : out(o), err(e), in(i), dialogs(std::make_unique<TerminalDialogs>(*this)) {}

CliContext::~CliContext() = default;

image::Folders CliContext::Folders() const { return FoldersFrom(options); }

void CliContext::PrintJson(const nlohmann::ordered_json& object) { out << object.dump() << "\n"; }

std::uint64_t ParseSize(const std::string& text) {
  std::string t = text::UpperCase(text::Trim(text));
  if (t.empty()) throw CliFailure("empty size", kExitUsage);
  std::uint64_t multiplier = 1;
  if (t.back() == 'K') multiplier = 1024, t.pop_back();
  else if (t.back() == 'M') multiplier = 1024 * 1024, t.pop_back();
  try {
    std::size_t used = 0;
    std::uint64_t v = std::stoull(t, &used, text::StartsWith(t, "0X") ? 16 : 10);
    if (used != t.size()) throw std::invalid_argument(t);
    return v * multiplier;
  } catch (const std::exception&) {
    throw CliFailure("'" + text + "' is not a size", kExitUsage);
  }
}

}  // namespace velmar::cli
