// Source lines through the passes. Each pass copies pieces of its input to
// its output, drops others and inserts a few texts of its own; a LineMap
// notes, for the bytes it copies, where they stood in its input, so that a
// name found in a statement can be traced back through the working files to
// the line of the source file on which it stands. The working files are
// not touched: the maps live in memory beside them, one per pass and file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "analysis/run_index.h"

namespace lines {

/// A byte's place in a text as a pass reads it: how many line feeds stand
/// before it, and how many bytes since the last of them. A CR LF that reads
/// back as LF moves no other byte's place, so a place is the same whether
/// it is counted where a text is written or where it is read back.
struct Place {
  std::uint64_t lf = 0;
  std::uint64_t col = 0;
  bool operator==(const Place& o) const { return lf == o.lf && col == o.col; }
  bool operator<=(const Place& o) const { return lf < o.lf || (lf == o.lf && col <= o.col); }
};

/// The 1-based line of a place in a source file.
inline int LineOf(const Place& p) {
  return p.lf < 0x7FFFFFFF ? static_cast<int>(p.lf) + 1 : 0x7FFFFFFF;
}

/// Where the bytes of a pass's output came from in its input. Between two
/// notes the bytes correspond one to one: on the noted byte's line by
/// their distance from it, on each later line by its column.
class LineMap {
 public:
  void Clear() {
    m_marks.clear();
    m_cursor = 0;
  }

  /// The output byte at out, and the bytes after it, are copied from the
  /// input byte at in and the bytes after that. Notes come in output order.
  void Note(const Place& out, const Place& in) {
    const Mark* last = m_marks.empty() ? &kStart : &m_marks.back();
    if (!(Follow(*last, out) == in)) m_marks.push_back(Mark{out, in});
  }

  /// The input place of the output byte at out, for a byte that a pass
  /// copied. Places are asked in output order, after the last Note.
  Place Map(const Place& out) {
    while (m_cursor < m_marks.size() && m_marks[m_cursor].out <= out) ++m_cursor;
    return Follow(m_cursor == 0 ? kStart : m_marks[m_cursor - 1], out);
  }

 private:
  struct Mark {
    Place out, in;
  };
  static constexpr Mark kStart{};

  static Place Follow(const Mark& m, const Place& out) {
    if (out.lf == m.out.lf) return Place{m.in.lf, m.in.col + (out.col - m.out.col)};
    return Place{m.in.lf + (out.lf - m.out.lf), out.col};
  }

  std::vector<Mark> m_marks;
  std::size_t m_cursor = 0;
};

/// The places of the bytes of a text read a run at a time.
class PlaceCursor {
 public:
  void Reset() { *this = PlaceCursor(); }

  /// The place of byte q of the run that index describes.
  Place At(const scan::RunIndex& index, std::size_t q) const {
    const std::size_t last = index.LastLineEndBefore(q);
    return Place{m_start.lf + index.LinesBefore(q), last < q ? q - last - 1 : m_start.col + q};
  }

  /// The run of n bytes is done; the next one follows it.
  void EndRun(const scan::RunIndex& index, std::size_t n) { m_start = At(index, n); }

 private:
  Place m_start;  // of the run's first byte
};

/// Moves place over text.
inline void Advance(Place& place, const char* text, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    if (text[i] == '\n') {
      ++place.lf;
      place.col = 0;
    } else {
      ++place.col;
    }
  }
}

}  // namespace lines
