// Hex files as lists of lines.
#include "image/HexLines.h"

#include "image/TFileLoader.h"
#include "platform/AtomicFile.h"
#include "platform/Text.h"

namespace velmar::image {

std::vector<std::string> ReadHexLines(const std::string& path) {
  std::string buffer, error;
  if (!platform::ReadWholeFile(path, buffer, &error)) throw EFileOpenError(error);
  for (char& c : buffer)
    if (c >= 'a' && c <= 'z') c = char(c - 32);
  std::vector<std::string> lines = text::SplitLines(buffer);
  std::erase_if(lines, [](const std::string& l) { return l.empty(); });
  return lines;
}

bool SaveHexLines(const std::string& path, const std::vector<std::string>& lines, std::string* error,
                  platform::Durability durability) {
  std::size_t total = 0;
  for (const std::string& l : lines) total += l.size() + 2;
  std::string out;
  out.reserve(total);
  for (const std::string& l : lines) {
    out += l;
    out += "\r\n";
  }
  // Only the program's own pieces go through here: a link at their name is
  // replaced, not written through.
  return platform::WriteFileAtomically(path, out, error, durability, platform::FileOrigin::Own);
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
