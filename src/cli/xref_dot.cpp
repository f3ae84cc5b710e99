// The Graphviz output: a node per function, grouped by file, and an edge
// per call.
#include <algorithm>
#include <charconv>
#include <cstring>
#include <functional>

#include "cli/xref_formats.h"
#include "platform/text/text_encoding.h"

namespace {

// An array that grows by blocks of its own: growing never copies what it
// holds, and fresh memory is touched once. The graph's tables reach tens of
// megabytes, where the copies and page faults of a doubling vector cost more
// than the rest of their upkeep.
template <class T>
class BlockArray {
 public:
  std::size_t Size() const { return m_nSize; }
  T& operator[](std::size_t i) { return m_blocks[i >> kBits][i & (kCount - 1)]; }
  const T& operator[](std::size_t i) const { return m_blocks[i >> kBits][i & (kCount - 1)]; }
  void PushBack(const T& value) {
    if ((m_nSize >> kBits) == m_blocks.size()) m_blocks.emplace_back(new T[kCount]);
    (*this)[m_nSize++] = value;
  }

 private:
  static constexpr unsigned kBits = 12;
  static constexpr std::size_t kCount = std::size_t(1) << kBits;
  std::vector<std::unique_ptr<T[]>> m_blocks;
  std::size_t m_nSize = 0;
};

// Lists of numbers, all in one pool of cells; each list known by the number
// of its newest cell (-1: empty). A new cell goes in front, so that adding
// touches no older cell.
class ListPool {
 public:
  /// Puts value on the list whose newest cell is head; head becomes the new cell.
  void Append(int& head, int value) {
    int cell = static_cast<int>(m_cells.Size());
    m_cells.PushBack({value, head});
    head = cell;
  }
  /// f(value) for each value of the list, oldest first.
  template <class F>
  void ForEach(int head, F f) {
    if (head < 0) return;
    if (m_cells[head].next < 0) {  // one value: the common case
      f(m_cells[head].value);
      return;
    }
    std::size_t from = m_scratch.size();
    for (int c = head; c >= 0; c = m_cells[c].next) m_scratch.push_back(m_cells[c].value);
    for (std::size_t k = m_scratch.size(); k-- > from;) f(m_scratch[k]);
    m_scratch.resize(from);
  }

 private:
  struct Cell {
    int value;
    int next;  // the older cell, or -1
  };
  BlockArray<Cell> m_cells;
  std::vector<int> m_scratch;
};

// The names met, numbered in order of first appearance, each with the heads
// of its two lists. Open addressing whose slots hold part of the hash, over
// text kept in large blocks: a lookup mostly costs the slot, the name's
// record and its text.
class NameTable {
 public:
  struct Name {
    const char* text;
    std::uint32_t size;
    std::uint32_t hash;
    int definers = -1;  // list heads, see DotFormatter
    int callers = -1;
  };

  int Intern(std::string_view name) {
    Reserve(1);
    return Find(name, Hash(name));
  }
  /// The ids of names, in ids. The slots of all of them are fetched from
  /// memory together: a lookup mostly waits for its slot.
  void InternAll(const std::vector<std::string_view>& names, std::vector<int>* ids) {
    Reserve(names.size());
    m_hashes.resize(names.size());
    std::size_t mask = m_slots.size() - 1;
    for (std::size_t k = 0; k < names.size(); ++k) {
      m_hashes[k] = Hash(names[k]);
      __builtin_prefetch(&m_slots[m_hashes[k] & mask]);
    }
    ids->resize(names.size());
    for (std::size_t k = 0; k < names.size(); ++k) (*ids)[k] = Find(names[k], m_hashes[k]);
  }
  Name& operator[](int id) { return m_names[id]; }
  std::string_view Text(int id) const { return {m_names[id].text, m_names[id].size}; }
  int Count() const { return static_cast<int>(m_names.Size()); }

 private:
  // Room for n more names at most half full.
  void Reserve(std::size_t n) {
    while ((m_names.Size() + n + 1) * 2 > m_slots.size()) Grow();
  }
  int Find(std::string_view name, std::uint32_t h) {
    std::size_t mask = m_slots.size() - 1;
    for (std::size_t i = h & mask;; i = (i + 1) & mask) {
      std::uint64_t slot = m_slots[i];
      if (slot == 0) {
        int id = static_cast<int>(m_names.Size());
        m_slots[i] = (std::uint64_t(h) << 32) | std::uint32_t(id + 1);
        m_names.PushBack({Store(name), static_cast<std::uint32_t>(name.size()), h});
        return id;
      }
      if (std::uint32_t(slot >> 32) != h) continue;
      int id = static_cast<int>(std::uint32_t(slot)) - 1;
      const Name& n = m_names[id];
      if (n.size == name.size() && std::memcmp(n.text, name.data(), name.size()) == 0) return id;
    }
  }
  static std::uint32_t Hash(std::string_view name) {
    std::size_t h = std::hash<std::string_view>()(name);
    return static_cast<std::uint32_t>(h ^ (std::uint64_t(h) >> 32));
  }
  static constexpr std::size_t kBlock = 64 * 1024;
  const char* Store(std::string_view name) {
    if (name.size() > kBlock - m_nUsed) {
      m_blocks.emplace_back(new char[std::max(kBlock, name.size())]);
      m_nUsed = 0;
    }
    char* p = m_blocks.back().get() + m_nUsed;
    std::memcpy(p, name.data(), name.size());
    m_nUsed += name.size();
    return p;
  }
  void Grow() {
    std::vector<std::uint64_t> slots(std::max<std::size_t>(1024, m_slots.size() * 2), 0);
    std::size_t mask = slots.size() - 1;
    for (std::size_t id = 0; id < m_names.Size(); ++id) {
      std::uint32_t h = m_names[id].hash;
      std::size_t i = h & mask;
      while (slots[i] != 0) i = (i + 1) & mask;
      slots[i] = (std::uint64_t(h) << 32) | std::uint32_t(id + 1);
    }
    m_slots.swap(slots);
  }

  std::vector<std::unique_ptr<char[]>> m_blocks;
  std::size_t m_nUsed = kBlock;  // in the last block
  BlockArray<Name> m_names;
  std::vector<std::uint64_t> m_slots;  // the name's hash and id + 1, or 0
  std::vector<std::uint32_t> m_hashes;  // scratch of InternAll
};

// Names are numbered as they come, so that edges are followed by number.
// The whole table is drawn as it comes: each node at once, in its file's
// cluster, and each edge as soon as both its ends are known, written after
// that cluster's block is closed (an edge inside the block would pull a node
// it names into the cluster). A name called but not yet defined gets its
// dashed edge tentatively; Finish keeps those whose name stayed undefined.
// A selection is drawn at Finish, from what was kept.
class DotFormatter : public XrefFormatter {
 public:
  DotFormatter(const XrefSelection& sel, XrefOutput& out)
      : m_sel(sel), m_bWhole(sel.kind == XrefSelection::kAll), m_out(out) {
    // newrank: ranks are given across clusters, where the older ranking
    // gives up on many clusters with edges between them (init_rank).
    m_out.Put("digraph \"tolvane\" {\n  newrank=true;\n  node [shape=\"box\"];\n");
  }
  bool NeedsAll() const override { return true; }
  bool NeedsEntryLines() const override { return true; }

  void Add(const XrefRecord& r) override {
    if (m_files.size() <= static_cast<std::size_t>(r.file)) {
      m_files.resize(r.file + 1);
      m_tooltips.resize(r.file + 1);
    }
    if (m_files[r.file].empty()) {
      m_files[r.file] = std::string(r.source);
      // The node's tooltip up to the line: a quoted string left open.
      AppendQuotedPath(m_tooltips[r.file], r.source);
      m_tooltips[r.file].back() = ':';
    }
    int id = m_names.Intern(r.name);
    while (m_nodes.Size() <= static_cast<std::size_t>(r.index)) m_nodes.PushBack(Node());
    m_nodes[r.index] = Node{r.file, id, r.selected, r.line};
    m_lists.Append(m_names[id].definers, r.index);
    if (m_bWhole) {
      AddWhole(r, id);
    } else if (r.selected) {
      for (std::string_view c : r.calls)
        if (m_sel.kind != XrefSelection::kCallers || m_sel.Matches(c))
          m_edges.push_back({r.index, m_names.Intern(c)});
    }
  }

  void Finish() override {
    if (m_bWhole) {
      FinishWhole();
    } else {
      FinishPart();
    }
    m_out.Put("}\n");
  }

 private:
  struct Node {
    int file = 0;
    int name = 0;
    bool selected = false;
    int line = 0;
  };
  struct Edge {
    int from;
    int name;
  };
  static constexpr std::size_t kChunk = 64 * 1024;  // of text handed to the output at once

  void AddWhole(const XrefRecord& r, int id) {
    std::string& s = m_line;
    s.clear();
    OpenCluster(s, r.file);
    NodeLine(s, r.index);
    m_out.Put(s);
    std::string& edges = m_pending;
    m_lists.ForEach(m_names[id].callers, [&](int k) { EdgeLine(edges, k, 'f', r.index); });
    m_names.InternAll(r.calls, &m_callIds);
    for (int callee : m_callIds) {
      NameTable::Name& name = m_names[callee];
      m_lists.ForEach(name.definers, [&](int j) { EdgeLine(edges, r.index, 'f', j); });
      if (name.definers < 0) m_tentative.PushBack({r.index, callee});
      m_lists.Append(name.callers, r.index);
    }
  }

  void FinishWhole() {
    std::string s;
    CloseCluster(s);
    std::vector<char> undefined = UndefinedNames();
    DashedNodes(s, m_tentative, undefined);
    for (std::size_t k = 0; k < m_tentative.Size(); ++k) {
      const Edge& e = m_tentative[k];
      if (!undefined[e.name]) continue;
      EdgeLine(s, e.from, 'n', e.name);
      Spill(s);
    }
    m_out.Put(s);
  }

  void FinishPart() {
    // The nodes drawn: the selected entries and every entry an edge reaches;
    // then a dashed node for each name called that no entry defines.
    for (const Edge& e : m_edges)
      m_lists.ForEach(m_names[e.name].definers, [&](int j) { m_nodes[j].selected = true; });
    std::string s;
    for (std::size_t i = 0; i < m_nodes.Size(); ++i) {
      if (!m_nodes[i].selected) continue;
      OpenCluster(s, m_nodes[i].file);
      NodeLine(s, static_cast<int>(i));
      Spill(s);
    }
    CloseCluster(s);
    std::vector<char> undefined = UndefinedNames();
    DashedNodes(s, m_edges, undefined);
    for (const Edge& e : m_edges) {
      m_lists.ForEach(m_names[e.name].definers, [&](int j) { EdgeLine(s, e.from, 'f', j); });
      if (undefined[e.name]) EdgeLine(s, e.from, 'n', e.name);
      Spill(s);
    }
    m_out.Put(s);
  }

  bool Defined(int name) { return m_names[name].definers >= 0; }

  // Closes the open cluster's block and writes the edges waiting for that.
  void CloseCluster(std::string& s) {
    if (m_nCluster >= 0) s += "  }\n";
    m_nCluster = -1;
    if (m_pending.empty()) return;
    m_out.Put(s);
    s.clear();
    m_out.Put(m_pending);
    m_pending.clear();
  }
  void OpenCluster(std::string& s, int file) {
    if (file == m_nCluster) return;
    CloseCluster(s);
    m_nCluster = file;
    s += "  subgraph \"cluster_";
    AppendNumber(s, file);
    s += "\" {\n    label=";
    AppendQuotedPath(s, m_files[file]);
    s += ";\n";
  }
  void NodeLine(std::string& s, int i) {
    s += "    \"f";
    AppendNumber(s, i);
    s += "\" [label=";
    AppendQuoted(s, m_names.Text(m_nodes[i].name));
    s += ", tooltip=";
    s += m_tooltips[m_nodes[i].file];
    AppendNumber(s, m_nodes[i].line);
    s += "\"];\n";
  }
  // By name id: 1 when no entry defines the name, else 0. One pass over the
  // names, so that the passes over the edges read a small table rather than
  // a name's record each.
  std::vector<char> UndefinedNames() {
    std::vector<char> undefined(m_names.Count());
    for (int id = 0; id < m_names.Count(); ++id) undefined[id] = !Defined(id);
    return undefined;
  }
  // A dashed node for each name of items (each with a .name) that no entry
  // defines, once: undefined marks the names drawn with 2.
  template <class Items>
  void DashedNodes(std::string& s, const Items& items, std::vector<char>& undefined) {
    for (std::size_t k = 0; k < Size(items); ++k) {
      int name = items[k].name;
      if (undefined[name] != 1) continue;
      undefined[name] = 2;
      DashedNodeLine(s, name);
      Spill(s);
    }
  }
  // Hands s to the output once it is long: a text of a whole graph's tail
  // would cost the copies and page faults of a string growing to megabytes.
  void Spill(std::string& s) {
    if (s.size() < kChunk) return;
    m_out.Put(s);
    s.clear();
  }
  static std::size_t Size(const std::vector<Edge>& v) { return v.size(); }
  static std::size_t Size(const BlockArray<Edge>& v) { return v.Size(); }
  void DashedNodeLine(std::string& s, int name) {
    s += "  \"n";
    AppendNumber(s, name);
    s += "\" [label=";
    AppendQuoted(s, m_names.Text(name));
    s += ", style=\"dashed\"];\n";
  }
  // An edge to entry `to` (kind 'f') or to the dashed node of name `to` ('n').
  // The line is put together on the stack and appended at once: there are
  // more edges than anything else in a graph.
  static void EdgeLine(std::string& s, int from, char kind, int to) {
    constexpr std::ptrdiff_t kIntDigits = 11;  // "-2147483648"
    char buf[64];
    char* p = buf;
    auto put = [&p](std::string_view text) {
      std::memcpy(p, text.data(), text.size());
      p += text.size();
    };
    put("  \"f");
    p = std::to_chars(p, p + kIntDigits, from).ptr;
    put("\" -> \"");
    *p++ = kind;
    p = std::to_chars(p, p + kIntDigits, to).ptr;
    put(kind == 'f' ? std::string_view("\";\n") : std::string_view("\" [style=\"dashed\"];\n"));
    s.append(buf, p);
  }
  static void AppendNumber(std::string& s, int n) {
    char buf[16];
    auto r = std::to_chars(buf, buf + sizeof buf, n);
    s.append(buf, r.ptr);
  }
  // A quoted DOT string: UTF-8 (U+FFFD for what is not), with '"' and '\'
  // escaped (a lone '\' would start an escape of the label language) and
  // control characters but the line feed shown as their pictures (U+2400...):
  // the SVG that Graphviz makes of them is refused by browsers.
  static void AppendQuoted(std::string& s, std::string_view text) {
    s += '"';
    for (std::size_t i = 0; i < text.size();) {
      char c = text[i];
      if (static_cast<unsigned char>(c) >= 0x80) {
        std::size_t next = i + 1;
        while (next < text.size() && static_cast<unsigned char>(text[next]) >= 0x80) ++next;
        AppendUtf8(s, text.substr(i, next - i));
        i = next;
        continue;
      }
      if (static_cast<unsigned char>(c) < 0x20 && c != '\n') {
        AppendCodePoint(s, 0x2400 + static_cast<unsigned char>(c));
        ++i;
        continue;
      }
      if (c == '"' || c == '\\') s += '\\';
      s += c;
      ++i;
    }
    s += '"';
  }
  // A path quoted as JSON shows it: decoded from Shift-JIS when that is what
  // its bytes are, so that a second byte 0x5C is no backslash; else U+FFFD
  // for what is not UTF-8.
  void AppendQuotedPath(std::string& s, std::string_view path) {
    if (!DecodedPath(path, &m_shown)) AppendUtf8(m_shown, path);
    AppendQuoted(s, m_shown);
  }

  const XrefSelection& m_sel;
  bool m_bWhole;
  XrefOutput& m_out;
  BlockArray<Node> m_nodes;          // by table index
  std::vector<std::string> m_files;  // the run's files, by index
  std::vector<std::string> m_tooltips;  // by file: "\"FILE:
  std::string m_shown;                  // a path decoded
  NameTable m_names;  // with the heads of two lists in m_lists: the entries
                      // of that name, and the entries calling it (whole table)
  ListPool m_lists;
  int m_nCluster = -1;                       // whose block is open
  // The whole table:
  std::string m_pending;  // edges to write once the open cluster is closed
  BlockArray<Edge> m_tentative;  // to names not defined when they were called
  std::string m_line;
  std::vector<int> m_callIds;  // of the entry being added
  // A selection:
  std::vector<Edge> m_edges;
};


}  // namespace

std::unique_ptr<XrefFormatter> MakeDotFormatter(const XrefSelection& sel, XrefOutput& out) {
  return std::make_unique<DotFormatter>(sel, out);
}
