// The formats editors read: a tags file and grep-style "FILE:LINE: NAME"
// lines. Both write paths as their bytes, since an editor opens a file by
// its bytes whatever they encode.
#include "cli/xref_formats.h"

#include <algorithm>
#include <charconv>

namespace {

// Whether a tags file cannot hold path safely. A tab ends the file field.
// Vim expands a tag's file name before opening it: a back-tick pair runs a
// shell command, `$NAME` is replaced by a variable's value, a leading `~`
// names a home folder, and `[...]` matches other files; each byte counts,
// even as the second byte of a Shift-JIS character. Escaping is no way out:
// readtags and other readers take a backslash literally. Other bytes tried
// with vim (| % # ; < > ' " * ? { } spaces, backslash, controls) open the
// file itself.
bool UnsafeInTags(std::string_view path) {
  return path.find_first_of("\t`$[") != std::string_view::npos ||
         (!path.empty() && path[0] == '~');
}

// A folder as ShownPath takes it: without a trailing "/", except the root.
std::string AsFolder(std::string folder) {
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

// A tags file's paths are taken from its folder, where an editor looks
// them up; on standard output, from the current folder.
std::string TagsFolder(const XrefLayout& layout) {
  if (layout.output.empty()) return AsFolder(layout.cwd);
  std::size_t slash = layout.output.rfind('/');
  return AsFolder(slash == 0 ? "/" : layout.output.substr(0, slash));
}

// Grep lines are read from where the command ran.
std::string GrepFolder(const XrefLayout& layout) { return AsFolder(layout.cwd); }

void AppendNumber(std::string& s, int n) {
  char buf[16];
  auto r = std::to_chars(buf, buf + sizeof buf, n);
  s.append(buf, r.ptr);
}

// The tags of the selected entries, kept until the end: a tags file is
// sorted by name, so that an editor can search it by halves.
class CtagsFormatter : public XrefFormatter {
 public:
  CtagsFormatter(XrefOutput& out, const XrefLayout& layout)
      : m_out(out), m_folder(TagsFolder(layout)) {}
  bool NeedsPlaces() const override { return true; }

  void Add(const XrefRecord& r) override {
    if (r.file != m_nFile) {
      m_nFile = r.file;
      m_path.assign(ShownPath(r.source, m_folder));
      m_bUnsafe = UnsafeInTags(m_path);
    }
    if (m_bUnsafe) {
      ++m_nLeftOut;
      return;
    }
    std::string_view name = r.name;
    std::size_t colons = name.rfind("::");
    if (colons != std::string_view::npos && colons > 0 && colons + 2 < name.size()) {
      // A member function, or one of a namespace: under its bare name too,
      // so that the name at the cursor finds it; the scope tells the
      // definitions apart.
      std::string_view scope = name.substr(0, colons);
      AddTag(name.substr(colons + 2), r.line, scope, r.inNamespace);
      AddTag(name, r.line, scope, r.inNamespace);
    } else {
      AddTag(name, r.line, std::string_view(), false);
    }
  }

  void Finish() override {
    std::vector<std::string_view> tags;
    tags.reserve(m_ends.size());
    for (std::size_t k = 0, from = 0; k < m_ends.size(); from = m_ends[k++])
      tags.push_back(std::string_view(m_text).substr(from, m_ends[k] - from));
    // Whole lines in byte order: a tab is below every byte of a name, so
    // this is the order of the names, ties kept in a fixed order.
    std::sort(tags.begin(), tags.end());
    m_out.Put("!_TAG_FILE_FORMAT\t2\t/extended format/\n"
              "!_TAG_FILE_SORTED\t1\t/0=unsorted, 1=sorted, 2=foldcase/\n");
    for (std::string_view t : tags) m_out.Put(t);
  }

  std::string LeftOut() const override {
    if (m_nLeftOut == 0) return std::string();
    return std::to_string(m_nLeftOut) +
           " functions are not in the tags: their files' paths hold a tab, a back-tick, "
           "$ or [, or start with ~, which editors would take for other files or commands.";
  }

 private:
  void AddTag(std::string_view name, int line, std::string_view scope, bool inNamespace) {
    m_text.append(name).append(1, '\t').append(m_path).append(1, '\t');
    AppendNumber(m_text, line);
    m_text.append(";\"\tkind:f");
    if (!scope.empty()) m_text.append(inNamespace ? "\tnamespace:" : "\tclass:").append(scope);
    m_text += '\n';
    m_ends.push_back(m_text.size());
  }

  XrefOutput& m_out;
  std::string m_folder;
  int m_nFile = -1;    // whose path m_path is
  std::string m_path;  // as written
  bool m_bUnsafe = false;  // m_path cannot be written
  std::string m_text;               // the tag lines, one after another
  std::vector<std::size_t> m_ends;  // where each ends
  int m_nLeftOut = 0;
};

// One line per place, written as it comes.
class GrepFormatter : public XrefFormatter {
 public:
  GrepFormatter(const XrefSelection& sel, XrefOutput& out, const XrefLayout& layout)
      : m_sel(sel), m_out(out), m_folder(GrepFolder(layout)) {}
  bool NeedsPlaces() const override { return true; }

  void Add(const XrefRecord& r) override {
    m_line.clear();
    switch (m_sel.kind) {
      case XrefSelection::kAll:
        Place(r.source, r.line, r.name);
        break;
      case XrefSelection::kCallers:
        // The caller, at its first call of the name.
        for (std::size_t k = 0; k < r.calls.size(); ++k) {
          if (!m_sel.Matches(r.calls[k])) continue;
          Place(r.sites[k].source.empty() ? r.source : r.sites[k].source, r.sites[k].line, r.name);
          break;
        }
        break;
      case XrefSelection::kCallees:
        for (std::size_t k = 0; k < r.calls.size(); ++k)
          Place(r.sites[k].source.empty() ? r.source : r.sites[k].source, r.sites[k].line,
                r.calls[k]);
        break;
    }
    m_out.Put(m_line);
  }
  void Finish() override {}

 private:
  void Place(std::string_view file, int line, std::string_view name) {
    m_line.append(ShownPath(file, m_folder)).append(1, ':');
    AppendNumber(m_line, line);
    m_line.append(": ").append(name).append(1, '\n');
  }

  const XrefSelection& m_sel;
  XrefOutput& m_out;
  std::string m_folder;
  std::string m_line;
};

}  // namespace

std::string_view ShownPath(std::string_view path, std::string_view folder) {
  if (folder.empty()) return path;
  std::size_t skip = folder.size() + (folder == "/" ? 0 : 1);
  if (path.size() <= skip || path.compare(0, folder.size(), folder) != 0 ||
      path[skip - 1] != '/')
    return path;
  std::string_view rest = path.substr(skip);
  // "sub/../../x.c" lies outside the folder, or through a link somewhere
  // else altogether: such a path stays as it is.
  for (std::size_t from = 0; from <= rest.size();) {
    std::size_t end = std::min(rest.find('/', from), rest.size());
    if (rest.substr(from, end - from) == "..") return path;
    from = end + 1;
  }
  return rest;
}

std::unique_ptr<XrefFormatter> MakeCtagsFormatter(const XrefSelection& sel, XrefOutput& out,
                                                  const XrefLayout& layout) {
  (void)sel;  // the stream hands over only the selected entries
  return std::make_unique<CtagsFormatter>(out, layout);
}

std::unique_ptr<XrefFormatter> MakeGrepFormatter(const XrefSelection& sel, XrefOutput& out,
                                                 const XrefLayout& layout) {
  return std::make_unique<GrepFormatter>(sel, out, layout);
}
