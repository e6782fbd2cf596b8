// Which lock stands for the programmer a run uses, and taking it: the
// simulated programmer's lock lies beside its state file; a programmer on
// USB is named by where its interface sits on the bus (the link opens the
// first interface that carries the programmer's serial number), or by that
// serial number where the bus cannot be listed.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "link/UsbInventory.h"
#include "platform/ProgrammerLock.h"

namespace velmar::frontend {

// Another run holds the programmer; the message names it.
class EProgrammerBusy : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

std::string SimulatorLockFile(const std::string& stateFile);
// The lock file in `folder` (a folder every user can write) for the first
// programmer interface among `devices`; named by the serial number when
// the bus could not be listed (`busListed` false), and "" when it was
// listed and holds no programmer (the link will not find one either).
// With `port` (--port), the programmer interface at that USB location: the
// one the run opens, whichever was plugged in first (named by `port` when
// the bus could not be listed).
std::string HardwareLockFile(const std::string& folder, const std::vector<link::UsbDevice>& devices, bool busListed,
                             const std::string& port = {});

// Takes `lock` on `path` for a run started as `command`. Raises
// EProgrammerBusy when another run holds it and `wait` is not set, and
// std::runtime_error when the lock file cannot be used.
void TakeProgrammerLock(platform::ProgrammerLock& lock, const std::string& path, const std::string& command, bool wait);

}  // namespace velmar::frontend
