// The results of an analysis run: the functions found, in the order of
// their heads, each with the file it was found in and the distinct names it
// calls. This is all that the view, the listing window, the reports and
// tolvane-xref read; only the run writes it.
#pragma once

#include <deque>
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
  /// The 1-based line of GetEntrySource(i) on which entry i's name stands.
  int GetEntryLine(int i) const { return m_entries[i].line; }
  /// The distinct names that function i calls, in order of first appearance.
  const CStringList& GetCallList(int i) const { return m_pCallList[i]; }
  /// Where function i first calls the k-th name of GetCallList(i): the
  /// file (as GetEntryFile) and the 1-based line. Calls that stand before
  /// a file's first head belong to the previous file's last function, so
  /// the file may differ from the entry's.
  int GetCallFile(int i, int k) const { return m_calls[m_entries[i].firstCall + k].file; }
  int GetCallLine(int i, int k) const { return m_calls[m_entries[i].firstCall + k].line; }
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
    int line;
    std::size_t firstCall;  // in m_calls
  };
  // Calls are only ever added to the last entry, so each entry's first
  // calls lie together, in the order of its call list.
  struct CallSite {
    int file;
    int line;
  };

  std::vector<FileInfo> m_files;
  std::vector<Entry> m_entries;
  std::vector<CStringList> m_pCallList;  // entry i calls m_pCallList[i]
  std::deque<CallSite> m_calls;  // in blocks: growing it never copies nor touches pages twice
  int m_nCurFunc = -1;
};
