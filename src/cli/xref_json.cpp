// The JSON output: one object per function, text as UTF-8.
#include <charconv>

#include <nlohmann/json.hpp>

#include "cli/xref_formats.h"
#include "platform/text/cp932.h"

namespace {

// Every string goes through the library, which escapes it and replaces
// what is not UTF-8; the object around the strings, always the same keys,
// is written here. A file's path and output name are escaped once for all
// its functions: three times per function was most of the cost of the
// format. The text is exactly what the library writes for the whole object.
class JsonFormatter : public XrefFormatter {
 public:
  using Json = nlohmann::ordered_json;

  JsonFormatter(XrefOutput& out, const std::string& rules)
      : m_out(out),
        m_string(std::string()),
        m_serializer(nlohmann::detail::output_adapter<char>(m_escaped), ' ',
                     Json::error_handler_t::replace) {
    // The rules come first, so that the functions can follow as they come.
    m_out.Put("{\"rules\": ");
    m_out.Put(Escape(rules));
    m_out.Put(", \"functions\": [");
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

}  // namespace

bool DecodedPath(std::string_view path, std::string* shown) {
  shown->clear();
  if (IsUtf8(path)) {
    shown->assign(path);
    return true;
  }
  return AppendCp932AsUtf8(*shown, path);
}

std::unique_ptr<XrefFormatter> MakeJsonFormatter(XrefOutput& out, const XrefLayout& layout) {
  return std::make_unique<JsonFormatter>(out, layout.rules);
}
