#pragma once
// The pieces of the MIB reader shared by its parts: the text tests of the keyword scanner
// and the reader of one module file. Only the reader's own sources include this.
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "snmp/mib.h"

namespace vilk {

namespace mib_scan {

constexpr std::size_t npos = std::string::npos;
constexpr int kMaxImportDepth = 64;
// A value "{ parent n }" may continue on the next lines, but not without end: an open
// brace that does not close within this many lines is refused instead of eating the file.
constexpr std::size_t kMaxValueLines = 10;

inline bool IsIdentChar(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || c == '-' ||
         c == '_';
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

inline std::string Trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && (IsBlank(s[b]) || s[b] == '\t')) ++b;
  while (e > b && (IsBlank(s[e - 1]) || s[e - 1] == '\t')) --e;
  return std::string(s.substr(b, e - b));
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
  for (std::size_t i = from; i <= last; ++i) {
    if (s[i] != lower && s[i] != upper) continue;
    const std::string_view part = s.substr(i, w.size());
    if (ci ? !EqualsCI(part, w) : part != w) continue;
    if (i > 0 && IsIdentChar(s[i - 1])) continue;
    if (i < last && IsIdentChar(s[i + w.size()])) continue;
    return i;
  }
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
    // Module text is mostly ASCII: step over it eight bytes at a time.
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
// passed over at once.
inline bool HasStepKeyword(std::string_view code) {
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
  std::size_t i = 0;
  while (i < code.size()) {
    while (i < code.size() && !IsIdentChar(code[i])) ++i;
    std::size_t e = i;
    while (e < code.size() && IsIdentChar(code[e])) ++e;
    const std::string_view word = code.substr(i, e - i);
    if (word.size() >= 5)
      for (std::string_view k : kWords)
        if (k.size() == word.size() && EqualsCI(k, word)) return true;
    i = e;
  }
  return false;
}

inline const char* const kNumericWords[] = {"Integer", "Unsigned",  "IPaddress",     "Counter",
                                            "Gauge32", "TimeTicks", "InterfaceIndex"};

}  // namespace mib_scan

// Reads one module file (its lines split already) into `mib`; imports are read at once.
void ReadMibFile(TMib& mib, std::string file, const MibText& text, int depth);

}  // namespace vilk
