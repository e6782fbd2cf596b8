// The firmware change against the simulated programmer, per controller: the
// ATmega8515 of the single-way and 8-way programmers and the portable's
// ATmega128, each updated from its shipped firmware file. Besides CPU time
// it reports the driver calls and bytes per update, the protocol time the
// update would take on the wire (virtual clock: fixed waits plus serial
// clock time) and the floor that the fixed waits alone set.
#include <benchmark/benchmark.h>

#include <memory>

#include "devices/TData.h"
#include "firmware/FirmwareChange.h"
#include "link/CountingDriver.h"
#include "link/D2XXUnit.h"
#include "model/ProgressForm.h"
#include "platform/Clock.h"
#include "platform/Paths.h"
#include "platform/ScriptedDialogs.h"
#include "platform/ThreadPriority.h"
#include "sim/SimDriver.h"
#include "sim/SimState.h"

namespace {

using namespace velmar;

// The priority is left alone: the benchmark measures the simulation.
struct NoPriority final : platform::ThreadPriority {
  int Get() override { return 0; }
  void SetHighest() override {}
  void Set(int) override {}
};

void BM_FirmwareUpdate(benchmark::State& state) {
  const int kind = int(state.range(0));
  const std::string folder = platform::ExecutableFolder();
  platform::VirtualClock clock;
  platform::ScriptedDialogs dialogs;
  devices::TData data;
  platform::NullMessagePump pump;
  NoPriority priority;
  sim::SimDriver driver(sim::FreshState(slot::KindFromNumber(kind).value(), sim::ReadExpectedVersions(folder)), clock,
                        &clock);
  link::CountingDriver counting(driver);
  link::D2XXUnit unit(counting, dialogs);
  firmware::FirmwareChangeLinks links{unit, clock, dialogs, data, pump, priority, folder, folder};
  double n = 0, ms = 0, slept = 0;
  for (auto _ : state) {
    const std::uint64_t start = clock.NowMs(), startSlept = clock.SleptMs();
    model::ProgressForm form(nullptr, &pump);
    form.RequiredFirmware = kind == 3 ? devices::fw_portable : devices::fw_pic;
    form.FirmwareFileName = kind == 3 ? data.FirmwareQRXPrima : data.FirmwareQRX;
    if (firmware::execute(form, slot::KindFromNumber(kind).value(), links) != 0)
      state.SkipWithError("the update failed");
    ms += double(clock.NowMs() - start);
    slept += double(clock.SleptMs() - startSlept);
    ++n;
  }
  state.counters["driver_calls"] = double(counting.counts.calls) / n;
  state.counters["bytes_written"] = double(counting.counts.bytesWritten) / n;
  state.counters["bytes_read"] = double(counting.counts.bytesRead) / n;
  state.counters["protocol_ms"] = ms / n;
  state.counters["floor_ms"] = slept / n;
}

}  // namespace

BENCHMARK(BM_FirmwareUpdate)->ArgName("kind")->Arg(0)->Arg(3)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
