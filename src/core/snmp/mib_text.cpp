// Splitting MIB text into lines of code and quoted pieces.
#include "snmp/mib_scan.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <deque>
#include <filesystem>
#include <unordered_set>

#include "base/files.h"
#include "base/format.h"
#include "base/text.h"

namespace vilk {

using namespace mib_scan;

MibText::MibText(std::string_view text) {
  // One pass over the text: each character goes to both buffers, quoted text as a blank
  // in the code, nothing from "--" to the end of the line. Runs of ordinary characters
  // are copied whole.
  static const auto kSpecial = [] {
    std::array<bool, 256> t{};
    for (unsigned char c : {'\n', '\r', '\t', '"', '-'}) t[c] = true;
    return t;
  }();
  raw_.resize(text.size());
  code_.resize(text.size());
  char* const raw = raw_.data();
  char* const code = code_.data();
  struct Span {
    std::size_t At, Pieces, PieceCount;
  };
  std::vector<Span> spans;
  spans.reserve(text.size() / 32 + 1);
  std::size_t out = 0;
  bool inString = false;
  const char* p = text.data();
  const char* const end = p + text.size();
  while (p < end) {
    MibLine line;
    const std::size_t start = out, firstPiece = pieces_.size();
    bool blank = true, codeBlank = true;
    if (inString) pieces_.push_back({0, 0, false, false});
    while (p < end) {
      const char* run = p;
      bool nonBlank = false;
      while (p < end && !kSpecial[static_cast<unsigned char>(*p)]) nonBlank |= *p++ != ' ';
      if (p > run) {
        const auto n = static_cast<std::size_t>(p - run);
        std::memcpy(raw + out, run, n);
        if (inString)
          std::memset(code + out, ' ', n);
        else
          std::memcpy(code + out, run, n);
        out += n;
        if (nonBlank) {
          blank = false;
          if (!inString) codeBlank = false;
        }
      }
      if (p == end || *p == '\n' || *p == '\r') break;
      const char c = *p++;
      if (c == '\t') {
        raw[out] = ' ';
        code[out++] = ' ';
      } else if (c == '"') {
        if (inString) {
          pieces_.back().End = out - start;
          pieces_.back().Closes = true;
        } else {
          pieces_.push_back({out - start + 1, 0, true, false});
        }
        inString = !inString;
        raw[out] = c;
        code[out++] = ' ';
        blank = false;
      } else if (!inString && p < end && *p == '-') {
        while (p < end && *p != '\n' && *p != '\r') ++p;  // a comment runs to the end of the line
      } else {                                            // a single '-'
        raw[out] = c;
        code[out++] = inString ? ' ' : c;
        blank = false;
        if (!inString) codeBlank = false;
      }
    }
    if (inString) pieces_.back().End = out - start;
    line.Blank = blank;
    line.CodeBlank = codeBlank;
    spans.push_back({start, firstPiece, pieces_.size() - firstPiece});
    lines_.push_back(line);
    // A line ends at LF, CR LF or a lone CR.
    if (p < end) p += (*p == '\r' && p + 1 < end && p[1] == '\n') ? 2 : 1;
  }
  raw_.resize(out);
  code_.resize(out);
  // The buffers are complete: now the views can point into them.
  for (std::size_t n = 0; n < lines_.size(); ++n) {
    const std::size_t at = spans[n].At;
    const std::size_t len = (n + 1 < lines_.size() ? spans[n + 1].At : out) - at;
    lines_[n].Raw = std::string_view(raw_).substr(at, len);
    lines_[n].Code = std::string_view(code_).substr(at, len);
    lines_[n].Strings =
        std::span<const MibLine::Piece>(pieces_.data() + spans[n].Pieces, spans[n].PieceCount);
  }
}

}  // namespace vilk
