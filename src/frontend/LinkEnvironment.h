// Builds everything the programmer link stands on from plain options, for
// the command line and the desktop application alike: the driver backend
// (hardware or the simulated programmer with its state file), the clock
// (virtual for the simulator unless real time is asked for), call counting
// and the optional trace file; and the lock on the programmer, held from
// before the simulated programmer's state is read until the environment
// ends (frontend/ProgrammerLocking.h).
#pragma once

#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/CountingDriver.h"
#include "link/FtDriver.h"
#include "link/LinkPacing.h"
#include "link/ProgrammerChannels.h"
#include "platform/ProgrammerLock.h"
#include "slot/ProgrammerGeometry.h"

namespace velmar::platform {
class Clock;
class VirtualClock;
}  // namespace velmar::platform

namespace velmar::sim {
class SimDriver;
}

namespace velmar::link {
class LocatedDriver;
class TracingDriver;
class TReadProg;
}  // namespace velmar::link

namespace velmar::frontend {

struct LinkOptions {
  std::string driver = "auto";  // auto, sim, libftdi or d2xx
  std::string simulate;         // kind of simulated programmer (0-5 or a kind name)
  std::string simState;         // its state file (implies the simulator)
  std::string trace;            // trace file
  bool realtime = false;        // let the simulator take real time
  std::string workingFolder;    // where the default state file lives
  std::string programFolder;    // progsetting.ini for a fresh simulated programmer
  bool wait = false;            // wait for another run that holds the programmer
  std::string command;          // this run's command line, named to a run turned away
  std::string lockFolder;       // where a USB programmer's lock lies ("" the system's temporary folder)
  std::string linkPacing;       // exact or fast; "" leaves it to setting.ini
  std::string udevRoot = "/";   // where udev's folders lie (our rule decides the advice when access is refused)
  std::string port;             // USB location of the programmer to open ("": the first found)
};

class LinkEnvironment {
 public:
  // Raises std::invalid_argument for options that do not fit together,
  // EProgrammerBusy when another run holds the programmer (and `wait` is
  // not set) and std::runtime_error for files that cannot be read or
  // written.
  explicit LinkEnvironment(const LinkOptions& options);
  ~LinkEnvironment();

  platform::Clock& Clock() { return *clock_; }
  link::FtDriver& Driver() { return *outer_; }
  const link::DriverCounts& Counts() const { return counting_->counts; }
  const std::string& BackendName() const { return backend_; }
  // The simulated programmer (null on hardware) and its state file.
  sim::SimDriver* Sim() { return sim_; }
  const std::string& StateFile() const { return stateFile_; }
  // Has the simulated programmer's protocol check hold the loader to the
  // page and half-page delays the link `link` gives has in force (the
  // user's settings), not to the defaults. Nothing on hardware.
  void CheckDelaysOf(std::function<const link::TReadProg*()> link);
  // The unit token a test's simulated programmer has the loader give it
  // when it makes a new one (its state's new_token); none: a random one.
  std::optional<std::uint16_t> FixedNewToken() const;
  // The link pacing the options fix for this run (none: setting.ini's).
  std::optional<link::LinkPacing> FixedPacing() const { return fixedPacing_; }
  // The pacing in force for options `o`: theirs, else the one setting.ini
  // in their working folder keeps.
  static link::LinkPacing PacingInForce(const LinkOptions& o);

  // Where the programmer this run opens is plugged in ("1-2.4", "sim-2";
  // empty for a lone simulated programmer, none found, or a driver that
  // cannot tell).
  const std::string& Location() const { return location_; }
  // Said before the run when several programmers are connected and no
  // --port chose one ("" otherwise).
  const std::string& SeveralProgrammersNote() const { return severalNote_; }

  // Saves the simulated programmer's state and flushes the trace. False and
  // `error` when either fails (a trace that could not be written whole, as
  // on a full disk, is a failure). Safe to call more than once.
  bool Finish(std::string* error);

  // Every programmer options `o` would reach, without opening any or
  // taking a lock: on USB, or the simulated ones (one per state file, at
  // sim-1, sim-2, ...). Raises std::invalid_argument for options that do
  // not fit together.
  static std::vector<link::ProgrammerChannel> ConnectedProgrammers(const LinkOptions& o);

  // The state files --sim-state names: one, or several separated by commas
  // (a name that is itself a file stays one, commas and all). Raises
  // std::invalid_argument for an empty name in the list.
  static std::vector<std::string> SimStateFiles(const std::string& option);
  // Where the simulated programmer of the state file at `index` is plugged
  // in: "sim-1", "sim-2", ...
  static std::string SimLocation(std::size_t index);

  // The default state file for a kind: "sim-<kind name>.state" in `folder`.
  static std::string DefaultStateFile(const std::string& folder, slot::ProgrammerKind kind);

 private:
  // Finds the programmers: the one at `port`, else the first found (and the
  // note when there are several).
  void ChooseLocation(const std::string& port);
  // The state file of the simulated programmer at `port` among `files`
  // (the first, with the note, when several and no --port).
  std::string ChooseSimState(const std::vector<std::string>& files, const std::string& port);
  static std::vector<link::ProgrammerChannel> SimChannels(const std::vector<std::string>& files);
  bool FlushTrace(std::string& error);
  bool SaveSimulator(std::string* error);

  // Declared first: released last, after the state has been saved.
  platform::ProgrammerLock lock_;
  std::unique_ptr<platform::Clock> clock_;
  std::string backend_;
  std::unique_ptr<link::FtDriver> driver_;
  std::unique_ptr<link::LocatedDriver> located_;
  std::string location_;
  std::string severalNote_;
  std::unique_ptr<link::CountingDriver> counting_;
  std::unique_ptr<std::ofstream> traceFile_;
  std::string traceName_;
  std::unique_ptr<link::TracingDriver> tracing_;
  link::FtDriver* outer_ = nullptr;
  sim::SimDriver* sim_ = nullptr;
  std::string stateFile_;
  std::optional<link::LinkPacing> fixedPacing_;
};

}  // namespace velmar::frontend
