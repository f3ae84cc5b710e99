#include "tests/generated_sources.h"

std::string SideBySideSource(int i) {
  const std::string n = std::to_string(i);
  std::string text = i % 7 == 0 ? "  carried_" + n + "(1);\n" : "";
  if (i % 11 == 0) text += "/* \x83\x81\x83\x43\x83\x93 */\n";
  if (i % 13 == 0) text += "// \xE3\x83\xA1\xE3\x82\xA4\xE3\x83\xB3\n";
  for (int k = 0; k < i % 4 + 1; ++k)
    text += "int f" + n + "_" + std::to_string(k) + "(int x)\n{\n  g" + std::to_string(i % 5) +
            "(x);\n  h(x);\n}\n";
  if (i % 17 == 0) text += "void open_" + n + "(void)\n{\n  y(1);\n";
  return text;
}
