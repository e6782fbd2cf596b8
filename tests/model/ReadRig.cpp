// The simulated-programmer window rig and its slot headers.
#include "model/ReadRig.h"

#include "image/THexList.h"
#include "link/TReadProg.h"
#include "platform/Text.h"
#include "sim/DataflashImage.h"

namespace velmar::test {

namespace {

void PutHex(std::uint8_t* h, std::size_t at, const std::string& hex) {
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) h[at + i / 2] = std::uint8_t(std::stoul(hex.substr(i, 2), nullptr, 16));
}

}  // namespace

link::HeaderBytes MakeHeader(const SlotSpec& s, int slot, std::uint32_t startPage, std::uint32_t pages,
                             bool singleSlot) {
  using namespace link::slot_header;
  link::HeaderBytes h;
  h.fill(0xFF);
  std::uint8_t* p = h.data();
  link::PutField(p, NextHeaderPage, singleSlot ? 0xFFFF : startPage + pages);
  link::PutField(p, InUseMarker, 0);
  link::PutField(p, PageCount, pages);
  p[5] = 0;
  if (s.description == std::string(kEmptyName)) {
    link::HeaderBytes e = link::EmptyHeader(std::uint16_t(singleSlot ? 0xFFFF : startPage + pages), std::uint16_t(pages));
    return e;
  }
  link::PutText(p, SlotName, link::MakeSlotName(slot, s.description));
  PutHex(p, 43, s.deviceId);
  p[45] = s.optionsA;
  p[46] = s.optionsB;
  p[47] = s.optionsC;
  PutHex(p, 56, s.config);
  p[76] = s.familyFlags;
  p[80] = 0xFF;
  p[81] = s.supply;
  if (s.limitFlags >= 0) p[84] = std::uint8_t(s.limitFlags);
  p[86] = s.repeat;
  link::PutText(p, SourceFileName, s.file);
  link::PutText(p, DeviceName, s.device);
  link::SealHeader(p);
  link::PutProductionCount(p, s.count);
  return h;
}

ReadRig::ReadRig(int k, std::string programFolder)
    : kind(k), program(std::move(programFolder)), state(sim::FreshState(k, sim::ReadExpectedVersions(program))) {
  dialogs.script.defaultAnswer = platform::DlgButton::Ok;
}

std::uint32_t ReadRig::SlotPages() const {
  link::ProgrammerGeometry g;
  g.ApplyKind(std::uint8_t(kind));
  return g.PagesPerSlot();
}

void ReadRig::StageHeaders(const std::vector<std::pair<std::uint32_t, link::HeaderBytes>>& headers) {
  sim::SimState& s = Sim();
  const std::uint32_t size = sim::LoaderPageSize(s);
  image::THexList img(size * sim::LoaderPageCount(s));
  for (const auto& [page, h] : headers)
    for (std::size_t i = 0; i < h.size(); ++i) img.SetValue(page * size + std::uint32_t(i), h[i]);
  sim::ImportImage(s, img);
}

void ReadRig::Stage(const std::vector<SlotSpec>& slots) {
  link::ProgrammerGeometry g;
  g.ApplyKind(std::uint8_t(kind));
  const std::uint32_t pages = SlotPages();
  std::vector<std::pair<std::uint32_t, link::HeaderBytes>> headers;
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
  window->SetCloseHandler([] {});
  window->UseLink({unit.get(), &clock, &pump});
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
