#include "base/format.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "base/text.h"

namespace vilk {
namespace {

// A width or precision beyond this comes only from a broken format string; clamping it
// keeps such a string from asking for gigabytes.
constexpr int kMaxWidth = 1 << 20;

enum class Length { None, Char, Short, Long };

struct Directive {
  bool left = false;   // '-'
  bool zero = false;   // '0'
  bool plus = false;   // '+'
  bool space = false;  // ' '
  bool alt = false;    // '#'
  int width = 0;
  int precision = -1;  // -1: not given
  Length length = Length::None;
  char conv = 0;
};

// Hands out the arguments in order; nullptr once they run out.
class ArgReader {
 public:
  ArgReader(const FormatArg* begin, const FormatArg* end) : it_(begin), end_(end) {}

  const FormatArg* Next() { return it_ == end_ ? nullptr : it_++; }

 private:
  const FormatArg* it_;
  const FormatArg* end_;
};

// Leading number of a text given where a number was expected ("42", " -3.5"); 0 when the
// text does not start with one.
double ParseNumber(std::string_view s, std::int64_t* asInt) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  const char* first = s.data();
  const char* last = s.data() + s.size();
  std::int64_t i = 0;
  const auto ri = std::from_chars(first, last, i);
  double d = 0;
  const auto rd = std::from_chars(first, last, d);
  // Prefer the integer reading unless the text goes on as a fraction or exponent, so that
  // large integers keep every digit.
  if (ri.ec == std::errc() && (rd.ec != std::errc() || rd.ptr == ri.ptr)) {
    *asInt = i;
    return static_cast<double>(i);
  }
  if (rd.ec != std::errc()) d = 0;
  *asInt = std::isfinite(d) && std::fabs(d) < 9.2e18 ? static_cast<std::int64_t>(d) : 0;
  return d;
}

std::int64_t ToInt(const FormatArg* arg) {
  if (!arg) return 0;
  const auto& v = arg->Value();
  if (const auto* i = std::get_if<std::int64_t>(&v)) return *i;
  if (const auto* d = std::get_if<double>(&v)) {
    // Truncation as a C cast would do, but defined for NaN and out-of-range values.
    if (std::isnan(*d)) return 0;
    if (*d >= 9223372036854775807.0) return std::numeric_limits<std::int64_t>::max();
    if (*d <= -9223372036854775808.0) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(*d);
  }
  std::int64_t i = 0;
  ParseNumber(std::get<std::string_view>(v), &i);
  return i;
}

double ToDouble(const FormatArg* arg) {
  if (!arg) return 0;
  const auto& v = arg->Value();
  if (const auto* d = std::get_if<double>(&v)) return *d;
  if (const auto* i = std::get_if<std::int64_t>(&v)) return static_cast<double>(*i);
  std::int64_t ignored = 0;
  return ParseNumber(std::get<std::string_view>(v), &ignored);
}

void AppendCodePoint(std::string& out, std::int64_t cp) {
  if (cp < 0 || cp > 0x10FFFF)
    out.push_back('?');
  else
    AppendUtf8(out, static_cast<char32_t>(cp));
}

// Text for %s of a number: plain decimal, or the shortest form that reads back the same.
std::string NumberText(const FormatArg& arg) {
  char buf[64];
  std::to_chars_result r;
  if (const auto* i = std::get_if<std::int64_t>(&arg.Value())) {
    r = std::to_chars(buf, buf + sizeof buf, *i);
  } else {
    r = std::to_chars(buf, buf + sizeof buf, std::get<double>(arg.Value()));
  }
  return std::string(buf, r.ptr);
}

// Pads already-built text to the width, counting characters.
void AppendPadded(std::string& out, std::string_view text, const Directive& dir) {
  const std::size_t chars = CharCount(text);
  const std::size_t pad =
      static_cast<std::size_t>(dir.width) > chars ? static_cast<std::size_t>(dir.width) - chars : 0;
  if (!dir.left) out.append(pad, ' ');
  out.append(text);
  if (dir.left) out.append(pad, ' ');
}

void AppendString(std::string& out, const FormatArg* arg, const Directive& dir) {
  std::string converted;
  std::string_view text;
  if (arg) {
    if (const auto* s = std::get_if<std::string_view>(&arg->Value())) {
      text = *s;
    } else {
      converted = NumberText(*arg);
      text = converted;
    }
  }
  if (dir.precision >= 0) {
    text = text.substr(0, ByteOffsetOfChar(text, static_cast<std::size_t>(dir.precision)));
  }
  AppendPadded(out, text, dir);
}

void AppendChar(std::string& out, const FormatArg* arg, const Directive& dir) {
  std::string ch;
  if (arg) {
    if (const auto* s = std::get_if<std::string_view>(&arg->Value())) {
      ch = Truncate(*s, 1);
    } else {
      AppendCodePoint(ch, ToInt(arg));
    }
  }
  AppendPadded(out, ch, dir);
}

// Hands one numeric conversion to snprintf with the directive rebuilt from the parsed one, so the
// digits, signs, padding and exponent forms are exactly the C library's.
template <typename T>
void AppendSnprintf(std::string& out, const Directive& dir, const char* lengthMod, T value) {
  char fmt[48];
  char* f = fmt;
  *f++ = '%';
  if (dir.left) *f++ = '-';
  if (dir.zero) *f++ = '0';
  if (dir.plus) *f++ = '+';
  if (dir.space) *f++ = ' ';
  if (dir.alt) *f++ = '#';
  f += std::snprintf(f, 12, "%d", dir.width);
  if (dir.precision >= 0) f += std::snprintf(f, 13, ".%d", dir.precision);
  for (const char* m = lengthMod; *m; ++m) *f++ = *m;
  *f++ = dir.conv;
  *f = '\0';

  char buf[128];
  const int n = std::snprintf(buf, sizeof buf, fmt, value);
  if (n < 0) return;
  if (static_cast<std::size_t>(n) < sizeof buf) {
    out.append(buf, static_cast<std::size_t>(n));
    return;
  }
  const std::size_t start = out.size();
  out.resize(start + static_cast<std::size_t>(n) + 1);
  std::snprintf(out.data() + start, static_cast<std::size_t>(n) + 1, fmt, value);
  out.resize(start + static_cast<std::size_t>(n));
}

void AppendSigned(std::string& out, const FormatArg* arg, Directive dir) {
  std::int64_t v = ToInt(arg);
  if (dir.length == Length::Char) v = static_cast<signed char>(v);
  if (dir.length == Length::Short) v = static_cast<short>(v);
  dir.conv = 'd';
  AppendSnprintf(out, dir, "ll", static_cast<long long>(v));
}

void AppendUnsigned(std::string& out, const FormatArg* arg, const Directive& dir) {
  const std::int64_t v = ToInt(arg);
  auto u = static_cast<std::uint64_t>(v);
  switch (dir.length) {
    case Length::Char:
      u = static_cast<unsigned char>(v);
      break;
    case Length::Short:
      u = static_cast<unsigned short>(v);
      break;
    case Length::Long:
      break;
    case Length::None:
      // A negative int shows as its 32-bit pattern (%x of -1 is ffffffff), as the
      // controller's tools print it; anything wider keeps all 64 bits.
      if (v < 0 && v >= std::numeric_limits<std::int32_t>::min()) u = static_cast<std::uint32_t>(v);
      break;
  }
  AppendSnprintf(out, dir, "ll", static_cast<unsigned long long>(u));
}

// Reads digits or '*' for a width/precision; returns false when there was neither.
bool ReadCount(std::string_view fmt, std::size_t& i, ArgReader& args, int& value) {
  if (i < fmt.size() && fmt[i] == '*') {
    ++i;
    const std::int64_t v = ToInt(args.Next());
    value = static_cast<int>(v < -kMaxWidth ? -kMaxWidth : (v > kMaxWidth ? kMaxWidth : v));
    return true;
  }
  if (i >= fmt.size() || fmt[i] < '0' || fmt[i] > '9') return false;
  long long v = 0;
  while (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9') {
    if (v <= kMaxWidth) v = v * 10 + (fmt[i] - '0');
    ++i;
  }
  value = static_cast<int>(v > kMaxWidth ? kMaxWidth : v);
  return true;
}

}  // namespace

std::string FormatV(std::string_view fmt, std::initializer_list<FormatArg> argList) {
  std::string out;
  out.reserve(fmt.size() + 16);
  ArgReader args(argList.begin(), argList.end());
  std::size_t i = 0;
  while (i < fmt.size()) {
    const std::size_t pct = fmt.find('%', i);
    if (pct == std::string_view::npos) {
      out.append(fmt.substr(i));
      break;
    }
    out.append(fmt.substr(i, pct - i));
    i = pct + 1;

    Directive dir;
    for (; i < fmt.size(); ++i) {
      const char c = fmt[i];
      if (c == '-')
        dir.left = true;
      else if (c == '0')
        dir.zero = true;
      else if (c == '+')
        dir.plus = true;
      else if (c == ' ')
        dir.space = true;
      else if (c == '#')
        dir.alt = true;
      else
        break;
    }
    if (ReadCount(fmt, i, args, dir.width) && dir.width < 0) {
      // A negative '*' width means left-justified, as in C.
      dir.left = true;
      dir.width = -dir.width;
    }
    if (i < fmt.size() && fmt[i] == '.') {
      ++i;
      if (!ReadCount(fmt, i, args, dir.precision)) dir.precision = 0;
      if (dir.precision < 0) dir.precision = -1;  // a negative '*' precision is "none"
    }
    // Length modifiers are accepted so that "%ld" and the like keep working; only hh and h
    // change the result (the value is cut to char / short first, as C does).
    while (i < fmt.size()) {
      const char c = fmt[i];
      if (c == 'h') {
        dir.length = dir.length == Length::Short ? Length::Char : Length::Short;
      } else if (c == 'l' || c == 'j' || c == 'z' || c == 't' || c == 'L' || c == 'q') {
        dir.length = Length::Long;
      } else {
        break;
      }
      ++i;
    }
    if (i >= fmt.size()) {
      // The text ends inside a conversion: keep what is there.
      out.append(fmt.substr(pct));
      break;
    }
    dir.conv = fmt[i++];

    switch (dir.conv) {
      case '%':
        out.push_back('%');
        break;
      case 'd':
      case 'i':
        AppendSigned(out, args.Next(), dir);
        break;
      case 'u':
      case 'x':
      case 'X':
      case 'o':
        AppendUnsigned(out, args.Next(), dir);
        break;
      case 'c':
        AppendChar(out, args.Next(), dir);
        break;
      case 's':
        AppendString(out, args.Next(), dir);
        break;
      case 'f':
      case 'F':
      case 'e':
      case 'E':
      case 'g':
      case 'G':
        AppendSnprintf(out, dir, "", ToDouble(args.Next()));
        break;
      default:
        // Not a conversion this formatter knows: show it as written.
        out.append(fmt.substr(pct, i - pct));
        break;
    }
  }
  return out;
}

}  // namespace vilk
