// Splitting a 16-bit file into its memory spaces, and packing instructions
// from four file bytes to three. One pass over the lines.
#include <algorithm>

#include "image/HexLines.h"
#include "image/Pic16BitBuilder.h"
#include "image/THexList.h"
#include "image/Useful.h"
#include "platform/Text.h"

namespace velmar::image {

namespace {

struct Mark {
  Space space;
  std::string_view record;
};

constexpr Mark kMarks[] = {
    {Space::Eeprom, ":0200000400FFFB"},  // program addresses 0x7F8000 and up
    {Space::Config, ":0200000401F009"},  // configuration registers, 0xF80000
    {Space::Aux, ":020000040100F9"},     // auxiliary area, 0x800000
};

const Mark* MarkOf(std::string_view line, std::initializer_list<Space> spaces) {
  for (const Mark& m : kMarks)
    if (std::find(spaces.begin(), spaces.end(), m.space) != spaces.end() && text::Contains(line, m.record)) return &m;
  return nullptr;
}

// ":" count, the running offset as four digits, then the line from its
// record type on (type, data and the old checksum, which readers ignore).
std::string Readdress(const std::string& line, std::uint32_t& offset) {
  const std::uint8_t count = HexPairToByte(std::string_view(line).substr(std::min<std::size_t>(1, line.size())));
  if (offset > 0xFFFF) throw std::invalid_argument("auxiliary data longer than 64 KiB");
  std::string r =
      ":" + line.substr(1, 2) + text::IntToHex(offset, 4) + line.substr(std::min<std::size_t>(7, line.size()));
  offset += count;
  return r;
}

void EndWithEndRecord(std::vector<std::string>& lines) {
  if (lines.empty() || lines.back() != kEndRecord) lines.emplace_back(kEndRecord);
}

}  // namespace

SectionSplit SplitSections(std::vector<std::string> lines, std::initializer_list<Space> spaces) {
  SectionSplit s;
  s.program.reserve(lines.size());
  std::uint32_t auxOffset = 0;
  const std::size_t n = lines.size();
  for (std::size_t p = 0; p < n;) {
    std::string& line = lines[p];
    if (line == kEndRecord) break;
    const Mark* mark = MarkOf(line, spaces);
    if (!mark) {
      s.program.push_back(std::move(line));
      ++p;
      continue;
    }
    std::vector<std::string>* target = nullptr;
    switch (mark->space) {
      case Space::Eeprom:
        target = &s.eeprom;
        s.hasEeprom = true;
        break;
      case Space::Config:
        target = &s.config;
        s.hasConfig = true;
        break;
      case Space::Aux:
        target = &s.aux;
        s.hasAux = true;
        break;
    }
    for (++p; p < n && !IsControlRecord(lines[p]) && !MarkOf(lines[p], spaces); ++p) {
      if (mark->space == Space::Aux)
        target->push_back(Readdress(lines[p], auxOffset));
      else
        target->push_back(std::move(lines[p]));
    }
  }
  EndWithEndRecord(s.program);
  for (auto* list : {&s.eeprom, &s.config, &s.aux}) list->emplace_back(kEndRecord);
  return s;
}

void PackInstructions(const THexList& file, THexList& packed, std::uint32_t instructions) {
  if (instructions == 0) return;
  // Range checks once for the whole run, then a run of instructions at a
  // time (the file image holds four bytes per instruction, the packed one
  // three).
  file.GetValue(4 * (instructions - 1) + 2);
  packed.GetValue(3 * (instructions - 1) + 2);
  constexpr std::uint32_t kRun = 1024;
  std::uint8_t from[4 * kRun], to[3 * kRun];
  for (std::uint32_t first = 0; first < instructions; first += kRun) {
    const std::uint32_t n = std::min(kRun, instructions - first);
    file.Read(4 * first, from, 4 * n - 1);  // the last instruction's fourth byte may lie beyond the image
    for (std::uint32_t k = 0; k < n; ++k) {
      to[3 * k] = from[4 * k];
      to[3 * k + 1] = from[4 * k + 1];
      to[3 * k + 2] = from[4 * k + 2];
    }
    packed.Write(3 * first, to, 3 * n);
  }
}

bool HoldsDataFrom(const THexList& file, std::uint32_t from) { return file.LastUsedByte() >= std::int64_t(from); }

}  // namespace velmar::image
