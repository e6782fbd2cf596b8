// The one base of every failure the core raises for the user to read: the
// programmer link's and the memory image's EISPException, EFirmwareUpdate,
// a file that cannot be opened, a corrupted firmware file, a missing device
// file. Each keeps its own class, so a handler still names the one it
// means; a front end that only reports the failure catches EVelmarError and
// shows what() as it is. Failures of the program itself (a broken invariant)
// stay plain standard exceptions.
#pragma once

#include <stdexcept>

namespace velmar::platform {

class EVelmarError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace velmar::platform
