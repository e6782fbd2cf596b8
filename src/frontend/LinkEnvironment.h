// Builds everything the programmer link stands on from plain options, for
// the command line and the desktop application alike: the driver backend
// (hardware or the simulated programmer with its state file), the clock
// (virtual for the simulator unless real time is asked for), call counting
// and the optional trace file.
#pragma once

#include <fstream>
#include <memory>
#include <string>

#include "link/CountingDriver.h"
#include "link/FtDriver.h"
#include "slot/ProgrammerGeometry.h"

namespace velmar::platform {
class Clock;
class VirtualClock;
}  // namespace velmar::platform

namespace velmar::sim {
class SimDriver;
}

namespace velmar::link {
class TracingDriver;
}

namespace velmar::frontend {

struct LinkOptions {
  std::string driver = "auto";  // auto, sim, libftdi or d2xx
  std::string simulate;         // kind of simulated programmer (0-5 or a kind name)
  std::string simState;         // its state file (implies the simulator)
  std::string trace;            // trace file
  bool realtime = false;        // let the simulator take real time
  std::string workingFolder;    // where the default state file lives
  std::string programFolder;    // progsetting.ini for a fresh simulated programmer
};

class LinkEnvironment {
 public:
  // Raises std::invalid_argument for options that do not fit together and
  // std::runtime_error for files that cannot be read or written.
  explicit LinkEnvironment(const LinkOptions& options);
  ~LinkEnvironment();

  platform::Clock& Clock() { return *clock_; }
  link::FtDriver& Driver() { return *outer_; }
  const link::DriverCounts& Counts() const { return counting_->counts; }
  const std::string& BackendName() const { return backend_; }
  // The simulated programmer (null on hardware) and its state file.
  sim::SimDriver* Sim() { return sim_; }
  const std::string& StateFile() const { return stateFile_; }

  // Saves the simulated programmer's state and flushes the trace. False and
  // `error` when that fails. Safe to call more than once.
  bool Finish(std::string* error);

  // The default state file for a kind: "sim-<kind name>.state" in `folder`.
  static std::string DefaultStateFile(const std::string& folder, slot::ProgrammerKind kind);

 private:
  std::unique_ptr<platform::Clock> clock_;
  std::string backend_;
  std::unique_ptr<link::FtDriver> driver_;
  std::unique_ptr<link::CountingDriver> counting_;
  std::unique_ptr<std::ofstream> traceFile_;
  std::unique_ptr<link::TracingDriver> tracing_;
  link::FtDriver* outer_ = nullptr;
  sim::SimDriver* sim_ = nullptr;
  std::string stateFile_;
};

}  // namespace velmar::frontend
