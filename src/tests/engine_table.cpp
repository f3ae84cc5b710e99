#include "tests/engine_table.h"

std::string TableText(const CFunctionTable& table) {
  std::string out;
  for (int i = 0; i < table.GetFunctionCount(); ++i) {
    out += table.GetEntryText(i).str() + "\n";
    for (const CString& name : table.GetCallList(i)) out += "\t" + name.str() + "\n";
  }
  return out;
}
