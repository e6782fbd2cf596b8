// Fuzz target: the INI reader and writer every settings file goes through
// (the device database, setting.ini, profiles, progsetting.ini). The input
// is split into the text of a file and a list of writes. The file is
// parsed and every key read as text, number and flag; its text must parse
// to the same values. Then each write (a value under a section and key of
// the file, or a new one) must read back as written, and still read back
// after the file's text is parsed again, as the next run reads it.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "FuzzSupport.h"
#include "platform/IniFile.h"
#include "platform/Text.h"

namespace fuzz = velmar::fuzz;
using velmar::platform::IniFile;

namespace {

using Values = std::map<std::pair<std::string, std::string>, std::string>;

// Every value the file shows, by section and key as the readers find them.
Values AllValues(const IniFile& ini) {
  Values v;
  for (const std::string& section : ini.Sections())
    for (const std::string& key : ini.Keys(section)) {
      v.emplace(std::make_pair(section, key), ini.ReadString(section, key, "\x01"));
      ini.ReadInteger(section, key, -7);
      ini.ReadBool(section, key, true);
    }
  return v;
}

// A section or key name as the program spells its own: letters, digits, '_'.
std::string Name(FuzzedDataProvider& in) {
  std::string name;
  for (char c : in.ConsumeRandomLengthString(12))
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_') name += c;
  return name.empty() ? "Key" : name;
}

struct Written {
  std::string section, key, value;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  IniFile ini;
  ini.Parse(in.ConsumeRandomLengthString(size));
  const Values before = AllValues(ini);
  IniFile again;
  again.Parse(ini.Text());
  if (AllValues(again) != before) fuzz::Fail("a file's text does not read back the same");

  const std::vector<std::string> sections = ini.Sections();
  std::vector<Written> writes;
  while (in.remaining_bytes() > 0 && writes.size() < 8) {
    Written w;
    const bool existing = !sections.empty() && in.ConsumeBool();
    w.section = existing ? sections[in.ConsumeIntegralInRange<std::size_t>(0, sections.size() - 1)] : Name(in);
    const std::vector<std::string> keys = ini.Keys(w.section);
    w.key =
        !keys.empty() && in.ConsumeBool() ? keys[in.ConsumeIntegralInRange<std::size_t>(0, keys.size() - 1)] : Name(in);
    if (in.ConsumeBool()) {
      const int number = in.ConsumeIntegral<int>();
      ini.WriteInteger(w.section, w.key, number);
      w.value = std::to_string(number);
      if (ini.ReadInteger(w.section, w.key, 0) != number) fuzz::Fail("a number does not read back as written");
    } else {
      w.value = in.ConsumeRandomLengthString(40);
      ini.WriteString(w.section, w.key, w.value);
      for (char& c : w.value)
        if (c == '\r' || c == '\n') c = ' ';
    }
    // A later write to the same key replaces this one.
    std::erase_if(writes, [&](const Written& o) {
      return velmar::text::EqualsNoCase(o.section, w.section) && velmar::text::EqualsNoCase(o.key, w.key);
    });
    writes.push_back(w);
  }
  IniFile reread;
  reread.Parse(ini.Text());
  for (const Written& w : writes) {
    if (ini.ReadString(w.section, w.key, "\x01") != w.value) fuzz::Fail("a value does not read back as written");
    if (reread.ReadString(w.section, w.key, "\x01") != w.value) {
      std::fprintf(stderr, "[%s] %s=<%s> reads back as <%s>\n", w.section.c_str(), w.key.c_str(), w.value.c_str(),
                   reread.ReadString(w.section, w.key, "\x01").c_str());
      fuzz::Fail("a written value reads back differently from the saved text");
    }
  }
  return 0;
}
