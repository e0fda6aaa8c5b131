#pragma once
// A Modbus device's polling tables as the device frame shows them: eight rows of cell
// texts. The parameter dialog works on such a copy: it places a contiguous range of
// template addresses into the rows, deletes rows, and greys the addresses a row reads.
// Kept here, without a window, so that every rule is testable.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ports/fieldbus/modbus.h"

namespace vilk {

// Rows of cell texts. ТС, ТУ, ТР: function, address, count. ТИ: type, function, address,
// count.
using GridCells = std::vector<std::vector<std::string>>;

struct GridColumns {
  int Function = 0;
  int Address = 1;
  int Count = 2;
  int Total = 3;
};
GridColumns ColumnsOf(int signalKind);

// Values one row takes at most from a range.
constexpr std::uint32_t kMaxRangePiece = 192;

// A template key as a number: "$" followed by hex digits, or decimal digits. Anything
// else (empty, junk, beyond 32 bits) gives nothing.
std::optional<std::uint32_t> TemplateKeyNumber(std::string_view key);

// The function a table's first row takes from the dialog: "1" ТС, "5" ТУ, "3" ТИ, "6" ТР.
std::string DefaultFunction(int signalKind);

struct RangePlacement {
  int FirstRow = -1;             // -1: no row had an empty address cell
  int Rows = 0;                  // rows written
  std::uint32_t Placed = 0;      // values placed; less than asked when the grid ended
  bool AddressTooLarge = false;  // stopped at a row whose address would pass FFFF
};

// Places the `count` values from `start` into the rows from the first one whose address
// cell is empty, at most 192 a row, downward until placed or the grid ends. Row 0 takes
// the table's default function; a later row copies every cell but address and count from
// the row above. A ТС row with function 3 or 4 reads words: address start div 16, count
// (start mod 16) + piece raised to a multiple of 16. Addresses "%4.4x", counts "%d".
RangePlacement AddRangeToGrid(GridCells& cells, int signalKind, std::uint32_t start,
                              std::uint32_t count);

// Deletes row `row`: the rows below move up and the last row is emptied.
void DeleteGridRow(GridCells& cells, int row);

// Whether a filled row reads `address` (a ТС row with function 3 or 4 covers the bits
// start × 16 to start × 16 + count − 1).
bool GridCovers(const GridCells& cells, int signalKind, std::uint32_t address);

// The cells of a table: a row whose count is 0 is blank; the address in four upper-case
// hex digits, the other numbers in decimal.
GridCells TableCells(const ModbusTable& table);
GridCells TableCells(const ModbusTITable& table);

// Reads one row of cells. An empty cell is 0; the address is hex and at most FFFF; the
// other cells are decimal, above 255 taken as 255. Returns what is wrong with the row
// (empty when it was read); the row is written only when nothing is wrong.
std::string RowFromCells(const std::vector<std::string>& cells, ModbusRow& row);
std::string RowFromCells(const std::vector<std::string>& cells, ModbusTIRow& row);

// A hex edit's text (at most four hex digits of either case) as a number; nothing for
// other text. Empty text is 0.
std::optional<std::uint16_t> HexFieldValue(std::string_view text);

// The TU password as stored: a non-empty password shorter than 4 characters is padded
// with spaces to 4.
std::string PadPassword(const std::string& typed);

}  // namespace vilk
