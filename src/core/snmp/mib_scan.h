#pragma once
// The pieces of the MIB reader shared by its parts: the text tests of the keyword scanner
// and the reader of one module file. Only the reader's own sources include this.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "snmp/mib.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vilk {

namespace mib_scan {

constexpr std::size_t npos = std::string::npos;
constexpr int kMaxImportDepth = 64;
// A value "{ parent n }" may continue on the next lines, but not without end: an open
// brace that does not close within this many lines is refused instead of eating the file.
constexpr std::size_t kMaxValueLines = 10;

inline constexpr std::array<bool, 256> kIdentChars = [] {
  std::array<bool, 256> t{};
  for (int c = 0; c < 256; ++c)
    t[static_cast<std::size_t>(c)] = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
                                     (c >= 'a' && c <= 'z') || c == '-' || c == '_';
  return t;
}();
inline bool IsIdentChar(char c) {
  return kIdentChars[static_cast<unsigned char>(c)];
}
inline bool IsBlank(char c) {
  return c == ' ';
}
inline char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
inline char Upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

inline std::string ToLower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = Lower(c);
  return out;
}
inline std::string ToUpper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = Upper(c);
  return out;
}

inline bool EqualsCI(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

inline bool ContainsCI(std::string_view s, std::string_view w) {
  if (w.size() > s.size()) return false;
  for (std::size_t i = 0; i + w.size() <= s.size(); ++i)
    if (EqualsCI(s.substr(i, w.size()), w)) return true;
  return false;
}

inline std::string_view TrimView(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && (IsBlank(s[b]) || s[b] == '\t')) ++b;
  while (e > b && (IsBlank(s[e - 1]) || s[e - 1] == '\t')) --e;
  return s.substr(b, e - b);
}
inline std::string Trim(std::string_view s) {
  return std::string(TrimView(s));
}

inline bool AllBlank(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return IsBlank(c); });
}

// A keyword as a whole word: not inside a longer name ("ACCESS" is not found in
// "MAX-ACCESS" nor in "noAccess").
inline std::size_t FindWord(std::string_view s, std::string_view w, std::size_t from, bool ci) {
  if (w.empty() || from > s.size() || s.size() - from < w.size()) return npos;
  const char lower = ci ? Lower(w[0]) : w[0], upper = ci ? Upper(w[0]) : w[0];
  const std::size_t last = s.size() - w.size();
  const auto matchesAt = [&](std::size_t i) {
    const std::string_view part = s.substr(i, w.size());
    if (ci ? !EqualsCI(part, w) : part != w) return false;
    if (i > 0 && IsIdentChar(s[i - 1])) return false;
    return i == last || !IsIdentChar(s[i + w.size()]);
  };
  std::size_t i = from;
#if defined(__SSE2__)
  // The first two characters are looked for sixteen places at a time; for a letter in any
  // case, setting bit 5 folds the upper case onto the lower and nothing else onto a letter.
  if (w.size() >= 2) {
    const auto folded = [&](char c) { return ci ? Lower(c) : c; };
    const auto foldOf = [&](char c) {
      return _mm_set1_epi8(ci && Lower(c) != Upper(c) ? 0x20 : 0);
    };
    const __m128i first = _mm_set1_epi8(folded(w[0])), fold0 = foldOf(w[0]);
    const __m128i second = _mm_set1_epi8(folded(w[1])), fold1 = foldOf(w[1]);
    // The block at i reads up to i + 16, which stays inside s while i + 15 <= last.
    for (; i <= last && last - i >= 15; i += 16) {
      const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.data() + i));
      const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.data() + i + 1));
      auto hits = static_cast<unsigned>(
          _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(v0, fold0), first),
                                          _mm_cmpeq_epi8(_mm_or_si128(v1, fold1), second))));
      for (; hits != 0; hits &= hits - 1) {
        const std::size_t at = i + static_cast<std::size_t>(__builtin_ctz(hits));
        if (matchesAt(at)) return at;
      }
    }
  }
#endif
  for (; i <= last; ++i)
    if ((s[i] == lower || s[i] == upper) && matchesAt(i)) return i;
  return npos;
}

// The first name at or after `from` (blanks skipped).
inline std::string FirstWord(std::string_view s, std::size_t from = 0) {
  std::size_t b = from;
  while (b < s.size() && !IsIdentChar(s[b])) {
    if (!IsBlank(s[b])) return {};
    ++b;
  }
  std::size_t e = b;
  while (e < s.size() && IsIdentChar(s[e])) ++e;
  return std::string(s.substr(b, e - b));
}

// One identifier and nothing else: what may stand alone on the line before its macro.
inline bool IsSingleName(std::string_view s) {
  if (s.empty()) return false;
  const auto u = static_cast<unsigned char>(s[0]);
  if (!((u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z'))) return false;
  return std::all_of(s.begin(), s.end(), IsIdentChar);
}

inline std::vector<std::string> SplitBlanks(std::string_view s) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && IsBlank(s[i])) ++i;
    std::size_t e = i;
    while (e < s.size() && !IsBlank(s[e])) ++e;
    if (e > i) words.emplace_back(s.substr(i, e - i));
    i = e;
  }
  return words;
}

inline std::string FileNamePart(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == npos ? path : path.substr(slash + 1);
}

inline bool IsValidUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    // Module text is mostly ASCII: step over it sixteen or eight bytes at a time.
#if defined(__SSE2__)
    if (s.size() - i >= 16 &&
        _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s.data() + i))) == 0) {
      i += 16;
      continue;
    }
#endif
    std::uint64_t word;
    if (s.size() - i >= 8 &&
        (std::memcpy(&word, s.data() + i, 8), (word & 0x8080808080808080ull) == 0)) {
      i += 8;
      continue;
    }
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t len = 1;
    if (c >= 0xC2 && c <= 0xDF)
      len = 2;
    else if (c >= 0xE0 && c <= 0xEF)
      len = 3;
    else if (c >= 0xF0 && c <= 0xF4)
      len = 4;
    else if (c >= 0x80)
      return false;
    if (len > s.size() - i) return false;
    for (std::size_t k = 1; k < len; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    i += len;
  }
  return true;
}

// Every step of the scanner starts at one of these words; a line without any of them is
// passed over at once, and a step whose word is not on the line is not looked for.
enum StepWord : unsigned {
  kDefinitions = 1u << 0,
  kImports = 1u << 1,
  kExports = 1u << 2,
  kObject = 1u << 3,
  kMacro = 1u << 4,
  kModuleIdentity = 1u << 5,
  kModuleCompliance = 1u << 6,
  kNotificationType = 1u << 7,
  kNotificationGroup = 1u << 8,
  kObjectIdentity = 1u << 9,
  kAgentCapabilities = 1u << 10,
  kObjectType = 1u << 11,
  kObjectGroup = 1u << 12,
  kSequence = 1u << 13,
};

// The step words on a line of code, in any case, as whole names.
inline unsigned StepWords(std::string_view code) {
  static const std::string_view kWords[] = {"DEFINITIONS",
                                            "IMPORTS",
                                            "EXPORTS",
                                            "OBJECT",
                                            "MACRO",
                                            "MODULE-IDENTITY",
                                            "MODULE-COMPLIANCE",
                                            "NOTIFICATION-TYPE",
                                            "NOTIFICATION-GROUP",
                                            "OBJECT-IDENTITY",
                                            "AGENT-CAPABILITIES",
                                            "OBJECT-TYPE",
                                            "OBJECT-GROUP",
                                            "SEQUENCE"};
  unsigned found = 0;
  std::size_t i = 0;
  while (i < code.size()) {
    while (i < code.size() && !IsIdentChar(code[i])) ++i;
    std::size_t e = i;
    while (e < code.size() && IsIdentChar(code[e])) ++e;
    const std::string_view word = code.substr(i, e - i);
    if (word.size() >= 5)
      for (unsigned k = 0; k < std::size(kWords); ++k)
        if (kWords[k].size() == word.size() && EqualsCI(kWords[k], word)) found |= 1u << k;
    i = e;
  }
  return found;
}

inline const char* const kNumericWords[] = {"Integer", "Unsigned",  "IPaddress",     "Counter",
                                            "Gauge32", "TimeTicks", "InterfaceIndex"};

}  // namespace mib_scan

// Reads one module file (its lines split already) into `mib`; imports are read at once.
void ReadMibFile(TMib& mib, std::string file, const MibText& text, int depth);

}  // namespace vilk
