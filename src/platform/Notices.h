// The one thing a lower layer may do to the user: tell something, never ask.
// The programmer link tells through it what it must say while it works (a
// missing settings file, an old firmware, a driver failure), in the order it
// happens; the dialogs interface implements it, so a front end shows each
// notice as a message box or a terminal line.
#pragma once

#include <string>

namespace velmar::platform {

enum class NoticeLevel { information, warning, error };

class Notices {
 public:
  virtual ~Notices() = default;
  virtual void Tell(NoticeLevel level, const std::string& text) = 0;
};

}  // namespace velmar::platform
