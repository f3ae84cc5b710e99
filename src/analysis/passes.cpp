// The three passes of a file. Each reads its input a run of pieces at a
// time: pieces that no rule can change (the great majority) are handled in
// bulk, and only the others go piece by piece through the careful tests.
// The result is exactly that of taking every piece through the tests.
#include <algorithm>
#include <cstring>

#include "analysis/analysis_engine.h"
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

std::string_view Between(const char* from, const char* to) {
  return std::string_view(from, static_cast<std::size_t>(to - from));
}

}  // namespace

void CAnalysisEngine::LineCommentPiece(std::string_view line) {
  scan::LineComment r = scan::ScanLineComment(line.data(), static_cast<int>(line.size()));
  if (r.slashes < 0) {
    m_pOutFile->WriteString(line);
  } else {
    if (!r.wordBefore) return;  // nothing but a comment
    m_pOutFile->Write(line.data(), static_cast<std::size_t>(r.slashes));
    m_pOutFile->Write("\r\n", 2);
  }
  // A line naming one of the macros gets a line "{}" of its own, so that
  // the statement ends at the macro instead of joining the message-map
  // entries that follow it.
  for (unsigned m = r.macros; m != 0; m &= m - 1) m_pOutFile->Write("{}\n", 3);
}

void CAnalysisEngine::LineCommentPass() {
  std::string_view run;
  while (m_pInFile->ReadPieces(run)) {
    const char* pos = run.data();
    const char* end = pos + run.size();
    while (pos < end) {
      const char* hit = scan::FindLineCommentCandidate(pos, end);
      // Whole lines before the line of the candidate pass unchanged.
      const void* nl = ::memrchr(pos, '\n', static_cast<std::size_t>(hit - pos));
      const char* lineStart = nl ? static_cast<const char*>(nl) + 1 : pos;
      m_pOutFile->WriteString(Between(pos, lineStart));
      if (hit == end) {
        // The unfinished last line, if any, has no candidate either.
        m_pOutFile->WriteString(Between(lineStart, end));
        break;
      }
      const void* lf = std::memchr(hit, '\n', static_cast<std::size_t>(end - hit));
      const char* lineEnd = lf ? static_cast<const char*>(lf) + 1 : end;
      for (const char* q = lineStart; q < lineEnd;) {
        const char* pieceEnd = scan::NextPiece(q, lineEnd).end;
        LineCommentPiece(Between(q, pieceEnd));
        q = pieceEnd;
      }
      pos = lineEnd;
    }
  }
}

void CAnalysisEngine::BlockCommentPiece(std::string_view line) {
  scan::Comments c = scan::ScanComments(line.data(), static_cast<int>(line.size()));
  if (m_bInComment) {
    if (c.close >= 0) m_bInComment = 0;  // code after the "*/" is lost
  } else if (c.open < 0) {
    if (c.bracket) m_pOutFile->WriteString(line);
  } else if (c.close < 0) {
    m_bInComment = 1;  // the line is dropped whole, code before "/*" too
  } else {
    // Only the text from the first "/*" to the first "*/" goes.
    m_pOutFile->Write(line.data(), static_cast<std::size_t>(c.open));
    m_pOutFile->WriteString(line.substr(static_cast<std::size_t>(c.close) + 2));
  }
}

void CAnalysisEngine::BlockCommentPass() {
  std::string_view run;
  while (m_pInFile->ReadPieces(run)) {
    const char* end = run.data() + run.size();
    const char* kept = run.data();  // [kept, q): pieces written unchanged, still to write
    for (const char* q = kept; q < end;) {
      scan::Piece piece = scan::NextPiece(q, end);
      // Without "/", "*" and double-byte characters a piece holds no
      // comment marker and every bracket byte is a bracket.
      bool plain = !(piece.flags & (scan::kHasMarker | scan::kHasHigh));
      if (plain && !m_bInComment && (piece.flags & scan::kHasBracket)) {
        q = piece.end;
        continue;
      }
      m_pOutFile->WriteString(Between(kept, q));
      if (!plain) BlockCommentPiece(Between(q, piece.end));
      q = kept = piece.end;
    }
    m_pOutFile->WriteString(Between(kept, end));
  }
}

void CAnalysisEngine::StatementPass() {
  // A statement is gathered until its text holds "{", ";" or "}". Most lie
  // within one run and are handed over where they stand; one that runs on
  // past a run keeps its first kMaxStatement bytes in m_strStatement, so a
  // file without any statement end is still read in constant memory.
  std::string_view run;
  bool carrying = false;
  bool carryLead = false;
  auto carry = [this](std::string_view text) {
    std::size_t room = static_cast<std::size_t>(kMaxStatement - m_strStatement.GetLength());
    m_strStatement.Append(text.data(), std::min(room, text.size()));
  };
  while (m_pInFile->ReadPieces(run)) {
    const char* end = run.data() + run.size();
    const char* start = run.data();
    for (const char* q = start; q < end;) {
      scan::Piece piece = scan::NextPiece(q, end);
      bool ended = ((piece.flags & scan::kHasHigh) || carryLead)
                       ? EndsStatement(Between(q, piece.end), carryLead)
                       : (piece.flags & scan::kHasEnd) != 0;
      q = piece.end;
      if (!ended) continue;
      if (carrying) {
        carry(Between(start, q));
        HandleStatement(m_strStatement.view());
        carrying = false;
      } else {
        HandleStatement(Between(start, std::min(q, start + kMaxStatement)));
      }
      start = q;
    }
    if (start < end) {
      if (!carrying) m_strStatement.Empty();
      carrying = true;
      carry(Between(start, end));
    }
  }
  // A statement the file ends before it is closed is handed over as it is.
  if (carrying) HandleStatement(m_strStatement.view());
}

void CAnalysisEngine::HandleStatement(std::string_view statement) {
  // Without a "(" a statement is neither a head nor holds a call.
  if (!std::memchr(statement.data(), '(', statement.size())) return;
  scan::Statement s;
  scan::ScanStatement(statement.data(), static_cast<int>(statement.size()), s);
  if (!RecognizeScanned(statement, s)) CollectCalls(statement, m_szCallName);
}
