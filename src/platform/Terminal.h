// Whether a standard stream is a terminal (a console window on Windows),
// so that the command line asks questions and draws progress only for a
// person, never into a pipe or a file.
#pragma once

namespace velmar::platform {

enum class StandardStream { input, output, error };

bool IsTerminal(StandardStream stream);

}  // namespace velmar::platform
