#include "results/name_lookup.h"

namespace {

// What follows the last "::", or the whole name.
std::string_view LastPart(std::string_view name) {
  std::size_t at = name.rfind("::");
  return at == std::string_view::npos ? name : name.substr(at + 2);
}

}  // namespace

bool NamesMatch(std::string_view a, std::string_view b) {
  return a == b || LastPart(a) == b || LastPart(b) == a;
}

std::vector<int> FindCallers(const CFunctionTable& table, std::string_view name) {
  std::vector<int> callers;
  const std::string_view last = LastPart(name);
  for (int i = 0; i < table.GetFunctionCount(); ++i) {
    const CCallList calls = table.GetCallList(i);
    for (POSITION pos = calls.GetHeadPosition(); pos;) {
      std::string_view call = calls.GetNextView(pos);
      // The cheap tests first: most calls differ from the name at once.
      if (call == name || call == last || (call.size() > name.size() && LastPart(call) == name)) {
        callers.push_back(i);
        break;
      }
    }
  }
  return callers;
}

std::vector<int> FindDefinitions(const CFunctionTable& table, std::string_view name) {
  std::vector<int> entries;
  for (int i = 0; i < table.GetFunctionCount(); ++i)
    if (NamesMatch(table.GetEntryName(i), name)) entries.push_back(i);
  return entries;
}
