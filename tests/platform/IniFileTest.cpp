// The private-profile INI layer: name matching, value parsing, defaults,
// and writing that keeps the rest of the file.
#include <gtest/gtest.h>

#include "platform/IniFile.h"
#include "support/TestSupport.h"

using velmar::platform::IniFile;
using velmar::test::ReadFile;
using velmar::test::TempDir;
using velmar::test::WriteFile;

namespace {

IniFile FromText(const std::string& text) {
  IniFile ini;
  ini.Parse(text);
  return ini;
}

TEST(IniFile, SectionAndKeyNamesMatchRegardlessOfCaseAndBlanks) {
  IniFile ini = FromText("[ ProgSettings ]\r\n  PICFamily  =  3 \r\n DAset=1\n");
  EXPECT_EQ(ini.ReadInteger("progsettings", "picfamily", 0), 3);
  EXPECT_EQ(ini.ReadInteger("Progsettings", " PICFAMILY ", 0), 3);
  EXPECT_TRUE(ini.ReadBool("PROGSETTINGS", " DAset", false));
  EXPECT_EQ(ini.Sections(), std::vector<std::string>{"ProgSettings"});
}

// The section list is kept as the file changes rather than rebuilt per
// call: it must follow every change that adds or replaces sections, list a
// repeated section as often as the file has it, and always agree with the
// text the file would save.
TEST(IniFile, TheSectionListFollowsTheFile) {
  IniFile ini = FromText("[B]\nx=1\n[ a ]\n[B]\ny=2\n; [C]\nbad [D]\n");
  EXPECT_EQ(ini.Sections(), (std::vector<std::string>{"B", "a", "B"}));
  ini.WriteString("b", "z", "3");  // an existing section: none added
  ini.WriteString("A", "x", "4");
  EXPECT_EQ(ini.Sections(), (std::vector<std::string>{"B", "a", "B"}));
  ini.WriteString(" New ", "k", "v");
  EXPECT_EQ(ini.Sections(), (std::vector<std::string>{"B", "a", "B", "New"}));
  EXPECT_EQ(FromText(ini.Text()).Sections(), ini.Sections());
  ini.Parse("[Only]\n");
  EXPECT_EQ(ini.Sections(), std::vector<std::string>{"Only"});
  IniFile copy = ini;
  copy.WriteInteger("Second", "n", 1);
  EXPECT_EQ(ini.Sections(), std::vector<std::string>{"Only"});
  EXPECT_EQ(copy.Sections(), (std::vector<std::string>{"Only", "Second"}));
}

TEST(IniFile, MissingKeysAndNonNumbersGiveTheDefault) {
  IniFile ini = FromText("[A]\nnum=12abc\nneg=-4\nhuge=99999999999999999999\nempty=\nbool=7\nzero=0\n");
  EXPECT_EQ(ini.ReadInteger("A", "missing", 42), 42);
  EXPECT_EQ(ini.ReadInteger("A", "num", 5), 5);
  EXPECT_EQ(ini.ReadInteger("A", "neg", 5), -4);
  EXPECT_EQ(ini.ReadInteger("A", "huge", 5), 5);
  EXPECT_EQ(ini.ReadInteger("A", "empty", 5), 5);
  EXPECT_TRUE(ini.ReadBool("A", "bool", false));
  EXPECT_FALSE(ini.ReadBool("A", "zero", true));
  EXPECT_EQ(ini.ReadString("B", "x", "def"), "def");
  EXPECT_EQ(ini.ReadString("A", "empty", "def"), "");
}

TEST(IniFile, EveryWrittenIntegerReadsBack) {
  IniFile ini;
  const long long values[] = {0,
                              -1,
                              2147483647,
                              2147483648LL,
                              -2147483649LL,
                              99999999999999LL,
                              9223372036854775807LL,
                              -9223372036854775807LL - 1};
  for (long long v : values) {
    ini.WriteInteger("A", "n", v);
    EXPECT_EQ(ini.ReadInteger("A", "n", 5), v);
  }
}

TEST(IniFile, QuotedValuesAndCommentsAndGarbage) {
  IniFile ini = FromText(std::string("; comment\n[A]\npath=\"C:\\x y\"\n;k=1\n\x01\x02\xff garbage\n=novalue\n"));
  EXPECT_EQ(ini.ReadString("A", "path", ""), "C:\\x y");
  EXPECT_FALSE(ini.ValueExists("A", "k"));
  EXPECT_EQ(ini.Keys("A").size(), 2u);  // "path" and the nameless one
}

TEST(IniFile, TheFirstOfDuplicateSectionsOrKeysWins) {
  IniFile ini = FromText("[A]\nk=1\nk=2\n[a]\nk=3\nj=4\n");
  EXPECT_EQ(ini.ReadInteger("A", "k", 0), 1);
  EXPECT_EQ(ini.ReadInteger("A", "j", 0), 0);
}

TEST(IniFile, WritingKeepsOtherSectionsKeysAndComments) {
  IniFile ini = FromText("; keep me\n[A]\nx=1\n\n[B]\ny=2\n");
  ini.WriteInteger("a", "X", 5);     // existing key keeps its spelling
  ini.WriteString("A", "new", "v");  // appended to its section
  ini.WriteBool("C", "flag", true);  // new section at the end
  EXPECT_EQ(ini.Text(), "; keep me\r\n[A]\r\nx=5\r\nnew=v\r\n\r\n[B]\r\ny=2\r\n\r\n[C]\r\nflag=1\r\n");
}

TEST(IniFile, SectionsAreFoundWhereWritesMovedThem) {
  IniFile ini = FromText("[A]\nx=1\n[B]\ny=2\n[C]\nz=3\n");
  EXPECT_EQ(ini.ReadInteger("C", "z", 0), 3);  // looked up once before the lines move
  ini.WriteString("A", "new", "v");            // every later section moves down a line
  EXPECT_EQ(ini.ReadInteger("B", "y", 0), 2);
  ini.WriteString("b", "w", "4");
  EXPECT_EQ(ini.Keys("B"), (std::vector<std::string>{"y", "w"}));
  EXPECT_EQ(ini.Keys("A"), (std::vector<std::string>{"x", "new"}));
  ini.WriteString("D", "d", "5");
  EXPECT_EQ(ini.ReadString("d", "D", ""), "5");
  EXPECT_EQ(ini.ReadInteger("C", "z", 0), 3);
  ini.Parse("[E]\ne=6\n");
  EXPECT_FALSE(ini.SectionExists("A")) << "a parse replaces every section";
  EXPECT_EQ(ini.ReadInteger("E", "e", 0), 6);
}

TEST(IniFile, SaveAndReloadRoundTrip) {
  TempDir dir;
  IniFile ini(dir.File("setting.ini"));
  EXPECT_FALSE(ini.Exists());
  ini.WriteInteger("ProgSettings", "PICFamily", 4);
  ini.WriteString("ProgSettings", "FlashFile", "/home/u/a b.hex");
  ASSERT_TRUE(ini.Save());
  IniFile back(dir.File("setting.ini"));
  EXPECT_TRUE(back.Exists());
  EXPECT_EQ(back.ReadInteger("ProgSettings", "PICFamily", 0), 4);
  EXPECT_EQ(back.ReadString("ProgSettings", "FlashFile", ""), "/home/u/a b.hex");
}

TEST(IniFile, ALineBreakInAValueCannotAddKeysOrSections) {
  IniFile ini = FromText("[Progprofile]\r\nPICFamily=1\r\n");
  ini.WriteString("Progprofile", "Description", "first\r\nProgCount=0\n[Other]\rx=1");
  IniFile back = FromText(ini.Text());
  EXPECT_EQ(back.ReadInteger("Progprofile", "PICFamily", 0), 1);
  EXPECT_FALSE(back.ValueExists("Progprofile", "ProgCount"));
  EXPECT_EQ(back.ReadString("Progprofile", "Description", ""), "first  ProgCount=0 [Other] x=1");
  EXPECT_EQ(back.Sections(), std::vector<std::string>{"Progprofile"});
}

// Values that reading would trim or unquote are written so that they read
// back exactly (a description in quotes, a file name ending in a blank).
class IniValueRoundTrip : public ::testing::TestWithParam<std::string> {};

TEST_P(IniValueRoundTrip, AWrittenValueReadsBackFromTheSavedText) {
  IniFile ini = FromText("[Progprofile]\r\nDescription=old\r\n");
  ini.WriteString("Progprofile", "Description", GetParam());
  ini.WriteString("Progprofile", "FlashFile", GetParam());
  IniFile back = FromText(ini.Text());
  EXPECT_EQ(back.ReadString("Progprofile", "Description", "?"), GetParam());
  EXPECT_EQ(back.ReadString("Progprofile", "FlashFile", "?"), GetParam());
}

INSTANTIATE_TEST_SUITE_P(IniFile, IniValueRoundTrip,
                         ::testing::Values("\"Batch 7\"", "'x'", "\"\"", " lead", "trail\t", std::string("\0z", 2),
                                           "\"open", "plain text", "\"", "a \"quoted\" middle", ""));

// A file saved by an editor that marks UTF-8: its first section is read,
// and writing keeps the mark and adds no second copy of the section.
TEST(IniFile, AByteOrderMarkDoesNotHideTheFirstSection) {
  TempDir dir;
  WriteFile(dir.File("setting.ini"), "\xEF\xBB\xBF[ProgSettings]\r\nPICFamily=4\r\n");
  IniFile ini(dir.File("setting.ini"));
  EXPECT_EQ(ini.Sections(), std::vector<std::string>{"ProgSettings"});
  EXPECT_EQ(ini.ReadInteger("ProgSettings", "PICFamily", 0), 4);
  ini.WriteInteger("ProgSettings", "PICFamily", 2);
  ASSERT_TRUE(ini.Save());
  EXPECT_EQ(ReadFile(dir.File("setting.ini")), "\xEF\xBB\xBF[ProgSettings]\r\nPICFamily=2\r\n");
}

TEST(IniFile, AFileThatCannotBeReadHasNoKeys) {
  TempDir dir;
  IniFile folder(dir.Path());  // a folder, not a file
  EXPECT_FALSE(folder.Exists());
  EXPECT_TRUE(folder.Sections().empty());
  IniFile bad(dir.File("nope/setting.ini"));
  bad.WriteInteger("A", "x", 1);
  std::string error;
  EXPECT_FALSE(bad.Save(&error));
  EXPECT_NE(error.find("setting.ini"), std::string::npos);
}

}  // namespace
