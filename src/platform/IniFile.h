// INI files with the semantics of private-profile files: section and key names
// match regardless of letter case and surrounding blanks, integers are
// decimal, booleans are 1 and 0, and a missing key (or a value that is not a
// number where a number is asked for) gives the caller's default. Writing
// keeps every other section, key and comment of the file in place and
// replaces the file atomically.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "platform/AtomicFile.h"

namespace velmar::platform {

class IniFile {
 public:
  IniFile() = default;
  // Reads `path`. A file that is missing or cannot be read behaves as one
  // with no sections; Exists() tells which.
  explicit IniFile(std::string path);

  const std::string& Path() const { return path_; }
  bool Exists() const { return exists_; }

  // Section names in file order, as written (blanks trimmed). Valid until
  // the file is parsed again or a section is added.
  const std::vector<std::string>& Sections() const { return sections_; }
  bool SectionExists(const std::string& section) const;
  // Key names of a section in file order.
  std::vector<std::string> Keys(const std::string& section) const;
  bool ValueExists(const std::string& section, const std::string& key) const;

  std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
  long long ReadInteger(const std::string& section, const std::string& key, long long def) const;
  bool ReadBool(const std::string& section, const std::string& key, bool def) const;

  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, long long value);
  void WriteBool(const std::string& section, const std::string& key, bool value);

  // Writes the file back (temporary file and rename). False and `error` when
  // it cannot be written. The program's own files (setting.ini) replace a
  // link at their name rather than write through it.
  bool Save(std::string* error = nullptr, FileOrigin origin = FileOrigin::User) const;
  // The file's text as it would be saved.
  std::string Text() const;
  // Replaces the contents by parsing `text` (used by tests and Load).
  void Parse(const std::string& text);

 private:
  void Reindex();
  struct Line {
    enum Kind { Other, Section, Entry } kind = Other;
    std::string raw;    // the line as read (kept for Other and unchanged lines)
    std::string name;   // section or key name, trimmed
    std::string value;  // entry value, trimmed and unquoted
  };
  // Index of the section header line, or -1.
  int FindSection(const std::string& section) const;
  // Index of the entry line inside the section starting at `sec`, or -1.
  int FindEntry(int sec, const std::string& key) const;
  int SectionEnd(int sec) const;

  std::string path_;
  bool exists_ = false;
  bool utf8Mark_ = false;  // the file began with a UTF-8 byte-order mark; kept on save
  std::vector<Line> lines_;
  // The section names in file order, kept as the lines change: the device
  // look-ups walk them many times per device change.
  std::vector<std::string> sections_;
  // The first header line of each section by its lower-case name, built
  // whenever the lines change (a device database has hundreds of sections,
  // and finding a device by its identifier reads every one). Reads never
  // change it, so one file may be read from several threads at once (the
  // shared device database of runs side by side).
  std::unordered_map<std::string, int> sectionIndex_;
};

}  // namespace velmar::platform
