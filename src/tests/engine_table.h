// The function table of an engine as text: each entry on a line, each of
// its calls on a line after a tab (what tolvane-xref prints).
#pragma once

#include <string>

#include "analysis/analysis_engine.h"

std::string TableText(const CAnalysisEngine& engine);
