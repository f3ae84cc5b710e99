// CSettingsFile: the program's settings, read from
// $XDG_CONFIG_HOME/tolvane/tolvane.ini (~/.config/tolvane/tolvane.ini when
// XDG_CONFIG_HOME is unset or empty). The file holds "[section]" lines and
// "key=value" lines under them, as a Windows profile does; a ";" starts a
// comment that runs to the end of its line. The program reads it once at
// start; a setting changed in the program rewrites that one line.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>

#include "platform/text/cstring.h"

class CSettingsFile {
 public:
  /// The file's path, from the environment.
  static std::string DefaultPath();

  /// Reads the file at path, replacing what was read before. A file that is
  /// missing or cannot be read holds no settings.
  void Load(const std::string& path);

  /// The value of key in [section], or def when the file has none. Section
  /// and key compare without regard to ASCII case; blanks around a key and
  /// around a value, and comments, do not count. The first of repeated keys
  /// wins.
  CString ReadSetting(const char* section, const char* key, const CString& def = CString()) const;

  /// Hands the value of key in [section] to take, which returns false for a
  /// value it cannot use; fallback is handed over instead of such a value,
  /// and when the file has none or an empty one. Returns the message that
  /// names the value not used, "tolvane.ini の Encoding=sjis は使えません。auto
  /// で読みます。", or "" when none was refused.
  CString ReadChoice(const char* section, const char* key, const char* fallback,
                     const std::function<bool(std::string_view)>& take) const;

  /// Sets key in [section] to value, here and in the file at path: the
  /// value of the key's line that ReadSetting reads is replaced, blanks and
  /// comment around it kept; without one, a "key=value" line follows the
  /// first [section] line, or the section is added at the end. New lines
  /// end as the file's first line does. Every other byte stays, and a file
  /// reached by a symbolic link is rewritten there. Missing folders are made;
  /// the new file takes the old one's place by a rename, with its mode.
  /// Throws CFileException naming the file; what is read here holds the
  /// new value even then.
  void WriteSetting(const std::string& path, const char* section, const char* key,
                    const CString& value);

 private:
  std::map<std::pair<std::string, std::string>, std::string> m_values;  // lower-cased names
};
