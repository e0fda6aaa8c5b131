#pragma once
// INI files as the Windows profile routines and Delphi's TIniFile read and write them:
// the settings file Vilk.ini and the device template libraries. The document lives in
// memory in UTF-8; files on disk are cp1251 with CR LF line ends.
//
// Rules kept from Windows so that files written by the old program read the same:
// - section names and keys match without regard to case (Latin and Cyrillic);
// - whitespace around section names, keys and values is dropped on reading;
// - a value may contain '=' (the line splits at the first one);
// - with duplicate keys or sections the first one is read and written, the rest are kept;
// - comments (';'), blank lines, lines before the first section and lines that are no
//   "key=value" stay in the file untouched but take no part in lookups.
// Values are not unquoted (TMemIniFile does not either).
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace vilk {

// Delphi's StrToIntDef as TIniFile.ReadInteger uses it: optional sign, then decimal digits,
// or '$' / "0x" followed by hex digits. Hex values up to FFFFFFFF wrap into the 32-bit
// range; decimal values outside it, empty text and trailing junk give nothing.
std::optional<int> ParseIniInteger(std::string_view text);

// Decimal number with ',' or '.' as the separator (Russian Windows writes ','), optional
// sign and exponent. Anything else, including inf/nan, gives nothing.
std::optional<double> ParseIniFloat(std::string_view text);

// Shortest text that reads back as the same double, always with '.' whatever the locale.
std::string FormatIniFloat(double value);

class IniDocument {
 public:
  // Largest file LoadFile accepts; settings and template libraries are far smaller.
  static constexpr std::size_t kMaxFileSize = 64u << 20;

  // Replaces the document with the file's contents. A missing or unreadable file leaves an
  // empty document and returns false (`error`, when given, says why).
  bool LoadFile(const std::string& path, std::string* error = nullptr);
  // Replaces the document with cp1251 text. Accepts CR LF or LF line ends.
  void Parse(std::string_view cp1251);
  // Writes ToBytes() to `path` through a temporary file, so a failed save keeps the old one.
  bool SaveFile(const std::string& path, std::string* error = nullptr) const;
  // The document as cp1251 with CR LF after every line. Characters cp1251 lacks become '?'.
  std::string ToBytes() const;

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view def = {}) const;
  int ReadInteger(std::string_view section, std::string_view key, int def) const;
  // Like TIniFile: an integer, non-zero meaning true; "true"/"yes" give the default.
  bool ReadBool(std::string_view section, std::string_view key, bool def) const;
  double ReadFloat(std::string_view section, std::string_view key, double def) const;

  // Sets the first `key` of the first `section`, appending the key at the end of its section
  // and the section at the end of the document when missing. Returns false (and changes
  // nothing) for a name or value that would not read back: an empty section or key, a line
  // break anywhere, '=' in a key, a key starting with ';' or '['.
  bool WriteString(std::string_view section, std::string_view key, std::string_view value);
  bool WriteInteger(std::string_view section, std::string_view key, int value);
  bool WriteBool(std::string_view section, std::string_view key, bool value);  // "1" / "0"
  bool WriteFloat(std::string_view section, std::string_view key, double value);

  bool SectionExists(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view key) const;
  // Section names in file order, each name once, spelled as in its first occurrence.
  std::vector<std::string> Sections() const;
  // Keys of the section in file order, each once.
  std::vector<std::string> SectionKeys(std::string_view section) const;
  // (key, value) pairs of the section in file order, the first value of each key.
  std::vector<std::pair<std::string, std::string>> SectionValues(std::string_view section) const;

  // Removes every section of that name with all its lines. Returns whether one existed.
  bool EraseSection(std::string_view section);
  // Removes the key (and its duplicates) from the section. Returns whether it existed.
  bool DeleteKey(std::string_view section, std::string_view key);
  void Clear();

 private:
  struct Line {
    std::string text;    // as written in the file (UTF-8)
    bool entry = false;  // a "key=value" line; the fields below are set only then
    std::string key;
    std::string folded;  // FoldCase(key)
    std::string value;
  };
  struct Section {
    std::string header;  // the "[name]" line as written
    std::string name;
    std::string folded;
    std::vector<Line> lines;
    // Folded key -> its first "key=value" line: template sections hold thousands of names
    // and are read one name at a time.
    std::unordered_map<std::string, std::size_t> keys;
    void IndexKeys();
  };

  const Section* FindSection(std::string_view section) const;
  Section* FindSection(std::string_view section);
  void RebuildIndex();

  std::vector<Line> preamble_;  // lines before the first section
  std::vector<Section> sections_;
  std::unordered_map<std::string, std::size_t> index_;  // folded name -> first section
};

}  // namespace vilk
