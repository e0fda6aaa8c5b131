#pragma once
// printf-style formatting for the texts the program builds ("%-7d", "%-16.16s", "%4.4x",
// "%5.5x", "%.6g", "%d_Порт %s", ...). Arguments are type-checked at run time instead of
// trusted like C varargs; widths and precisions of %s count characters, not bytes.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace vilk {

class FormatArg {
 public:
  FormatArg(int v) : value_(static_cast<std::int64_t>(v)) {}
  FormatArg(unsigned v) : value_(static_cast<std::int64_t>(v)) {}
  FormatArg(long v) : value_(static_cast<std::int64_t>(v)) {}
  FormatArg(unsigned long v) : value_(static_cast<std::int64_t>(v)) {}
  FormatArg(long long v) : value_(static_cast<std::int64_t>(v)) {}
  FormatArg(unsigned long long v) : value_(static_cast<std::int64_t>(v)) {}
  FormatArg(double v) : value_(v) {}
  FormatArg(float v) : value_(static_cast<double>(v)) {}
  FormatArg(const char* v) : value_(std::string_view(v ? v : "")) {}
  FormatArg(std::string_view v) : value_(v) {}
  FormatArg(const std::string& v) : value_(std::string_view(v)) {}

  const std::variant<std::int64_t, double, std::string_view>& Value() const { return value_; }

 private:
  std::variant<std::int64_t, double, std::string_view> value_;
};

// Conversions: d i u x X o c s g G f F e E %. Flags: - 0 + space #. Width and precision
// as numbers or '*'. %x of a negative value prints its 32-bit two's complement, as the
// controller's tools do. A missing argument formats as empty / 0; a wrong type is converted.
std::string FormatV(std::string_view fmt, std::initializer_list<FormatArg> args);

template <typename... Args>
std::string Format(std::string_view fmt, const Args&... args) {
  return FormatV(fmt, {FormatArg(args)...});
}

}  // namespace vilk
