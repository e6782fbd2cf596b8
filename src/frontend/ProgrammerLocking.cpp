// The programmer lock's file for a run, and its messages.
#include "frontend/ProgrammerLocking.h"

#include <cctype>

#include "platform/Paths.h"

namespace velmar::frontend {

namespace {
constexpr const char* kProgrammerSerial = "QRX";
}  // namespace

std::string SimulatorLockFile(const std::string& stateFile) { return stateFile + ".lock"; }

std::string HardwareLockFile(const std::string& folder, const std::vector<link::UsbDevice>& devices, bool busListed,
                             const std::string& port) {
  std::string where;
  for (const link::UsbDevice& d : devices) {
    if (d.vendor != link::kFtdiVendorId || d.product != link::kFt2232ProductId || d.serial != kProgrammerSerial)
      continue;
    if (!port.empty() && d.path != port) continue;
    where = d.path.empty() ? "bus" + std::to_string(d.bus) + "-device" + std::to_string(d.address) : "usb-" + d.path;
    break;
  }
  if (where.empty() && busListed) return {};
  // The bus could not be listed: the lock is named by the location given,
  // so two runs on that programmer still meet.
  if (where.empty() && !port.empty()) where = "usb-" + port;
  if (where.empty()) where = std::string("serial-") + kProgrammerSerial;
  // Only letters, digits, '-' and '.' from the bus's names reach the file name.
  for (char& c : where)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '.') c = '_';
  return platform::WithSeparator(folder) + "velmar-programmer-" + where + ".lock";
}

void TakeProgrammerLock(platform::ProgrammerLock& lock, const std::string& path, const std::string& command,
                        bool wait) {
  const platform::ProgrammerLock::Outcome out = lock.Take(path, command, wait);
  switch (out.taken) {
    case platform::ProgrammerLock::Taken::yes: return;
    case platform::ProgrammerLock::Taken::busy:
      throw EProgrammerBusy("The programmer is in use by another Velmar run: " +
                            (out.holder.empty() ? std::string("its process is not known") : out.holder) +
                            ".\rTry again when it has ended, or give --wait to wait for it.");
    case platform::ProgrammerLock::Taken::failed: break;
  }
  throw std::runtime_error("The programmer's lock file " + path + " cannot be used: " + out.reason);
}

}  // namespace velmar::frontend
