#include "ports/fieldbus/table.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "base/files.h"
#include "base/format.h"
#include "base/text.h"
#include "model/records.h"

namespace vilk {

namespace {

constexpr std::size_t kTextCapacity = 255;
// Longest text a number cell may hold: enough for any value the kinds store.
constexpr std::size_t kMaxNumberChars = 24;

std::size_t TextCapacity(const TableColumn& c) {
  return c.ListLength ? c.ListLength : kTextCapacity;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// A decimal number of digits only; saturates far above every maximum. Empty is 0.
bool ParseDigits(std::string_view text, std::uint32_t& value) {
  value = 0;
  for (char c : text) {
    if (!IsDigit(c)) return false;
    value = std::min<std::uint32_t>(value * 10 + static_cast<std::uint32_t>(c - '0'), 100000000u);
  }
  return true;
}

// The words of a space-separated list (runs of spaces are one separator here: a list
// cell has no empty numbers).
std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && text[i] == ' ') ++i;
    const std::size_t start = i;
    while (i < text.size() && text[i] != ' ') ++i;
    if (i > start) words.push_back(text.substr(start, i - start));
  }
  return words;
}

// Leading and trailing blanks and control characters go.
std::string Trimmed(std::string_view text) {
  std::size_t b = 0, e = text.size();
  while (b < e && static_cast<unsigned char>(text[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ') --e;
  return std::string(text.substr(b, e - b));
}

bool ParseReal(std::string_view text, float& value) {
  value = 0;
  if (text.empty()) return true;
  std::string s(text);
  std::replace(s.begin(), s.end(), ',', '.');  // either decimal separator reads
  const char* end = s.data() + s.size();
  auto [p, ec] = std::from_chars(s.data(), end, value, std::chars_format::fixed);
  return ec == std::errc() && p == end;
}

void PutU16(std::uint8_t* field, std::uint16_t v) {
  field[0] = static_cast<std::uint8_t>(v);
  field[1] = static_cast<std::uint8_t>(v >> 8);
}

}  // namespace

std::size_t FieldWidth(const TableColumn& c) {
  switch (c.Kind) {
    case CellKind::U8:
    case CellKind::Driver:
      return 1;
    case CellKind::U16:
    case CellKind::Bits:
      return 2;
    case CellKind::Real:
      return 4;
    case CellKind::List:
      return c.ListLength;
    case CellKind::Text:
      return TextCapacity(c) + 1;
    default:
      return 0;
  }
}

bool Selectable(const TableColumn& c) {
  return c.Kind != CellKind::Derived && c.Kind != CellKind::Owner;
}

bool AcceptsChar(const TableColumn& c, char32_t ch) {
  const bool digit = ch >= U'0' && ch <= U'9';
  switch (c.Kind) {
    case CellKind::U8:
    case CellKind::U16:
    case CellKind::Driver:
      return digit;
    case CellKind::Real:
      return digit || ch == U'-' || ch == U'.' || ch == U',';
    case CellKind::List:
    case CellKind::Bits:
      return digit || ch == U' ';
    case CellKind::Text:
      return ch >= 0x20 && ch != 0x7F;
    default:
      return false;
  }
}

bool TypingAllows(const TableColumn& c, std::string_view text) {
  if (c.Kind == CellKind::Text) {
    if (CharCount(text) > TextCapacity(c)) return false;
    for (unsigned char ch : text)
      if (ch < 0x20 || ch == 0x7F) return false;
    return true;
  }
  if (!Selectable(c) || text.size() > std::max<std::size_t>(kMaxNumberChars, 4 * c.ListLength))
    return false;
  for (char ch : text)
    if (!AcceptsChar(c, static_cast<unsigned char>(ch))) return false;
  std::uint32_t v = 0;
  switch (c.Kind) {
    case CellKind::U8:
    case CellKind::U16:
    case CellKind::Driver:
      return ParseDigits(text, v) && v <= c.Max;
    case CellKind::List: {
      const auto words = Words(text);
      if (words.size() > c.ListLength) return false;
      for (std::string_view w : words)
        if (!ParseDigits(w, v) || v > c.Max) return false;
      return true;
    }
    case CellKind::Bits:
      for (std::string_view w : Words(text))
        if (!ParseDigits(w, v) || v > c.Max) return false;
      return true;
    default:  // Real: the characters are the test
      return true;
  }
}

std::string FieldToCell(const TableColumn& c, const std::uint8_t* field) {
  std::string text;
  switch (c.Kind) {
    case CellKind::U8:
    case CellKind::Driver:
      text = Format("%d", field[0]);
      break;
    case CellKind::U16:
      text = Format("%d", field[0] | field[1] << 8);
      break;
    case CellKind::Real: {
      float v;
      std::memcpy(&v, field, 4);
      text = Format("%.8f", v);
      if (text.find('.') != std::string::npos) {
        while (!text.empty() && text.back() == '0') text.pop_back();
        if (!text.empty() && text.back() == '.') text.pop_back();
      }
      if (text == "-0") text = "0";
      break;
    }
    case CellKind::List:
      for (std::size_t i = 0; i < c.ListLength; ++i)
        if (field[i]) text += Format(" %d", field[i]);
      break;
    case CellKind::Bits: {
      const int bits = field[0] | field[1] << 8;
      for (int b = 0; b < 16; ++b)
        if (bits & (1 << b)) text += Format(" %d", b + 1);
      break;
    }
    case CellKind::Text:
      text = UnpackShortString(field, TextCapacity(c));
      break;
    default:
      break;
  }
  return Trimmed(text);
}

CellStatus CellToField(const TableColumn& c, std::string_view text, std::uint8_t* field) {
  const std::size_t width = FieldWidth(c);
  if (width) std::memset(field, 0, width);
  std::uint32_t v = 0;
  switch (c.Kind) {
    case CellKind::U8:
    case CellKind::U16:
    case CellKind::Driver:
      if (text.size() > kMaxNumberChars || !ParseDigits(text, v)) return {CellError::NotNumber};
      if (v < c.Min || v > c.Max) return {CellError::OutOfRange, c.Min, c.Max};
      if (width == 1)
        field[0] = static_cast<std::uint8_t>(v);
      else
        PutU16(field, static_cast<std::uint16_t>(v));
      return {};
    case CellKind::Real: {
      float f = 0;
      if (text.size() > kMaxNumberChars || !ParseReal(text, f)) return {CellError::NotNumber};
      std::memcpy(field, &f, 4);
      return {};
    }
    case CellKind::List: {
      const auto words = Words(text);
      for (std::string_view w : words)
        if (!ParseDigits(w, v)) return {CellError::NotNumber};
      if (words.size() > c.ListLength) return {CellError::TooMany, 0, c.ListLength};
      const std::uint32_t most = std::min<std::uint32_t>(c.Max, 255);
      for (std::size_t i = 0; i < words.size(); ++i) {
        ParseDigits(words[i], v);
        if (v < c.Min || v > most) {
          std::memset(field, 0, width);
          return {CellError::OutOfRange, c.Min, static_cast<int>(most)};
        }
        field[i] = static_cast<std::uint8_t>(v);
      }
      return {};
    }
    case CellKind::Bits: {
      std::uint16_t bits = 0;
      for (std::string_view w : Words(text)) {
        if (!ParseDigits(w, v)) return {CellError::NotNumber};
        if (v < 1 || v > 16) return {CellError::OutOfRange, 1, 16};
        bits = static_cast<std::uint16_t>(bits | 1u << (v - 1));
      }
      PutU16(field, bits);
      return {};
    }
    case CellKind::Text:
      if (CharCount(text) > TextCapacity(c))
        return {CellError::TooLong, 0, static_cast<int>(TextCapacity(c))};
      PackShortString(std::string(text), TextCapacity(c), field);
      return {};
    default:
      return {};
  }
}

std::string CellErrorText(int row, int column, std::string_view text, const CellStatus& status) {
  std::string out =
      Format("Ячейка таблицы (строка %d, колонка %d)\rсодержит недопустимое значение: \"%s\"\r",
             row, column, text);
  switch (status.Error) {
    case CellError::NotNumber:
      out += "которое невозможно преобразовать в число.\r";
      break;
    case CellError::OutOfRange:
      out += Format("Допустимый диапазон значений: %d..%d.\r", status.Min, status.Max);
      break;
    case CellError::TooMany:
      out += Format("Допустимое количество чисел: не более %d.\r", status.Max);
      break;
    case CellError::TooLong:
      out += Format("Допустимая длина текста: не более %d символов.\r", status.Max);
      break;
    case CellError::None:
      break;
  }
  return out;
}

const char* CellErrorActions() {
  return "Дальнейшие действия:\rCancel - возврат к редактированию (рекомендуется);\rIgnore - "
         "обнулить данную ячейку и продолжить (на свой страх и риск).";
}

// --- the model ---

TableModel::TableModel(std::vector<TableColumn> columns, int maxRows)
    : columns_(std::move(columns)), maxRows_(std::max(1, maxRows)) {
  Clear();
}

const std::string& TableModel::Cell(int row, int col) const {
  static const std::string empty;
  if (row < 0 || row >= RowCount() || col < 0 || col >= ColumnCount()) return empty;
  return rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
}

void TableModel::SetCell(int row, int col, std::string text) {
  if (row < 0 || row >= RowCount() || col < 0 || col >= ColumnCount() || !Selectable(Column(col)))
    return;
  rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)] = std::move(text);
  if (Column(col).Kind == CellKind::Driver) RefreshRow(row);
}

bool TableModel::RowEmpty(int row) const {
  for (int c = 0; c < ColumnCount(); ++c)
    if (Selectable(Column(c)) && !Cell(row, c).empty()) return false;
  return true;
}

void TableModel::Reset(std::vector<std::vector<std::string>> rows) {
  rows_ = std::move(rows);
  if (rows_.empty()) rows_.emplace_back();
  for (auto& r : rows_) r.resize(columns_.size());
  Refresh();
}

bool TableModel::AppendRow() {
  if (RowCount() >= maxRows_) return false;
  rows_.emplace_back(columns_.size());
  RefreshRow(RowCount() - 1);
  return true;
}

bool TableModel::InsertEmptyRow(int row) {
  if (RowCount() >= maxRows_) return false;
  row = std::clamp(row, 0, RowCount());
  rows_.insert(rows_.begin() + row, std::vector<std::string>(columns_.size()));
  Refresh();
  return true;
}

bool TableModel::InsertCopyRow(int row) {
  row = std::clamp(row, 0, RowCount() - 1);
  if (!InsertEmptyRow(row)) return false;
  for (int c = 0; c < ColumnCount(); ++c)
    if (Selectable(Column(c)))
      rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(c)] = Cell(row + 1, c);
  RefreshRow(row);
  return true;
}

void TableModel::DeleteRow(int row) {
  if (row < 0 || row >= RowCount()) return;
  if (row == RowCount() - 1)
    rows_[static_cast<std::size_t>(row)].assign(columns_.size(), std::string());
  else
    rows_.erase(rows_.begin() + row);
  Refresh();
}

void TableModel::BlockFill(int source, int top, int bottom, int left, int right) {
  if (source < 0 || source >= RowCount()) return;
  top = std::max(top, 0);
  bottom = std::min(bottom, RowCount() - 1);
  left = std::max(left, 0);
  right = std::min(right, ColumnCount() - 1);
  for (int r = top; r <= bottom; ++r) {
    if (r == source) continue;
    for (int c = left; c <= right; ++c)
      if (Selectable(Column(c)))
        rows_[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)] = Cell(source, c);
    RefreshRow(r);
  }
}

void TableModel::Refresh() {
  for (int r = 0; r < RowCount(); ++r) RefreshRow(r);
}

void TableModel::RefreshRow(int row) {
  auto& cells = rows_[static_cast<std::size_t>(row)];
  const std::string* driver = nullptr;
  for (std::size_t c = 0; c < columns_.size(); ++c)
    if (columns_[c].Kind == CellKind::Driver) {
      driver = &cells[c];
      break;
    }
  for (std::size_t c = 0; c < columns_.size(); ++c) {
    if (columns_[c].Kind == CellKind::Derived) {
      std::uint32_t v = 0;
      cells[c] = driver && !driver->empty() && ParseDigits(*driver, v)
                     ? Format("%d", static_cast<int>(v) * 8 + DerivedBase - 8)
                     : std::string();
    } else if (columns_[c].Kind == CellKind::Owner) {
      cells[c] = OwnerText ? OwnerText(row, static_cast<int>(c)) : std::string();
    }
  }
}

std::string TableModel::ExportText() const {
  std::string text;
  for (const auto& row : rows_) {
    for (const std::string& cell : row) {
      text += cell;
      text += '\t';
    }
    text += "\r\n";
  }
  return Utf8ToCp1251(text);
}

bool TableModel::ImportText(std::string_view cp1251, std::string* error) {
  auto fail = [error](std::string why) {
    if (error) *error = std::move(why);
    return false;
  };
  std::vector<std::vector<std::string>> rows;
  int lastFilled = 0;  // rows up to the last line holding a value
  std::size_t at = 0;
  int line = 0;
  while (at < cp1251.size()) {
    std::size_t end = cp1251.find('\n', at);
    if (end == std::string_view::npos) end = cp1251.size();
    std::string_view text = cp1251.substr(at, end - at);
    at = end + 1;
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    ++line;
    std::vector<std::string> cells(columns_.size());
    bool filled = false;
    // Every tab ends a cell: an empty cell keeps its column.
    std::size_t from = 0;
    for (std::size_t col = 0; from <= text.size(); ++col) {
      std::size_t tab = text.find('\t', from);
      if (tab == std::string_view::npos) tab = text.size();
      const std::string cell = Cp1251ToUtf8(text.substr(from, tab - from));
      from = tab + 1;
      if (cell.empty()) continue;
      if (col >= columns_.size())
        return fail(Format("Строка %d файла: значений больше, чем колонок в таблице (%d).", line,
                           ColumnCount()));
      const TableColumn& c = columns_[col];
      if (!Selectable(c)) continue;  // refreshed from the row
      if (!TypingAllows(c, cell))
        return fail(Format("Строка %d файла, колонка %d: недопустимое значение \"%s\".", line,
                           static_cast<int>(col) + 1, cell));
      cells[col] = cell;
      filled = true;
    }
    rows.push_back(std::move(cells));
    if (filled) lastFilled = line;
  }
  if (lastFilled > maxRows_)
    return fail(
        Format("В файле %d строк таблицы, таблица вмещает не более %d.", lastFilled, maxRows_));
  if (static_cast<int>(rows.size()) > maxRows_) rows.resize(static_cast<std::size_t>(maxRows_));
  Reset(std::move(rows));
  return true;
}

bool TableModel::ImportFile(const std::string& path, std::string* error) {
  std::vector<std::uint8_t> bytes;
  const ReadResult result = ReadFileLimited(path, kMaxTextFile, bytes);
  if (result != ReadResult::Ok) {
    if (error) *error = DescribeReadFailure(result, path);
    return false;
  }
  std::string why;
  if (ImportText(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), &why))
    return true;
  if (error) *error = "Файл " + path + ": " + why;
  return false;
}

bool TableModel::ExportFile(const std::string& path, std::string* error) const {
  const std::string text = ExportText();
  return WriteFileAtomic(path, text.data(), text.size(), error);
}

}  // namespace vilk
