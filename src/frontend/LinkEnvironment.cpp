// Option checking and assembly of the link's environment.
#include "frontend/LinkEnvironment.h"

#include <optional>
#include <stdexcept>

#include "frontend/DriverRegistry.h"
#include "link/TracingDriver.h"
#include "platform/Clock.h"
#include "platform/Paths.h"
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

  std::optional<slot::ProgrammerKind> kind;
  if (!o.simulate.empty()) {
    kind = slot::ParseKind(o.simulate);
    if (!kind)
      throw std::invalid_argument("--simulate " + o.simulate +
                                  ": expected 0-5, single, single-old, 8way, portable, 8way-v2 or single-v2");
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
  if (simulated) {
    backend_ = "sim";
    stateFile_ = o.simState.empty() ? DefaultStateFile(o.workingFolder, *kind) : o.simState;
    if (platform::FileExists(stateFile_)) {
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
  }

  const DriverBackend* backend = FindBackend(backend_);
  if (!backend) throw std::invalid_argument("--driver " + o.driver + ": expected auto, sim, libftdi or d2xx");
  driver_ = backend->create(context);
  if (simulated) sim_ = static_cast<sim::SimDriver*>(driver_.get());
  counting_ = std::make_unique<link::CountingDriver>(*driver_);
  outer_ = counting_.get();

  if (!o.trace.empty()) {
    traceFile_ =
        std::make_unique<std::ofstream>(platform::PathOf(o.trace), std::ios::out | std::ios::trunc | std::ios::binary);
    if (!*traceFile_) throw std::runtime_error("Cannot write the trace file " + o.trace);
    tracing_ = std::make_unique<link::TracingDriver>(*counting_, *traceFile_);
    link::TraceWaits(*clock_, *traceFile_);
    outer_ = tracing_.get();
  }
}

LinkEnvironment::~LinkEnvironment() {
  std::string ignored;
  Finish(&ignored);
}

bool LinkEnvironment::Finish(std::string* error) {
  if (traceFile_) traceFile_->flush();
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
