// Loading the programmer, building the chips, saving and reporting.
#include "EmulatedBus.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "EmulationOptions.h"
#include "VirtualTime.h"
#include "platform/Clock.h"
#include "sim/ProgrammerBoard.h"
#include "sim/SimState.h"

namespace velmar::usbemu {

namespace {

class EmulationClock final : public platform::Clock {
 public:
  std::uint64_t NowMs() const override { return NowUs() / 1000; }
  std::uint64_t NowUs() const override { return usbemu::NowUs(); }

 protected:
  void DoSleep(std::uint32_t ms) override { AdvanceUs(std::uint64_t(ms) * 1000); }
};

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

}  // namespace

// One simulated programmer behind its chip.
struct EmulatedProgrammer {
  std::string stateFile;
  sim::SimState state;
  std::unique_ptr<sim::ProgrammerBoard> board;
  EmulatedChip* chip = nullptr;
  bool used = false;
};

struct EmulatedBus::Impl {
  std::string faults;
  std::string report;
  std::string chipName;
  bool loaded = false;
  EmulationClock clock;
  sim::NothingAttached nothing;
  std::vector<std::unique_ptr<EmulatedProgrammer>> programmers;
  // In the order of their ports: the other interfaces, then the programmers'.
  std::vector<std::unique_ptr<EmulatedChip>> chips;
};

EmulatedBus& EmulatedBus::Get() {
  static EmulatedBus bus;
  return bus;
}

EmulatedBus::EmulatedBus() : impl_(std::make_unique<Impl>()) {
  Impl& m = *impl_;
  m.faults = "," + Env("VELMAR_USB_EMU_FAULT") + ",";
  m.report = Env("VELMAR_USB_EMU_REPORT");
  m.chipName = Env("VELMAR_USB_EMU_CHIP");
  const ChipType type = m.chipName == "ft2232h" ? ChipType::ft2232h : ChipType::ft2232d;
  if (m.chipName.empty()) m.chipName = "ft2232d";
  const std::string eeprom = Env("VELMAR_USB_EMU_EEPROM");
  EepromPart part = type == ChipType::ft2232h ? EepromPart::c93C56 : EepromPart::c93C46;
  if (eeprom == "93c46") part = EepromPart::c93C46;
  if (eeprom == "93c56") part = EepromPart::c93C56;
  if (eeprom == "93c66") part = EepromPart::c93C66;
  std::vector<std::string> files;
  std::stringstream list(Env("VELMAR_USB_EMU_STATE"));
  for (std::string file; std::getline(list, file, ',');)
    if (!file.empty()) files.push_back(file);
  try {
    for (const std::string& file : files) {
      auto p = std::make_unique<EmulatedProgrammer>();
      p->stateFile = file;
      p->state = sim::LoadState(file);
      m.programmers.push_back(std::move(p));
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "USB emulation: %s\n", e.what());
    m.programmers.clear();
    return;
  }
  if (m.programmers.empty()) {
    std::fprintf(stderr, "USB emulation: no state file named (VELMAR_USB_EMU_STATE)\n");
    return;
  }
  m.loaded = true;
  auto userArea = [](bool sensing) {
    std::vector<std::uint8_t> area = {'V', 'E', 'L', 'M', 'A', 'R', '0', '1', std::uint8_t(sensing ? '1' : '0')};
    area.resize(32, 0);
    return area;
  };
  for (int i = 0; i < m.programmers.front()->state.otherInterfaces; ++i)
    m.chips.push_back(
        std::make_unique<EmulatedChip>(type, part, "FT7K" + std::to_string(1000 + i), m.nothing, userArea(false)));
  for (auto& p : m.programmers) {
    p->board = std::make_unique<sim::ProgrammerBoard>(p->state, m.clock);
    m.chips.push_back(std::make_unique<EmulatedChip>(type, part, p->state.interfaceSerial, *p->board,
                                                     userArea(p->state.voltageSensing)));
    p->chip = m.chips.back().get();
  }
}

EmulatedBus::~EmulatedBus() {
  Save();
  Report();
  for (const auto& p : impl_->programmers)
    for (const std::string& v : p->state.violations)
      std::fprintf(stderr, "USB emulation: protocol violation: %s\n", v.c_str());
}

std::vector<EmulatedChip*> EmulatedBus::Chips() {
  std::vector<EmulatedChip*> out;
  if (!impl_->loaded || Unplugged()) return out;
  // The other interfaces hang on the first programmer's cable.
  const bool firstAttached = impl_->programmers.front()->state.usbAttached;
  for (auto& c : impl_->chips) {
    bool attached = firstAttached;
    for (const auto& p : impl_->programmers)
      if (p->chip == c.get()) attached = p->state.usbAttached;
    if (attached) out.push_back(c.get());
  }
  return out;
}

int EmulatedBus::PortOf(const EmulatedChip* chip) const {
  for (std::size_t i = 0; i < impl_->chips.size(); ++i)
    if (impl_->chips[i].get() == chip) return int(i) + 1;
  return 0;
}

bool EmulatedBus::Fault(const std::string& name) const {
  return impl_->faults.find("," + name + ",") != std::string::npos;
}

int EmulatedBus::NewToken() const { return impl_->loaded ? impl_->programmers.front()->state.newToken : -1; }

void EmulatedBus::MarkUsed(const EmulatedChip* chip) {
  for (auto& p : impl_->programmers)
    if (p->chip == chip) p->used = true;
}

void EmulatedBus::Save() {
  if (!impl_->loaded) return;
  for (const auto& p : impl_->programmers) {
    if (!p->used) continue;
    std::string error;
    if (!sim::SaveState(p->stateFile, p->state, &error))
      std::fprintf(stderr, "USB emulation: cannot save %s: %s\n", p->stateFile.c_str(), error.c_str());
  }
}

std::size_t EmulatedBus::Violations() const {
  std::size_t n = 0;
  for (const auto& p : impl_->programmers) n += p->state.violations.size();
  return n;
}

void EmulatedBus::Report() {
  if (impl_->report.empty()) return;
  const TimeAccount& a = Account();
  std::ofstream out(impl_->report, std::ios::app);
  out << "chip " << impl_->chipName << " total_us " << NowUs() << " slept_us " << a.sleptUs << " usb_us " << a.usbUs
      << " latency_us " << a.latencyUs << " wire_us " << a.wireUs << " bulk_out " << a.bulkOut << " bulk_in "
      << a.bulkIn << " control " << a.control << " port_resets " << a.portResets << " violations " << Violations()
      << " device_calls " << DeviceCalls() << " open_handles " << a.openHandles << "\n";
}

}  // namespace velmar::usbemu
