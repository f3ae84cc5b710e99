#include "analysis/encoding_detect.h"

#include "platform/files/stdio_file.h"
#include "platform/text/euc_jp.h"
#include "platform/text/shift_jis.h"
#include "platform/text/utf8.h"

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace {

// Sources are mostly ASCII: the checks run byte by byte only over the
// stretches of bytes above 0x7F, and the ASCII between them is skipped a
// vector at a time (16 bytes with SSE2, 32 with AVX2 where the processor
// has it).
#if defined(__SSE2__)

std::size_t SkipAsciiSse2(const char* p, std::size_t i, std::size_t n) {
  for (; i + 16 <= n; i += 16) {
    unsigned m = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i))));
    if (m) return i + static_cast<std::size_t>(__builtin_ctz(m));
  }
  while (i < n && static_cast<unsigned char>(p[i]) < 0x80) ++i;
  return i;
}

__attribute__((target("avx2"))) std::size_t SkipAsciiAvx2(const char* p, std::size_t i,
                                                          std::size_t n) {
  for (; i + 32 <= n; i += 32) {
    unsigned m = static_cast<unsigned>(
        _mm256_movemask_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i))));
    if (m) return i + static_cast<std::size_t>(__builtin_ctz(m));
  }
  return SkipAsciiSse2(p, i, n);
}

bool g_bWide = __builtin_cpu_supports("avx2");

std::size_t SkipAscii(const char* p, std::size_t i, std::size_t n) {
  return g_bWide ? SkipAsciiAvx2(p, i, n) : SkipAsciiSse2(p, i, n);
}

#else

bool g_bWide = false;

std::size_t SkipAscii(const char* p, std::size_t i, std::size_t n) {
  while (i < n && static_cast<unsigned char>(p[i]) < 0x80) ++i;
  return i;
}

#endif

}  // namespace

void CEncodingDetector::UseWideVectors(bool use) {
#if defined(__SSE2__)
  g_bWide = use && __builtin_cpu_supports("avx2");
#else
  (void)use;
#endif
}

std::size_t FirstHighByte(const char* p, std::size_t n) { return SkipAscii(p, 0, n); }

bool CEncodingDetector::Feed(const char* p, std::size_t n) {
  const auto* u = reinterpret_cast<const unsigned char*>(p);
  std::size_t i = 0;
  while (i < n) {
    if (m_nUtf8Need == 0 && m_nEucNeed == 0) {
      // Between characters, ASCII is fine for every rule.
      i = SkipAscii(p, i, n);
      if (i == n) break;
    }
    const unsigned char b = u[i++];
    if (b >= 0x80) {
      m_bHigh = true;
      if (!IsHalfWidthKatakana(b)) m_bKana = false;
    }

    if (m_bUtf8) {
      if (m_nUtf8Need > 0) {
        if (b < m_nUtf8Low || b > m_nUtf8High) {
          m_bUtf8 = false;
          m_nUtf8Need = 0;
        } else {
          --m_nUtf8Need;
          m_nUtf8Low = 0x80;
          m_nUtf8High = 0xBF;
        }
      } else if (b >= 0x80) {
        // The lead byte says how many continuation bytes follow, and the
        // range of the first.
        Utf8Lead lead = Utf8LeadOf(b);
        m_nUtf8Need = lead.need;
        m_nUtf8Low = lead.low;
        m_nUtf8High = lead.high;
        if (lead.need == 0) m_bUtf8 = false;
      }
    }

    if (m_bEuc) {
      if (m_nEucNeed > 0) {
        if (b < kEucJpTrailLow || b > m_nEucHigh) {
          m_bEuc = false;
          m_nEucNeed = 0;
        } else {
          --m_nEucNeed;
          m_nEucHigh = 0xFE;
        }
      } else if (b >= 0x80) {
        EucJpLead lead = EucJpLeadOf(b);
        m_nEucNeed = lead.need;
        m_nEucHigh = lead.high;
        if (lead.need == 0) m_bEuc = false;
      }
    }

    // Neither UTF-8 nor EUC-JP, and not katakana alone: Shift-JIS, whatever
    // follows.
    if (!m_bUtf8 && !m_bEuc && !m_bKana) return false;
  }
  return true;
}

TextEncoding CEncodingDetector::Result() const {
  if (!m_bHigh) return TextEncoding::kAscii;
  if (m_bKana) return TextEncoding::kCp932;
  // A character the text ends inside of is broken.
  if (m_bUtf8 && m_nUtf8Need == 0) return TextEncoding::kUtf8;
  if (m_bEuc && m_nEucNeed == 0) return TextEncoding::kEucJp;
  return TextEncoding::kCp932;
}

TextEncoding DetectEncoding(std::string_view bytes) {
  CEncodingDetector d;
  d.Feed(bytes.data(), bytes.size());
  return d.Result();
}

bool DecideFileEncoding(std::string_view run, CStdioFile& file, TextEncoding* encoding) {
  std::size_t high = FirstHighByte(run.data(), run.size());
  if (high == run.size()) return false;
  CEncodingDetector detector;
  if (detector.Feed(run.data() + high, run.size() - high))
    file.Peek([&](std::string_view text) { return detector.Feed(text.data(), text.size()); });
  *encoding = detector.Result();
  return true;
}
