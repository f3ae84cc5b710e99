#include "cli/xref_formats.h"

#include <unordered_map>
#include <vector>

#include <nlohmann/json.hpp>

namespace {

bool IsSelected(const CAnalysisEngine& engine, const XrefSelection& sel, int i) {
  switch (sel.kind) {
    case XrefSelection::kAll:
      return true;
    case XrefSelection::kCallers:
      return engine.GetCallList(i).Find(std::string_view(sel.name)) != 0;
    case XrefSelection::kCallees:
      return engine.GetEntryName(i).view() == sel.name;
  }
  return false;
}

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

void AppendDotString(std::string& out, std::string_view s) {
  out += '"';
  std::string text;
  AppendUtf8(text, s);
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  out += '"';
}

}  // namespace

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

void WriteXrefText(const CAnalysisEngine& engine, const XrefSelection& sel, XrefOutput& out) {
  bool withCalls = sel.kind != XrefSelection::kCallers;
  for (int i = 0; i < engine.GetFunctionCount() && !out.ReaderGone() && !out.Error(); ++i) {
    if (!IsSelected(engine, sel, i)) continue;
    out.Put("<");
    out.Put(engine.GetEntryOutName(i).view());
    out.Put(">");
    out.Put(engine.GetEntryName(i).view());
    out.Put("\n");
    if (!withCalls) continue;
    const CStringList& calls = engine.GetCallList(i);
    for (POSITION pos = calls.GetHeadPosition(); pos;) {
      out.Put("\t");
      out.Put(calls.GetNextView(pos));
      out.Put("\n");
    }
  }
}

void WriteXrefJson(const CAnalysisEngine& engine, const XrefSelection& sel, XrefOutput& out) {
  using Json = nlohmann::ordered_json;
  out.Put("{\"functions\": [");
  const char* separator = "\n";
  for (int i = 0; i < engine.GetFunctionCount() && !out.ReaderGone() && !out.Error(); ++i) {
    if (!IsSelected(engine, sel, i)) continue;
    CString entry = engine.GetEntryText(i);
    const CString& source = engine.GetEntrySource(i);
    bool valid = IsUtf8(entry.view()) && IsUtf8(source.view());
    Json calls = Json::array();
    const CStringList& list = engine.GetCallList(i);
    for (POSITION pos = list.GetHeadPosition(); pos;) {
      std::string_view name = list.GetNextView(pos);
      valid = valid && IsUtf8(name);
      calls.push_back(name);
    }
    Json f;
    f["entry"] = entry.str();
    f["name"] = engine.GetEntryName(i).str();
    f["file"] = source.str();
    f["output"] = engine.GetEntryOutName(i).str();
    f["calls"] = std::move(calls);
    if (!valid) f["lossy"] = true;
    out.Put(separator);
    out.Put(f.dump(-1, ' ', false, Json::error_handler_t::replace));
    separator = ",\n";
  }
  out.Put(*separator == ',' ? "\n]}\n" : "]}\n");
}

void WriteXrefDot(const CAnalysisEngine& engine, const XrefSelection& sel, XrefOutput& out) {
  const int count = engine.GetFunctionCount();
  std::unordered_map<std::string_view, std::vector<int>> defined;
  for (int i = 0; i < count; ++i) defined[engine.GetEntryName(i).view()].push_back(i);
  const std::vector<int> none;
  auto definers = [&](std::string_view name) -> const std::vector<int>& {
    auto it = defined.find(name);
    return it == defined.end() ? none : it->second;
  };
  // Calls every edge of the selection: from entry i to the name called.
  auto forEachEdge = [&](auto f) {
    for (int i = 0; i < count; ++i) {
      if (!IsSelected(engine, sel, i)) continue;
      const CStringList& calls = engine.GetCallList(i);
      for (POSITION pos = calls.GetHeadPosition(); pos;) {
        std::string_view name = calls.GetNextView(pos);
        if (sel.kind == XrefSelection::kCallers && name != sel.name) continue;
        f(i, name);
      }
    }
  };

  // The nodes: the selected entries, the entries their edges reach, and
  // the names called that no entry defines, numbered as first met.
  std::vector<char> shown(static_cast<std::size_t>(count), 0);
  std::unordered_map<std::string_view, int> undefined;
  std::vector<std::string_view> undefinedNames;
  for (int i = 0; i < count; ++i) shown[i] = IsSelected(engine, sel, i);
  forEachEdge([&](int, std::string_view name) {
    const std::vector<int>& to = definers(name);
    for (int j : to) shown[j] = 1;
    if (to.empty() && undefined.emplace(name, static_cast<int>(undefinedNames.size())).second)
      undefinedNames.push_back(name);
  });

  out.Put("digraph \"tolvane\" {\n  node [shape=box];\n");
  std::string line;
  int cluster = -1;
  for (int i = 0; i < count; ++i) {
    if (!shown[i]) continue;
    int file = engine.GetEntryFile(i);
    if (file != cluster) {
      if (cluster >= 0) line += "  }\n";
      cluster = file;
      line += "  subgraph \"cluster_" + std::to_string(file) + "\" {\n    label=";
      AppendDotString(line, engine.GetEntrySource(i).view());
      line += ";\n";
    }
    line += "    \"f" + std::to_string(i) + "\" [label=";
    AppendDotString(line, engine.GetEntryName(i).view());
    line += "];\n";
    out.Put(line);
    line.clear();
  }
  if (cluster >= 0) out.Put("  }\n");
  for (std::size_t k = 0; k < undefinedNames.size(); ++k) {
    line += "  \"n" + std::to_string(k) + "\" [label=";
    AppendDotString(line, undefinedNames[k]);
    line += ", style=dashed];\n";
    out.Put(line);
    line.clear();
  }
  forEachEdge([&](int i, std::string_view name) {
    if (out.ReaderGone() || out.Error()) return;
    std::string from = "  \"f" + std::to_string(i) + "\" -> ";
    const std::vector<int>& to = definers(name);
    if (to.empty()) {
      line = from + "\"n" + std::to_string(undefined[name]) + "\" [style=dashed];\n";
      out.Put(line);
    }
    for (int j : to) {
      line = from + "\"f" + std::to_string(j) + "\";\n";
      out.Put(line);
    }
  });
  out.Put("}\n");
}
