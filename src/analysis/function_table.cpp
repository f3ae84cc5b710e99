#include "analysis/function_table.h"

CString CFunctionTable::GetEntryText(int i) const {
  const Entry& e = m_entries[i];
  return "<" + m_files[e.file].outName + ">" + e.name;
}
