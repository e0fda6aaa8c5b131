#include "base/text.h"

#include <array>
#include <cstdint>

namespace vilk {
namespace {

// Code points of cp1251 bytes 0x80..0xFF (the lower half is ASCII). 0x98 has no character
// in cp1251; U+0098 stands in for it so that every byte survives a round trip.
constexpr std::array<char16_t, 128> kHighHalf = {
    u'\u0402', u'\u0403', u'\u201A', u'\u0453', u'\u201E', u'\u2026', u'\u2020', u'\u2021',
    u'\u20AC', u'\u2030', u'\u0409', u'\u2039', u'\u040A', u'\u040C', u'\u040B', u'\u040F',
    u'\u0452', u'\u2018', u'\u2019', u'\u201C', u'\u201D', u'\u2022', u'\u2013', u'\u2014',
    u'\u0098', u'\u2122', u'\u0459', u'\u203A', u'\u045A', u'\u045C', u'\u045B', u'\u045F',
    u'\u00A0', u'\u040E', u'\u045E', u'\u0408', u'\u00A4', u'\u0490', u'\u00A6', u'\u00A7',
    u'\u0401', u'\u00A9', u'\u0404', u'\u00AB', u'\u00AC', u'\u00AD', u'\u00AE', u'\u0407',
    u'\u00B0', u'\u00B1', u'\u0406', u'\u0456', u'\u0491', u'\u00B5', u'\u00B6', u'\u00B7',
    u'\u0451', u'\u2116', u'\u0454', u'\u00BB', u'\u0458', u'\u0405', u'\u0455', u'\u0457',
    u'\u0410', u'\u0411', u'\u0412', u'\u0413', u'\u0414', u'\u0415', u'\u0416', u'\u0417',
    u'\u0418', u'\u0419', u'\u041A', u'\u041B', u'\u041C', u'\u041D', u'\u041E', u'\u041F',
    u'\u0420', u'\u0421', u'\u0422', u'\u0423', u'\u0424', u'\u0425', u'\u0426', u'\u0427',
    u'\u0428', u'\u0429', u'\u042A', u'\u042B', u'\u042C', u'\u042D', u'\u042E', u'\u042F',
    u'\u0430', u'\u0431', u'\u0432', u'\u0433', u'\u0434', u'\u0435', u'\u0436', u'\u0437',
    u'\u0438', u'\u0439', u'\u043A', u'\u043B', u'\u043C', u'\u043D', u'\u043E', u'\u043F',
    u'\u0440', u'\u0441', u'\u0442', u'\u0443', u'\u0444', u'\u0445', u'\u0446', u'\u0447',
    u'\u0448', u'\u0449', u'\u044A', u'\u044B', u'\u044C', u'\u044D', u'\u044E', u'\u044F',
};

// The UTF-8 encoding of each high byte, ready to append (every one is 2 or 3 bytes long).
struct Utf8Seq {
  char bytes[3];
  std::uint8_t size;
};

constexpr std::array<Utf8Seq, 128> MakeUtf8Table() {
  std::array<Utf8Seq, 128> table{};
  for (std::size_t i = 0; i < table.size(); ++i) {
    const unsigned cp = kHighHalf[i];
    Utf8Seq& seq = table[i];
    if (cp < 0x800) {
      seq.bytes[0] = static_cast<char>(0xC0 | (cp >> 6));
      seq.bytes[1] = static_cast<char>(0x80 | (cp & 0x3F));
      seq.size = 2;
    } else {
      seq.bytes[0] = static_cast<char>(0xE0 | (cp >> 12));
      seq.bytes[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      seq.bytes[2] = static_cast<char>(0x80 | (cp & 0x3F));
      seq.size = 3;
    }
  }
  return table;
}

constexpr std::array<Utf8Seq, 128> kUtf8OfHigh = MakeUtf8Table();

// Reverse direction: all cp1251 characters above ASCII live in four 256-code-point pages
// (U+00xx, U+04xx, U+20xx, U+21xx), so a page lookup plus one byte read replaces any search.
// A zero entry means "not in cp1251" (no high byte maps back to 0).
struct ReverseTable {
  std::array<std::array<std::uint8_t, 256>, 4> pages{};
};

constexpr int PageSlot(unsigned page) {
  switch (page) {
    case 0x00:
      return 0;
    case 0x04:
      return 1;
    case 0x20:
      return 2;
    case 0x21:
      return 3;
    default:
      return -1;
  }
}

constexpr ReverseTable MakeReverseTable() {
  ReverseTable table{};
  for (std::size_t i = 0; i < kHighHalf.size(); ++i) {
    const unsigned cp = kHighHalf[i];
    table.pages[static_cast<std::size_t>(PageSlot(cp >> 8))][cp & 0xFF] =
        static_cast<std::uint8_t>(0x80 + i);
  }
  return table;
}

constexpr ReverseTable kReverse = MakeReverseTable();

// Length of the well-formed UTF-8 sequence at p (n bytes available) and its code point;
// 0 when the bytes there are not a valid sequence (overlong forms, surrogates and values
// above U+10FFFF included).
inline std::size_t DecodeUtf8(const unsigned char* p, std::size_t n, char32_t& cp) {
  const unsigned b0 = p[0];
  if (b0 < 0x80) {
    cp = b0;
    return 1;
  }
  auto cont = [&](std::size_t k, unsigned lo = 0x80, unsigned hi = 0xBF) {
    return k < n && p[k] >= lo && p[k] <= hi;
  };
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    if (!cont(1)) return 0;
    cp = ((b0 & 0x1Fu) << 6) | (p[1] & 0x3Fu);
    return 2;
  }
  if (b0 >= 0xE0 && b0 <= 0xEF) {
    const unsigned lo = b0 == 0xE0 ? 0xA0 : 0x80;
    const unsigned hi = b0 == 0xED ? 0x9F : 0xBF;
    if (!cont(1, lo, hi) || !cont(2)) return 0;
    cp = ((b0 & 0x0Fu) << 12) | ((p[1] & 0x3Fu) << 6) | (p[2] & 0x3Fu);
    return 3;
  }
  if (b0 >= 0xF0 && b0 <= 0xF4) {
    const unsigned lo = b0 == 0xF0 ? 0x90 : 0x80;
    const unsigned hi = b0 == 0xF4 ? 0x8F : 0xBF;
    if (!cont(1, lo, hi) || !cont(2) || !cont(3)) return 0;
    cp = ((b0 & 0x07u) << 18) | ((p[1] & 0x3Fu) << 12) | ((p[2] & 0x3Fu) << 6) | (p[3] & 0x3Fu);
    return 4;
  }
  return 0;
}

// Bytes taken by the character at p; a byte that starts no valid sequence is a character
// of its own.
inline std::size_t CharSize(const unsigned char* p, std::size_t n) {
  if (p[0] < 0x80) return 1;
  char32_t cp;
  const std::size_t len = DecodeUtf8(p, n, cp);
  return len == 0 ? 1 : len;
}

inline char ToCp1251(char32_t cp) {
  if (cp < 0x80) return static_cast<char>(cp);
  const int slot = cp < 0x2200 ? PageSlot(cp >> 8) : -1;
  if (slot < 0) return '?';
  const std::uint8_t b = kReverse.pages[static_cast<std::size_t>(slot)][cp & 0xFF];
  return b == 0 ? '?' : static_cast<char>(b);
}

}  // namespace

std::string Utf8ToCp1251(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  const std::size_t n = utf8.size();
  std::size_t i = 0;
  while (i < n) {
    if (p[i] < 0x80) {
      out.push_back(static_cast<char>(p[i]));
      ++i;
      continue;
    }
    char32_t cp;
    const std::size_t len = DecodeUtf8(p + i, n - i, cp);
    if (len == 0) {
      out.push_back('?');
      ++i;
    } else {
      out.push_back(ToCp1251(cp));
      i += len;
    }
  }
  return out;
}

std::string Cp1251ToUtf8(std::string_view cp1251) {
  std::string out;
  Cp1251ToUtf8(cp1251, out);
  return out;
}

void Cp1251ToUtf8(std::string_view cp1251, std::string& out) {
  // Every signal name of a loaded image passes here: written through a pointer into room
  // for the longest result (three bytes a character), then cut to what was written.
  out.resize(cp1251.size() * 3);
  char* to = out.data();
  for (const char c : cp1251) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x80) {
      *to++ = c;
    } else {
      const Utf8Seq& seq = kUtf8OfHigh[b - 0x80];
      to[0] = seq.bytes[0];
      to[1] = seq.bytes[1];
      to[2] = seq.bytes[2];
      to += seq.size;
    }
  }
  out.resize(static_cast<std::size_t>(to - out.data()));
}

std::size_t CharCount(std::string_view utf8) {
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  const std::size_t n = utf8.size();
  std::size_t count = 0;
  for (std::size_t i = 0; i < n; i += CharSize(p + i, n - i)) ++count;
  return count;
}

std::size_t ByteOffsetOfChar(std::string_view utf8, std::size_t index) {
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  const std::size_t n = utf8.size();
  if (index >= n) return n;  // no fewer bytes than characters: the whole text (most names)
  std::size_t i = 0;
  for (; index > 0 && i < n; --index) i += CharSize(p + i, n - i);
  return i;
}

namespace {

char32_t FoldCodePoint(char32_t cp) {
  if (cp >= U'A' && cp <= U'Z') return cp + 0x20;
  if (cp < 0xC0) return cp;
  // Latin-1: À..Þ except the multiplication sign.
  if (cp <= 0xDE) return cp == 0xD7 ? cp : cp + 0x20;
  // Cyrillic: Ѐ..Џ (Ё, Ђ, Є, І, Ї, Ў ...) pair with ѐ..џ, А..Я with а..я.
  if (cp >= 0x400 && cp <= 0x40F) return cp + 0x50;
  if (cp >= 0x410 && cp <= 0x42F) return cp + 0x20;
  if (cp == 0x490) return 0x491;  // Ґ
  return cp;
}

}  // namespace

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    out.push_back('?');
    return;
  }
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::string FoldCase(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  const std::size_t n = utf8.size();
  std::size_t i = 0;
  while (i < n) {
    if (p[i] < 0x80) {
      const char c = static_cast<char>(p[i]);
      out.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c + 0x20) : c);
      ++i;
      continue;
    }
    char32_t cp;
    const std::size_t len = DecodeUtf8(p + i, n - i, cp);
    if (len == 0) {
      out.push_back(static_cast<char>(p[i]));
      ++i;
    } else {
      AppendUtf8(out, FoldCodePoint(cp));
      i += len;
    }
  }
  return out;
}

std::string Truncate(std::string_view utf8, std::size_t count) {
  return std::string(utf8.substr(0, ByteOffsetOfChar(utf8, count)));
}

std::string Slice(std::string_view utf8, std::size_t from, std::size_t count) {
  const std::string_view rest = utf8.substr(ByteOffsetOfChar(utf8, from));
  return std::string(rest.substr(0, ByteOffsetOfChar(rest, count)));
}

}  // namespace vilk
