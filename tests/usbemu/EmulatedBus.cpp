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

struct EmulatedBus::Impl {
  std::string stateFile;
  std::string faults;
  std::string report;
  std::string chipName;
  bool loaded = false;
  sim::SimState state;
  EmulationClock clock;
  std::unique_ptr<sim::ProgrammerBoard> board;
  sim::NothingAttached nothing;
  std::vector<std::unique_ptr<EmulatedChip>> chips;
};

EmulatedBus& EmulatedBus::Get() {
  static EmulatedBus bus;
  return bus;
}

EmulatedBus::EmulatedBus() : impl_(std::make_unique<Impl>()) {
  Impl& m = *impl_;
  m.stateFile = Env("VELMAR_USB_EMU_STATE");
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
  try {
    m.state = sim::LoadState(m.stateFile);
    m.loaded = true;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "USB emulation: %s\n", e.what());
    return;
  }
  m.board = std::make_unique<sim::ProgrammerBoard>(m.state, m.clock);
  auto userArea = [](bool sensing) {
    std::vector<std::uint8_t> area = {'V', 'E', 'L', 'M', 'A', 'R', '0', '1', std::uint8_t(sensing ? '1' : '0')};
    area.resize(32, 0);
    return area;
  };
  for (int i = 0; i < m.state.otherInterfaces; ++i)
    m.chips.push_back(
        std::make_unique<EmulatedChip>(type, part, "FT7K" + std::to_string(1000 + i), m.nothing, userArea(false)));
  m.chips.push_back(
      std::make_unique<EmulatedChip>(type, part, m.state.interfaceSerial, *m.board, userArea(m.state.voltageSensing)));
}

EmulatedBus::~EmulatedBus() {
  Save();
  Report();
  for (const std::string& v : impl_->state.violations)
    std::fprintf(stderr, "USB emulation: protocol violation: %s\n", v.c_str());
}

std::vector<EmulatedChip*> EmulatedBus::Chips() {
  std::vector<EmulatedChip*> out;
  if (!impl_->loaded || !impl_->state.usbAttached || Unplugged()) return out;
  for (auto& c : impl_->chips) out.push_back(c.get());
  return out;
}

bool EmulatedBus::Fault(const std::string& name) const {
  return impl_->faults.find("," + name + ",") != std::string::npos;
}

int EmulatedBus::NewToken() const { return impl_->loaded ? impl_->state.newToken : -1; }

void EmulatedBus::Save() {
  if (!impl_->loaded) return;
  std::string error;
  if (!sim::SaveState(impl_->stateFile, impl_->state, &error))
    std::fprintf(stderr, "USB emulation: cannot save %s: %s\n", impl_->stateFile.c_str(), error.c_str());
}

void EmulatedBus::Report() {
  if (impl_->report.empty()) return;
  const TimeAccount& a = Account();
  std::ofstream out(impl_->report, std::ios::app);
  out << "chip " << impl_->chipName << " total_us " << NowUs() << " slept_us " << a.sleptUs << " usb_us " << a.usbUs
      << " latency_us " << a.latencyUs << " wire_us " << a.wireUs << " bulk_out " << a.bulkOut << " bulk_in "
      << a.bulkIn << " control " << a.control << " port_resets " << a.portResets << " violations "
      << impl_->state.violations.size() << " device_calls " << DeviceCalls() << " open_handles " << a.openHandles
      << "\n";
}

}  // namespace velmar::usbemu
