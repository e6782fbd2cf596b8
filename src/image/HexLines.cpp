// Hex files as lists of lines.
#include "image/HexLines.h"

#include "image/TFileLoader.h"
#include "platform/AtomicFile.h"
#include "platform/Text.h"

namespace velmar::image {

HexText ReadHexText(const std::string& path) {
  HexText h;
  std::string error;
  if (!platform::ReadWholeFile(path, h.text, &error)) throw EFileOpenError(error);
  for (char& c : h.text)
    if (c >= 'a' && c <= 'z') c = char(c - 32);
  // Lines end at CR, LF or CR LF; blank ones are left out.
  const std::string_view all(h.text);
  std::size_t start = 0;
  for (std::size_t i = 0; i <= all.size(); ++i) {
    if (i < all.size() && all[i] != '\r' && all[i] != '\n') continue;
    if (i > start) h.lines.push_back(all.substr(start, i - start));
    start = i + 1;
  }
  return h;
}

std::vector<std::string> ReadHexLines(const std::string& path) {
  const HexText h = ReadHexText(path);
  return {h.lines.begin(), h.lines.end()};
}

namespace {

template <typename Line>
SaveResult SaveLines(const std::string& path, const std::vector<Line>& lines, platform::Durability durability) {
  std::size_t total = 0;
  for (const Line& l : lines) total += l.size() + 2;
  std::string out;
  out.reserve(total);
  for (const Line& l : lines) {
    out += l;
    out += "\r\n";
  }
  // Only the program's own pieces go through here: a link at their name is
  // replaced, not written through.
  SaveResult r;
  if (!platform::WriteFileAtomically(path, out, &r.message, durability, platform::FileOrigin::Own)) r.result = 1;
  return r;
}

}  // namespace

SaveResult SaveHexLines(const std::string& path, const std::vector<std::string>& lines,
                        platform::Durability durability) {
  return SaveLines(path, lines, durability);
}

SaveResult SaveHexLines(const std::string& path, const std::vector<std::string_view>& lines,
                        platform::Durability durability) {
  return SaveLines(path, lines, durability);
}

std::string_view RecordTypeOf(std::string_view line) {
  if (line.size() < 9 || line[0] != ':') return {};
  return line.substr(7, 2);
}

bool IsAddressRecord(std::string_view line) {
  std::string_view type = RecordTypeOf(line);
  return type == "02" || type == "04";
}

bool IsControlRecord(std::string_view line) {
  std::string_view type = RecordTypeOf(line);
  return !type.empty() && type != "00";
}

}  // namespace velmar::image
