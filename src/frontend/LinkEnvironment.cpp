// Option checking and assembly of the link's environment.
#include "frontend/LinkEnvironment.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <stdexcept>

#include "frontend/DriverRegistry.h"
#include "frontend/ProgrammerLocking.h"
#include "link/LocatedDriver.h"
#include "link/ProgrammerChannels.h"
#include "link/TReadProg.h"
#include "link/TracingDriver.h"
#include "model/SettingsStore.h"
#include "platform/Clock.h"
#include "platform/IniFile.h"
#include "platform/Paths.h"
#include "sim/ProgrammerBoard.h"
#include "sim/SimDriver.h"
#include "sim/SimState.h"
#include "slot/ProgrammerGeometry.h"

namespace velmar::frontend {

std::string LinkEnvironment::DefaultStateFile(const std::string& folder, slot::ProgrammerKind kind) {
  return platform::WithSeparator(folder) + "sim-" + slot::KindName(kind) + ".state";
}

LinkEnvironment::LinkEnvironment(const LinkOptions& o) {
  const bool simulated = !o.simulate.empty() || !o.simState.empty() || o.driver == "sim";
  if (simulated && o.driver != "auto" && o.driver != "sim")
    throw std::invalid_argument("--driver " + o.driver + " cannot be used with the simulated programmer");
  if (!simulated && o.realtime) throw std::invalid_argument("--realtime only applies to the simulated programmer");
  if (!o.linkPacing.empty()) {
    fixedPacing_ = link::ParsePacing(o.linkPacing);
    if (!fixedPacing_) throw std::invalid_argument("--link-pacing " + o.linkPacing + ": expected exact or fast");
  }

  std::optional<slot::ProgrammerKind> kind;
  if (!o.simulate.empty()) {
    kind = slot::ParseKind(o.simulate);
    if (!kind)
      throw std::invalid_argument("--simulate " + o.simulate + ": expected " + slot::KindNumberRange() + ", " +
                                  slot::KindNameList(" or "));
  }
  if (simulated && !kind && o.simState.empty())
    throw std::invalid_argument("--driver sim needs --simulate KIND or --sim-state FILE");

  platform::VirtualClock* virtualClock = nullptr;
  if (simulated && !o.realtime) {
    auto v = std::make_unique<platform::VirtualClock>();
    virtualClock = v.get();
    clock_ = std::move(v);
  } else {
    clock_ = std::make_unique<platform::RealClock>();
  }

  sim::SimState state;
  DriverContext context{*clock_, virtualClock, nullptr};
  context.udevRoot = o.udevRoot;
  if (simulated) {
    backend_ = "sim";
    // The default state file is one, whatever its folder's name holds.
    stateFile_ = ChooseSimState(o.simState.empty() ? std::vector<std::string>{DefaultStateFile(o.workingFolder, *kind)}
                                                   : SimStateFiles(o.simState),
                                o.port);
    std::error_code ec;
    const bool present = std::filesystem::exists(platform::PathOf(stateFile_), ec);
    if (!kind && !present)
      throw std::runtime_error("No simulated programmer in " + stateFile_ + "; make one with: velmar-cli sim create " +
                               stateFile_ + " --kind KIND");
    // Locked before the state is read: another run's save must not fall
    // between this run's reading and saving it.
    std::string error;
    const std::string folder = platform::ExtractFilePath(stateFile_);
    if (!folder.empty() && !platform::EnsureFolder(folder, &error)) throw std::runtime_error(error);
    TakeProgrammerLock(lock_, SimulatorLockFile(stateFile_), o.command, o.wait);
    // Whatever is at the name is loaded, so that what is no file (a folder,
    // a FIFO that would wait for a writer) is refused rather than saved into.
    if (present) {
      state = sim::LoadState(stateFile_);
      if (kind && state.kind != *kind)
        throw std::invalid_argument("The simulated programmer in " + stateFile_ + " is a " +
                                    slot::KindName(state.kind) + " programmer, not a " + slot::KindName(*kind) +
                                    " one");
    } else if (kind) {
      state = sim::FreshState(*kind, sim::ReadExpectedVersions(o.programFolder));
    } else {
      throw std::runtime_error("No simulated programmer in " + stateFile_ + "; make one with: velmar-cli sim create " +
                               stateFile_ + " --kind KIND");
    }
    context.simState = &state;
  } else {
    backend_ = o.driver == "auto" ? AutoBackend() : o.driver;
    const std::string folder = o.lockFolder.empty() ? std::filesystem::temp_directory_path().string() : o.lockFolder;
#ifdef _WIN32
    const bool busListed = false;  // no sysfs: the lock goes by the serial number
#else
    const bool busListed = true;  // sysfs lists every USB device the link could open
#endif
    const std::string lockFile = HardwareLockFile(folder, link::ListFtdiDevicesFromSysfs("/sys"), busListed, o.port);
    if (!lockFile.empty()) TakeProgrammerLock(lock_, lockFile, o.command, o.wait);
  }

  const DriverBackend* backend = FindBackend(backend_);
  if (!backend) throw std::invalid_argument("--driver " + o.driver + ": expected auto, sim, libftdi or d2xx");
  driver_ = backend->create(context);
  if (simulated) sim_ = static_cast<sim::SimDriver*>(driver_.get());
  link::FtDriver* below = driver_.get();
  if (!simulated) {
    ChooseLocation(o.port);
    if (!o.port.empty()) {
      located_ = std::make_unique<link::LocatedDriver>(*driver_, o.port);
      below = located_.get();
    }
  }
  counting_ = std::make_unique<link::CountingDriver>(*below);
  outer_ = counting_.get();

  if (!o.trace.empty()) {
    traceFile_ =
        std::make_unique<std::ofstream>(platform::PathOf(o.trace), std::ios::out | std::ios::trunc | std::ios::binary);
    if (!*traceFile_) throw std::runtime_error("Cannot write the trace file " + o.trace);
    traceName_ = o.trace;
    tracing_ = std::make_unique<link::TracingDriver>(*counting_, *traceFile_);
    link::TraceWaits(*clock_, *traceFile_);
    outer_ = tracing_.get();
  }
}

std::vector<std::string> LinkEnvironment::SimStateFiles(const std::string& option) {
  std::error_code ec;
  if (option.find(',') == std::string::npos || std::filesystem::exists(platform::PathOf(option), ec)) return {option};
  std::vector<std::string> files;
  std::size_t start = 0;
  for (std::size_t comma; (comma = option.find(',', start)) != std::string::npos; start = comma + 1)
    files.push_back(option.substr(start, comma - start));
  files.push_back(option.substr(start));
  for (const std::string& f : files)
    if (f.empty()) throw std::invalid_argument("--sim-state " + option + ": an empty file name in the list");
  return files;
}

std::string LinkEnvironment::SimLocation(std::size_t index) { return "sim-" + std::to_string(index + 1); }

std::vector<link::ProgrammerChannel> LinkEnvironment::SimChannels(const std::vector<std::string>& files) {
  std::vector<link::ProgrammerChannel> channels;
  for (std::size_t i = 0; i < files.size(); ++i) channels.push_back({std::uint32_t(i), SimLocation(i)});
  return channels;
}

std::string LinkEnvironment::ChooseSimState(const std::vector<std::string>& files, const std::string& port) {
  const std::vector<link::ProgrammerChannel> channels = SimChannels(files);
  // One state file and no --port: the simulated programmer as it always
  // was, plugged in nowhere in particular.
  if (port.empty() && files.size() == 1) return files.front();
  if (port.empty()) {
    location_ = channels.front().location;
    severalNote_ = link::SeveralProgrammersNote(channels);
    return files.front();
  }
  for (std::size_t i = 0; i < files.size(); ++i)
    if (channels[i].location == port) {
      location_ = port;
      return files[i];
    }
  throw std::invalid_argument("--port " + port + ": no simulated programmer is plugged in there; they are at " +
                              link::LocationList(channels));
}

std::vector<link::ProgrammerChannel> LinkEnvironment::ConnectedProgrammers(const LinkOptions& o) {
  if (!o.simulate.empty() || !o.simState.empty() || o.driver == "sim") {
    if (o.driver != "auto" && o.driver != "sim")
      throw std::invalid_argument("--driver " + o.driver + " cannot be used with the simulated programmer");
    if (!o.simState.empty()) return SimChannels(SimStateFiles(o.simState));
    if (o.simulate.empty()) throw std::invalid_argument("--driver sim needs --simulate KIND or --sim-state FILE");
    return SimChannels({o.simulate});
  }
  const std::string name = o.driver == "auto" ? AutoBackend() : o.driver;
  const DriverBackend* backend = FindBackend(name);
  if (!backend) throw std::invalid_argument("--driver " + o.driver + ": expected auto, sim, libftdi or d2xx");
  platform::RealClock clock;
  DriverContext context{clock, nullptr, nullptr};
  context.udevRoot = o.udevRoot;
  const std::unique_ptr<link::FtDriver> driver = backend->create(context);
  if (const std::string problem = driver->Problem(); !problem.empty()) throw std::runtime_error(problem);
  return link::FindProgrammerChannels(*driver);
}

void LinkEnvironment::ChooseLocation(const std::string& port) {
  const std::vector<link::ProgrammerChannel> channels = link::FindProgrammerChannels(*driver_);
  if (port.empty()) {
    if (!channels.empty()) location_ = channels.front().location;
    severalNote_ = link::SeveralProgrammersNote(channels);
    return;
  }
  for (const link::ProgrammerChannel& c : channels)
    if (c.location == port) {
      location_ = port;
      return;
    }
  // A location that holds no programmer is the user's mistake, said before
  // anything is opened; a backend that lists nothing says why itself.
  if (!channels.empty())
    throw std::invalid_argument("--port " + port + ": no programmer is plugged in there; programmers are at " +
                                link::LocationList(channels));
  location_ = port;
}

std::optional<std::uint16_t> LinkEnvironment::FixedNewToken() const {
  if (!sim_ || sim_->State().newToken < 0) return std::nullopt;
  return std::uint16_t(sim_->State().newToken);
}

link::LinkPacing LinkEnvironment::PacingInForce(const LinkOptions& o) {
  if (const auto fixed = link::ParsePacing(o.linkPacing)) return *fixed;
  return model::StoredLinkPacing(platform::IniFile(platform::WithSeparator(o.workingFolder) + "setting.ini"));
}

void LinkEnvironment::CheckDelaysOf(std::function<const link::TReadProg*()> link) {
  if (!sim_) return;
  sim_->Board().Check().SetDelaySource([link = std::move(link)] {
    sim::ProtocolCheck::Delays delays;
    if (const link::TReadProg* p = link()) delays = {p->PageDelay, p->HalfDelay};
    return delays;
  });
}

LinkEnvironment::~LinkEnvironment() {
  std::string ignored;
  Finish(&ignored);
}

bool LinkEnvironment::Finish(std::string* error) {
  std::string traceError;
  const bool traced = FlushTrace(traceError);
  const bool saved = SaveSimulator(error);
  if (!traced) *error = saved ? traceError : traceError + "\n" + *error;
  return traced && saved;
}

bool LinkEnvironment::FlushTrace(std::string& error) {
  if (!traceFile_) return true;
  errno = 0;
  traceFile_->flush();
  if (*traceFile_) return true;
  // Every write after the first failed one was dropped: the trace is incomplete.
  const int err = errno;
  error = "Cannot write the trace file " + traceName_ + ": " +
          (err ? std::string(std::strerror(err)) : std::string("writing failed part-way")) +
          "; the trace is incomplete";
  return false;
}

bool LinkEnvironment::SaveSimulator(std::string* error) {
  if (!sim_) return true;
  std::string folder = platform::ExtractFilePath(stateFile_);
  if (!folder.empty() && !platform::EnsureFolder(folder, error)) return false;
  if (!sim::SaveState(stateFile_, sim_->State(), error)) return false;
  // A loader that broke the protocol would fail on a real programmer.
  const std::vector<std::string>& broken = sim_->State().violations;
  if (broken.empty()) return true;
  *error = "The simulated programmer saw the protocol broken:";
  for (const std::string& v : broken) *error += "\n  " + v;
  return false;
}

}  // namespace velmar::frontend
