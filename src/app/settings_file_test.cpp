#include "app/settings_file.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "tests/temp_dir.h"

namespace {

TEST(CSettingsFile, ReadsAKeyOfItsSectionAsAWindowsProfileDoes) {
  TempDir dir;
  std::string path = dir.Write("tolvane.ini",
                               "Encoding=outside any section\n"
                               "[Recent File List]\r\n"
                               "File1=/src/a.c\r\n"
                               "[ Settings ]\n"
                               "; a comment\n"
                               "  encoding =  Shift_JIS  \n"
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

TEST(CSettingsFile, LivesInTheUsersConfigurationFolder) {
  setenv("HOME", "/home/u", 1);
  setenv("XDG_CONFIG_HOME", "/cfg", 1);
  EXPECT_EQ(CSettingsFile::DefaultPath(), "/cfg/tolvane/tolvane.ini");
  setenv("XDG_CONFIG_HOME", "", 1);
  EXPECT_EQ(CSettingsFile::DefaultPath(), "/home/u/.config/tolvane/tolvane.ini");
}

}  // namespace
