// A function table as text: each entry on a line, each of its calls on a
// line after a tab (what tolvane-xref prints).
#pragma once

#include <string>

#include "analysis/function_table.h"

std::string TableText(const CFunctionTable& table);

/// Where the table's names stand: each entry's "file:line" on a line, and
/// after it the "file:line" of each of its calls' first, after a tab.
std::string LinesText(const CFunctionTable& table);
