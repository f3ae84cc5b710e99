// The output formats of tolvane-xref: the function table (or the part of it
// a question selects) as text, JSON or a Graphviz graph. A formatter is
// handed the entries one by one, in table order, each once it is final, so
// that it can write while the run goes on.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/function_table.h"
#include "cli/xref_options.h"
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

  /// Whether entry i of the engine's table is selected.
  bool Selects(const CFunctionTable& engine, int i) const;
};

/// One entry of the table as the formatters see it; the views stay valid
/// during the call that hands it over.
struct XrefRecord {
  int index = 0;  // in the table
  int file = 0;   // the run's file it was found in (GetEntryFile)
  bool selected = false;
  std::string_view name, source, outName;
  std::vector<std::string_view> calls;
};

class XrefFormatter {
 public:
  virtual ~XrefFormatter() = default;
  /// Whether Add wants the entries that are not selected too.
  virtual bool NeedsAll() const { return false; }
  /// The next entry (every entry when NeedsAll(), else the selected ones).
  virtual void Add(const XrefRecord& r) = 0;
  /// After the last entry: writes what remains. Does not flush out.
  virtual void Finish() = 0;
};

/// The formatter of format for the selection, writing to out.
///  text: each entry as "<OUTPUT-NAME>NAME" on a line, each of its calls on
///    a line after a tab (none for --callers), bytes unchanged.
///  json: {"functions": [...]} with one object a line (entry, name, file,
///    output, calls); text that is not valid UTF-8 is written with U+FFFD
///    for the bad bytes, and its object gets "lossy": true.
///  dot: a digraph ("box" nodes) with a node per selected entry, grouped in one cluster
///    per source file, and an edge to every entry defining a name it calls,
///    or to one dashed node for a name no entry defines; --callers keeps only
///    the edges to its name. Entries that an edge reaches are drawn too.
std::unique_ptr<XrefFormatter> MakeXrefFormatter(XrefOptions::Format format,
                                                 const XrefSelection& sel, XrefOutput& out);

/// True when s is valid UTF-8.
bool IsUtf8(std::string_view s);
/// Appends s to out with every ill-formed sequence (each maximal part of
/// one) replaced by U+FFFD.
void AppendUtf8(std::string& out, std::string_view s);
