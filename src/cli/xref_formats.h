// The output formats of tolvane-xref: the function table (or the part of it
// a question selects) as text, JSON, a Graphviz graph, a tags file or grep
// lines, each written by a writer of its own behind one interface. A
// formatter is handed the entries one by one, in table order, each once it
// is final, so that it can write while the run goes on.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/function_table.h"
#include "cli/xref_options.h"
#include "cli/xref_output.h"
#include "platform/text/utf8.h"

/// Which entries of the table to print.
struct XrefSelection {
  enum Kind {
    kAll,      // every entry with its calls
    kCallers,  // the entries whose call list holds name: text shows the entries only
    kCallees,  // the entries of functions named name, with their calls
  };
  Kind kind = kAll;
  std::string name;
  /// How a name answers the question: false, only a name equal to name;
  /// true (the syntax rules), also one of qualified name's last "::" part,
  /// or a qualified one whose last part is name ("Add", "CComboData::Add").
  bool lastPart = false;

  /// Whether the entry is selected.
  bool Selects(const CTableEntry& entry) const;
  /// Whether other, a function's or a call's name, is the name asked
  /// about. Every writer matches names through this, as Selects does.
  bool Matches(std::string_view other) const;
};

/// Where a function's first call of a name stands.
struct XrefCallSite {
  int line = 0;
  int file = 0;                 // the run's file
  std::string_view source;      // that file's path when it is not the entry's
};

/// One entry of the table as the formatters see it; the views stay valid
/// during the call that hands it over.
struct XrefRecord {
  int index = 0;  // in the table
  int file = 0;   // the run's file it was found in (GetEntryFile)
  bool selected = false;
  bool inNamespace = false;  // the scope that qualifies name is a namespace, not a class
  std::string_view name, source, outName;
  std::vector<std::string_view> calls;
  // Only for a formatter that NeedsPlaces() or NeedsEntryLines():
  int line = 0;                       // of the name in the head
  // Only for a formatter that NeedsPlaces():
  std::string_view encoding;          // of the file ("cp932", ...)
  std::vector<XrefCallSite> sites;    // one per call, in the same order
};

class XrefFormatter {
 public:
  virtual ~XrefFormatter() = default;
  /// Whether Add wants the entries that are not selected too.
  virtual bool NeedsAll() const { return false; }
  /// Whether Add wants lines, call sites and encodings; reading them costs
  /// the plain text output time it need not spend.
  virtual bool NeedsPlaces() const { return false; }
  /// Whether Add wants the entries' own lines, without the rest of the
  /// places.
  virtual bool NeedsEntryLines() const { return false; }
  /// The next entry (every entry when NeedsAll(), else the selected ones).
  virtual void Add(const XrefRecord& r) = 0;
  /// After the last entry: writes what remains. Does not flush out.
  virtual void Finish() = 0;
  /// After Finish: what the output had to leave out, for the user ("" if
  /// nothing).
  virtual std::string LeftOut() const { return std::string(); }
};

/// How the formatters write lines and paths.
struct XrefLayout {
  bool lineNumbers = false;  // text: ":LINE" after each entry and call
  /// The current folder, a full path; "" when it cannot be told.
  std::string cwd;
  /// The -o file as a full path; "" for standard output.
  std::string output;
  /// The rule set the run reads the sources with, as JSON names it.
  std::string rules = "syntax";
};

/// The formatter of format for the selection, writing to out.
///  text: each entry as "<OUTPUT-NAME>NAME" on a line, each of its calls on
///    a line after a tab (none for --callers), bytes unchanged; with
///    lineNumbers, ":LINE" after each.
///  json: {"rules": RULES, "functions": [...]} with one object a line (entry, name, file,
///    line, output, encoding, calls, call_sites: {name, line, and file when
///    the call is not in the head's file}). A path that is not valid UTF-8
///    is decoded as code page 932 when it is valid CP932; other text that is
///    not valid UTF-8 is written with U+FFFD for the bad bytes. Either way
///    the object gets "lossy": true.
///  dot: a digraph ("box" nodes) with a node per selected entry (its
///    tooltip "FILE:LINE"), grouped in one cluster per source file, and an
///    edge to every entry defining a name it calls, or to one dashed node
///    for a name no entry defines; --callers keeps only the edges to its
///    name. Entries that an edge reaches are drawn too. Paths are decoded as
///    JSON decodes them, other text is UTF-8 with U+FFFD for the bad bytes;
///    control characters but the line feed show as their pictures (U+2400...).
///  ctags: a tags file sorted byte-wise, "NAME\tFILE\tLINE;\"\tkind:f", a
///    qualified name also under its bare name, both with "class:SCOPE", or
///    "namespace:SCOPE" when the scope is a namespace; paths
///    are bytes, relative to the tags file's folder when below it (on
///    standard output, to the current folder). Entries of a file whose path
///    as written holds a tab, a back-tick, '$' or '[', or starts with '~',
///    are left out (LeftOut says so): vim would run a command or open
///    another file.
///  grep: "FILE:LINE: NAME" per entry; for --callers one per caller at its
///    first call of the name, for --callees one per call at its first call;
///    paths are bytes, relative to the current folder when below it.
std::unique_ptr<XrefFormatter> MakeXrefFormatter(XrefOptions::Format format,
                                                 const XrefSelection& sel, XrefOutput& out,
                                                 const XrefLayout& layout);

/// path as ctags and grep write it: relative to folder (a full path without
/// a trailing "/", or "/") when it lies below it and holds no ".."
/// component after it, else as it is. "" folder: as it is.
std::string_view ShownPath(std::string_view path, std::string_view folder);

/// A path as JSON shows it (UTF-8): as it is when valid UTF-8, else decoded
/// as code page 932 when that is valid. Returns false when the path is not
/// valid UTF-8 and not valid CP932: *shown is then empty.
bool DecodedPath(std::string_view path, std::string* shown);

// The writers, one a file (xref_text.cpp, xref_json.cpp, xref_dot.cpp, and
// xref_tags.cpp for ctags and grep), as MakeXrefFormatter describes them.
std::unique_ptr<XrefFormatter> MakeTextFormatter(const XrefSelection& sel, XrefOutput& out,
                                                 const XrefLayout& layout);
std::unique_ptr<XrefFormatter> MakeJsonFormatter(XrefOutput& out, const XrefLayout& layout);
std::unique_ptr<XrefFormatter> MakeDotFormatter(const XrefSelection& sel, XrefOutput& out);
std::unique_ptr<XrefFormatter> MakeCtagsFormatter(const XrefSelection& sel, XrefOutput& out,
                                                  const XrefLayout& layout);
std::unique_ptr<XrefFormatter> MakeGrepFormatter(const XrefSelection& sel, XrefOutput& out,
                                                 const XrefLayout& layout);
