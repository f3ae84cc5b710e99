// A function table as text: each entry on a line, each of its calls on a
// line after a tab (what tolvane-xref prints).
#pragma once

#include <string>

#include "analysis/function_table.h"

std::string TableText(const CFunctionTable& table);
