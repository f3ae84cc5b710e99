// What the writers share: the selection and the choice of writer.
#include "cli/xref_formats.h"

bool XrefSelection::Selects(const CTableEntry& entry) const {
  switch (kind) {
    case kAll:
      return true;
    case kCallers:
      return entry.calls.Find(std::string_view(name)) != 0;
    case kCallees:
      return entry.name == name;
  }
  return false;
}

std::unique_ptr<XrefFormatter> MakeXrefFormatter(XrefOptions::Format format,
                                                 const XrefSelection& sel, XrefOutput& out,
                                                 const XrefLayout& layout) {
  switch (format) {
    case XrefOptions::kJson:
      return MakeJsonFormatter(out);
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
