#include "ports/fieldbus/modbus_select.h"

#include <algorithm>

#include "base/format.h"
#include "base/text.h"
#include "signals/param.h"

namespace vilk {

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Digits of one base, at most 32 bits; nothing for empty text or any other character.
std::optional<std::uint32_t> ParseDigits(std::string_view s, int base) {
  if (s.empty()) return std::nullopt;
  std::uint64_t v = 0;
  for (char c : s) {
    const int d = base == 16 ? HexDigit(c) : (c >= '0' && c <= '9' ? c - '0' : -1);
    if (d < 0) return std::nullopt;
    v = v * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(d);
    if (v > 0xFFFFFFFFull) return std::nullopt;
  }
  return static_cast<std::uint32_t>(v);
}

bool Blank(const std::string& cell) {
  return Trim(cell).empty();
}

const std::string& Cell(const std::vector<std::string>& row, int column) {
  static const std::string empty;
  return column >= 0 && static_cast<std::size_t>(column) < row.size()
             ? row[static_cast<std::size_t>(column)]
             : empty;
}

void SetCell(std::vector<std::string>& row, int column, std::string text) {
  if (column < 0) return;
  if (row.size() <= static_cast<std::size_t>(column))
    row.resize(static_cast<std::size_t>(column) + 1);
  row[static_cast<std::size_t>(column)] = std::move(text);
}

// A decimal cell as a byte: empty is 0, above 255 is 255, anything but digits is wrong.
std::optional<std::uint8_t> ByteCell(const std::string& cell) {
  std::string_view t = Trim(cell);
  if (t.empty()) return 0;
  if (!std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return std::nullopt;
  while (t.size() > 1 && t.front() == '0') t.remove_prefix(1);
  // However long, a run of digits is a number: above 255 it is taken as 255.
  if (t.size() > 3) return 255;
  return static_cast<std::uint8_t>(std::min<std::uint32_t>(*ParseDigits(t, 10), 255));
}

// The address and the count a row reads, when its cells are numbers and the count is
// not 0.
struct RowRange {
  std::uint32_t First = 0;
  std::uint32_t Count = 0;
};
std::optional<RowRange> RangeOf(const std::vector<std::string>& row, int signalKind) {
  const GridColumns c = ColumnsOf(signalKind);
  const auto address = ParseDigits(Trim(Cell(row, c.Address)), 16);
  const auto count = ByteCell(Cell(row, c.Count));
  if (!address || !count || *count == 0) return std::nullopt;
  const auto function = ByteCell(Cell(row, c.Function));
  if (signalKind == kKindTS && function && (*function == 3 || *function == 4))
    return RowRange{*address * 16u, *count};
  return RowRange{*address, *count};
}

std::string Hex4(std::uint32_t v) {
  return Format("%4.4X", static_cast<int>(v));
}

}  // namespace

GridColumns ColumnsOf(int signalKind) {
  if (signalKind == kKindTI) return GridColumns{1, 2, 3, 4};
  return GridColumns{};
}

std::optional<std::uint32_t> TemplateKeyNumber(std::string_view key) {
  key = Trim(key);
  if (!key.empty() && key.front() == '$') return ParseDigits(key.substr(1), 16);
  return ParseDigits(key, 10);
}

std::string DefaultFunction(int signalKind) {
  switch (signalKind) {
    case kKindTS:
      return "1";
    case kKindTU:
      return "5";
    case kKindTI:
      return "3";
    default:
      return "6";
  }
}

RangePlacement AddRangeToGrid(GridCells& cells, int signalKind, std::uint32_t start,
                              std::uint32_t count) {
  RangePlacement result;
  const GridColumns c = ColumnsOf(signalKind);
  const int rows = static_cast<int>(cells.size());
  for (int r = 0; r < rows; ++r)
    if (Blank(Cell(cells[static_cast<std::size_t>(r)], c.Address))) {
      result.FirstRow = r;
      break;
    }
  if (result.FirstRow < 0) return result;

  std::uint64_t from = start;
  std::uint32_t left = count;
  for (int r = result.FirstRow; r < rows && left > 0; ++r) {
    const std::uint32_t piece = std::min(left, kMaxRangePiece);
    std::vector<std::string> row = cells[static_cast<std::size_t>(r)];
    if (r == 0) {
      SetCell(row, c.Function, DefaultFunction(signalKind));
    } else {
      const std::vector<std::string>& above = cells[static_cast<std::size_t>(r - 1)];
      for (int col = 0; col < c.Total; ++col)
        if (col != c.Address && col != c.Count) SetCell(row, col, Cell(above, col));
    }
    const auto function = ByteCell(Cell(row, c.Function));
    std::uint64_t address = from;
    std::uint64_t values = piece;
    if (signalKind == kKindTS && function && (*function == 3 || *function == 4)) {
      address = from / 16;
      values = from % 16 + piece;
      values = (values + 15) / 16 * 16;
    }
    // The row's address is a 16-bit field: the range ends where it would not fit.
    if (address > 0xFFFF) {
      result.AddressTooLarge = true;
      break;
    }
    SetCell(row, c.Address, Format("%4.4x", static_cast<int>(address)));
    SetCell(row, c.Count, Format("%d", static_cast<int>(values)));
    cells[static_cast<std::size_t>(r)] = std::move(row);
    ++result.Rows;
    result.Placed += piece;
    from += piece;
    left -= piece;
  }
  return result;
}

void DeleteGridRow(GridCells& cells, int row) {
  if (row < 0 || row >= static_cast<int>(cells.size())) return;
  const std::size_t columns = cells[static_cast<std::size_t>(row)].size();
  cells.erase(cells.begin() + row);
  cells.emplace_back(columns);
}

bool GridCovers(const GridCells& cells, int signalKind, std::uint32_t address) {
  for (const auto& row : cells)
    if (const auto range = RangeOf(row, signalKind))
      if (address >= range->First && address - range->First < range->Count) return true;
  return false;
}

GridCells TableCells(const ModbusTable& table) {
  GridCells cells;
  for (const ModbusRow& r : table) {
    if (r.Count == 0)
      cells.emplace_back(3);
    else
      cells.push_back({Format("%d", r.Function), Hex4(r.Address), Format("%d", r.Count)});
  }
  return cells;
}

GridCells TableCells(const ModbusTITable& table) {
  GridCells cells;
  for (const ModbusTIRow& r : table) {
    if (r.Count == 0)
      cells.emplace_back(4);
    else
      cells.push_back(
          {Format("%d", r.Type), Format("%d", r.Function), Hex4(r.Address), Format("%d", r.Count)});
  }
  return cells;
}

namespace {

std::string ReadAddress(const std::string& cell, std::uint16_t& address) {
  const std::string_view t = Trim(cell);
  if (t.empty()) {
    address = 0;
    return {};
  }
  const auto v = ParseDigits(t, 16);
  if (!v) return "адрес " + std::string(t) + " не шестнадцатеричное число";
  if (*v > 0xFFFF) return "адрес " + std::string(t) + " больше FFFF";
  address = static_cast<std::uint16_t>(*v);
  return {};
}

std::string ReadByte(const std::string& cell, const char* what, std::uint8_t& value) {
  const auto v = ByteCell(cell);
  if (!v) return std::string(what) + " " + std::string(Trim(cell)) + " не число";
  value = *v;
  return {};
}

}  // namespace

// The rows are packed: their fields are read into locals, never bound by reference.
std::string RowFromCells(const std::vector<std::string>& cells, ModbusRow& row) {
  std::uint8_t function = 0, count = 0;
  std::uint16_t address = 0;
  std::string error = ReadByte(Cell(cells, 0), "функция", function);
  if (error.empty()) error = ReadAddress(Cell(cells, 1), address);
  if (error.empty()) error = ReadByte(Cell(cells, 2), "количество", count);
  if (error.empty()) row = ModbusRow{function, address, count};
  return error;
}

std::string RowFromCells(const std::vector<std::string>& cells, ModbusTIRow& row) {
  std::uint8_t type = 0, function = 0, count = 0;
  std::uint16_t address = 0;
  std::string error = ReadByte(Cell(cells, 0), "тип ТИ", type);
  if (error.empty()) error = ReadByte(Cell(cells, 1), "функция", function);
  if (error.empty()) error = ReadAddress(Cell(cells, 2), address);
  if (error.empty()) error = ReadByte(Cell(cells, 3), "количество", count);
  if (error.empty()) row = ModbusTIRow{type, function, address, count};
  return error;
}

std::optional<std::uint16_t> HexFieldValue(std::string_view text) {
  text = Trim(text);
  if (text.empty()) return 0;
  if (text.size() > 4) return std::nullopt;
  const auto v = ParseDigits(text, 16);
  if (!v) return std::nullopt;
  return static_cast<std::uint16_t>(*v);
}

std::string PadPassword(const std::string& typed) {
  std::string p = typed;
  for (std::size_t n = CharCount(p); n > 0 && n < 4; ++n) p += ' ';
  return p;
}

}  // namespace vilk
