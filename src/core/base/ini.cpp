#include "base/ini.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <unordered_set>

#include "base/files.h"
#include "base/text.h"

namespace vilk {
namespace {

// The characters Windows skips around names and values.
constexpr std::string_view kSpace = " \t\r\n\v\f";

std::string_view Trim(std::string_view s) {
  const std::size_t first = s.find_first_not_of(kSpace);
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(kSpace) - first + 1);
}

bool HasLineBreak(std::string_view s) {
  return s.find_first_of("\r\n") != std::string_view::npos;
}

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 99;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

std::optional<int> ParseIniInteger(std::string_view text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  unsigned base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i == text.size()) return std::nullopt;
  // Hex may use all 32 bits (Delphi reads $FFFFFFFF as -1); decimal must fit an Integer.
  const std::uint64_t limit = base == 16 ? 0xFFFFFFFFu : (negative ? 0x80000000u : 0x7FFFFFFFu);
  std::uint64_t value = 0;
  for (; i < text.size(); ++i) {
    const int digit = DigitValue(text[i]);
    if (digit >= static_cast<int>(base)) return std::nullopt;
    value = value * base + static_cast<unsigned>(digit);
    if (value > limit) return std::nullopt;
  }
  // Two's complement in unsigned arithmetic, so that -2147483648 and $80000000 do not overflow.
  std::uint32_t bits = static_cast<std::uint32_t>(value);
  if (negative) bits = 0u - bits;
  return static_cast<int>(bits);
}

std::optional<double> ParseIniFloat(std::string_view text) {
  // Check the shape first: from_chars alone would take "inf", "nan" and hex floats.
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  if (i < text.size() && (text[i] == '.' || text[i] == ',')) {
    ++i;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return std::nullopt;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t expDigits = 0;
    while (i < text.size() && IsDigit(text[i])) ++i, ++expDigits;
    if (expDigits == 0) return std::nullopt;
  }
  if (i != text.size()) return std::nullopt;

  std::string normal(text.substr(text[0] == '+' ? 1 : 0));
  std::replace(normal.begin(), normal.end(), ',', '.');
  double value = 0;
  const char* end = normal.data() + normal.size();
  const auto [ptr, ec] = std::from_chars(normal.data(), end, value);
  if (ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

std::string FormatIniFloat(double value) {
  char buf[64];
  const auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, value);
  return ec == std::errc() ? std::string(buf, ptr) : std::string("0");
}

bool IniDocument::LoadFile(const std::string& path, std::string* error) {
  Clear();
  std::vector<std::uint8_t> bytes;
  const ReadResult result = ReadFileLimited(path, kMaxFileSize, bytes);
  if (result == ReadResult::Ok) {
    Parse(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    return true;
  }
  if (error) *error = DescribeReadFailure(result, path);
  return false;
}

void IniDocument::Parse(std::string_view cp1251) {
  Clear();
  const std::string text = Cp1251ToUtf8(cp1251);
  std::string_view rest = text;
  while (!rest.empty()) {
    const std::size_t newline = rest.find('\n');
    std::string_view line = rest.substr(0, newline);
    rest = newline == std::string_view::npos ? std::string_view() : rest.substr(newline + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

    const std::string_view trimmed = Trim(line);
    if (!trimmed.empty() && trimmed[0] == '[') {
      // Like Windows, the name ends at the last ']' and whatever follows it is ignored.
      const std::size_t close = trimmed.rfind(']');
      if (close != std::string_view::npos) {
        Section section;
        section.header = line;
        section.name = Trim(trimmed.substr(1, close - 1));
        section.folded = FoldCase(section.name);
        sections_.push_back(std::move(section));
        continue;
      }
    }
    Line entry;
    entry.text = line;
    if (!trimmed.empty() && trimmed[0] != ';' && trimmed[0] != '[') {
      const std::size_t eq = trimmed.find('=');
      if (eq != std::string_view::npos) {
        const std::string_view key = Trim(trimmed.substr(0, eq));
        if (!key.empty()) {
          entry.entry = true;
          entry.key = key;
          entry.folded = FoldCase(key);
          entry.value = Trim(trimmed.substr(eq + 1));
        }
      }
    }
    if (!sections_.empty() && entry.entry)
      sections_.back().keys.emplace(entry.folded, sections_.back().lines.size());
    (sections_.empty() ? preamble_ : sections_.back().lines).push_back(std::move(entry));
  }
  RebuildIndex();
}

std::string IniDocument::ToBytes() const {
  std::string utf8;
  for (const Line& line : preamble_) (utf8 += line.text) += "\r\n";
  for (const Section& section : sections_) {
    (utf8 += section.header) += "\r\n";
    for (const Line& line : section.lines) (utf8 += line.text) += "\r\n";
  }
  return Utf8ToCp1251(utf8);
}

bool IniDocument::SaveFile(const std::string& path, std::string* error) const {
  const std::string bytes = ToBytes();
  return WriteFileAtomic(path, bytes.data(), bytes.size(), error);
}

void IniDocument::Clear() {
  preamble_.clear();
  sections_.clear();
  index_.clear();
}

void IniDocument::RebuildIndex() {
  index_.clear();
  for (std::size_t i = 0; i < sections_.size(); ++i) index_.emplace(sections_[i].folded, i);
}

const IniDocument::Section* IniDocument::FindSection(std::string_view section) const {
  const auto it = index_.find(FoldCase(Trim(section)));
  return it == index_.end() ? nullptr : &sections_[it->second];
}

IniDocument::Section* IniDocument::FindSection(std::string_view section) {
  return const_cast<Section*>(std::as_const(*this).FindSection(section));
}

namespace {

// The first "key=value" line with that key; works on const and non-const sections.
template <typename Section>
auto FindEntry(Section& section, const std::string& folded) -> decltype(&section.lines[0]) {
  const auto it = section.keys.find(folded);
  return it == section.keys.end() ? nullptr : &section.lines[it->second];
}

}  // namespace

std::string IniDocument::ReadString(std::string_view section, std::string_view key,
                                    std::string_view def) const {
  const Section* s = FindSection(section);
  if (!s) return std::string(def);
  const Line* line = FindEntry(*s, FoldCase(Trim(key)));
  return line ? line->value : std::string(def);
}

int IniDocument::ReadInteger(std::string_view section, std::string_view key, int def) const {
  return ParseIniInteger(ReadString(section, key)).value_or(def);
}

bool IniDocument::ReadBool(std::string_view section, std::string_view key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

double IniDocument::ReadFloat(std::string_view section, std::string_view key, double def) const {
  return ParseIniFloat(ReadString(section, key)).value_or(def);
}

bool IniDocument::WriteString(std::string_view section, std::string_view key,
                              std::string_view value) {
  section = Trim(section);
  key = Trim(key);
  // Stored trimmed, so that the document reads the same before and after a reload.
  value = Trim(value);
  if (section.empty() || HasLineBreak(section)) return false;
  if (key.empty() || HasLineBreak(key) || key.find('=') != std::string_view::npos ||
      key[0] == ';' || key[0] == '[') {
    return false;
  }
  if (HasLineBreak(value)) return false;

  Section* s = FindSection(section);
  if (!s) {
    // A blank line between sections, as TMemIniFile writes them.
    std::vector<Line>& last = sections_.empty() ? preamble_ : sections_.back().lines;
    const std::string* lastText = nullptr;
    if (!last.empty()) {
      lastText = &last.back().text;
    } else if (!sections_.empty()) {
      lastText = &sections_.back().header;
    }
    if (lastText && !Trim(*lastText).empty()) last.emplace_back();

    Section added;
    added.name = section;
    added.header = "[" + added.name + "]";
    added.folded = FoldCase(section);
    index_.emplace(added.folded, sections_.size());
    sections_.push_back(std::move(added));
    s = &sections_.back();
  }

  const std::string folded = FoldCase(key);
  if (Line* line = FindEntry(*s, folded)) {
    if (line->value != value) {
      line->value = value;
      line->text = line->key + "=" + line->value;
    }
    return true;
  }
  // After the last non-blank line: the blank lines that end a section separate it from the
  // next one and stay after the new key.
  auto pos = s->lines.end();
  while (pos != s->lines.begin() && Trim(std::prev(pos)->text).empty()) --pos;
  Line line;
  line.entry = true;
  line.key = key;
  line.folded = folded;
  line.value = value;
  line.text = line.key + "=" + line.value;
  // Only blank lines follow `pos`, so no indexed line moves.
  s->keys.emplace(folded, static_cast<std::size_t>(pos - s->lines.begin()));
  s->lines.insert(pos, std::move(line));
  return true;
}

bool IniDocument::WriteInteger(std::string_view section, std::string_view key, int value) {
  return WriteString(section, key, std::to_string(value));
}

bool IniDocument::WriteBool(std::string_view section, std::string_view key, bool value) {
  return WriteString(section, key, value ? "1" : "0");
}

bool IniDocument::WriteFloat(std::string_view section, std::string_view key, double value) {
  return WriteString(section, key, FormatIniFloat(value));
}

bool IniDocument::SectionExists(std::string_view section) const {
  return FindSection(section) != nullptr;
}

bool IniDocument::ValueExists(std::string_view section, std::string_view key) const {
  const Section* s = FindSection(section);
  return s && FindEntry(*s, FoldCase(Trim(key))) != nullptr;
}

std::vector<std::string> IniDocument::Sections() const {
  std::vector<std::string> names;
  for (std::size_t i = 0; i < sections_.size(); ++i) {
    if (index_.at(sections_[i].folded) == i) names.push_back(sections_[i].name);
  }
  return names;
}

std::vector<std::string> IniDocument::SectionKeys(std::string_view section) const {
  std::vector<std::string> keys;
  for (auto& [key, value] : SectionValues(section)) keys.push_back(std::move(key));
  return keys;
}

std::vector<std::pair<std::string, std::string>> IniDocument::SectionValues(
    std::string_view section) const {
  std::vector<std::pair<std::string, std::string>> values;
  const Section* s = FindSection(section);
  if (!s) return values;
  std::unordered_set<std::string_view> seen;
  for (const Line& line : s->lines) {
    if (line.entry && seen.insert(line.folded).second) values.emplace_back(line.key, line.value);
  }
  return values;
}

bool IniDocument::EraseSection(std::string_view section) {
  const std::string folded = FoldCase(Trim(section));
  const std::size_t removed =
      std::erase_if(sections_, [&](const Section& s) { return s.folded == folded; });
  if (removed > 0) RebuildIndex();
  return removed > 0;
}

bool IniDocument::DeleteKey(std::string_view section, std::string_view key) {
  Section* s = FindSection(section);
  if (!s) return false;
  const std::string folded = FoldCase(Trim(key));
  const bool erased = std::erase_if(s->lines, [&](const Line& line) {
                        return line.entry && line.folded == folded;
                      }) > 0;
  if (erased) s->IndexKeys();
  return erased;
}

void IniDocument::Section::IndexKeys() {
  keys.clear();
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (lines[i].entry) keys.emplace(lines[i].folded, i);
}

}  // namespace vilk
