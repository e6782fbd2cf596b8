// The command a user of velmar-cli types where one of the window's messages
// names a button ("Please use Replace Program", "Read Programmer First"): a
// table from a phrase of the message to the command line that does the same,
// shown under the message as "use: velmar-cli ...".
#pragma once

#include <optional>
#include <string>

namespace velmar::cli {

// The hint for `message`, with `slot` for the slot it concerns (0 when no
// slot is known: the hint then says N); nothing when no button is named.
std::optional<std::string> CommandHint(const std::string& message, int slot);

}  // namespace velmar::cli
