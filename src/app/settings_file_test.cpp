#include "app/settings_file.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "tests/temp_dir.h"

namespace {

TEST(CSettingsFile, ReadsAKeyOfItsSectionAsAWindowsProfileDoes) {
  TempDir dir;
  std::string path = dir.Write("tolvane.ini",
                               "Encoding=outside any section\n"
                               "[Recent File List]\r\n"
                               "File1=/src/a.c\r\n"
                               "[ Settings ] ; the program's own\n"
                               "; a comment=not a key\n"
                               "  encoding =  Shift_JIS \t ; or cp932  \n"
                               "Encoding=second\n"
                               "Empty=\n"
                               "=no key\n"
                               "[Other]\n"
                               "Width=3\n");
  CSettingsFile settings;
  settings.Load(path);
  struct {
    const char* section;
    const char* key;
    const char* value;
  } cases[] = {
      {"Settings", "Encoding", "Shift_JIS"},   // blanks and case do not count, the first wins
      {"SETTINGS", "encoding", "Shift_JIS"},
      {"Recent File List", "File1", "/src/a.c"},  // CR LF lines
      {"Settings", "Empty", ""},
      {"Settings", "; a comment", "default"},
      {"Settings", "Width", "default"},  // another section's key
      {"Other", "Width", "3"},
      {"Settings", "", "default"},
      {"Missing", "Encoding", "default"},
  };
  for (auto& c : cases)
    EXPECT_EQ(settings.ReadSetting(c.section, c.key, CString("default")).str(), c.value)
        << c.section << "/" << c.key;

  // Loading again forgets what was read; a missing file holds nothing.
  settings.Load(dir.Join("missing.ini"));
  EXPECT_EQ(settings.ReadSetting("Other", "Width", CString("none")).str(), "none");
}

// A value the program cannot use is named once, and the fallback taken
// instead, as when the key is missing or empty.
TEST(CSettingsFile, ReadsAChoiceOrNamesTheValueNotUsed) {
  TempDir dir;
  struct {
    const char* line;
    std::vector<std::string> taken;
    const char* message;
  } cases[] = {
      {"Encoding=utf-8    ; auto (the default), cp932, utf-8 or euc-jp", {"utf-8"}, ""},
      {"Encoding=sjis", {"sjis", "auto"}, "tolvane.ini の Encoding=sjis は使えません。auto で読みます。"},
      {"Encoding = UTF-8 ;", {"UTF-8", "auto"}, "tolvane.ini の Encoding=UTF-8 は使えません。auto で読みます。"},
      {"Encoding=   ; later", {"auto"}, ""},
      {"Other=1", {"auto"}, ""},
  };
  for (auto& c : cases) {
    CSettingsFile settings;
    settings.Load(dir.Write("tolvane.ini", std::string("[Settings]\n") + c.line + "\n"));
    std::vector<std::string> taken;
    CString message =
        settings.ReadChoice("Settings", "Encoding", "auto", [&taken](std::string_view v) {
          taken.emplace_back(v);
          return v == "utf-8" || v == "auto";
        });
    EXPECT_EQ(taken, c.taken) << c.line;
    EXPECT_EQ(message.str(), c.message) << c.line;
  }
}

TEST(CSettingsFile, LivesInTheUsersConfigurationFolder) {
  setenv("HOME", "/home/u", 1);
  setenv("XDG_CONFIG_HOME", "/cfg", 1);
  EXPECT_EQ(CSettingsFile::DefaultPath(), "/cfg/tolvane/tolvane.ini");
  setenv("XDG_CONFIG_HOME", "", 1);
  EXPECT_EQ(CSettingsFile::DefaultPath(), "/home/u/.config/tolvane/tolvane.ini");
}

}  // namespace
