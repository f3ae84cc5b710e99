// What the writers share: the selection and the choice of writer.
#include "cli/xref_formats.h"

namespace {

// Whether qualified ends in "::" and then part ("::close" does: the global
// scope is a scope too).
bool QualifiedEndsIn(std::string_view qualified, std::string_view part) {
  return !part.empty() && qualified.size() >= part.size() + 2 &&
         qualified.compare(qualified.size() - part.size(), part.size(), part) == 0 &&
         qualified.compare(qualified.size() - part.size() - 2, 2, "::") == 0;
}

// The last "::" part of name, the whole name when it holds none.
std::string_view LastPart(std::string_view name) {
  std::size_t colons = name.rfind("::");
  return colons == std::string_view::npos ? name : name.substr(colons + 2);
}

}  // namespace

bool XrefSelection::Matches(std::string_view other) const {
  std::string_view asked = name;
  if (other == asked) return true;
  if (!lastPart) return false;
  // One side qualified, its last part the other side whole: "Add" and
  // "CComboData::Add", but not "A::Add" and "B::Add".
  return (LastPart(other) == other && QualifiedEndsIn(asked, other)) ||
         (LastPart(asked) == asked && QualifiedEndsIn(other, asked));
}

bool XrefSelection::Selects(const CTableEntry& entry) const {
  switch (kind) {
    case kAll:
      return true;
    case kCallers:
      for (POSITION pos = entry.calls.GetHeadPosition(); pos;)
        if (Matches(entry.calls.GetNextView(pos))) return true;
      return false;
    case kCallees:
      return Matches(entry.name);
  }
  return false;
}

std::unique_ptr<XrefFormatter> MakeXrefFormatter(XrefOptions::Format format,
                                                 const XrefSelection& sel, XrefOutput& out,
                                                 const XrefLayout& layout) {
  switch (format) {
    case XrefOptions::kJson:
      return MakeJsonFormatter(out, layout);
    case XrefOptions::kDot:
      return MakeDotFormatter(sel, out);
    case XrefOptions::kCtags:
      return MakeCtagsFormatter(sel, out, layout);
    case XrefOptions::kGrep:
      return MakeGrepFormatter(sel, out, layout);
    case XrefOptions::kText:
      break;
  }
  return MakeTextFormatter(sel, out, layout);
}
