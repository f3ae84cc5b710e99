#include "tests/engine_table.h"

std::string TableText(const CAnalysisEngine& engine) {
  std::string out;
  for (int i = 0; i < engine.GetFunctionCount(); ++i) {
    out += engine.GetEntryText(i).str() + "\n";
    for (const CString& name : engine.GetCallList(i)) out += "\t" + name.str() + "\n";
  }
  return out;
}
