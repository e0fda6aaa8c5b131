// Splitting MIB text into lines of code and quoted pieces.
#include <array>
#include <cstring>

#include "snmp/mib_scan.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vilk {

namespace {

// From p on, the first character that ends a plain run: a line end, a tab, a quote and, in
// code, a dash. `nonBlank` is set when a character before it is not a blank.
template <bool kCode>
const char* SkipPlain(const char* p, const char* end, bool& nonBlank) {
#if defined(__SSE2__)
  // Sixteen characters at a time: most of a module is plain text.
  while (end - p >= 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    __m128i special = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\n')),
                                                _mm_cmpeq_epi8(v, _mm_set1_epi8('\r'))),
                                   _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\t')),
                                                _mm_cmpeq_epi8(v, _mm_set1_epi8('"'))));
    if constexpr (kCode) special = _mm_or_si128(special, _mm_cmpeq_epi8(v, _mm_set1_epi8('-')));
    const auto specialBits = static_cast<unsigned>(_mm_movemask_epi8(special));
    const auto spaceBits =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(' '))));
    if (specialBits == 0) {
      nonBlank |= spaceBits != 0xFFFFu;
      p += 16;
      continue;
    }
    const int n = __builtin_ctz(specialBits);
    nonBlank |= (~spaceBits & ((1u << n) - 1)) != 0;
    return p + n;
  }
#endif
  for (; p < end; ++p) {
    const char c = *p;
    if (c == '\n' || c == '\r' || c == '\t' || c == '"' || (kCode && c == '-')) return p;
    nonBlank |= c != ' ';
  }
  return p;
}

// The end of the line that holds p: its LF or CR, or the end of the text.
const char* LineEnd(const char* p, const char* end) {
  const auto* lf =
      static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
  const char* stop = lf ? lf : end;
  const auto* cr =
      static_cast<const char*>(std::memchr(p, '\r', static_cast<std::size_t>(stop - p)));
  return cr ? cr : stop;
}

}  // namespace

MibText::MibText(std::string_view text) {
  // Most lines are either code without quotes or tabs, or the inside of a quoted text: their
  // Raw is the source itself and their Code the source or blanks, so nothing is copied. The
  // other lines are copied with their tabs as blanks and quoted text blanked out of Code.
  enum class From : std::uint8_t { Source, Copy, Blanks };
  struct Span {
    std::size_t RawAt, CodeAt, Length, Pieces, PieceCount;
    From Raw, Code;
  };
  std::vector<Span> spans;
  spans.reserve(text.size() / 32 + 1);
  lines_.reserve(text.size() / 32 + 1);
  std::size_t longestBlank = 0, copied = 0;
  bool inString = false;
  const char* const begin = text.data();
  const char* p = begin;
  const char* const end = p + text.size();
  while (p < end) {
    const char* const start = p;
    const std::size_t firstPiece = pieces_.size();
    MibLine line;
    bool nonBlank = false, plain = true;
    const char* contentEnd = nullptr;
    if (inString) {
      p = SkipPlain<false>(p, end, nonBlank);
      if (p == end || *p == '\n' || *p == '\r')
        contentEnd = p;
      else
        plain = false;
    } else {
      while (true) {
        p = SkipPlain<true>(p, end, nonBlank);
        if (p == end || *p == '\n' || *p == '\r') {
          contentEnd = p;
          break;
        }
        if (*p != '-') {  // a tab or a quote: the line is copied
          plain = false;
          break;
        }
        if (p + 1 < end && p[1] == '-') {  // a comment runs to the end of the line
          contentEnd = p;
          p = LineEnd(p + 2, end);
          break;
        }
        nonBlank = true;  // a single '-'
        ++p;
      }
    }
    const auto at = static_cast<std::size_t>(start - begin);
    if (plain) {
      const auto length = static_cast<std::size_t>(contentEnd - start);
      line.Blank = !nonBlank;
      if (inString) {
        pieces_.push_back({0, length, false, false});
        line.CodeBlank = true;
        longestBlank = std::max(longestBlank, length);
        spans.push_back({at, 0, length, firstPiece, 1, From::Source, From::Blanks});
      } else {
        line.CodeBlank = !nonBlank;
        spans.push_back({at, at, length, firstPiece, 0, From::Source, From::Source});
      }
    } else {
      // Copied character by character: quoted text blanked out of Code, tabs as blanks, no
      // comment.
      const char* const stop = LineEnd(p, end);
      const std::size_t room = static_cast<std::size_t>(stop - start);
      if (!copies_) copies_ = std::make_unique_for_overwrite<char[]>(2 * text.size());
      const std::size_t rawAt = copied, codeAt = rawAt + room;
      copied = codeAt + room;  // each line once, so never past twice the text
      char* const raw = copies_.get() + rawAt;
      char* const code = copies_.get() + codeAt;
      std::size_t out = 0;
      bool blank = true, codeBlank = true;
      if (inString) pieces_.push_back({0, 0, false, false});
      for (p = start; p < stop;) {
        const char* const run = p;
        bool nonBlankRun = false;
        p = inString ? SkipPlain<false>(p, stop, nonBlankRun)
                     : SkipPlain<true>(p, stop, nonBlankRun);
        const auto n = static_cast<std::size_t>(p - run);
        std::memcpy(raw + out, run, n);
        if (inString)
          std::memset(code + out, ' ', n);
        else
          std::memcpy(code + out, run, n);
        out += n;
        if (nonBlankRun) {
          blank = false;
          if (!inString) codeBlank = false;
        }
        if (p == stop) break;
        const char c = *p++;
        if (c == '\t') {
          raw[out] = ' ';
          code[out++] = ' ';
        } else if (c == '"') {
          if (inString) {
            pieces_.back().End = out;
            pieces_.back().Closes = true;
          } else {
            pieces_.push_back({out + 1, 0, true, false});
          }
          inString = !inString;
          raw[out] = c;
          code[out++] = ' ';
          blank = false;
        } else if (p < stop && *p == '-') {  // a comment: SkipPlain stops at '-' only in code
          p = stop;
        } else {  // a single '-'
          raw[out] = c;
          code[out++] = c;
          blank = false;
          codeBlank = false;
        }
      }
      if (inString) pieces_.back().End = out;
      line.Blank = blank;
      line.CodeBlank = codeBlank;
      spans.push_back(
          {rawAt, codeAt, out, firstPiece, pieces_.size() - firstPiece, From::Copy, From::Copy});
    }
    lines_.push_back(line);
    // A line ends at LF, CR LF or a lone CR.
    if (p < end) p += (*p == '\r' && p + 1 < end && p[1] == '\n') ? 2 : 1;
  }
  blanks_.assign(longestBlank, ' ');
  // The buffers are complete: now the views can point into them.
  const auto view = [&](From from, std::size_t at, std::size_t length) {
    switch (from) {
      case From::Source:
        return text.substr(at, length);
      case From::Copy:
        return std::string_view(copies_.get() + at, length);
      case From::Blanks:
        break;
    }
    return std::string_view(blanks_).substr(0, length);
  };
  for (std::size_t n = 0; n < lines_.size(); ++n) {
    const Span& s = spans[n];
    lines_[n].Raw = view(s.Raw, s.RawAt, s.Length);
    lines_[n].Code = view(s.Code, s.CodeAt, s.Length);
    lines_[n].Strings = std::span<const MibLine::Piece>(pieces_.data() + s.Pieces, s.PieceCount);
  }
}

}  // namespace vilk
