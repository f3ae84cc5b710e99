// The text output: each entry on a line, its calls after a tab, bytes
// unchanged.
#include <charconv>

#include "cli/xref_formats.h"

namespace {

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

}  // namespace

std::unique_ptr<XrefFormatter> MakeTextFormatter(const XrefSelection& sel, XrefOutput& out,
                                                 const XrefLayout& layout) {
  return std::make_unique<TextFormatter>(sel, out, layout.lineNumbers);
}
