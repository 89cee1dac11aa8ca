#include "platform/rtl/IniFiles.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/StringList.h"

#include "RtlTempDir.h"

#include <gtest/gtest.h>

namespace {
const char* const kLayerIni = "; written by hand\r\n"
                              "orphan=before any section\r\n"
                              "[Vornakel Layer]\r\n"
                              "  Name =  Roads  \r\n"
                              "key=first\r\n"
                              "KEY=second\r\n"
                              "quoted=\"with quotes\"\r\n"
                              "empty=\r\n"
                              "  ; indented comment\r\n"
                              "no equals here\r\n"
                              "\r\n"
                              "[ vornakel layer 2 ]\n"
                              "a=1\n"
                              "[VORNAKEL LAYER]\r\n"
                              "key=third\r\n"
                              "late=merged";

std::string joined(const TStrings& list) {
  std::string out;
  for (int i = 0; i < list.Count(); ++i)
    out += (i ? "|" : "") + list.Get(i);
  return out;
}
} // namespace

TEST(TMemIniFileTest, ReadingRules) {
  RtlTempDir dir;
  TMemIniFile ini(dir.Write("roads.ini", kLayerIni));
  const struct {
    const char* section;
    const char* key;
    const char* expected;
  } rows[] = {
      {"Vornakel Layer", "Name", "Roads"},             // key and value trimmed
      {"vornakel layer", "NAME", "Roads"},             // sections and keys ignore case
      {"Vornakel Layer", "key", "first"},              // the first of equal keys wins
      {"Vornakel Layer", "quoted", "\"with quotes\""}, // no unquoting
      {"Vornakel Layer", "empty", ""},                 // present but empty: not the default
      {"Vornakel Layer", "late", "merged"},            // a section named twice is one
      {"Vornakel Layer 2", "a", "1"},                  // the header's name is trimmed
      {"Vornakel Layer", "no equals here", "<default>"},
      {"Vornakel Layer", "missing", "<default>"},
      {"", "orphan", "<default>"}, // lines before any section are skipped
      {"Missing Section", "a", "<default>"},
  };
  for (const auto& row : rows)
    EXPECT_EQ(ini.ReadString(row.section, row.key, "<default>"), row.expected)
        << row.section << "/" << row.key;

  TStringList list;
  ini.ReadSections(list);
  EXPECT_EQ(joined(list), "Vornakel Layer|vornakel layer 2");
  ini.ReadSection("VORNAKEL LAYER", list);
  EXPECT_EQ(joined(list), "Name|key|KEY|quoted|empty|key|late");
  TStringList sortedKeys; // a sorted target keeps its own rules
  sortedKeys.SetSorted(true);
  int changes = 0;
  sortedKeys.OnChange = [&](TStrings*) { ++changes; };
  ini.ReadSection("Vornakel Layer", sortedKeys);
  EXPECT_EQ(joined(sortedKeys), "empty|key|late|Name|quoted");
  EXPECT_EQ(changes, 1);
  sortedKeys.SetDuplicates(dupError);
  EXPECT_THROW(ini.ReadSection("Vornakel Layer", sortedKeys), EStringListError);
  EXPECT_EQ(sortedKeys.UpdateCount(), 0) << "left in update mode";
  ini.ReadSectionValues("vornakel layer 2", list);
  EXPECT_EQ(joined(list), "a=1");
  EXPECT_TRUE(ini.SectionExists("VORNAKEL LAYER 2"));
  EXPECT_FALSE(ini.SectionExists("nope"));
  EXPECT_TRUE(ini.ValueExists("Vornakel Layer", "EMPTY"));
  EXPECT_FALSE(ini.ValueExists("Vornakel Layer", "no equals here"));
}

TEST(TMemIniFileTest, RoundTripThroughUpdateFile) {
  RtlTempDir dir;
  const std::string path = dir.Write("roads.ini", kLayerIni);
  {
    TMemIniFile ini(path);
    ini.WriteString("vornakel layer", "NAME", "Streets"); // replaces the first Name
    ini.WriteString("Vornakel Layer", "Added", "x = y");
    ini.DeleteKey("Vornakel Layer", "key"); // the first of the two
    ini.EraseSection("VORNAKEL LAYER 2");
    ini.WriteString("New Section", "k", "v");
    ini.UpdateFile();
  }
  EXPECT_EQ(RtlTempDir::Read(path), "[Vornakel Layer]\r\n"
                                    "Name=Streets\r\n"
                                    "KEY=second\r\n"
                                    "quoted=\"with quotes\"\r\n"
                                    "empty=\r\n"
                                    "no equals here\r\n"
                                    "key=third\r\n"
                                    "late=merged\r\n"
                                    "Added=x = y\r\n"
                                    "\r\n"
                                    "[New Section]\r\n"
                                    "k=v\r\n");
  TMemIniFile again(path);
  EXPECT_EQ(again.ReadString("Vornakel Layer", "key", ""), "second");
  EXPECT_EQ(again.ReadString("Vornakel Layer", "added", ""), "x = y");
  EXPECT_EQ(again.ReadString("new section", "K", ""), "v");

  TStringList lines;
  again.GetStrings(lines);
  TMemIniFile memory("");
  memory.SetStrings(lines);
  EXPECT_EQ(memory.ReadString("Vornakel Layer", "late", ""), "merged");
  memory.UpdateFile(); // no name: nothing written
  memory.Clear();
  memory.GetStrings(lines);
  EXPECT_EQ(lines.Count(), 0);
}

TEST(TMemIniFileTest, ByteOrderMarkAndFoldedNames) {
  RtlTempDir dir;
  const std::string path = dir.Write("bom.ini", "\xEF\xBB\xBF[Łódź]\r\n"
                                                "Ulica=Piotrkowska\r\n"
                                                "ulica=second\r\n"
                                                "ULICA=third\r\n"
                                                "[Other]\r\n"
                                                "a=1\r\n");
  TMemIniFile ini(path);
  TStringList sections;
  ini.ReadSections(sections);
  EXPECT_EQ(joined(sections), "Łódź|Other") << "the mark must not hide the first section";
  EXPECT_EQ(ini.ReadString("łÓDŹ", "ULICA", ""), "Piotrkowska");
  // Deleting a repeated key uncovers the next of the same name, in order.
  ini.DeleteKey("ŁÓDŹ", "ulica");
  EXPECT_EQ(ini.ReadString("Łódź", "Ulica", ""), "second");
  ini.DeleteKey("Łódź", "Ulica");
  EXPECT_EQ(ini.ReadString("Łódź", "Ulica", ""), "third");
  ini.DeleteKey("Łódź", "Ulica");
  EXPECT_FALSE(ini.ValueExists("Łódź", "ulica"));
  EXPECT_FALSE(ini.SectionExists("Łódź")) << "no keys left";
  // An erased section written again comes last.
  ini.EraseSection("łódź");
  ini.WriteString("ŁÓDŹ", "k", "v");
  ini.ReadSections(sections);
  EXPECT_EQ(joined(sections), "Other|ŁÓDŹ");

  // TIniFile reads through the mark and keeps it when it rewrites the file.
  TIniFile direct(path);
  EXPECT_EQ(direct.ReadString("Łódź", "ulica", ""), "Piotrkowska");
  direct.WriteString("Other", "b", "2");
  const std::string head = "\xEF\xBB\xBF[Łódź]";
  EXPECT_EQ(RtlTempDir::Read(path).substr(0, head.size()), head);
  EXPECT_EQ(TMemIniFile(path).ReadString("other", "B", ""), "2");
}

TEST(TMemIniFileTest, ByteOrderMarkOnlyAtTheFileStart) {
  // U+FEFF inside the file belongs to the name it starts: a key beginning
  // with it keeps it through a save and a reload, in both ini classes.
  RtlTempDir dir;
  const std::string path = dir / "feff.ini";
  const std::string marked = "\xEF\xBB\xBFkey";
  {
    TMemIniFile ini(path);
    ini.WriteString("S", marked, "v");
    ini.WriteString("S", "key", "plain");
    ini.UpdateFile();
  }
  TMemIniFile again(path);
  EXPECT_EQ(again.ReadString("S", marked, ""), "v");
  EXPECT_EQ(again.ReadString("S", "key", ""), "plain");
  TStringList keys;
  again.ReadSection("S", keys);
  EXPECT_EQ(keys.Count(), 2);
  TIniFile direct(path);
  EXPECT_EQ(direct.ReadString("S", marked, ""), "v");
  direct.WriteString("S", marked, "w");
  EXPECT_EQ(TMemIniFile(path).ReadString("S", marked, ""), "w");
  EXPECT_EQ(TMemIniFile(path).ReadString("S", "key", ""), "plain");
}

TEST(TMemIniFileTest, MissingFileAndLogicalFolder) {
  RtlTempDir dir;
  TCurrentDirGuard keepFolder;
  ASSERT_TRUE(SetCurrentDir(dir.Path()));
  {
    TMemIniFile ini("layer.shp.ini"); // relative: the logical folder
    TStringList sections;
    ini.ReadSections(sections);
    EXPECT_EQ(sections.Count(), 0);
    ini.WriteInteger("S", "n", 5);
    ini.UpdateFile();
  }
  EXPECT_EQ(RtlTempDir::Read(dir / "layer.shp.ini"), "[S]\r\nn=5\r\n");
  TMemIniFile renamed(dir / "layer.shp.ini");
  renamed.Rename(dir / "other.ini", true); // reloads: nothing there
  EXPECT_EQ(renamed.ReadInteger("S", "n", -1), -1);
}

TEST(TMemIniFileTest, StringListKeysAreReplacedNotMerged) {
  // Writing a 2-line list over a section that held RedMapZone1..12: delete
  // every key named after the list, then write the new lines.
  TMemIniFile ini("");
  for (int i = 1; i <= 12; ++i)
    ini.WriteString(
        "Vornakel Layer",
        "Pixel.RedMapZone" + std::string(i < 10 ? "" : "1") + static_cast<char>('0' + i % 10), "z");
  TStringList keys;
  ini.ReadSection("Vornakel Layer", keys);
  for (int i = 0; i < keys.Count(); ++i)
    if (keys[i].rfind("pixel.redmapzone", 0) == 0 || keys[i].rfind("Pixel.RedMapZone", 0) == 0)
      ini.DeleteKey("Vornakel Layer", keys[i]);
  ini.WriteString("Vornakel Layer", "Pixel.RedMapZone1", "a");
  ini.WriteString("Vornakel Layer", "Pixel.RedMapZone2", "b");
  ini.ReadSection("Vornakel Layer", keys);
  EXPECT_EQ(joined(keys), "Pixel.RedMapZone1|Pixel.RedMapZone2");
}

TEST(IniFilesTest, TypedValues) {
  TMemIniFile ini("");
  const struct {
    const char* text;
    int integer;  // ReadInteger with default -7
    bool boolean; // ReadBool with default true
  } rows[] = {
      {"12", 12, true}, {"$FF", 255, true}, {"0x10", 16, true}, {"0", 0, false},
      {"-3", -3, true}, {"abc", -7, true},  {"", -7, true},     {"1 ", -7, true},
  };
  for (const auto& row : rows) {
    ini.WriteString("S", "v", row.text);
    EXPECT_EQ(ini.ReadInteger("S", "v", -7), row.integer) << row.text;
    EXPECT_EQ(ini.ReadBool("S", "v", true), row.boolean) << row.text;
  }
  ini.WriteBool("S", "b", true);
  EXPECT_EQ(ini.ReadString("S", "b", ""), "1");
  ini.WriteBool("S", "b", false);
  EXPECT_EQ(ini.ReadString("S", "b", ""), "0");
  ini.WriteFloat("S", "f", 0.1);
  EXPECT_EQ(ini.ReadString("S", "f", ""), "0.1");
  EXPECT_DOUBLE_EQ(ini.ReadFloat("S", "f", 9), 0.1);
  ini.WriteString("S", "f", "1,5"); // not a number under '.'
  EXPECT_DOUBLE_EQ(ini.ReadFloat("S", "f", 9), 9);
  EXPECT_DOUBLE_EQ(ini.ReadFloat("S", "none", 9), 9);
}

TEST(TIniFileTest, WritesGoStraightToDiskAndKeepOtherLines) {
  RtlTempDir dir;
  const std::string path = dir.Write("skorvaplinth.ini", "; user notes\r\n"
                                                         "[Form]\r\n"
                                                         "Left=10\r\n"
                                                         "\r\n"
                                                         "; about the edits\r\n"
                                                         "[Edits]\r\n"
                                                         "Folder=\"C:\\tiles\"\r\n"
                                                         "Prefix='x'\r\n"
                                                         "Odd=\"a'\r\n");
  TIniFile ini(path);
  ini.WriteInteger("form", "LEFT", 20); // replaced in place
  ini.WriteInteger("Form", "Top", 5);   // added after the section's last line
  ini.WriteBool("New", "Flag", true);   // a new section at the end
  // Another reader sees the changes at once, without UpdateFile.
  TMemIniFile reader(path);
  EXPECT_EQ(reader.ReadString("Form", "Top", ""), "5");
  EXPECT_EQ(RtlTempDir::Read(path), "; user notes\r\n"
                                    "[Form]\r\n"
                                    "LEFT=20\r\n"
                                    "Top=5\r\n"
                                    "\r\n"
                                    "; about the edits\r\n"
                                    "[Edits]\r\n"
                                    "Folder=\"C:\\tiles\"\r\n"
                                    "Prefix='x'\r\n"
                                    "Odd=\"a'\r\n"
                                    "\r\n"
                                    "[New]\r\n"
                                    "Flag=1\r\n");

  EXPECT_EQ(ini.ReadString("Edits", "Folder", ""), "C:\\tiles"); // one pair of quotes removed
  EXPECT_EQ(ini.ReadString("Edits", "Prefix", ""), "x");
  EXPECT_EQ(ini.ReadString("Edits", "Odd", ""), "\"a'"); // quotes that do not match stay
  EXPECT_EQ(ini.ReadString("Edits", "Missing", "d"), "d");
  TStringList values;
  ini.ReadSectionValues("Edits", values);
  EXPECT_EQ(values.Get(1), "Prefix=x");
  TStringList sorted;
  sorted.SetSorted(true);
  ini.ReadSectionValues("Edits", sorted);
  EXPECT_EQ(sorted.Text(), "Folder=C:\\tiles\r\nOdd=\"a'\r\nPrefix=x\r\n");

  ini.DeleteKey("Edits", "prefix");
  ini.EraseSection("FORM");
  EXPECT_EQ(RtlTempDir::Read(path), "; user notes\r\n"
                                    "\r\n"
                                    "; about the edits\r\n"
                                    "[Edits]\r\n"
                                    "Folder=\"C:\\tiles\"\r\n"
                                    "Odd=\"a'\r\n"
                                    "\r\n"
                                    "[New]\r\n"
                                    "Flag=1\r\n");
  EXPECT_TRUE(ini.ReadBool("New", "Flag", false));
  TIniFile missing(dir / "none.ini");
  EXPECT_EQ(missing.ReadString("a", "b", "def"), "def");
  EXPECT_FALSE(missing.SectionExists("a"));
  missing.DeleteKey("a", "b"); // nothing to do: the file is not created
  EXPECT_FALSE(FileExists(dir / "none.ini"));
}
