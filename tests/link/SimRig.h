// A programmer link wired to a simulated programmer, for tests: the state of
// the simulated programmer is set up first (kind, firmware, faults, staged
// dataflash), then Make() builds the driver, adapter and TReadProg over a
// virtual clock with scripted dialogs and a recording window. The program
// folder is the built one (with its progsetting.ini).
#pragma once

#include <memory>
#include <sstream>
#include <utility>

#include "devices/TData.h"
#include "link/CountingDriver.h"
#include "link/D2XXUnit.h"
#include "link/TReadProg.h"
#include "link/TracingDriver.h"
#include "platform/Clock.h"
#include "platform/ScriptedDialogs.h"
#include "sim/SimDriver.h"
#include "sim/SimState.h"
#include "support/TestSupport.h"

namespace velmar::test {

struct SimRig {
  explicit SimRig(int kind)
      : state(sim::FreshState(slot::KindFromNumber(kind).value(), sim::ReadExpectedVersions(BinDir()))) {}

  // Builds everything over the state as it now is.
  link::TReadProg& Make(bool trace = false) {
    driver = std::make_unique<sim::SimDriver>(std::move(state), clock, &clock);
    counting = std::make_unique<link::CountingDriver>(*driver);
    link::FtDriver* outer = counting.get();
    if (trace) {
      tracing = std::make_unique<link::TracingDriver>(*counting, traceText);
      link::TraceWaits(clock, traceText);
      outer = tracing.get();
    }
    unit = std::make_unique<link::D2XXUnit>(*outer, dialogs);
    prog = std::make_unique<link::TReadProg>(*unit, clock, dialogs, data, pump);
    prog->TakeForcedUpdate = [this] { return std::exchange(forceUpdate, false); };
    prog->ProgramFolder = BinDir();
    prog->WorkingFolder = work.Path();
    prog->TokenSource = [] { return std::uint16_t(0x1234); };
    return *prog;
  }
  sim::SimState& Sim() { return driver ? driver->State() : state; }

  sim::SimState state;
  TempDir work;
  platform::VirtualClock clock;
  platform::ScriptedDialogs dialogs;
  bool forceUpdate = false;  // the window's force-update switch
  devices::TData data;
  platform::NullMessagePump pump;
  std::ostringstream traceText;
  std::unique_ptr<sim::SimDriver> driver;
  std::unique_ptr<link::CountingDriver> counting;
  std::unique_ptr<link::TracingDriver> tracing;
  std::unique_ptr<link::D2XXUnit> unit;
  std::unique_ptr<link::TReadProg> prog;
};

// Runs `f` and returns the message of the exception type E it raises ("" if none).
template <typename E, typename F>
std::string MessageOf(F&& f) {
  try {
    f();
  } catch (const E& e) {
    return e.what();
  }
  return {};
}

}  // namespace velmar::test
