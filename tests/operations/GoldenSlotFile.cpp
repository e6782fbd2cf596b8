// Reads the golden slot files: "key value" lines, "header" followed by ten
// rows "OFFSET: 16 bytes", "slot OFFSET: bytes"; '#' starts a comment.
#include "operations/GoldenSlotFile.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "support/TestSupport.h"

namespace velmar::test {
namespace {

struct Reader {
  std::string path;
  int lineNo = 0;

  [[noreturn]] void Fail(const std::string& why) const {
    throw std::runtime_error(path + ":" + std::to_string(lineNo) + ": " + why);
  }
  std::uint32_t Number(const std::string& word, int base = 10) const {
    std::size_t used = 0;
    unsigned long v = 0;
    try {
      v = std::stoul(word, &used, base);
    } catch (const std::exception&) {
      Fail("not a number: \"" + word + "\"");
    }
    if (used != word.size() || v > 0xFFFFFFFFul) Fail("not a number: \"" + word + "\"");
    return std::uint32_t(v);
  }
  std::vector<std::uint8_t> Bytes(std::istringstream& in) const {
    std::vector<std::uint8_t> r;
    for (std::string w; in >> w;) {
      if (w.size() != 2) Fail("not a two-digit hexadecimal byte: \"" + w + "\"");
      r.push_back(std::uint8_t(Number(w, 16)));
    }
    if (r.empty()) Fail("no bytes");
    return r;
  }
  // "NNN:" -> NNN
  std::uint32_t Offset(const std::string& word) const {
    if (word.empty() || word.back() != ':') Fail("expected an offset and a colon, found \"" + word + "\"");
    return Number(word.substr(0, word.size() - 1));
  }
};

std::string WithoutComment(const std::string& line) {
  const std::size_t hash = line.find('#');
  return hash == std::string::npos ? line : line.substr(0, hash);
}

}  // namespace

GoldenSlot ReadGoldenSlot(const std::string& path) {
  std::ifstream file(path);
  if (!file) throw std::runtime_error(path + ": cannot be read");
  Reader r{path};
  GoldenSlot g;
  int headerRows = -1;  // -1 before "header", then rows read
  for (std::string line; std::getline(file, line);) {
    ++r.lineNo;
    std::istringstream in(WithoutComment(line));
    std::string key;
    if (!(in >> key)) continue;
    if (headerRows >= 0 && headerRows < 10) {
      if (r.Offset(key) != std::uint32_t(headerRows * 16)) r.Fail("header row out of order");
      std::vector<std::uint8_t> row = r.Bytes(in);
      if (row.size() != 16) r.Fail("a header row holds 16 bytes");
      std::copy(row.begin(), row.end(), g.header.begin() + headerRows * 16);
      ++headerRows;
      continue;
    }
    std::string value;
    if (key == "header") {
      if (headerRows >= 0) r.Fail("a second header");
      headerRows = 0;
    } else if (key == "kind" && in >> value) {
      g.kind = int(r.Number(value));
    } else if (key == "family" && in >> value) {
      g.family = int(r.Number(value));
    } else if (key == "device" && in >> value) {
      g.device = value;
    } else if (key == "example" && in >> value) {
      g.example = value;
    } else if (key == "code-length" && in >> value) {
      g.codeLength = r.Number(value);
    } else if (key == "code-checksum" && in >> value) {
      g.codeChecksum = std::uint8_t(r.Number(value, 16));
    } else if (key == "slot" && in >> value) {
      const std::uint32_t at = r.Offset(value);
      g.slotBytes.emplace_back(at, r.Bytes(in));
    } else {
      r.Fail("unknown line \"" + line + "\"");
    }
  }
  if (headerRows != 10) r.Fail("the header needs ten rows of 16 bytes");
  if (g.kind < 0 || g.family < 0 || g.device.empty() || g.example.empty())
    r.Fail("kind, family, device and example are all needed");
  return g;
}

std::string GoldenSlotFolder() { return SourceDir() + "tests/operations/golden/"; }

std::vector<std::string> GoldenSlotNames() {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(GoldenSlotFolder(), ec))
    if (e.path().extension() == ".hdr") names.push_back(e.path().stem().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace velmar::test
