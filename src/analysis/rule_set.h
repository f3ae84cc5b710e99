// A set of recognition rules, as the engine sees it: what turns one file
// into its unit of entries and calls. The engine picks one per run; the
// rules keep whatever working files they need in the folder it gives them.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text/cstring.h"
#include "platform/text/text_encoding.h"

class CFileUnit;

/// Reads files under one set of rules, one file at a time, for one run.
class IFileAnalyzer {
 public:
  virtual ~IFileAnalyzer() = default;
  /// Reads the file at path into unit, which it begins once the file is
  /// open. Throws CFileException when the file or a working file cannot be
  /// opened, read or written; what was found stays in unit. Returns early,
  /// at the end of a piece of text, once unit.StopRequested().
  virtual void Analyze(const CString& path, CFileUnit& unit) = 0;
  /// Whether path is one of the analyser's own files (a working file)
  /// rather than a source.
  virtual bool IsOwnFile(const CString& path) const = 0;
  /// After a complete run: removes the working files.
  virtual void RemoveWorkFiles() = 0;
  /// Makes the working files now, before the thread that is to analyse
  /// starts: a fatal signal, which the thread that takes it removes them
  /// on, then never meets one being made by another thread. Throws
  /// CFileException.
  virtual void MakeWorkFiles() {}
};

class IRuleSet {
 public:
  virtual ~IRuleSet() = default;
  /// The names of the working files an analyser keeps in its folder; a
  /// fatal signal removes them.
  virtual std::vector<std::string> WorkFileNames() const = 0;
  /// An analyser for one run, with its working files in folder, reading
  /// every file in the encoding chosen.
  virtual std::unique_ptr<IFileAnalyzer> NewAnalyzer(const std::string& folder,
                                                     EncodingChoice encoding) const = 0;
  /// What a listing of an entry's file looks for: the part of the entry's
  /// name that its source lines show. The whole name unless the rules say
  /// otherwise.
  virtual std::string_view ListedName(std::string_view name) const { return name; }
};

/// The textual rules the program has always had.
const IRuleSet& ClassicRuleSet();
/// The rules that read C and C++ as the languages have it: comments,
/// literals, preprocessor lines and braces (syntax_reader.h).
const IRuleSet& SyntaxRuleSet();
