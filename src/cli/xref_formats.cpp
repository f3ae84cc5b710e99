#include "cli/xref_formats.h"

#include <charconv>
#include <deque>
#include <unordered_map>

#include <nlohmann/json.hpp>

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
  TextFormatter(const XrefSelection& sel, XrefOutput& out)
      : m_bCalls(sel.kind != XrefSelection::kCallers), m_out(out) {}
  void Add(const XrefRecord& r) override {
    m_out.Put("<");
    m_out.Put(r.outName);
    m_out.Put(">");
    m_out.Put(r.name);
    m_out.Put("\n");
    if (!m_bCalls) return;
    for (std::string_view c : r.calls) {
      m_out.Put("\t");
      m_out.Put(c);
      m_out.Put("\n");
    }
  }
  void Finish() override {}

 private:
  bool m_bCalls;
  XrefOutput& m_out;
};

// One object serves every function: its strings and its call array keep
// their room from one function to the next, so that a function costs no
// allocation once the first few are written.
class JsonFormatter : public XrefFormatter {
 public:
  using Json = nlohmann::ordered_json;

  explicit JsonFormatter(XrefOutput& out)
      : m_out(out),
        // The library replaces what is not UTF-8; "lossy" says so.
        m_serializer(nlohmann::detail::output_adapter<char>(m_text), ' ',
                     Json::error_handler_t::replace) {
    // Room for every key at once: a key added later must not move the
    // others, whose strings are held by pointer below.
    m_object = Json::object();
    m_object.get_ref<Json::object_t&>().reserve(6);
    for (const char* key : {"entry", "name", "file", "output"})
      m_strings.push_back(&(m_object[key] = std::string()).get_ref<std::string&>());
    m_calls = &(m_object["calls"] = Json::array()).get_ref<Json::array_t&>();
    m_out.Put("{\"functions\": [");
  }

  void Add(const XrefRecord& r) override {
    if (m_out.ReaderGone() || m_out.Error()) return;
    std::string& entry = *m_strings[0];
    entry.assign("<").append(r.outName).append(">").append(r.name);
    m_strings[1]->assign(r.name);
    m_strings[2]->assign(r.source);
    m_strings[3]->assign(r.outName);
    bool valid = IsUtf8(entry) && IsUtf8(r.source);
    std::size_t n = r.calls.size();
    if (m_calls->size() > n) m_calls->resize(n);
    while (m_calls->size() < n) m_calls->emplace_back(std::string());
    for (std::size_t k = 0; k < n; ++k) {
      valid = valid && IsUtf8(r.calls[k]);
      (*m_calls)[k].get_ref<std::string&>().assign(r.calls[k]);
    }
    if (!valid) m_object["lossy"] = true;
    m_text = m_bFirst ? "\n" : ",\n";
    m_serializer.dump(m_object, false, false, 0);
    if (!valid) m_object.erase("lossy");
    m_out.Put(m_text);
    m_bFirst = false;
  }
  void Finish() override { m_out.Put(m_bFirst ? "]}\n" : "\n]}\n"); }

 private:
  XrefOutput& m_out;
  std::string m_text;  // one object, as serialised
  nlohmann::detail::serializer<Json> m_serializer;
  Json m_object;
  std::vector<std::string*> m_strings;  // entry, name, file, output: in m_object
  Json::array_t* m_calls;               // in m_object
  bool m_bFirst = true;
};

// Names are numbered as they come, so that edges are followed by number.
// The whole table is drawn as it comes: each node at once, in its file's
// cluster, and each edge as soon as both its ends are known, into a buffer
// written after the clusters (an edge inside a cluster's block would pull
// the nodes it names into that cluster). A name called but not yet defined
// gets its dashed edge tentatively; Finish keeps those whose name stayed
// undefined. A selection is drawn at Finish, from what was kept.
class DotFormatter : public XrefFormatter {
 public:
  DotFormatter(const XrefSelection& sel, XrefOutput& out)
      : m_sel(sel), m_bWhole(sel.kind == XrefSelection::kAll), m_out(out) {
    m_out.Put("digraph \"tolvane\" {\n  node [shape=box];\n");
  }
  bool NeedsAll() const override { return true; }

  void Add(const XrefRecord& r) override {
    if (m_files.size() <= static_cast<std::size_t>(r.file)) m_files.resize(r.file + 1);
    if (m_files[r.file].empty()) m_files[r.file] = std::string(r.source);
    int id = Intern(r.name);
    m_definers[id].push_back(r.index);
    m_nodes.resize(r.index + 1);
    m_nodes[r.index] = Node{r.file, id, r.selected};
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
    std::string& edges = EdgeChunk();
    for (int k : m_callers[id]) EdgeLine(edges, k, 'f', r.index);
    for (std::string_view c : r.calls) {
      int callee = Intern(c);
      for (int j : m_definers[callee]) EdgeLine(edges, r.index, 'f', j);
      if (m_definers[callee].empty()) {
        EdgeLine(m_tentative, r.index, 'n', callee);
        m_tentativeEnds.push_back({callee, m_tentative.size()});
      }
      m_callers[callee].push_back(r.index);
    }
  }

  void FinishWhole() {
    std::string s;
    if (m_nCluster >= 0) s += "  }\n";
    std::vector<char> dashed(m_names.size(), 0);
    for (const Tentative& t : m_tentativeEnds) {
      if (!m_definers[t.name].empty() || dashed[t.name]) continue;
      dashed[t.name] = 1;
      DashedNodeLine(s, t.name);
    }
    m_out.Put(s);
    for (const std::string& edges : m_edgeChunks) m_out.Put(edges);
    std::size_t from = 0;
    for (const Tentative& t : m_tentativeEnds) {
      if (m_definers[t.name].empty())
        m_out.Put(std::string_view(m_tentative).substr(from, t.end - from));
      from = t.end;
    }
  }

  void FinishPart() {
    // The nodes drawn: the selected entries and every entry an edge reaches;
    // then a dashed node for each name called that no entry defines.
    for (const Edge& e : m_edges)
      for (int j : m_definers[e.name]) m_nodes[j].selected = true;
    std::string s;
    for (std::size_t i = 0; i < m_nodes.size(); ++i) {
      if (!m_nodes[i].selected) continue;
      OpenCluster(s, m_nodes[i].file);
      NodeLine(s, static_cast<int>(i));
    }
    if (m_nCluster >= 0) s += "  }\n";
    std::vector<char> dashed(m_names.size(), 0);
    for (const Edge& e : m_edges) {
      if (!m_definers[e.name].empty() || dashed[e.name]) continue;
      dashed[e.name] = 1;
      DashedNodeLine(s, e.name);
    }
    for (const Edge& e : m_edges) {
      for (int j : m_definers[e.name]) EdgeLine(s, e.from, 'f', j);
      if (m_definers[e.name].empty()) EdgeLine(s, e.from, 'n', e.name);
    }
    m_out.Put(s);
  }

  // Where the next edges go: the text is kept in blocks of about a
  // megabyte rather than one string, which would be copied as it grows.
  std::string& EdgeChunk() {
    if (m_edgeChunks.empty() || m_edgeChunks.back().size() > kChunk) {
      m_edgeChunks.emplace_back();
      m_edgeChunks.back().reserve(kChunk + kChunk / 4);
    }
    return m_edgeChunks.back();
  }

  int Intern(std::string_view name) {
    auto it = m_ids.find(name);
    if (it != m_ids.end()) return it->second;
    int id = static_cast<int>(m_names.size());
    m_names.emplace_back(name);
    m_definers.emplace_back();
    m_callers.emplace_back();
    m_ids.emplace(m_names.back(), id);  // a view of the stored copy
    return id;
  }

  void OpenCluster(std::string& s, int file) {
    if (file == m_nCluster) return;
    if (m_nCluster >= 0) s += "  }\n";
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
    s += "];\n";
  }
  void DashedNodeLine(std::string& s, int name) {
    s += "  \"n";
    AppendNumber(s, name);
    s += "\" [label=";
    AppendQuoted(s, m_names[name]);
    s += ", style=dashed];\n";
  }
  // An edge to entry `to` (kind 'f') or to the dashed node of name `to` ('n').
  static void EdgeLine(std::string& s, int from, char kind, int to) {
    s += "  \"f";
    AppendNumber(s, from);
    s += "\" -> \"";
    s += kind;
    AppendNumber(s, to);
    s += kind == 'f' ? "\";\n" : "\" [style=dashed];\n";
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
  std::deque<std::string> m_names;   // by id; a deque keeps the views of m_ids valid
  std::unordered_map<std::string_view, int> m_ids;
  std::vector<std::vector<int>> m_definers;  // by name id: the entries of that name
  int m_nCluster = -1;                       // whose block is open
  // The whole table:
  std::vector<std::vector<int>> m_callers;  // by name id: the entries calling it
  static constexpr std::size_t kChunk = 1 << 20;
  std::vector<std::string> m_edgeChunks;
  std::string m_tentative;
  std::vector<Tentative> m_tentativeEnds;
  std::string m_line;
  // A selection:
  std::vector<Edge> m_edges;
};

}  // namespace

bool XrefSelection::Selects(const CAnalysisEngine& engine, int i) const {
  switch (kind) {
    case kAll:
      return true;
    case kCallers:
      return engine.GetCallList(i).Find(std::string_view(name)) != 0;
    case kCallees:
      return engine.GetEntryName(i).view() == name;
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

std::unique_ptr<XrefFormatter> MakeXrefFormatter(XrefOptions::Format format,
                                                 const XrefSelection& sel, XrefOutput& out) {
  switch (format) {
    case XrefOptions::kJson:
      return std::make_unique<JsonFormatter>(out);
    case XrefOptions::kDot:
      return std::make_unique<DotFormatter>(sel, out);
    case XrefOptions::kText:
      break;
  }
  return std::make_unique<TextFormatter>(sel, out);
}
