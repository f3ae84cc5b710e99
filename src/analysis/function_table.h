// The results of an analysis run: the functions found, in the order of
// their heads, each with the file and line it was found at and the distinct
// names it calls, each with where it is first called. This is all that the
// view, the listing window, the reports and tolvane-xref read; the run
// writes it through its Writer.
//
// A table holds millions of functions in little memory: names lie back to
// back in blocks, an entry and a call are a few 32-bit numbers, and nothing
// is copied as the table grows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <iterator>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/text/cstring.h"
#include "platform/text/text_encoding.h"

class CCallList;
struct CTableEntry;

/// An opaque place in a call list; 0 is "no place" (the end, or not found).
typedef std::size_t POSITION;

/// Short texts (at most 255 bytes each) kept back to back in blocks, each
/// known by a number. Adding one never moves the others.
class CNameArena {
 public:
  /// Throws std::length_error when the arena would pass 4 GiB.
  std::uint32_t Add(std::string_view name);
  std::string_view Get(std::uint32_t at) const {
    const unsigned char* p = m_blocks[at >> kBlockBits].get() + (at & (kBlockSize - 1));
    return std::string_view(reinterpret_cast<const char*>(p + 1), p[0]);
  }
  void Clear();

 private:
  static constexpr unsigned kBlockBits = 16;
  static constexpr std::uint32_t kBlockSize = 1u << kBlockBits;
  std::vector<std::unique_ptr<unsigned char[]>> m_blocks;
  std::uint32_t m_used = kBlockSize;  // in the last block
};

class CFunctionTable {
 public:
  int GetFunctionCount() const { return static_cast<int>(m_entries.size()); }
  /// "<", the output name of the entry's file, ">", the function name.
  CString GetEntryText(int i) const;
  /// Valid as long as the table, until the next run.
  std::string_view GetEntryName(int i) const { return m_names.Get(m_entries[i].name); }
  /// The output name of the file in which entry i was found.
  const CString& GetEntryOutName(int i) const { return m_files[m_entries[i].file].outName; }
  /// The chosen file in which entry i was found, as it was given.
  const CString& GetEntrySource(int i) const { return m_files[m_entries[i].file].source; }
  /// The file (an index for GetFileSource) in which entry i was found.
  int GetEntryFile(int i) const { return static_cast<int>(m_entries[i].file); }
  /// Whether the scope that qualifies entry i's name ("ns" of "ns::f") is a
  /// namespace rather than a class.
  bool IsEntryInNamespace(int i) const { return m_inNamespace[i]; }
  /// The 1-based line of GetEntrySource(i) on which entry i's name stands.
  int GetEntryLine(int i) const { return static_cast<int>(m_entries[i].line); }
  /// The distinct names that function i calls, in order of first appearance.
  inline CCallList GetCallList(int i) const;
  /// Where function i first calls the k-th name of GetCallList(i): the
  /// file (as GetEntryFile) and the 1-based line. Calls that stand before
  /// a file's first head belong to the previous file's last function, so
  /// the file may differ from the entry's.
  int GetCallFile(int i, int k) const { return CallFile(m_entries[i].firstCall + k); }
  int GetCallLine(int i, int k) const {
    return static_cast<int>(m_calls[m_entries[i].firstCall + k].line);
  }
  /// -1 before the first head of a run, else the index of the last one: the
  /// function to which calls are attributed. The entries before it are final.
  int GetCurrentFunction() const { return GetFunctionCount() - 1; }
  /// Entry i as one record.
  inline CTableEntry GetEntry(int i) const;
  /// The files of the run that were opened for analysis, in order, each as
  /// it was given.
  int GetFileCount() const { return static_cast<int>(m_files.size()); }
  const CString& GetFileSource(int i) const { return m_files[i].source; }
  /// The encoding file i was read in: when the run decided it from the
  /// file's bytes, kAscii for a file without a byte above 0x7F; otherwise
  /// the one chosen for the run.
  TextEncoding GetFileEncoding(int i) const { return m_files[i].encoding; }

  /// The one way to change a table: files, entries and calls appended in
  /// the order the run meets them. Throws std::length_error where the
  /// table would pass its capacity.
  class Writer {
   public:
    explicit Writer(CFunctionTable& table) : m_t(table) {}
    /// Empties the table, releasing its memory.
    void Clear();
    /// The entries and calls from now on are read in this file.
    void AddFile(const CString& source, const CString& outName, TextEncoding encoding);
    /// The encoding of the last file, once it is decided.
    void SetFileEncoding(TextEncoding encoding) { m_t.m_files.back().encoding = encoding; }
    /// Appends an entry found in the last file (a file without a path when
    /// none was added); it becomes the current function.
    /// inNamespace: the scope the name is qualified by is a namespace, not
    /// a class.
    void AddEntry(std::string_view name, int line, bool inNamespace = false);
    /// Appends a call to the current function's list, returning the name's
    /// place for NameAt. REQUIRES: an entry, and name not in its list yet.
    std::uint32_t AddCall(std::string_view name, int line);
    std::string_view NameAt(std::uint32_t at) const { return m_t.m_names.Get(at); }
    /// Calls f(place) for each call of the current function, in order.
    template <class F>
    void ForEachCurrentCall(const F& f) const {
      if (m_t.m_entries.empty()) return;
      for (std::size_t k = m_t.m_entries.back().firstCall; k < m_t.m_calls.size(); ++k)
        f(m_t.m_calls[k].name);
    }

   private:
    CFunctionTable& m_t;
  };

 private:
  friend class CCallList;

  struct FileInfo {
    CString source;
    CString outName;
    std::size_t firstCall;  // the first call made while the file was read
    TextEncoding encoding = TextEncoding::kAscii;
  };
  struct Entry {
    std::uint32_t name;       // in m_names
    std::uint32_t file;
    std::uint32_t line;
    std::uint32_t firstCall;  // in m_calls
  };
  // Calls are only ever added to the last entry, so each entry's calls lie
  // together, in the order of its call list.
  struct Call {
    std::uint32_t name;  // in m_names
    std::uint32_t line;
  };

  std::size_t CallEnd(int i) const {
    return i + 1 < GetFunctionCount() ? m_entries[i + 1].firstCall : m_calls.size();
  }
  int CallFile(std::size_t call) const;

  CNameArena m_names;
  std::vector<FileInfo> m_files;
  std::deque<Entry> m_entries;  // in blocks: growing never copies
  std::deque<Call> m_calls;
  std::vector<bool> m_inNamespace;  // by entry: IsEntryInNamespace
};

/// The call list of one function: its distinct callees in order, read from
/// the head by position or with a range for. Valid until the table changes.
class CCallList {
 public:
  int GetCount() const { return static_cast<int>(m_count); }
  POSITION GetHeadPosition() const { return m_count ? 1 : 0; }
  /// The name at pos, and pos moved to the next one (0 after the last).
  std::string_view GetNextView(POSITION& pos) const {
    std::string_view s = ViewAt(pos);
    pos = pos < m_count ? pos + 1 : 0;
    return s;
  }
  CString GetNext(POSITION& pos) const { return CString(GetNextView(pos)); }
  std::string_view ViewAt(POSITION pos) const {
    return m_table->m_names.Get(m_table->m_calls[m_first + pos - 1].name);
  }
  /// Where the name at pos is first called: the 1-based line, and the run's
  /// file with its path.
  int LineAt(POSITION pos) const { return static_cast<int>(m_table->m_calls[m_first + pos - 1].line); }
  int FileAt(POSITION pos) const { return m_table->CallFile(m_first + pos - 1); }
  std::string_view SourceAt(POSITION pos) const { return m_table->m_files[FileAt(pos)].source.view(); }
  /// The position of the name equal to s, or 0.
  POSITION Find(std::string_view s) const {
    for (POSITION pos = 1; pos <= m_count; ++pos)
      if (ViewAt(pos) == s) return pos;
    return 0;
  }

  class const_iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = CString;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = CString;
    const_iterator(const CCallList* list, POSITION pos) : m_list(list), m_pos(pos) {}
    CString operator*() const { return CString(m_list->ViewAt(m_pos)); }
    const_iterator& operator++() {
      m_pos = m_pos < m_list->m_count ? m_pos + 1 : 0;
      return *this;
    }
    bool operator==(const const_iterator& o) const { return m_pos == o.m_pos; }
    bool operator!=(const const_iterator& o) const { return m_pos != o.m_pos; }

   private:
    const CCallList* m_list;
    POSITION m_pos;
  };
  const_iterator begin() const { return const_iterator(this, GetHeadPosition()); }
  const_iterator end() const { return const_iterator(this, 0); }

 private:
  friend class CFunctionTable;
  CCallList(const CFunctionTable* table, std::size_t first, std::size_t count)
      : m_table(table), m_first(first), m_count(count) {}
  const CFunctionTable* m_table;
  std::size_t m_first;
  std::size_t m_count;
};

CCallList CFunctionTable::GetCallList(int i) const {
  return CCallList(this, m_entries[i].firstCall, CallEnd(i) - m_entries[i].firstCall);
}

/// One entry of a table as a record of views into it: valid until the
/// table changes.
struct CTableEntry {
  int index;
  std::string_view name;
  int file;  // the run's file it was found in
  int line;  // of the name
  std::string_view source, outName;
  TextEncoding encoding;  // of its file
  CCallList calls;
  bool inNamespace;  // its name's scope is a namespace, not a class
};

CTableEntry CFunctionTable::GetEntry(int i) const {
  const Entry& e = m_entries[i];
  const FileInfo& f = m_files[e.file];
  return CTableEntry{i, m_names.Get(e.name), static_cast<int>(e.file), static_cast<int>(e.line),
                     f.source.view(), f.outName.view(), f.encoding, GetCallList(i),
                     m_inNamespace[i]};
}
