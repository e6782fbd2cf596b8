// The loader's trace of each basic operation, on every programmer kind, set
// beside the golden traces in golden/: worked out by hand from the protocol,
// they catch a misreading of it that the loader and the simulated programmer
// share. In exact pacing the trace is the golden one call by call; in fast
// pacing it puts the same bytes and waits on the wire. The simulated
// programmer is strict: a wait cut short or a command out of place fails the
// test as a protocol violation.
#include <gtest/gtest.h>

#include "image/THexList.h"
#include "link/SimRig.h"
#include "slot/TProgramEntry.h"
#include "support/GoldenTrace.h"
#include "support/WireStream.h"

namespace velmar::link {
namespace {

using test::SimRig;

// Exact pacing must match the golden trace line by line, fast pacing by
// what reaches the wire.
std::string Compare(LinkPacing pacing, const std::string& trace, const test::GoldenLines& golden,
                    bool prefixOnly = false) {
  return pacing == LinkPacing::exact ? test::CompareWithGolden(trace, golden, prefixOnly)
                                     : test::CompareWireWithGolden(trace, golden, prefixOnly);
}

// The page the golden traces write and read, and its data: 00 01 .. 07 over and over.
constexpr std::uint32_t kPage = 3;

image::THexList PageData(std::uint32_t size) {
  image::THexList img(size);
  for (std::uint32_t i = 0; i < size; ++i) img.DataAt(0)[i] = std::uint8_t(i % 8);
  return img;
}

class GoldenTrace : public ::testing::TestWithParam<std::tuple<int, LinkPacing>> {
 protected:
  // The trace since the last call.
  std::string Taken(SimRig& rig) {
    std::string all = rig.traceText.str();
    std::string part = all.substr(taken_);
    taken_ = all.size();
    return part;
  }
  std::size_t taken_ = 0;
};

TEST_P(GoldenTrace, EachOperationPutsWhatTheProtocolGivesOnTheWire) {
  const auto [kind, pacing] = GetParam();
  const auto golden = test::ReadGolden("kind" + std::to_string(kind) + ".trace");
  SimRig rig(kind);
  TReadProg& p = rig.Make(true);
  p.Pacing = pacing;

  p.Identify();
  EXPECT_EQ(Compare(pacing, Taken(rig), golden.at("identify")), "") << "identify";

  slot::TProgramEntryList list;
  p.ReadDirectory(list);
  EXPECT_EQ(Compare(pacing, Taken(rig), golden.at("directory")), "") << "directory";

  const std::uint32_t size = p.Geometry.PageSize;
  const image::THexList data = PageData(size);
  const slot::TProgramEntry record(kPage, 0, 1, "", "", "", slot::HeaderBytes{});
  const SlotWrite write{record, data, {0, 0, true}};
  EXPECT_TRUE(p.Geometry.WritesHalfPages() ? p.WriteHalfPages(kPage, size / 2, 0, write)
                                           : p.WritePage(kPage, size, 0, write));
  EXPECT_EQ(Compare(pacing, Taken(rig), golden.at("page write")), "") << "page write";

  // As the unit copy reads: into an image of the whole dataflash, page-indexed.
  p.ReadImage = std::make_unique<image::THexList>(p.Geometry.Capacity);
  p.PageIndexedReads = true;
  const bool read = p.Geometry.WritesHalfPages() ? p.ReadBlock(kPage, size / 2, 1) && p.ReadBlock(kPage, size / 2, 2)
                                                 : p.ReadBlock(kPage, size, 1);
  EXPECT_TRUE(read);
  EXPECT_EQ(Compare(pacing, Taken(rig), golden.at("page read")), "") << "page read";
  EXPECT_EQ(p.ReadImage->GetValue(kPage * size + 9), 1);

  EXPECT_TRUE(p.EraseUnit());
  EXPECT_EQ(Compare(pacing, Taken(rig), golden.at("erase"), true), "") << "erase";
  p.CloseLink(false);
}

INSTANTIATE_TEST_SUITE_P(Kinds, GoldenTrace,
                         ::testing::Combine(::testing::Range(0, 6),
                                            ::testing::Values(LinkPacing::exact, LinkPacing::fast)),
                         [](const auto& info) {
                           return "kind" + std::to_string(std::get<0>(info.param)) + "_" +
                                  PacingName(std::get<1>(info.param));
                         });

}  // namespace
}  // namespace velmar::link
