// A working folder, a job and the options for running one image builder on
// a file written by the test, with scripted dialogs; and short reads of the
// pieces the builder leaves behind.
#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "image/HexLines.h"
#include "image/SlotJob.h"
#include "image/TFileLoader.h"
#include "image/THexList.h"
#include "operations/DialogBuildQuestions.h"
#include "platform/ScriptedDialogs.h"
#include "support/TestSupport.h"

namespace velmar::test {

struct BuilderFixture : ::testing::Test {
  TempDir working;
  image::SlotJob job;
  image::BuildOptions options;
  platform::ScriptedDialogs dialogs;
  ops::DialogBuildQuestions questions{dialogs};  // the builders ask through it

  BuilderFixture() {
    job.workingFolder = working.Path();
    job.device.DeviceName = "TEST";
  }
  // Writes the user's file and makes it the job's file.
  void UserFile(const std::string& text, const std::string& name = "user.hex") {
    WriteFile(working.File(name), text);
    job.userFile = working.File(name);
  }
  std::vector<std::string> Lines(const std::string& piece) const { return image::ReadHexLines(working.File(piece)); }
  // A piece loaded into an image of `size` bytes.
  image::THexList Piece(const std::string& piece, std::uint32_t size) const {
    image::THexList img(size);
    EXPECT_EQ(image::TFileLoader::LoadFile(working.File(piece), img).result, 0) << piece;
    return img;
  }
  // The lines of a text as the builders read them.
  std::vector<std::string> ReadLinesOf(const std::string& text) {
    WriteFile(working.File("lines.hex"), text);
    return image::ReadHexLines(working.File("lines.hex"));
  }
  bool Has(const std::string& piece) const { return Exists(working.File(piece)); }
  std::vector<std::uint8_t> At(const image::THexList& img, std::uint32_t from, std::uint32_t n) const {
    std::vector<std::uint8_t> r;
    for (std::uint32_t i = 0; i < n; ++i) r.push_back(img.GetValue(from + i));
    return r;
  }
};

using Bytes = std::vector<std::uint8_t>;

// One Intel HEX record line (with its checksum) and the lines built from it.
inline std::string Rec(unsigned address, const Bytes& data, unsigned type = 0) {
  static const char* digits = "0123456789ABCDEF";
  std::string r = ":";
  unsigned sum = 0;
  auto put = [&](unsigned b) {
    r += digits[(b >> 4) & 0xF];
    r += digits[b & 0xF];
    sum += b;
  };
  put(unsigned(data.size()));
  put((address >> 8) & 0xFF);
  put(address & 0xFF);
  put(type);
  for (std::uint8_t b : data) put(b);
  put((0x100 - (sum & 0xFF)) & 0xFF);
  return r + "\n";
}
// Extended linear address record of the upper address word.
inline std::string Ela(unsigned upper) { return Rec(0, {std::uint8_t(upper >> 8), std::uint8_t(upper)}, 4); }
inline const std::string kEnd = ":00000001FF\n";

}  // namespace velmar::test
