// How tolvane-xref hands the run's encoding choice to the engine and reads
// back each file's encoding: the front end meets the engine's encodings
// only here.
#pragma once

#include "analysis/function_table.h"
#include "analysis/pipeline.h"
#include "platform/text/text_encoding.h"

/// The encoding file f of the run was read in: "ascii", "cp932", "utf-8"
/// or "euc-jp".
inline const char* XrefFileEncoding(const CFunctionTable& table, int f) {
  return EncodingName(table.GetFileEncoding(f));
}

/// Makes the engine read every file of the run in one encoding, or decide
/// per file (auto).
inline void XrefSetEncoding(CAnalysisEngine& engine, EncodingChoice choice) {
  engine.SetEncoding(choice);
}
