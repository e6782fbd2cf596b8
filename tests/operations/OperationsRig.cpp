// The operations rig.
#include "operations/OperationsRig.h"

#include <algorithm>

#include "sim/DataflashImage.h"
#include "slot/ProgrammerGeometry.h"

using velmar::model::Ctl;

namespace velmar::test {

void RecordingView::Shown(const model::ProgressForm& form) {
  ++shown;
  ++open;
  captions.push_back(form.Caption);
  Changed(form);
}

void RecordingView::Changed(const model::ProgressForm& form) {
  if (messages.empty() || messages.back() != form.messageLabel) messages.push_back(form.messageLabel);
  largestMaximum = std::max(largestMaximum, form.MainProgressMax);
  if (maxima.empty() || maxima.back() != form.MainProgressMax) maxima.push_back(form.MainProgressMax);
  if (onChange) onChange(form);
}

void RecordingView::Released(const model::ProgressForm&) {
  ++released;
  --open;
}

const std::vector<ExampleProgram>& ExamplePrograms() {
  static const std::vector<ExampleProgram> examples = {
      {"pic16f628a", 1, "PIC16F628A"},       {"pic16f84a", 1, "PIC16F84A"},
      {"pic18f4520", 0, "PIC18F4520"},       {"pic18f46j50", 2, "PIC18F46J50"},
      {"pic18f46k22", 3, "PIC18F46K22"},     {"pic24fj64ga002", 4, "PIC24FJ64GA002"},
      {"pic24f16ka102", 4, "PIC24F16KA102"}, {"dspic30f4011", 5, "dsPIC30F4011"},
  };
  return examples;
}

std::string ExampleFile(const std::string& folder) { return SourceDir() + "examples/" + folder + "/blink.hex"; }

image::THexList UnitImage(int kind, int slots, std::uint32_t firstLink) {
  slot::ProgrammerGeometry g;
  g.ApplyKind(slot::KindFromNumber(kind).value());
  image::THexList img(g.Capacity);
  for (int i = 0; i < slots; ++i) {
    SlotSpec spec;
    spec.description = "Unit " + std::to_string(i + 1);
    slot::HeaderBytes h = MakeHeader(spec, i + 1, 0, g.PagesPerSlot(), !g.IsMultiSlot());
    slot::PutField(h.data(), slot::slot_header::NextHeaderPage, firstLink * std::uint32_t(i + 1));
    slot::SealHeader(h.data());
    std::copy(h.begin(), h.end(), img.DataAt(std::uint32_t(i) * g.SlotSize));
    img.SetValue(std::uint32_t(i) * g.SlotSize + 300, std::uint8_t(0x30 + i));
  }
  return img;
}

bool SameBytes(const image::THexList& a, const image::THexList& b) {
  return a.Count() == b.Count() && std::equal(a.DataAt(0), a.DataAt(0) + a.Count(), b.DataAt(0));
}

OpsRig::OpsRig(int k) : ReadRig(k) { dialogs.script.defaultAnswer = platform::DlgButton::Ok; }

model::TMainForm& OpsRig::Begin(std::vector<std::string> params) {
  Create(std::move(params));
  window->SetFirmwareChange(nullptr);
  window->SetLoadUnit(nullptr);
  window->SetProgressView(&view);
  window->ReadProgButtonClick();
  if (!window->CloseRequested) window->FormShow();
  return *window;
}

void OpsRig::Program(int family, const std::string& device, const std::string& file, const std::string& description) {
  C().UserSelect(Ctl::family, family);
  const auto& devices = C().Items(Ctl::deviceList);
  const auto it = std::find(devices.begin(), devices.end(), device);
  if (it != devices.end()) C().UserSelect(Ctl::deviceList, int(it - devices.begin()));
  W().Data.FlashFile = file;
  C().SetText(Ctl::ProgCaption, description);
}

void OpsRig::Example(const ExampleProgram& e, const std::string& description) {
  Program(e.family, e.device, ExampleFile(e.folder), description);
}

image::THexList OpsRig::Flash() {
  image::THexList img;
  sim::ExportImage(Sim(), img);
  return img;
}

std::uint32_t OpsRig::PageSize() const {
  slot::ProgrammerGeometry g;
  g.ApplyKind(slot::KindFromNumber(kind).value());
  return g.PageSize;
}

slot::HeaderBytes OpsRig::HeaderAt(std::uint32_t page) {
  const image::THexList img = Flash();
  slot::HeaderBytes h;
  for (std::size_t i = 0; i < h.size(); ++i) h[i] = img.GetValue(page * PageSize() + std::uint32_t(i));
  return h;
}

}  // namespace velmar::test
