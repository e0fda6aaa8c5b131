#pragma once
// The table editor's model: a grid of text cells under typed columns. It knows what each
// column accepts while typing, how a cell turns into the bytes of a record field and back,
// the row commands (insert, copy, delete, block fill) and the tab-separated text files the
// editor reads and writes. The Qt grid (TTableFrame) only shows it and forwards keys.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vilk {

// What a column holds (the numbers are the kinds the editor is configured with).
enum class CellKind : std::uint8_t {
  U8 = 0,       // unsigned integer, one byte
  U16 = 1,      // unsigned integer, two bytes
  Real = 2,     // f32
  List = 3,     // up to ListLength numbers, one byte each
  Bits = 4,     // set of bit numbers 1..16 in a u16
  Driver = 5,   // one byte that drives the derived columns
  Text = 6,     // short string: a length byte and ListLength (255 when 0) cp1251 characters
  Derived = 7,  // read-only: the row's driver × 8 + base − 8
  Owner = 8,    // read-only: the owner's text for the row
};

struct TableColumn {
  std::string Caption;
  int Width = 100;  // pixels
  CellKind Kind = CellKind::U8;
  std::uint16_t Min = 0;
  std::uint16_t Max = 255;
  std::uint8_t ListLength = 0;  // List: most numbers; Text: capacity (0: 255)
};

// Bytes a column's value takes in its record (0 for the read-only kinds).
std::size_t FieldWidth(const TableColumn& column);
// Whether a cell of the column can be selected and typed in.
bool Selectable(const TableColumn& column);
// Whether `ch` may be typed into the column (backspace and Enter are handled apart).
bool AcceptsChar(const TableColumn& column, char32_t ch);
// The test a cell's text must pass after a key (typing never produces a text failing it):
// numbers not above the maximum, no more numbers than the list holds, text within its
// capacity.
bool TypingAllows(const TableColumn& column, std::string_view text);

enum class CellError : std::uint8_t { None, NotNumber, OutOfRange, TooMany, TooLong };
struct CellStatus {
  CellError Error = CellError::None;
  int Min = 0, Max = 0;  // the range named by OutOfRange, the limit of TooMany / TooLong
  bool Ok() const { return Error == CellError::None; }
};

// The field's value as the cell shows it (trimmed). `field` holds FieldWidth bytes.
std::string FieldToCell(const TableColumn& column, const std::uint8_t* field);
// Parses a cell into exactly FieldWidth bytes of `field` (cleared first). An empty number
// cell reads as 0. On a range error the field holds 0; on any error nothing beyond the
// field's width is touched.
CellStatus CellToField(const TableColumn& column, std::string_view text, std::uint8_t* field);

// "Ячейка таблицы (строка R, колонка C)\rсодержит недопустимое значение: "T"\r" and the
// reason; `row` and `column` are the grid's (data rows and columns counted from 1).
std::string CellErrorText(int row, int column, std::string_view text, const CellStatus& status);
// What the interactive box adds: Cancel returns to editing, Ignore zeroes the cell.
const char* CellErrorActions();

class TableModel {
 public:
  // `maxRows`: rows the editor lets the user reach by typing, inserting or importing.
  TableModel(std::vector<TableColumn> columns, int maxRows);

  int ColumnCount() const { return static_cast<int>(columns_.size()); }
  const TableColumn& Column(int col) const { return columns_[static_cast<std::size_t>(col)]; }
  int RowCount() const { return static_cast<int>(rows_.size()); }
  int MaxRows() const { return maxRows_; }

  // Rows and columns from 0 (the grid shows them from 1).
  const std::string& Cell(int row, int col) const;
  // Read-only columns are refreshed by the model and cannot be set.
  void SetCell(int row, int col, std::string text);
  bool RowEmpty(int row) const;
  // Whole rows replaced (an owner showing its record); at least one row is kept. The
  // cap does not apply: an older file's longer table is shown whole.
  void Reset(std::vector<std::vector<std::string>> rows);
  void Clear() { Reset({}); }

  // Row commands; false when the table is at its most rows (nothing changed).
  bool AppendRow();
  bool InsertEmptyRow(int row);
  bool InsertCopyRow(int row);  // the new row at `row` copies the row that was there
  void DeleteRow(int row);      // the last row is only emptied
  // Enter: the cells of `source` in columns left..right go to rows top..bottom.
  void BlockFill(int source, int top, int bottom, int left, int right);

  // Supplies the text of Owner columns; `DerivedBase` is the base of Derived columns.
  std::function<std::string(int row, int col)> OwnerText;
  int DerivedBase = 0;
  // Rewrites the read-only cells of every row.
  void Refresh();

  // The text file: one line per row, every data cell followed by a tab, lines ending in
  // CR LF, code page 1251.
  std::string ExportText() const;
  // Reads such a file (cp1251 bytes): one row per line, split at every tab, cell k into
  // column k. Refused with a message, the table unchanged, when a cell holds what the
  // column would not let be typed, a line has more values than columns, or there are
  // more lines with values than the table may hold.
  bool ImportText(std::string_view cp1251, std::string* error);
  // The same through files (at most kMaxTextFile bytes read, written atomically).
  static constexpr std::size_t kMaxTextFile = 1u << 20;
  bool ImportFile(const std::string& path, std::string* error);
  bool ExportFile(const std::string& path, std::string* error) const;

 private:
  void RefreshRow(int row);

  std::vector<TableColumn> columns_;
  std::vector<std::vector<std::string>> rows_;
  int maxRows_;
};

}  // namespace vilk
