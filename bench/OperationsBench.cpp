// The window's programmer operations against the simulated programmer, per
// programmer kind, run through the window model exactly as the buttons run
// them (questions answered Yes, no progress view): New of the largest
// example the kind offers (the PIC18F46K22 program; the PIC18F46J50 one on
// the earlier single-way programmer, which lists no PIC18 K family), Erase
// Unit, and Copy Unit and Load Unit of a unit with every slot in use.
// Besides CPU time (loader and simulator together) each reports the
// protocol time the operation would take on the wire (virtual clock: fixed
// waits plus serial clock time), the floor the fixed waits alone set, and
// the CPU time as a share of the protocol time.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>

#include "image/THexList.h"
#include "link/D2XXUnit.h"
#include "link/TReadProg.h"
#include "model/TMainForm.h"
#include "operations/WindowOperations.h"
#include "platform/Clock.h"
#include "platform/Paths.h"
#include "platform/ScriptedDialogs.h"
#include "sim/DataflashImage.h"
#include "sim/SimDriver.h"
#include "sim/SimState.h"
#include "slot/SlotHeader.h"

namespace {

using velmar::model::Ctl;

using namespace velmar;

std::string SourceFolder() { return VELMAR_SOURCE_DIR "/"; }

// A working folder of its own for the intermediate files.
struct WorkFolder {
  WorkFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "velmar-bench-XXXXXX").string();
    path = std::string(::mkdtemp(pattern.data())) + "/";
  }
  ~WorkFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
  std::string path;
};

// The window over a simulated programmer of `kind`, read as at start-up.
struct Rig {
  Rig(int kind, bool everySlot) {
    const std::string program = platform::ExecutableFolder();
    sim::SimState s = sim::FreshState(slot::KindFromNumber(kind).value(), sim::ReadExpectedVersions(program));
    if (everySlot) Stage(s);
    dialogs.defaultAnswer = platform::DlgButton::Yes;
    driver = std::make_unique<sim::SimDriver>(std::move(s), clock, &clock);
    unit = std::make_unique<link::D2XXUnit>(*driver, dialogs);
    window = std::make_unique<model::TMainForm>(dialogs, image::Folders{work.path, program});
    ops::BindOperations(*window);
    window->SetCloseHandler([] {});
    window->UseLink({unit.get(), &clock, &pump, "sim", std::nullopt, ""});
    window->FormCreate(false);
    window->ReadProgButtonClick();
    window->FormShow();
  }
  // Every slot in use, each header linked to the next, each slot's first and
  // last pages holding data.
  static void Stage(sim::SimState& s) {
    const slot::KindInfo* k = slot::FindKind(s.kind);
    const std::uint32_t pagesPerSlot = k->slotSize / k->pageSize;
    const bool single = k->capacity == k->slotSize;
    image::THexList img(k->capacity);
    for (std::uint32_t slot = 0; slot < k->capacity / k->slotSize; ++slot) {
      slot::HeaderBytes h =
          slot::EmptyHeader(std::uint16_t(single ? 0xFFFF : (slot + 1) * pagesPerSlot), std::uint16_t(pagesPerSlot));
      slot::PutText(h.data(), slot::slot_header::SlotName, slot::MakeSlotName(int(slot) + 1, "Bench"));
      std::copy(h.begin(), h.end(), img.DataAt(slot * k->slotSize));
      img.SetValue(slot * k->slotSize + 200, 0x5A);
      img.SetValue(slot * k->slotSize + k->slotSize - 1, 0xA5);  // the slot's last page is used too
    }
    sim::ImportImage(s, img);
  }
  void Choose(int family, const std::string& device, const std::string& folder) {
    model::ControlStore& c = window->Controls();
    c.UserSelect(Ctl::family, family);
    const auto& devices = c.Items(Ctl::deviceList);
    for (std::size_t i = 0; i < devices.size(); ++i)
      if (devices[i] == device) c.UserSelect(Ctl::deviceList, int(i));
    window->Data.FlashFile = SourceFolder() + "examples/" + folder + "/blink.hex";
    c.SetText(Ctl::ProgCaption, "Bench");
  }
  void Mark() {
    startMs = clock.NowMs();
    startSlept = clock.SleptMs();
  }
  void Add() {
    ms += double(clock.NowMs() - startMs);
    slept += double(clock.SleptMs() - startSlept);
    ++runs;
  }
  WorkFolder work;
  platform::VirtualClock clock;
  platform::ScriptedDialogs dialogs;
  platform::NullMessagePump pump;
  std::unique_ptr<sim::SimDriver> driver;
  std::unique_ptr<link::D2XXUnit> unit;
  std::unique_ptr<model::TMainForm> window;
  std::uint64_t startMs = 0, startSlept = 0;
  double ms = 0, slept = 0, runs = 0;
};

// The CPU time of the process so far, in milliseconds.
double CpuMs() { return double(std::clock()) * 1000.0 / CLOCKS_PER_SEC; }

void Finish(benchmark::State& state, Rig& rig, double cpuMs) {
  state.counters["protocol_ms"] = rig.ms / rig.runs;
  state.counters["floor_ms"] = rig.slept / rig.runs;
  state.counters["cpu_share_pct"] = 100.0 * (cpuMs / rig.runs) / (rig.ms / rig.runs);
}

void BM_New(benchmark::State& state) {
  const int kind = int(state.range(0));
  Rig rig(kind, false);
  if (kind == slot::kind_single_old)
    rig.Choose(2, "PIC18F46J50", "pic18f46j50");
  else
    rig.Choose(3, "PIC18F46K22", "pic18f46k22");
  double cpu = 0;
  for (auto _ : state) {
    if (rig.window->Programs.EntryCount + 1 >= int(rig.window->Link()->Geometry.SlotCount) &&
        rig.window->Link()->Geometry.IsMultiSlot()) {
      state.PauseTiming();
      ops::EraseButtonClick(*rig.window);
      state.ResumeTiming();
    }
    rig.Mark();
    const double c = CpuMs();
    if (!ops::NewButtonClick(*rig.window)) state.SkipWithError(rig.dialogs.LastText().c_str());
    cpu += CpuMs() - c;
    rig.Add();
  }
  Finish(state, rig, cpu);
}

void BM_Erase(benchmark::State& state) {
  Rig rig(int(state.range(0)), false);
  double cpu = 0;
  for (auto _ : state) {
    rig.Mark();
    const double c = CpuMs();
    if (!ops::EraseButtonClick(*rig.window)) state.SkipWithError(rig.dialogs.LastText().c_str());
    cpu += CpuMs() - c;
    rig.Add();
  }
  Finish(state, rig, cpu);
}

void BM_CopyFullUnit(benchmark::State& state) {
  Rig rig(int(state.range(0)), true);
  double cpu = 0;
  for (auto _ : state) {
    rig.dialogs.AnswerSave(rig.work.path + "unit.prg");
    rig.Mark();
    const double c = CpuMs();
    if (!ops::CopyButtonClick(*rig.window)) state.SkipWithError(rig.dialogs.LastText().c_str());
    cpu += CpuMs() - c;
    rig.Add();
  }
  state.counters["slots"] = rig.window->Programs.EntryCount;
  Finish(state, rig, cpu);
}

void BM_LoadFullUnit(benchmark::State& state) {
  Rig rig(int(state.range(0)), true);
  rig.dialogs.AnswerSave(rig.work.path + "unit.prg");
  if (!ops::CopyButtonClick(*rig.window)) state.SkipWithError("the copy to load failed");
  double cpu = 0;
  for (auto _ : state) {
    rig.dialogs.AnswerOpen(rig.work.path + "unit.prg");
    rig.Mark();
    const double c = CpuMs();
    if (!ops::LoadButtonClick(*rig.window)) state.SkipWithError(rig.dialogs.LastText().c_str());
    cpu += CpuMs() - c;
    rig.Add();
  }
  state.counters["slots"] = rig.window->Programs.EntryCount;
  Finish(state, rig, cpu);
}

}  // namespace

BENCHMARK(BM_New)->ArgName("kind")->DenseRange(0, 5)->Iterations(4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Erase)->ArgName("kind")->DenseRange(0, 5)->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyFullUnit)->ArgName("kind")->DenseRange(0, 5)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadFullUnit)->ArgName("kind")->DenseRange(0, 5)->Iterations(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
