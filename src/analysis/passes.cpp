// The three passes of a file. Each reads its input a run of pieces at a
// time: pieces that no rule can change (the great majority) are handled in
// bulk, and only the others go piece by piece through the careful tests.
// The result is exactly that of taking every piece through the tests.
#include <algorithm>
#include <cstring>

#include "analysis/classic_rules.h"
#include "analysis/recognition_rules.h"
#include "analysis/run_index.h"
#include "analysis/scanners.h"
#include "platform/text/mbcs.h"

namespace {

// Whether piece holds "{", ";" or "}" at a character boundary. carryLead
// says that the text before it ended in a lead byte, which takes the
// piece's first byte; on return it says the same of this piece.
bool EndsStatement(std::string_view piece, bool& carryLead) {
  const auto* p = reinterpret_cast<const unsigned char*>(piece.data());
  std::size_t n = piece.size();
  std::size_t i = carryLead ? 1 : 0;
  carryLead = false;
  while (i < n) {
    unsigned char b = p[i];
    if (b == '{' || b == ';' || b == '}') return true;
    if (mbcs::IsLeadByte(b)) {
      if (i + 1 == n) {
        carryLead = true;
        return false;
      }
      i += 2;
    } else {
      ++i;
    }
  }
  return false;
}

bool IsMacroTail(const char* p, const char* end) {
  std::string_view text(p, static_cast<std::size_t>(end - p));
  for (std::size_t i = 0; i < rules::kMacroTails.size; ++i)
    if (text.substr(0, rules::kMacroTails.tails[i].size()) == rules::kMacroTails.tails[i]) return true;
  return false;
}

}  // namespace

template <class F>
void CClassicRules::ForEachRun(int set, F f) {
  std::string_view run;
  m_inPlaces.Reset();
  while (m_pInFile->ReadPieces(run)) {
    CheckStop();
    if (m_bDeciding) DecideEncoding(run);
    m_pIndex->Build(run.data(), run.size(), static_cast<scan::RunIndex::Set>(set), m_bByteWise);
    m_pRun = run.data();
    f(run.data(), run.size(), *m_pIndex);
    m_inPlaces.EndRun(*m_pIndex, run.size());
  }
  m_pRun = nullptr;
}

void CClassicRules::CopyOut(std::size_t from, std::size_t to) {
  if (from >= to) return;
  const lines::Place in = m_inPlaces.At(*m_pIndex, from);
  // A line feed alone is never looked up, and the bytes after it are
  // noted where they are copied: the map needs no mark for it.
  if (to - from > 1 || m_pRun[from] != '\n') m_pOutLines->Note(m_outPlace, in);
  m_pOutFile->Write(m_pRun + from, to - from);
  const lines::Place end = m_inPlaces.At(*m_pIndex, to);
  if (end.lf != in.lf) {
    m_outPlace.lf += end.lf - in.lf;
    m_outPlace.col = end.col;
  } else {
    m_outPlace.col += to - from;
  }
}

void CClassicRules::CopyOut(std::string_view part) {
  const std::size_t from = static_cast<std::size_t>(part.data() - m_pRun);
  CopyOut(from, from + part.size());
}

void CClassicRules::InsertOut(std::string_view text) {
  m_pOutFile->WriteString(text);
  lines::Advance(m_outPlace, text.data(), text.size());
}

void CClassicRules::LineCommentPiece(std::string_view line) {
  scan::LineComment r =
      scan::ScanLineComment(line.data(), static_cast<int>(line.size()), m_bByteWise);
  if (r.slashes < 0) {
    CopyOut(line);
  } else {
    if (!r.wordBefore) return;  // nothing but a comment
    CopyOut(line.substr(0, static_cast<std::size_t>(r.slashes)));
    InsertOut("\r\n");
  }
  // A line naming one of the macros gets a line "{}" of its own, so that
  // the statement ends at the macro instead of joining the message-map
  // entries that follow it.
  for (unsigned m = r.macros; m != 0; m &= m - 1) InsertOut("{}\n");
}

void CClassicRules::LineCommentPass() {
  // Only a line holding the line-comment marker or the tail of a macro
  // name (from its first "_") can change in this pass. Whole lines
  // without either pass through in bulk; the others go piece by piece.
  using scan::RunIndex;
  ForEachRun(RunIndex::kForLineComments, [&](const char* p, std::size_t n, const RunIndex& index) {
    std::size_t done = 0;  // [0, done) is handled
    auto candidate = [&](std::size_t c) {
      if (c < done) return;  // on a line already handled
      if (p[c] == '_' && !IsMacroTail(p + c, p + n)) return;  // an anchor, but no tail
      std::size_t lf = index.Last(RunIndex::kLF, done, c);
      std::size_t lineStart = lf < c ? lf + 1 : done;
      std::size_t lineEnd = index.First(RunIndex::kLF, c, n);
      lineEnd = lineEnd < n ? lineEnd + 1 : n;
      CopyOut(done, lineStart);
      for (std::size_t q = lineStart; q < lineEnd;) {
        std::size_t e = index.PieceEnd(q);
        LineCommentPiece(std::string_view(p + q, e - q));
        q = e;
      }
      done = lineEnd;
    };
    for (std::size_t w = 0; w * 64 < n; ++w) {
      std::uint64_t bits = index.Word(RunIndex::kSlashes, w) | index.Word(RunIndex::kMacroAnchor, w);
      for (; bits; bits &= bits - 1) candidate(w * 64 + static_cast<std::size_t>(__builtin_ctzll(bits)));
    }
    CopyOut(done, n);
  });
}

void CClassicRules::BlockCommentPiece(std::string_view line) {
  scan::Comments c = scan::ScanComments(line.data(), static_cast<int>(line.size()), m_bByteWise);
  if (m_bInComment) {
    if (c.close >= 0) m_bInComment = 0;  // code after the "*/" is lost
  } else if (c.open < 0) {
    if (c.bracket) CopyOut(line);
  } else if (c.close < 0) {
    m_bInComment = 1;  // the line is dropped whole, code before "/*" too
  } else {
    // Only the text from the first "/*" to the first "*/" goes.
    CopyOut(line.substr(0, static_cast<std::size_t>(c.open)));
    CopyOut(line.substr(static_cast<std::size_t>(c.close) + 2));
  }
}

void CClassicRules::BlockCommentPass() {
  using scan::RunIndex;
  ForEachRun(RunIndex::kForComments, [&](const char* p, std::size_t n, const RunIndex& index) {
    std::size_t kept = 0;  // pieces from here on are written unchanged, still to write

    // One piece [q, e) and whether it holds a double-byte character, a
    // comment marker (both bytes in the piece) and a bracket byte. Without
    // markers and double-byte characters, every bracket byte is a bracket.
    auto piece = [&](std::size_t q, std::size_t e, bool high, bool marker, bool bracket) {
      bool plain = !high && !marker;
      if (plain && !m_bInComment && bracket) return;
      CopyOut(kept, q);
      if (!plain) BlockCommentPiece(std::string_view(p + q, e - q));
      kept = e;
    };
    // A line longer than a piece, piece by piece.
    auto longLine = [&](std::size_t q, std::size_t end) {
      while (q < end) {
        std::size_t e = index.PieceEnd(q);
        piece(q, e, index.Any(RunIndex::kHigh, q, e), index.Any(RunIndex::kMarker, q, e - 1),
              index.Any(RunIndex::kBracket, q, e));
        q = e;
      }
    };

    // The lines, walked word by word along the LF bits, gathering what each
    // holds as they go.
    std::size_t start = 0;
    std::uint64_t high = 0, marker = 0, bracket = 0;
    for (std::size_t w = 0; w * 64 < n; ++w) {
      const std::size_t base = w * 64;
      const std::uint64_t lf = index.Word(RunIndex::kLF, w);
      const std::uint64_t h = index.Word(RunIndex::kHigh, w);
      const std::uint64_t m = index.Word(RunIndex::kMarker, w);
      const std::uint64_t b = index.Word(RunIndex::kBracket, w);
      std::uint64_t live = start > base ? ~std::uint64_t{0} << (start - base) : ~std::uint64_t{0};
      for (;;) {
        const std::uint64_t next = lf & live;
        if (!next) {
          high |= h & live;
          marker |= m & live;
          bracket |= b & live;
          break;
        }
        const unsigned bit = static_cast<unsigned>(__builtin_ctzll(next));
        const std::uint64_t line = live & (~std::uint64_t{0} >> (63 - bit));
        high |= h & line;
        marker |= m & line;
        bracket |= b & line;
        const std::size_t end = base + bit + 1;
        if (end - start > CStdioFile::kMaxPiece) longLine(start, end);
        else piece(start, end, high != 0, marker != 0, bracket != 0);
        high = marker = bracket = 0;
        start = end;
        if (bit == 63) break;
        live = ~std::uint64_t{0} << (bit + 1);
      }
    }
    if (start < n) {  // the run's last piece, without LF
      if (n - start > CStdioFile::kMaxPiece) longLine(start, n);
      else piece(start, n, high != 0, marker != 0, bracket != 0);
    }
    CopyOut(kept, n);
  });
}

void CClassicRules::StatementPass() {
  // A statement is gathered until its text holds "{", ";" or "}". Most lie
  // within one run and are handed over where they stand; one that runs on
  // past a run keeps its first kMaxStatement bytes in m_strStatement, so a
  // file without any statement end is still read in constant memory.
  using scan::RunIndex;
  bool carrying = false;
  bool carryLead = false;
  auto carry = [this](const char* from, const char* to) {
    std::size_t room = static_cast<std::size_t>(kMaxStatement - m_strStatement.GetLength());
    m_strStatement.Append(from, std::min(room, static_cast<std::size_t>(to - from)));
  };
  ForEachRun(RunIndex::kForStatements, [&](const char* p, std::size_t n, const RunIndex& index) {
    std::size_t start = 0;
    for (std::size_t q = 0; q < n;) {
      if (q == start && !carrying && !carryLead) {
        // At the start of a statement, when no double-byte text comes before
        // the next "{", ";" or "}", every byte up to it is a character, and
        // the statement ends with the piece that holds it.
        std::size_t stop = index.First(RunIndex::kEnd, q, n);
        if (stop < n && !index.Any(RunIndex::kHigh, q, stop)) {
          std::size_t lf = index.Last(RunIndex::kLF, q, stop);
          std::size_t line = lf < stop ? lf + 1 : q;
          std::size_t end = index.PieceEnd(line + (stop - line) / 255 * 255);
          HandleIndexedStatement(p, q, std::min<std::size_t>(end, q + kMaxStatement));
          start = q = end;
          continue;
        }
      }
      std::size_t e = index.PieceEnd(q);
      bool ended = (carryLead || index.Any(RunIndex::kHigh, q, e))
                       ? EndsStatement(std::string_view(p + q, e - q), carryLead)
                       : index.Any(RunIndex::kEnd, q, e);
      q = e;
      if (!ended) continue;
      if (carrying) {
        carry(p + start, p + q);
        HandleStatement(m_strStatement.view(), false);
        carrying = false;
      } else {
        HandleIndexedStatement(p, start, std::min<std::size_t>(q, start + kMaxStatement));
      }
      start = q;
    }
    if (start < n) {
      if (!carrying) {
        m_strStatement.Empty();
        m_statementStart = m_inPlaces.At(index, start);
      }
      carrying = true;
      carry(p + start, p + n);
    }
  });
  // A statement the file ends before it is closed is handed over as it is.
  if (carrying) HandleStatement(m_strStatement.view(), false);
}

void CClassicRules::HandleStatement(std::string_view statement, bool inRun) {
  SetStatement(statement, inRun);
  if (!RecognizeText(statement)) CollectCalls(statement, m_szCallName);
}

void CClassicRules::SetStatement(std::string_view statement, bool inRun) {
  m_pStatement = statement.data();
  m_bStatementInRun = inRun;
  if (inRun) m_nStatementFrom = static_cast<std::size_t>(statement.data() - m_pRun);
}

int CClassicRules::StatementLine(int offset) {
  lines::Place place;
  if (m_bStatementInRun) {
    place = m_inPlaces.At(*m_pIndex, m_nStatementFrom + static_cast<std::size_t>(offset));
  } else {
    place = m_statementStart;
    lines::Advance(place, m_pStatement, static_cast<std::size_t>(offset));
  }
  return lines::LineOf(m_work1Lines.Map(m_work2Lines.Map(place)));
}

void CClassicRules::HandleIndexedStatement(const char* run, std::size_t from, std::size_t to) {
  using scan::RunIndex;
  const RunIndex& index = *m_pIndex;
  if (!index.Any(RunIndex::kOpen, from, to)) return;  // no "(": neither a head nor a call
  std::string_view statement(run + from, to - from);
  if (index.Any(RunIndex::kHigh, from, to)) {
    HandleStatement(statement, true);  // double-byte characters: the careful scan
    return;
  }
  // Every byte is a character, and the index has the positions already:
  // one walk over the statement's words finds the first "(", ")" and "{"
  // and the keywords before each blank.
  scan::Statement s;
  scan::ClearStatement(s);
  for (std::size_t w = from / 64; w * 64 < to; ++w) {
    const std::uint64_t range = RunIndex::RangeMask(w, from, to);
    auto first = [&](int& pos, RunIndex::Class c) {
      std::uint64_t bits = index.Word(c, w) & range;
      if (pos < 0 && bits) pos = static_cast<int>(w * 64 + __builtin_ctzll(bits) - from);
    };
    first(s.open, RunIndex::kOpen);
    first(s.close, RunIndex::kClose);
    first(s.brace, RunIndex::kBrace);
    for (std::uint64_t b = index.Word(RunIndex::kBlank, w) & range; b; b &= b - 1) {
      int j = static_cast<int>(w * 64 + __builtin_ctzll(b) - from);
      if (j > 0) scan::NoteKeywordBefore(statement.data(), j, s);
    }
  }
  SetStatement(statement, true);
  if (RecognizeScanned(statement, s)) return;
  if (!m_pUnit->TakesCalls()) return;  // before the run's first head nothing is recorded
  index.ForEach(RunIndex::kOpen, from, to, [&](std::size_t j) {
    int start;
    if (NameBefore(statement, m_szCallName, static_cast<int>(j - from), &start, m_bByteWise))
      CollectName(m_szCallName, start);
  });
}
