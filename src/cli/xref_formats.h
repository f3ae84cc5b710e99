// The output formats of tolvane-xref: the function table (or the part of it
// a question selects) as text, JSON or a Graphviz graph.
#pragma once

#include <string>
#include <string_view>

#include "analysis/analysis_engine.h"
#include "cli/xref_output.h"

/// Which entries of the table to print.
struct XrefSelection {
  enum Kind {
    kAll,      // every entry with its calls
    kCallers,  // the entries whose call list holds name: text shows the entries only
    kCallees,  // the entries of functions named name, with their calls
  };
  Kind kind = kAll;
  std::string name;
};

/// The table as tolvane-xref has always printed it: each entry on a line,
/// each of its calls on a line after a tab, bytes unchanged.
void WriteXrefText(const CAnalysisEngine& engine, const XrefSelection& sel, XrefOutput& out);

/// One JSON document: {"functions": [...]} with one object per entry
/// (entry, name, file, output, calls), one a line. Text that is not valid
/// UTF-8 is written with U+FFFD in place of the bad bytes, and its
/// object gets "lossy": true.
void WriteXrefJson(const CAnalysisEngine& engine, const XrefSelection& sel, XrefOutput& out);

/// A Graphviz digraph: a node per selected entry, grouped in one cluster per
/// source file, and an edge from it to every entry defining a name it calls,
/// or to one dashed node for a name no entry defines. --callers draws only
/// the edges to its name. Entries that such an edge reaches are drawn too.
void WriteXrefDot(const CAnalysisEngine& engine, const XrefSelection& sel, XrefOutput& out);

/// True when s is valid UTF-8.
bool IsUtf8(std::string_view s);
/// Appends s to out with every ill-formed sequence (each maximal part of
/// one) replaced by U+FFFD.
void AppendUtf8(std::string& out, std::string_view s);
