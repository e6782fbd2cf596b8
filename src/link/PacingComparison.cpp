// The pacing comparison: two recorded passes of the same reads and the
// first places where their replies part.
#include "link/PacingComparison.h"

#include <algorithm>
#include <functional>
#include <memory>

#include "image/THexList.h"
#include "link/D2XXUnit.h"
#include "link/LinkErrors.h"
#include "link/TReadProg.h"
#include "platform/Clock.h"
#include "platform/Text.h"
#include "slot/TProgramEntry.h"

namespace velmar::link {

namespace {

// Every reply the unit hands over goes into the pass's step in progress
// while the recorder lives; the unit's own hook is put back after.
class ReplyRecorder {
 public:
  ReplyRecorder(D2XXUnit& unit, PacingPass& pass) : unit_(unit), saved_(std::move(unit.OnReplies)) {
    unit_.OnReplies = [&pass](const std::uint8_t* bytes, std::uint32_t n) {
      if (!pass.steps.empty()) pass.steps.back().replies.insert(pass.steps.back().replies.end(), bytes, bytes + n);
    };
  }
  ~ReplyRecorder() { unit_.OnReplies = std::move(saved_); }
  ReplyRecorder(const ReplyRecorder&) = delete;
  ReplyRecorder& operator=(const ReplyRecorder&) = delete;

 private:
  D2XXUnit& unit_;
  std::function<void(const std::uint8_t*, std::uint32_t)> saved_;
};

// What the test changes on the link, put back when it ends.
class KeptLinkState {
 public:
  explicit KeptLinkState(TReadProg& link)
      : link_(link), pacing_(link.Pacing), image_(std::move(link.ReadImage)), indexed_(link.PageIndexedReads) {}
  ~KeptLinkState() {
    try {
      if (link_.LinkOpen) link_.CloseLink(false);
    } catch (const std::exception&) {
      // Closed either way.
    }
    link_.Pacing = pacing_;
    link_.ReadImage = std::move(image_);
    link_.PageIndexedReads = indexed_;
  }
  KeptLinkState(const KeptLinkState&) = delete;
  KeptLinkState& operator=(const KeptLinkState&) = delete;

 private:
  TReadProg& link_;
  LinkPacing pacing_;
  std::unique_ptr<image::THexList> image_;
  bool indexed_;
};

void ReadPage(TReadProg& link, std::uint32_t page) {
  const slot::ProgrammerGeometry& g = link.Geometry;
  const bool read = g.WritesHalfPages()
                        ? link.ReadBlock(page, g.PageSize / 2, 1) && link.ReadBlock(page, g.PageSize / 2, 2)
                        : link.ReadBlock(page, g.PageSize, 1);
  if (!read) throw EISPException("Page " + std::to_string(page) + " did not read whole (no closing '!')");
}

std::string OneLine(std::string text) {
  std::replace(text.begin(), text.end(), '\r', ' ');
  return text;
}

// One pass: an identification in exact pacing that is not recorded, then
// the recorded steps in the pass's pacing. The first pass also settles
// what is read (c.pages) from the directory it found.
void RunPass(TReadProg& link, PacingPass& pass, PacingComparison& c, bool first) {
  ReplyRecorder recorder(link.Unit(), pass);
  auto step = [&pass](std::string what, const std::function<void()>& body) {
    pass.steps.push_back({std::move(what), {}});
    body();
  };
  std::uint64_t start = link.Clock().NowMs();
  try {
    link.Pacing = LinkPacing::exact;
    link.Identify();
    link.Pacing = pass.pacing;
    start = link.Clock().NowMs();
    step("identification", [&] { link.Identify(); });
    if (first) {
      c.kind = link.Geometry.Kind;
      c.firmwareVersion = link.FirmwareVersion;
    }
    slot::TProgramEntryList list;
    step("directory", [&] { link.ReadDirectory(list); });
    if (first) {
      std::vector<std::uint32_t> starts, counts;
      for (int i = 0; i < list.EntryCount; ++i) {
        starts.push_back(list.Get(i).StartPage);
        counts.push_back(list.Get(i).PageCount);
      }
      c.slotsInUse = list.EntryCount;
      c.pages = PagesToCompare(starts, counts);
    }
    link.PageIndexedReads = false;
    link.ReadImage = std::make_unique<image::THexList>(link.Geometry.PageSize);
    for (std::uint32_t page : c.pages) step("page " + std::to_string(page), [&] { ReadPage(link, page); });
  } catch (const std::exception& e) {
    pass.error = OneLine(e.what());
  }
  pass.ms = link.Clock().NowMs() - start;
  try {
    if (link.LinkOpen) link.CloseLink(false);
  } catch (const std::exception&) {
    // Closed either way.
  }
}

std::string HexBytes(const std::vector<std::uint8_t>& bytes) {
  if (bytes.empty()) return "nothing";
  std::string out;
  for (std::uint8_t b : bytes) out += (out.empty() ? "" : " ") + text::IntToHex(b, 2);
  return out;
}

std::vector<std::uint8_t> From(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
  if (offset >= bytes.size()) return {};
  const std::size_t n = std::min(kShownReplyBytes, bytes.size() - offset);
  return {bytes.begin() + std::ptrdiff_t(offset), bytes.begin() + std::ptrdiff_t(offset + n)};
}

}  // namespace

std::vector<std::uint32_t> PagesToCompare(const std::vector<std::uint32_t>& starts,
                                          const std::vector<std::uint32_t>& counts) {
  std::vector<std::uint32_t> pages;
  if (starts.empty()) return pages;
  const std::uint32_t perSlot = std::max<std::uint32_t>(1, kPacingTestPages / std::uint32_t(starts.size()));
  for (std::size_t i = 0; i < starts.size() && pages.size() < kPacingTestPages; ++i) {
    const std::uint32_t n = std::max<std::uint32_t>(1, std::min(perSlot, i < counts.size() ? counts[i] : 1));
    for (std::uint32_t k = 0; k < n && pages.size() < kPacingTestPages; ++k) pages.push_back(starts[i] + k);
  }
  return pages;
}

std::vector<ReplyDifference> DifferingReplies(const PacingPass& exact, const PacingPass& fast) {
  std::vector<ReplyDifference> out;
  const std::size_t steps = std::min(exact.steps.size(), fast.steps.size());
  for (std::size_t i = 0; i < steps && out.size() < kListedDifferences; ++i) {
    const std::vector<std::uint8_t>& a = exact.steps[i].replies;
    const std::vector<std::uint8_t>& b = fast.steps[i].replies;
    if (a == b) continue;
    const auto parted = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    const auto offset = std::size_t(parted.first - a.begin());
    out.push_back({exact.steps[i].what, offset, a.size(), b.size(), From(a, offset), From(b, offset)});
  }
  return out;
}

PacingComparison CompareLinkPacings(TReadProg& link) {
  PacingComparison c;
  c.exact.pacing = LinkPacing::exact;
  c.fast.pacing = LinkPacing::fast;
  KeptLinkState kept(link);
  RunPass(link, c.exact, c, true);
  if (!c.Compared()) return c;
  RunPass(link, c.fast, c, false);
  c.differences = DifferingReplies(c.exact, c.fast);
  return c;
}

std::string DifferenceText(const ReplyDifference& d) {
  const bool sameLength = d.exactLength == d.fastLength;
  return d.step + ", reply byte " + std::to_string(d.offset + 1) +
         (sameLength ? " of " + std::to_string(d.exactLength) : "") + ": exact " + HexBytes(d.exact) + ", fast " +
         HexBytes(d.fast) +
         (sameLength
              ? ""
              : " (exact got " + std::to_string(d.exactLength) + " bytes, fast " + std::to_string(d.fastLength) + ")");
}

std::string PacingComparison::Finding() const {
  if (!Compared()) return "not compared: the programmer did not answer in exact pacing: " + exact.error;
  if (Identical())
    return "identical replies in both pacings (exact " + std::to_string(exact.ms) + " ms, fast " +
           std::to_string(fast.ms) + " ms)";
  std::string t = "fast pacing read differently";
  if (!differences.empty()) t += ": " + DifferenceText(differences.front());
  if (!fast.error.empty()) t += "; fast pacing stopped: " + fast.error;
  return t;
}

}  // namespace velmar::link
