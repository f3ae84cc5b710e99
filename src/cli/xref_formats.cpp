#include "cli/xref_formats.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <functional>

#include <nlohmann/json.hpp>

#include "platform/text/cp932.h"

namespace {

// The length of the well-formed UTF-8 sequence at s[i], or, when there is
// none, -(length of the maximal part of one that starts there, at least 1).
int Utf8SequenceAt(std::string_view s, std::size_t i) {
  unsigned char b = static_cast<unsigned char>(s[i]);
  if (b < 0x80) return 1;
  int n;
  unsigned char lo = 0x80, hi = 0xBF;
  if (b >= 0xC2 && b <= 0xDF) {
    n = 2;
  } else if (b >= 0xE0 && b <= 0xEF) {
    n = 3;
    if (b == 0xE0) lo = 0xA0;
    if (b == 0xED) hi = 0x9F;  // no surrogates
  } else if (b >= 0xF0 && b <= 0xF4) {
    n = 4;
    if (b == 0xF0) lo = 0x90;
    if (b == 0xF4) hi = 0x8F;  // nothing above U+10FFFF
  } else {
    return -1;
  }
  for (int k = 1; k < n; ++k) {
    if (i + k >= s.size()) return -k;
    unsigned char c = static_cast<unsigned char>(s[i + k]);
    if (c < lo || c > hi) return -k;
    lo = 0x80;
    hi = 0xBF;
  }
  return n;
}

class TextFormatter : public XrefFormatter {
 public:
  TextFormatter(const XrefSelection& sel, XrefOutput& out, bool lineNumbers)
      : m_bCalls(sel.kind != XrefSelection::kCallers), m_bLines(lineNumbers), m_out(out) {}
  bool NeedsPlaces() const override { return m_bLines; }
  void Add(const XrefRecord& r) override {
    m_out.Put("<");
    m_out.Put(r.outName);
    m_out.Put(">");
    m_out.Put(r.name);
    if (m_bLines) PutLine(r.line);
    m_out.Put("\n");
    if (!m_bCalls) return;
    for (std::size_t k = 0; k < r.calls.size(); ++k) {
      m_out.Put("\t");
      m_out.Put(r.calls[k]);
      if (m_bLines) PutLine(r.sites[k].line);
      m_out.Put("\n");
    }
  }
  void Finish() override {}

 private:
  void PutLine(int line) {
    char buf[16] = ":";
    auto end = std::to_chars(buf + 1, buf + sizeof buf, line).ptr;
    m_out.Put(std::string_view(buf, static_cast<std::size_t>(end - buf)));
  }

  bool m_bCalls, m_bLines;
  XrefOutput& m_out;
};

// Every string goes through the library, which escapes it and replaces
// what is not UTF-8; the object around the strings, always the same keys,
// is written here. A file's path and output name are escaped once for all
// its functions: three times per function was most of the cost of the
// format. The text is exactly what the library writes for the whole object.
class JsonFormatter : public XrefFormatter {
 public:
  using Json = nlohmann::ordered_json;

  explicit JsonFormatter(XrefOutput& out)
      : m_out(out),
        m_string(std::string()),
        m_serializer(nlohmann::detail::output_adapter<char>(m_escaped), ' ',
                     Json::error_handler_t::replace) {
    m_out.Put("{\"functions\": [");
  }

  bool NeedsPlaces() const override { return true; }

  void Add(const XrefRecord& r) override {
    if (m_out.ReaderGone() || m_out.Error()) return;
    if (r.file != m_nFile) {
      m_nFile = r.file;
      m_bFileValid = IsUtf8(r.source) && IsUtf8(r.outName);
      m_source = Escape(Shown(r.source));
      m_output = Escape(Shown(r.outName));
      // The entry's text up to its name: "<OUTPUT-NAME>, opening quote and
      // all. '>' ends any bad sequence before it, so the name can follow.
      m_entryHead = Escape("<" + std::string(Shown(r.outName)) + ">");
      m_entryHead.pop_back();
      m_encoding = Escape(r.encoding);
    }
    bool valid = m_bFileValid && IsUtf8(r.name);
    m_name = Escape(r.name);
    std::string& t = m_text;
    t.assign(m_bFirst ? "\n" : ",\n");
    t.append("{\"entry\":").append(m_entryHead).append(m_name, 1, std::string::npos);
    t.append(",\"name\":").append(m_name);
    t.append(",\"file\":").append(m_source);
    t.append(",\"line\":");
    AppendNumber(t, r.line);
    t.append(",\"output\":").append(m_output);
    t.append(",\"encoding\":").append(m_encoding);
    t.append(",\"calls\":[");
    // Each call's escaped name, kept for its call site.
    m_calls.clear();
    m_callEnds.clear();
    for (std::size_t k = 0; k < r.calls.size(); ++k) {
      valid = valid && IsUtf8(r.calls[k]);
      m_calls.append(Escape(r.calls[k]));
      m_callEnds.push_back(m_calls.size());
      if (k) t += ',';
      t.append(m_calls, k ? m_callEnds[k - 1] : 0, m_callEnds[k] - (k ? m_callEnds[k - 1] : 0));
    }
    t.append("],\"call_sites\":[");
    for (std::size_t k = 0; k < r.sites.size(); ++k) {
      const XrefCallSite& site = r.sites[k];
      if (k) t += ',';
      std::size_t from = k ? m_callEnds[k - 1] : 0;
      t.append("{\"name\":").append(m_calls, from, m_callEnds[k] - from);
      t.append(",\"line\":");
      AppendNumber(t, site.line);
      if (!site.source.empty()) {
        valid = valid && IsUtf8(site.source);
        t.append(",\"file\":").append(Escape(Shown(site.source)));
      }
      t += '}';
    }
    t.append(valid ? "]}" : "],\"lossy\":true}");
    m_out.Put(t);
    m_bFirst = false;
  }
  void Finish() override { m_out.Put(m_bFirst ? "]}\n" : "\n]}\n"); }

 private:
  // s as the library writes a JSON string: quoted and escaped.
  const std::string& Escape(std::string_view s) {
    m_string.get_ref<std::string&>().assign(s);
    m_escaped.clear();
    m_serializer.dump(m_string, false, false, 0);
    return m_escaped;
  }

  // A path as shown: decoded from CP932 when that is what its bytes are;
  // else as it is, the library then writing U+FFFD for what is not UTF-8.
  std::string_view Shown(std::string_view path) {
    if (IsUtf8(path) || !DecodedPath(path, &m_shown)) return path;
    return m_shown;
  }
  static void AppendNumber(std::string& s, int n) {
    char buf[16];
    auto r = std::to_chars(buf, buf + sizeof buf, n);
    s.append(buf, r.ptr);
  }

  XrefOutput& m_out;
  Json m_string;          // the value the library writes
  std::string m_escaped;  // what it wrote
  nlohmann::detail::serializer<Json> m_serializer;
  int m_nFile = -1;  // whose texts follow
  std::string m_source, m_output, m_entryHead, m_encoding;
  std::string m_shown;
  std::string m_calls;                 // the escaped call names, one after another
  std::vector<std::size_t> m_callEnds;  // where each ends
  bool m_bFileValid = true;
  std::string m_name, m_text;
  bool m_bFirst = true;
};

// The names met, numbered in order of first appearance. Open addressing
// over text kept in large blocks: a node-based map would cost an allocation
// and a cache miss or two for every name.
class NameTable {
 public:
  int Intern(std::string_view name) {
    if ((m_names.size() + 1) * 2 > m_slots.size()) Grow();
    std::size_t h = std::hash<std::string_view>()(name);
    std::size_t mask = m_slots.size() - 1;
    for (std::size_t i = h & mask;; i = (i + 1) & mask) {
      int id = m_slots[i];
      if (id < 0) {
        id = static_cast<int>(m_names.size());
        m_slots[i] = id;
        m_names.push_back(Store(name));
        m_hashes.push_back(h);
        return id;
      }
      if (m_hashes[id] == h && m_names[id] == name) return id;
    }
  }
  std::string_view operator[](int id) const { return m_names[id]; }
  int Count() const { return static_cast<int>(m_names.size()); }

 private:
  static constexpr std::size_t kBlock = 64 * 1024;
  std::string_view Store(std::string_view name) {
    if (name.size() > kBlock - m_nUsed) {
      m_blocks.emplace_back(new char[std::max(kBlock, name.size())]);
      m_nUsed = 0;
    }
    char* p = m_blocks.back().get() + m_nUsed;
    std::memcpy(p, name.data(), name.size());
    m_nUsed += name.size();
    return std::string_view(p, name.size());
  }
  void Grow() {
    std::vector<int> slots(std::max<std::size_t>(1024, m_slots.size() * 2), -1);
    std::size_t mask = slots.size() - 1;
    for (std::size_t id = 0; id < m_names.size(); ++id) {
      std::size_t i = m_hashes[id] & mask;
      while (slots[i] >= 0) i = (i + 1) & mask;
      slots[i] = static_cast<int>(id);
    }
    m_slots.swap(slots);
  }

  std::vector<std::unique_ptr<char[]>> m_blocks;
  std::size_t m_nUsed = kBlock;  // in the last block
  std::vector<std::string_view> m_names;
  std::vector<std::size_t> m_hashes;
  std::vector<int> m_slots;  // a name's id, or -1
};

// A list of numbers for each name, all in one pool: a vector per name
// would cost an allocation for nearly every name.
class ListPool {
 public:
  /// Makes room for lists up to `count`, each empty at first.
  void Resize(int count) { m_ends.resize(count, {-1, -1}); }
  void Append(int list, int value) {
    int cell = static_cast<int>(m_cells.size());
    m_cells.push_back({value, -1});
    auto& [head, tail] = m_ends[list];
    if (tail < 0) {
      head = cell;
    } else {
      m_cells[tail].next = cell;
    }
    tail = cell;
  }
  bool Empty(int list) const { return m_ends[list].first < 0; }
  template <class F>
  void ForEach(int list, F f) const {
    for (int c = m_ends[list].first; c >= 0; c = m_cells[c].next) f(m_cells[c].value);
  }

 private:
  struct Cell {
    int value;
    int next;
  };
  std::vector<std::pair<int, int>> m_ends;  // head and tail cell of each list
  std::vector<Cell> m_cells;
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
  bool NeedsPlaces() const override { return true; }

  void Add(const XrefRecord& r) override {
    if (m_files.size() <= static_cast<std::size_t>(r.file)) {
      m_files.resize(r.file + 1);
      m_tooltips.resize(r.file + 1);
    }
    if (m_files[r.file].empty()) {
      m_files[r.file] = std::string(r.source);
      // The node's tooltip up to the line: a quoted string left open.
      AppendQuoted(m_tooltips[r.file], r.source);
      m_tooltips[r.file].back() = ':';
    }
    int id = Intern(r.name);
    m_definers.Append(id, r.index);
    m_nodes.resize(r.index + 1);
    m_nodes[r.index] = Node{r.file, id, r.selected, r.line};
    if (m_bWhole) {
      AddWhole(r, id);
    } else if (r.selected) {
      for (std::string_view c : r.calls)
        if (m_sel.kind != XrefSelection::kCallers || c == m_sel.name)
          m_edges.push_back({r.index, Intern(c)});
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
  struct Tentative {
    int name;
    std::size_t end;  // of its line in m_tentative
  };

  void AddWhole(const XrefRecord& r, int id) {
    std::string& s = m_line;
    s.clear();
    OpenCluster(s, r.file);
    NodeLine(s, r.index);
    m_out.Put(s);
    std::string& edges = m_pending;
    m_callers.ForEach(id, [&](int k) { EdgeLine(edges, k, 'f', r.index); });
    for (std::string_view c : r.calls) {
      int callee = Intern(c);
      m_definers.ForEach(callee, [&](int j) { EdgeLine(edges, r.index, 'f', j); });
      if (m_definers.Empty(callee)) {
        EdgeLine(m_tentative, r.index, 'n', callee);
        m_tentativeEnds.push_back({callee, m_tentative.size()});
      }
      m_callers.Append(callee, r.index);
    }
  }

  void FinishWhole() {
    std::string s;
    CloseCluster(s);
    DashedNodes(s, m_tentativeEnds);
    m_out.Put(s);
    std::size_t from = 0;
    for (const Tentative& t : m_tentativeEnds) {
      if (m_definers.Empty(t.name))
        m_out.Put(std::string_view(m_tentative).substr(from, t.end - from));
      from = t.end;
    }
  }

  void FinishPart() {
    // The nodes drawn: the selected entries and every entry an edge reaches;
    // then a dashed node for each name called that no entry defines.
    for (const Edge& e : m_edges)
      m_definers.ForEach(e.name, [&](int j) { m_nodes[j].selected = true; });
    std::string s;
    for (std::size_t i = 0; i < m_nodes.size(); ++i) {
      if (!m_nodes[i].selected) continue;
      OpenCluster(s, m_nodes[i].file);
      NodeLine(s, static_cast<int>(i));
    }
    CloseCluster(s);
    DashedNodes(s, m_edges);
    for (const Edge& e : m_edges) {
      m_definers.ForEach(e.name, [&](int j) { EdgeLine(s, e.from, 'f', j); });
      if (m_definers.Empty(e.name)) EdgeLine(s, e.from, 'n', e.name);
    }
    m_out.Put(s);
  }

  int Intern(std::string_view name) {
    int id = m_names.Intern(name);
    if (id == m_names.Count() - 1) {
      m_definers.Resize(id + 1);
      m_callers.Resize(id + 1);
    }
    return id;
  }

  // Closes the open cluster's block and writes the edges waiting for that.
  void CloseCluster(std::string& s) {
    if (m_nCluster >= 0) s += "  }\n";
    m_nCluster = -1;
    s += m_pending;
    m_pending.clear();
  }
  void OpenCluster(std::string& s, int file) {
    if (file == m_nCluster) return;
    CloseCluster(s);
    m_nCluster = file;
    s += "  subgraph \"cluster_";
    AppendNumber(s, file);
    s += "\" {\n    label=";
    AppendQuoted(s, m_files[file]);
    s += ";\n";
  }
  void NodeLine(std::string& s, int i) {
    s += "    \"f";
    AppendNumber(s, i);
    s += "\" [label=";
    AppendQuoted(s, m_names[m_nodes[i].name]);
    s += ", tooltip=";
    s += m_tooltips[m_nodes[i].file];
    AppendNumber(s, m_nodes[i].line);
    s += "\"];\n";
  }
  // A dashed node for each name of items (each with a .name) that no entry
  // defines, once.
  template <class Items>
  void DashedNodes(std::string& s, const Items& items) {
    std::vector<char> dashed(m_names.Count(), 0);
    for (const auto& item : items) {
      if (!m_definers.Empty(item.name) || dashed[item.name]) continue;
      dashed[item.name] = 1;
      DashedNodeLine(s, item.name);
    }
  }
  void DashedNodeLine(std::string& s, int name) {
    s += "  \"n";
    AppendNumber(s, name);
    s += "\" [label=";
    AppendQuoted(s, m_names[name]);
    s += ", style=\"dashed\"];\n";
  }
  // An edge to entry `to` (kind 'f') or to the dashed node of name `to` ('n').
  static void EdgeLine(std::string& s, int from, char kind, int to) {
    s += "  \"f";
    AppendNumber(s, from);
    s += "\" -> \"";
    s += kind;
    AppendNumber(s, to);
    s += kind == 'f' ? "\";\n" : "\" [style=\"dashed\"];\n";
  }
  static void AppendNumber(std::string& s, int n) {
    char buf[16];
    auto r = std::to_chars(buf, buf + sizeof buf, n);
    s.append(buf, r.ptr);
  }
  // A quoted DOT string: UTF-8, with '"' and '\' escaped (a lone '\' would
  // start an escape of the label language).
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
      if (c == '"' || c == '\\') s += '\\';
      s += c;
      ++i;
    }
    s += '"';
  }

  const XrefSelection& m_sel;
  bool m_bWhole;
  XrefOutput& m_out;
  std::vector<Node> m_nodes;         // by table index
  std::vector<std::string> m_files;  // the run's files, by index
  std::vector<std::string> m_tooltips;  // by file: "\"FILE:
  NameTable m_names;
  ListPool m_definers;  // by name id: the entries of that name
  int m_nCluster = -1;                       // whose block is open
  // The whole table:
  ListPool m_callers;  // by name id: the entries calling it
  std::string m_pending;  // edges to write once the open cluster is closed
  std::string m_tentative;
  std::vector<Tentative> m_tentativeEnds;
  std::string m_line;
  // A selection:
  std::vector<Edge> m_edges;
};

}  // namespace

bool XrefSelection::Selects(const CFunctionTable& engine, int i) const {
  switch (kind) {
    case kAll:
      return true;
    case kCallers:
      return engine.GetCallList(i).Find(std::string_view(name)) != 0;
    case kCallees:
      return engine.GetEntryName(i) == name;
  }
  return false;
}

bool IsUtf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    if (static_cast<unsigned char>(s[i]) < 0x80) {
      ++i;
      continue;
    }
    int n = Utf8SequenceAt(s, i);
    if (n < 0) return false;
    i += static_cast<std::size_t>(n);
  }
  return true;
}

void AppendUtf8(std::string& out, std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    int n = Utf8SequenceAt(s, i);
    if (n > 0) {
      out.append(s.data() + i, static_cast<std::size_t>(n));
      i += static_cast<std::size_t>(n);
    } else {
      out += "\xEF\xBF\xBD";
      i += static_cast<std::size_t>(-n);
    }
  }
}

bool DecodedPath(std::string_view path, std::string* shown) {
  shown->clear();
  if (IsUtf8(path)) {
    shown->assign(path);
    return true;
  }
  return AppendCp932AsUtf8(*shown, path);
}

std::unique_ptr<XrefFormatter> MakeXrefFormatter(XrefOptions::Format format,
                                                 const XrefSelection& sel, XrefOutput& out,
                                                 const XrefLayout& layout) {
  switch (format) {
    case XrefOptions::kJson:
      return std::make_unique<JsonFormatter>(out);
    case XrefOptions::kDot:
      return std::make_unique<DotFormatter>(sel, out);
    case XrefOptions::kCtags:
      return MakeCtagsFormatter(sel, out, layout);
    case XrefOptions::kGrep:
      return MakeGrepFormatter(sel, out, layout);
    case XrefOptions::kText:
      break;
  }
  return std::make_unique<TextFormatter>(sel, out, layout.lineNumbers);
}
