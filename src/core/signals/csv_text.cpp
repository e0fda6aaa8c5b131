// The CSV text itself, apart from what a signal list makes of it.
#include <string>

#include "base/format.h"
#include "base/text.h"
#include "signals/csv.h"

namespace vilk {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

bool IsUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t more;
    if (c < 0x80)
      more = 0;
    else if (c >= 0xC2 && c <= 0xDF)
      more = 1;
    else if ((c >> 4) == 0xE)
      more = 2;
    else if (c >= 0xF0 && c <= 0xF4)
      more = 3;
    else
      return false;
    if (i + more >= s.size() && more) return false;
    for (std::size_t k = 1; k <= more; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    i += more + 1;
  }
  return true;
}

bool NeedsQuotes(const std::string& field) {
  return field.find_first_of(";\"\r\n") != std::string::npos ||
         (!field.empty() && (field.front() == ' ' || field.back() == ' '));
}

}  // namespace

std::string WriteCsv(const std::vector<CsvRecord>& records) {
  std::string out(kBom);
  for (const CsvRecord& record : records) {
    for (std::size_t i = 0; i < record.size(); ++i) {
      if (i) out += ';';
      const std::string& field = record[i];
      if (!NeedsQuotes(field)) {
        out += field;
        continue;
      }
      out += '"';
      for (char c : field) {
        if (c == '"') out += '"';
        out += c;
      }
      out += '"';
    }
    out += "\r\n";
  }
  return out;
}

CsvText ParseCsv(std::string_view raw) {
  CsvText result;
  std::string converted;
  if (raw.substr(0, kBom.size()) == kBom) {
    raw.remove_prefix(kBom.size());
  } else if (!IsUtf8(raw)) {
    converted = Cp1251ToUtf8(raw);
    raw = converted;
  }
  // The separator: ";" unless the first line has none and has a tab or "," instead.
  char sep = ';';
  const std::string_view first = raw.substr(0, raw.find_first_of("\r\n"));
  if (first.find(';') == std::string_view::npos) {
    if (first.find('\t') != std::string_view::npos)
      sep = '\t';
    else if (first.find(',') != std::string_view::npos)
      sep = ',';
  }

  int line = 1;
  std::size_t i = 0;
  const std::size_t n = raw.size();
  while (i < n) {
    CsvRecord record;
    const int startLine = line;
    for (;;) {
      std::string field;
      if (i < n && raw[i] == '"') {
        const int quoteLine = line;
        ++i;
        for (;;) {
          if (i >= n) {
            result.Error = Format("Строка %d: кавычка не закрыта.", quoteLine);
            return result;
          }
          if (raw[i] == '"') {
            if (i + 1 < n && raw[i + 1] == '"') {
              field += '"';
              i += 2;
              continue;
            }
            ++i;
            break;
          }
          if (raw[i] == '\n') ++line;
          field += raw[i++];
        }
        // Text after the closing quote belongs to the field, as spreadsheets read it.
        while (i < n && raw[i] != sep && raw[i] != '\r' && raw[i] != '\n') field += raw[i++];
      } else {
        while (i < n && raw[i] != sep && raw[i] != '\r' && raw[i] != '\n') field += raw[i++];
      }
      record.push_back(std::move(field));
      if (i < n && raw[i] == sep) {
        ++i;
        continue;
      }
      break;
    }
    if (i < n && raw[i] == '\r') ++i;
    if (i < n && raw[i] == '\n') ++i;
    ++line;
    bool blank = true;  // spreadsheets end files with rows of bare separators
    for (const std::string& f : record) blank = blank && f.empty();
    if (!blank) {
      result.Records.push_back(std::move(record));
      result.Lines.push_back(startLine);
    }
  }
  return result;
}

}  // namespace vilk
