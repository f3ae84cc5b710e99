#include "tests/engine_table.h"

std::string TableText(const CFunctionTable& table) {
  std::string out;
  for (int i = 0; i < table.GetFunctionCount(); ++i) {
    out += table.GetEntryText(i).str() + "\n";
    for (const CString& name : table.GetCallList(i)) out += "\t" + name.str() + "\n";
  }
  return out;
}

std::string LinesText(const CFunctionTable& table) {
  std::string out;
  for (int i = 0; i < table.GetFunctionCount(); ++i) {
    out += std::to_string(table.GetEntryFile(i)) + ":" + std::to_string(table.GetEntryLine(i)) + "\n";
    for (int k = 0; k < table.GetCallList(i).GetCount(); ++k)
      out += "\t" + std::to_string(table.GetCallFile(i, k)) + ":" +
             std::to_string(table.GetCallLine(i, k)) + "\n";
  }
  return out;
}
