// The simulated-programmer window rig and its slot headers.
#include "model/ReadRig.h"

#include "image/THexList.h"
#include "link/TReadProg.h"
#include "operations/WindowOperations.h"
#include "platform/Text.h"
#include "sim/DataflashImage.h"

namespace velmar::test {

ReadRig::ReadRig(int k, std::string programFolder)
    : kind(k),
      program(std::move(programFolder)),
      state(sim::FreshState(slot::KindFromNumber(k).value(), sim::ReadExpectedVersions(program))) {
  dialogs.script.defaultAnswer = platform::DlgButton::Ok;
}

std::uint32_t ReadRig::SlotPages() const {
  slot::ProgrammerGeometry g;
  g.ApplyKind(slot::KindFromNumber(kind).value());
  return g.PagesPerSlot();
}

void ReadRig::StageHeaders(const std::vector<std::pair<std::uint32_t, slot::HeaderBytes>>& headers) {
  sim::SimState& s = Sim();
  const std::uint32_t size = sim::LoaderPageSize(s);
  image::THexList img(size * sim::LoaderPageCount(s));
  for (const auto& [page, h] : headers)
    for (std::size_t i = 0; i < h.size(); ++i) img.SetValue(page * size + std::uint32_t(i), h[i]);
  sim::ImportImage(s, img);
}

void ReadRig::Stage(const std::vector<SlotSpec>& slots) {
  slot::ProgrammerGeometry g;
  g.ApplyKind(slot::KindFromNumber(kind).value());
  const std::uint32_t pages = SlotPages();
  std::vector<std::pair<std::uint32_t, slot::HeaderBytes>> headers;
  for (std::size_t i = 0; i < slots.size(); ++i) {
    const std::uint32_t start = pages * std::uint32_t(i);
    headers.emplace_back(start, MakeHeader(slots[i], int(i) + 1, start, pages, !g.IsMultiSlot()));
  }
  StageHeaders(headers);
}

model::TMainForm& ReadRig::Create(std::vector<std::string> params) {
  driver = std::make_unique<sim::SimDriver>(std::move(state), clock, &clock);
  unit = std::make_unique<link::D2XXUnit>(*driver, dialogs);
  window = std::make_unique<model::TMainForm>(dialogs, image::Folders{work.Path(), program});
  ops::BindOperations(*window);
  window->SetCloseHandler([] {});
  window->UseLink({unit.get(), &clock, &pump, "sim", std::nullopt, ""});
  window->SetFirmwareChange([this](const std::string& file, int required) {
    changes.emplace_back(file, required);
    return onChange ? onChange(driver->State()) : false;
  });
  window->SetLoadUnit([this] { ++loadUnits; });
  window->CommandLineParams = std::move(params);
  window->FormCreate(!window->CommandLineParams.empty());
  window->Link()->TokenSource = [] { return std::uint16_t(0x1234); };
  return *window;
}

model::TMainForm& ReadRig::Start(std::vector<std::string> params) {
  Create(std::move(params));
  window->ReadProgButtonClick();
  if (!window->CloseRequested) window->FormShow();
  return *window;
}

}  // namespace velmar::test
