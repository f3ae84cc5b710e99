// Finding functions of the table by name: who calls a function, and which
// entries define a name that a function calls. A call is known only by the
// name written before its "(", so a name matches a function's when the two
// are equal, or when one is qualified and its last "::" part is the other
// ("Draw" and "CShape::Draw"; not "CLine::Draw" and "CShape::Draw").
#pragma once

#include <string_view>
#include <vector>

#include "analysis/function_table.h"

/// Whether a and b name the same function by the rule above.
bool NamesMatch(std::string_view a, std::string_view b);

/// The entries of table whose call lists hold a name matching name, in
/// table order.
std::vector<int> FindCallers(const CFunctionTable& table, std::string_view name);

/// The entries of table whose function name matches name, in table order.
std::vector<int> FindDefinitions(const CFunctionTable& table, std::string_view name);
