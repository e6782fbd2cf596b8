// Verify Unit.
#include "operations/UnitVerify.h"

#include <algorithm>
#include <limits>

#include "image/TFileLoader.h"
#include "image/THexList.h"
#include "link/LinkErrors.h"
#include "link/TReadProg.h"
#include "model/TMainForm.h"
#include "operations/ProgressBinding.h"
#include "operations/UnitCopy.h"
#include "operations/UnitImageCheck.h"
#include "operations/UnitLoad.h"
#include "operations/WindowOperations.h"
#include "platform/FileDigest.h"
#include "slot/SlotHeader.h"

namespace velmar::ops {

const char* UnitMatchName(UnitMatch match) {
  switch (match) {
    case UnitMatch::identical: return "identical";
    case UnitMatch::differing: return "differing";
    case UnitMatch::other_geometry: return "different-geometry";
  }
  return "differing";
}

UnitComparison CompareUnitContent(const image::THexList& content, const image::THexList& image,
                                  const slot::ProgrammerGeometry& g) {
  UnitComparison r;
  const std::uint32_t pageSize = g.PageSize;
  const std::uint32_t perSlot = std::max<std::uint32_t>(1, g.PagesPerSlot());
  if (pageSize == 0 || content.Count() != image.Count()) {
    r.match = UnitMatch::other_geometry;
    r.geometry = "The file's image and the programmer's dataflash differ in size";
    return r;
  }
  std::vector<std::uint8_t> ours(pageSize), theirs(pageSize);
  const std::uint32_t pages = (content.Count() + pageSize - 1) / pageSize;
  for (std::uint32_t page = 0; page < pages; ++page) {
    const std::uint32_t at = page * pageSize;
    const std::uint32_t n = std::min(pageSize, content.Count() - at);
    content.Read(at, ours.data(), n);
    image.Read(at, theirs.data(), n);
    if (std::equal(ours.begin(), ours.begin() + n, theirs.begin())) continue;
    const std::uint32_t slot = page / perSlot + 1;
    if (r.slots.empty() || r.slots.back().slot != slot) r.slots.push_back({slot, {}});
    r.slots.back().pages.push_back(page);
  }
  r.match = r.slots.empty() ? UnitMatch::identical : UnitMatch::differing;
  return r;
}

UnitImageFile LoadUnitImageFor(const std::string& file, const slot::ProgrammerGeometry& g) {
  UnitImageFile r;
  image::THexList unit(g.Capacity);
  image::LoadResult loaded;
  try {
    loaded = image::TFileLoader::LoadFile(file, unit);
  } catch (const std::exception& e) {
    r.problem = e.what();
    return r;
  }
  if (loaded.Failed() && loaded.fault == image::LoadFault::beyond_image) {
    r.geometry = file + " holds data past the end of the connected programmer's dataflash (" +
                 std::to_string(g.Capacity) + " bytes)";
    return r;
  }
  if (loaded.Failed() || loaded.Empty()) {
    r.problem = file + ": " + (loaded.Empty() ? std::string("the file holds no lines") : loaded.message);
    return r;
  }
  if (unit.LastUsed() < 0 || unit.GetValue(slot::slot_header::InUseMarker.offset) != 0x00) {
    r.problem = file + " is no unit image: it holds no slot header at its start";
    return r;
  }
  if (g.Kind == slot::kind_portable && !AdjustPortablePageMode(unit, g.SlotSize)) {
    r.geometry = CheckUnitImage(unit, g).refusal;
    return r;
  }
  if (const UnitImageReport report = CheckUnitImage(unit, g); report.otherGeometry) {
    r.geometry = report.refusal;
    return r;
  }
  r.image = std::move(unit);
  return r;
}

namespace {

// "258-260, 300": runs of consecutive pages.
std::string PageRuns(const std::vector<std::uint32_t>& pages) {
  std::string text;
  for (std::size_t i = 0; i < pages.size();) {
    std::size_t j = i;
    while (j + 1 < pages.size() && pages[j + 1] == pages[j] + 1) ++j;
    text += (text.empty() ? "" : ", ") + std::to_string(pages[i]);
    if (j > i) text += "-" + std::to_string(pages[j]);
    i = j + 1;
  }
  return text;
}

}  // namespace

std::string DifferenceText(const UnitComparison& c) {
  std::string text;
  for (const SlotDifference& d : c.slots)
    text += (text.empty() ? "" : "\n") + std::string("Slot ") + std::to_string(d.slot) +
            (d.pages.size() == 1 ? ": page " : ": pages ") + PageRuns(d.pages);
  return text;
}

std::string UnitContentSha256(const image::THexList& content) {
  return platform::Sha256Hex(image::TFileLoader::IntelHexText(content));
}

using model::Ctl;
using model::TMainForm;

namespace {

// The record's result and message, from what the verification found.
void RecordVerification(oplog::OperationRecorder& logged, const ops::UnitVerification& v) {
  oplog::OperationRecord& r = logged.Record();
  if (!v.unitSha256.empty()) r.unitSha256 = v.unitSha256;
  if (!v.compared) {
    logged.Failed(v.failure);
    return;
  }
  r.comparison = ops::UnitMatchName(v.comparison.match);
  switch (v.comparison.match) {
    case ops::UnitMatch::identical: logged.Succeeded(); return;
    case ops::UnitMatch::differing: logged.Failed(ops::DifferenceText(v.comparison)); return;
    case ops::UnitMatch::other_geometry: logged.Failed(v.comparison.geometry); return;
  }
}

}  // namespace

bool VerifyUnitAgainst(TMainForm& w, const std::string& file, ops::UnitVerification& v) {
  oplog::OperationRecorder logged = w.Recording(oplog::LoggedOperation::verify_unit);
  v = {};
  oplog::RecordFile(logged.Record(), file);
  v.fileSha256 = logged.Record().fileSha256.value_or("");
  if (w.DemoMode || !w.HaveLink()) {
    v.failure = "No Programmer Detected. Read Programmer First";
    RecordVerification(logged, v);
    return false;
  }
  const slot::ProgrammerGeometry g = w.Link()->Geometry;
  ops::UnitImageFile loaded = ops::LoadUnitImageFor(file, g);
  if (!loaded.problem.empty()) {
    v.failure = loaded.problem;
    RecordVerification(logged, v);
    return false;
  }
  // Minutes of reading would not change that answer.
  if (!loaded.geometry.empty()) {
    v.compared = true;
    v.comparison = {ops::UnitMatch::other_geometry, {}, loaded.geometry};
    RecordVerification(logged, v);
    return false;
  }

  image::THexList content;
  ops::UnitRead outcome = ops::UnitRead::failed;
  std::uint32_t stoppedAt = 0;
  {
    model::ProgressForm form(w.ProgressView(), w.Parts().pump);
    form.Caption = "Verifying Programmer";
    form.messageLabel = "Checking Programmer";
    form.Show();
    form.Repaint();
    ops::ProgressBinding binding(*w.Link(), form);
    form.Busy = false;
    ops::OperationEnd end(form, *w.Link());
    try {
      if (!w.Link()->LinkOpen) w.Link()->OpenLink();
      w.Link()->Identify();
      if (w.Programs.EntryCount == 0) {
        // An empty programmer's content is a blank dataflash, as far as
        // Copy Unit goes.
        content.SetSize(w.Link()->Geometry.Capacity);
        outcome = ops::UnitRead::read;
      } else {
        outcome = ops::ReadUnitContent(form, *w.Link(), w.Programs.EntryCount,
                                       w.Controls().Checked(Ctl::VerifyAfterWriting), content, &stoppedAt);
      }
    } catch (const std::exception& e) {
      v.failure = e.what();
    }
  }
  if (v.failure.empty() && outcome != ops::UnitRead::read)
    v.failure = outcome == ops::UnitRead::unsettled
                    ? "Programmer Read Error: page " + std::to_string(stoppedAt) + " read differently each time"
                    : "Programmer Read Error at page " + std::to_string(stoppedAt);
  if (!v.failure.empty()) {
    RecordVerification(logged, v);
    return false;
  }
  v.unitSha256 = ops::UnitContentSha256(content);
  v.compared = true;
  v.comparison = ops::CompareUnitContent(content, *loaded.image, g);
  RecordVerification(logged, v);
  return v.comparison.match == ops::UnitMatch::identical;
}

}  // namespace velmar::ops
