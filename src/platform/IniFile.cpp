// Private-profile style INI reading and writing.
#include "platform/IniFile.h"

#include <climits>

#include "platform/AtomicFile.h"
#include "platform/Text.h"

namespace velmar::platform {

using text::EqualsNoCase;
using text::Trim;

namespace {

bool IsQuoted(const std::string& v) {
  return v.size() >= 2 && ((v.front() == '"' && v.back() == '"') || (v.front() == '\'' && v.back() == '\''));
}

}  // namespace

IniFile::IniFile(std::string path) : path_(std::move(path)) {
  std::string contents;
  if (ReadWholeFile(path_, contents)) {
    exists_ = true;
    Parse(contents);
  }
}

void IniFile::Parse(const std::string& contents) {
  lines_.clear();
  sections_.clear();
  // Editors often put a UTF-8 byte-order mark in front of the first section;
  // left in place it would hide that section.
  static const std::string kUtf8Mark = "\xEF\xBB\xBF";
  utf8Mark_ = contents.compare(0, kUtf8Mark.size(), kUtf8Mark) == 0;
  for (const std::string& raw : text::SplitLines(utf8Mark_ ? contents.substr(kUtf8Mark.size()) : contents)) {
    Line line;
    line.raw = raw;
    std::string t = Trim(raw);
    if (!t.empty() && t.front() == '[') {
      std::size_t close = t.find(']');
      if (close != std::string::npos) {
        line.kind = Line::Section;
        line.name = Trim(t.substr(1, close - 1));
        sections_.push_back(line.name);
      }
    } else if (!t.empty() && t.front() != ';') {
      std::size_t eq = t.find('=');
      if (eq != std::string::npos) {
        line.kind = Line::Entry;
        line.name = Trim(t.substr(0, eq));
        std::string v = Trim(t.substr(eq + 1));
        if (IsQuoted(v)) v = v.substr(1, v.size() - 2);
        line.value = v;
      }
    }
    lines_.push_back(std::move(line));
  }
  Reindex();
}

void IniFile::Reindex() {
  sectionIndex_.clear();
  for (std::size_t i = 0; i < lines_.size(); ++i)
    if (lines_[i].kind == Line::Section) sectionIndex_.emplace(text::LowerCase(lines_[i].name), int(i));
}

int IniFile::FindSection(const std::string& section) const {
  const auto found = sectionIndex_.find(text::LowerCase(Trim(section)));
  return found == sectionIndex_.end() ? -1 : found->second;
}

int IniFile::SectionEnd(int sec) const {
  std::size_t i = std::size_t(sec) + 1;
  while (i < lines_.size() && lines_[i].kind != Line::Section) ++i;
  return int(i);
}

int IniFile::FindEntry(int sec, const std::string& key) const {
  if (sec < 0) return -1;
  std::string want = Trim(key);
  int end = SectionEnd(sec);
  for (int i = sec + 1; i < end; ++i)
    if (lines_[std::size_t(i)].kind == Line::Entry && EqualsNoCase(lines_[std::size_t(i)].name, want)) return i;
  return -1;
}

bool IniFile::SectionExists(const std::string& section) const { return FindSection(section) >= 0; }

std::vector<std::string> IniFile::Keys(const std::string& section) const {
  std::vector<std::string> r;
  int sec = FindSection(section);
  if (sec < 0) return r;
  int end = SectionEnd(sec);
  for (int i = sec + 1; i < end; ++i)
    if (lines_[std::size_t(i)].kind == Line::Entry) r.push_back(lines_[std::size_t(i)].name);
  return r;
}

bool IniFile::ValueExists(const std::string& section, const std::string& key) const {
  return FindEntry(FindSection(section), key) >= 0;
}

std::string IniFile::ReadString(const std::string& section, const std::string& key, const std::string& def) const {
  int e = FindEntry(FindSection(section), key);
  return e < 0 ? def : lines_[std::size_t(e)].value;
}

long long IniFile::ReadInteger(const std::string& section, const std::string& key, long long def) const {
  int e = FindEntry(FindSection(section), key);
  if (e < 0) return def;
  long long v = 0;
  // Every value WriteInteger writes reads back; callers that keep a value
  // in an int check its range themselves.
  if (!text::ParseInt(lines_[std::size_t(e)].value, v)) return def;
  return v;
}

bool IniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void IniFile::WriteString(const std::string& section, const std::string& key, const std::string& text) {
  // A value is one line: a line break in it (a pasted description, a file
  // name) would end the entry and start keys or sections of its own.
  std::string value = text;
  for (char& c : value)
    if (c == '\r' || c == '\n') c = ' ';
  // Reading trims blanks around a value and takes off one pair of quotes
  // around it; a value that reading would change is written quoted.
  const std::string stored = Trim(value) != value || IsQuoted(value) ? "\"" + value + "\"" : value;
  Line entry;
  entry.kind = Line::Entry;
  entry.name = Trim(key);
  entry.value = value;
  entry.raw = entry.name + "=" + stored;

  int sec = FindSection(section);
  if (sec < 0) {
    if (!lines_.empty() && !Trim(lines_.back().raw).empty()) lines_.push_back(Line{});
    Line header;
    header.kind = Line::Section;
    header.name = Trim(section);
    header.raw = "[" + header.name + "]";
    lines_.push_back(header);
    lines_.push_back(entry);
    sections_.push_back(header.name);
    Reindex();
    return;
  }
  int e = FindEntry(sec, key);
  if (e >= 0) {
    entry.name = lines_[std::size_t(e)].name;  // keep the spelling the file has
    entry.raw = entry.name + "=" + stored;
    lines_[std::size_t(e)] = entry;
    return;
  }
  // Insert after the section's last non-blank line.
  int end = SectionEnd(sec);
  int at = end;
  while (at - 1 > sec && Trim(lines_[std::size_t(at - 1)].raw).empty()) --at;
  lines_.insert(lines_.begin() + at, entry);
  Reindex();
}

void IniFile::WriteInteger(const std::string& section, const std::string& key, long long value) {
  WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

std::string IniFile::Text() const {
  std::string out = utf8Mark_ ? "\xEF\xBB\xBF" : "";
  for (const Line& l : lines_) {
    out += l.raw;
    out += "\r\n";
  }
  return out;
}

bool IniFile::Save(std::string* error, FileOrigin origin) const {
  return WriteFileAtomically(path_, Text(), error, Durability::kept, origin);
}

}  // namespace velmar::platform
