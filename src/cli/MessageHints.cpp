// Command hints for the window's messages.
#include "cli/MessageHints.h"

#include "platform/Text.h"

namespace velmar::cli {

namespace {

struct Hint {
  const char* phrase;   // part of the window's message
  const char* command;  // what to type instead; {slot} is the slot concerned
};

const Hint kHints[] = {
    {"Please use Replace Program",
     "velmar-cli replace --slot {slot} --family F --device NAME --hex FILE --description TEXT"},
    {"Please enter a new description", "velmar-cli replace --slot {slot} --description TEXT"},
    {"Please use Read button", "velmar-cli read"},
    {"Read Programmer First", "velmar-cli read"},
    {"Select the slot to replace", "velmar-cli replace --slot N"},
    {"erase the programmer first", "velmar-cli --yes erase"},
    {"erase the\rprogrammer", "velmar-cli --yes erase"},
};

}  // namespace

std::optional<std::string> CommandHint(const std::string& message, int slot) {
  for (const Hint& h : kHints) {
    if (!text::Contains(message, h.phrase)) continue;
    std::string command = h.command;
    const std::string where = "{slot}";
    const std::size_t at = command.find(where);
    if (at != std::string::npos) command.replace(at, where.size(), slot > 0 ? std::to_string(slot) : "N");
    return "use: " + command;
  }
  return std::nullopt;
}

}  // namespace velmar::cli
