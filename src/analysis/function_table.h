// The results of an analysis run: the functions found, in the order of
// their heads, each with the file it was found in and the distinct names it
// calls. This is all that the view, the listing window, the reports and
// tolvane-xref read; only the run writes it.
#pragma once

#include <vector>

#include "platform/text/cstring.h"
#include "platform/text/string_list.h"

class CAnalysisRun;

class CFunctionTable {
 public:
  int GetFunctionCount() const { return static_cast<int>(m_entries.size()); }
  /// "<", the output name of the entry's file, ">", the function name.
  CString GetEntryText(int i) const;
  const CString& GetEntryName(int i) const { return m_entries[i].name; }
  /// The output name of the file in which entry i was found.
  const CString& GetEntryOutName(int i) const { return m_files[m_entries[i].file].outName; }
  /// The chosen file in which entry i was found, as it was given.
  const CString& GetEntrySource(int i) const { return m_files[m_entries[i].file].source; }
  /// The file (an index for GetFileSource) in which entry i was found.
  int GetEntryFile(int i) const { return m_entries[i].file; }
  /// The distinct names that function i calls, in order of first appearance.
  const CStringList& GetCallList(int i) const { return m_pCallList[i]; }
  /// -1 before the first head of a run, else the index of the last one: the
  /// function to which calls are attributed. The entries before it are final.
  int GetCurrentFunction() const { return m_nCurFunc; }
  /// The files of the run that were opened for analysis, in order, each as
  /// it was given.
  int GetFileCount() const { return static_cast<int>(m_files.size()); }
  const CString& GetFileSource(int i) const { return m_files[i].source; }

 private:
  friend class CAnalysisRun;  // the one writer

  struct FileInfo {
    CString source;
    CString outName;
  };
  struct Entry {
    CString name;
    int file;
  };

  std::vector<FileInfo> m_files;
  std::vector<Entry> m_entries;
  std::vector<CStringList> m_pCallList;  // entry i calls m_pCallList[i]
  int m_nCurFunc = -1;
};
