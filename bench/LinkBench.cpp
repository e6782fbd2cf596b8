// The programmer link against the simulated programmer, per programmer kind:
// a whole Identify, one page read and one page written, a full slot
// directory and a full slot. Besides CPU time each benchmark reports the
// driver calls and bytes moved per operation, the protocol time the
// operation would take on the wire (virtual clock: fixed waits plus serial
// clock time) and the floor that the fixed waits alone set.
#include <benchmark/benchmark.h>

#include <memory>

#include "devices/TData.h"
#include "image/THexList.h"
#include "link/CountingDriver.h"
#include "link/D2XXUnit.h"
#include "link/TReadProg.h"
#include "platform/Clock.h"
#include "platform/Paths.h"
#include "platform/ScriptedDialogs.h"
#include "sim/DataflashImage.h"
#include "sim/SimDriver.h"
#include "sim/SimState.h"
#include "slot/SlotHeader.h"
#include "slot/TProgramEntry.h"

namespace {

using namespace velmar;

// One simulated programmer with a link over it.
struct Rig {
  explicit Rig(int kind, bool fullDirectory = false) {
    sim::SimState s =
        sim::FreshState(slot::KindFromNumber(kind).value(), sim::ReadExpectedVersions(platform::ExecutableFolder()));
    if (fullDirectory) Stage(s);
    driver = std::make_unique<sim::SimDriver>(std::move(s), clock, &clock);
    counting = std::make_unique<link::CountingDriver>(*driver);
    unit = std::make_unique<link::D2XXUnit>(*counting, dialogs);
    prog = std::make_unique<link::TReadProg>(*unit, clock, dialogs, data, pump);
    prog->ProgramFolder = platform::ExecutableFolder();
    prog->Identify();
  }
  // Every slot in use, each header linked to the next.
  static void Stage(sim::SimState& s) {
    const slot::KindInfo* k = slot::FindKind(s.kind);
    const std::uint32_t pagesPerSlot = k->slotSize / k->pageSize;
    image::THexList img(k->capacity);
    for (std::uint32_t slot = 0; slot < k->capacity / k->slotSize; ++slot) {
      slot::HeaderBytes h = slot::EmptyHeader(std::uint16_t((slot + 1) * pagesPerSlot), std::uint16_t(pagesPerSlot));
      for (std::size_t i = 0; i < h.size(); ++i) img.SetValue(slot * k->slotSize + std::uint32_t(i), h[i]);
    }
    sim::ImportImage(s, img);
  }
  // Starts counting calls, bytes and time afresh.
  void Mark() {
    counting->counts = {};
    startMs = clock.NowMs();
    startSlept = clock.SleptMs();
  }
  void Report(benchmark::State& state, double perOperation) {
    state.counters["driver_calls"] = double(counting->counts.calls) / perOperation;
    state.counters["bytes_written"] = double(counting->counts.bytesWritten) / perOperation;
    state.counters["bytes_read"] = double(counting->counts.bytesRead) / perOperation;
    state.counters["protocol_ms"] = double(clock.NowMs() - startMs) / perOperation;
    state.counters["floor_ms"] = double(clock.SleptMs() - startSlept) / perOperation;
  }

  platform::VirtualClock clock;
  platform::ScriptedDialogs dialogs;
  devices::TData data;
  platform::NullMessagePump pump;
  std::unique_ptr<sim::SimDriver> driver;
  std::unique_ptr<link::CountingDriver> counting;
  std::unique_ptr<link::D2XXUnit> unit;
  std::unique_ptr<link::TReadProg> prog;
  std::uint64_t startMs = 0, startSlept = 0;
};

void BM_Identify(benchmark::State& state) {
  Rig rig(int(state.range(0)));
  rig.Mark();
  double n = 0;
  for (auto _ : state) {
    rig.prog->Identify();
    ++n;
  }
  rig.Report(state, n);
}

void BM_ReadPage(benchmark::State& state) {
  Rig rig(int(state.range(0)));
  link::TReadProg& p = *rig.prog;
  p.ReadImage = std::make_unique<image::THexList>(p.Geometry.PageSize);
  rig.Mark();
  double n = 0;
  for (auto _ : state) {
    // The 8-way programmers' pages are read in two halves, as the unit copy does.
    if (p.Geometry.WritesHalfPages()) {
      p.ReadBlock(3, p.Geometry.PageSize / 2, 1);
      p.ReadBlock(3, p.Geometry.PageSize / 2, 2);
    } else {
      p.ReadBlock(3, p.Geometry.PageSize, 1);
    }
    ++n;
  }
  rig.Report(state, n);
}

void BM_WritePage(benchmark::State& state) {
  Rig rig(int(state.range(0)));
  link::TReadProg& p = *rig.prog;
  const std::uint32_t size = p.Geometry.PageSize;
  image::THexList img(size);
  for (std::uint32_t i = 0; i < size; ++i) img.SetValue(i, std::uint8_t(i));
  slot::TProgramEntry slot(0, 0, 1, "", "", "", slot::HeaderBytes{});
  link::SlotWrite w{slot, img, {0, 0, true}};
  rig.Mark();
  double n = 0;
  for (auto _ : state) {
    if (p.Geometry.WritesHalfPages())
      p.WriteHalfPages(3, size / 2, 0, w);
    else
      p.WritePage(3, size, 0, w);
    ++n;
  }
  rig.Report(state, n);
}

void BM_ReadFullDirectory(benchmark::State& state) {
  Rig rig(int(state.range(0)), true);
  slot::TProgramEntryList list;
  rig.Mark();
  double n = 0;
  for (auto _ : state) {
    rig.prog->ReadDirectory(list);
    ++n;
  }
  state.counters["slots"] = list.EntryCount;
  rig.Report(state, n);
}

void BM_WriteFullSlot(benchmark::State& state) {
  Rig rig(int(state.range(0)));
  link::TReadProg& p = *rig.prog;
  const std::uint32_t pages = p.Geometry.PagesPerSlot();
  image::THexList img(p.Geometry.SlotSize);
  for (std::uint32_t i = 0; i < img.Count(); ++i) img.SetValue(i, std::uint8_t(i * 13 + i / 997));
  slot::TProgramEntry slot(0, 0, pages, "", "", "", slot::HeaderBytes{});
  double n = 0;
  std::uint64_t calls = 0, written = 0, read = 0, wire = 0, floor = 0;
  for (auto _ : state) {
    state.PauseTiming();
    p.Identify();
    rig.Mark();
    state.ResumeTiming();
    p.WriteSlot({slot, img, {0, 0, true}});
    calls += rig.counting->counts.calls;
    written += rig.counting->counts.bytesWritten;
    read += rig.counting->counts.bytesRead;
    wire += rig.clock.NowMs() - rig.startMs;
    floor += rig.clock.SleptMs() - rig.startSlept;
    ++n;
  }
  state.counters["pages"] = pages;
  state.counters["driver_calls"] = double(calls) / n;
  state.counters["bytes_written"] = double(written) / n;
  state.counters["bytes_read"] = double(read) / n;
  state.counters["protocol_ms"] = double(wire) / n;
  state.counters["floor_ms"] = double(floor) / n;
}

void Kinds(benchmark::internal::Benchmark* b) {
  for (int k = 0; k <= 5; ++k) b->Arg(k);
}

BENCHMARK(BM_Identify)->Apply(Kinds)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadPage)->Apply(Kinds)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WritePage)->Apply(Kinds)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadFullDirectory)->Apply(Kinds)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteFullSlot)->Apply(Kinds)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
