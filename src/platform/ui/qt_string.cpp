#include "platform/ui/qt_string.h"

QString ToQString(const CString& text) {
  return QString::fromUtf8(text.GetString(), text.GetLength());
}

CString FromQString(const QString& text) {
  QByteArray bytes = text.toUtf8();
  return CString(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString MnemonicToQt(const CString& text) {
  // "(", U+001E, the key letter, U+001F, one half-width katakana (three
  // bytes in UTF-8), ")": the letter becomes Qt's "&" mnemonic.
  std::string s = text.str();
  std::size_t open = s.find("(\x1E");
  if (open == std::string::npos || open + 3 >= s.size() || s[open + 3] != '\x1F')
    return ToQString(text);
  std::size_t close = s.find(')', open + 4);
  if (close == std::string::npos) return ToQString(text);
  std::string shown = s.substr(0, open) + "(&" + s[open + 2] + ")" + s.substr(close + 1);
  return QString::fromUtf8(shown.data(), static_cast<qsizetype>(shown.size()));
}
