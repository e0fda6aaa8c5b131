// The polling tables as cell texts: the parameter dialog's range placement, row deletion
// and coverage, and reading the device frame's cells back into a table.
#include "ports/fieldbus/modbus_select.h"

#include <gtest/gtest.h>

#include "signals/param.h"

namespace vilk {
namespace {

GridCells Empty(int signalKind) {
  return GridCells(8,
                   std::vector<std::string>(static_cast<std::size_t>(ColumnsOf(signalKind).Total)));
}

TEST(ModbusSelect, FiveHundredAddressesFillThreeRowsOf192_192And116) {
  GridCells cells = Empty(kKindTU);
  const RangePlacement p = AddRangeToGrid(cells, kKindTU, 0x100, 500);
  EXPECT_EQ(p.FirstRow, 0);
  EXPECT_EQ(p.Rows, 3);
  EXPECT_EQ(p.Placed, 500u);
  EXPECT_EQ(cells[0], (std::vector<std::string>{"5", "0100", "192"}));
  EXPECT_EQ(cells[1], (std::vector<std::string>{"5", "01c0", "192"}));
  EXPECT_EQ(cells[2], (std::vector<std::string>{"5", "0280", "116"}));
  EXPECT_EQ(cells[3], (std::vector<std::string>{"", "", ""}));
}

TEST(ModbusSelect, RangeGoesToTheFirstRowWithAnEmptyAddressAndCopiesTheRowAbove) {
  GridCells cells = Empty(kKindTI);
  cells[0] = {"2", "4", "0010", "6"};
  const RangePlacement p = AddRangeToGrid(cells, kKindTI, 0x40, 3);
  EXPECT_EQ(p.FirstRow, 1);
  // Type and function come from the row above, not the table's default function.
  EXPECT_EQ(cells[1], (std::vector<std::string>{"2", "4", "0040", "3"}));
  EXPECT_EQ(cells[0], (std::vector<std::string>{"2", "4", "0010", "6"}));
}

TEST(ModbusSelect, FirstRowTakesTheTablesDefaultFunction) {
  for (auto [kind, function] : {std::pair{kKindTS, "1"}, std::pair{kKindTU, "5"},
                                std::pair{kKindTI, "3"}, std::pair{kKindTR, "6"}}) {
    GridCells cells = Empty(kind);
    AddRangeToGrid(cells, kind, 7, 2);
    EXPECT_EQ(cells[0][static_cast<std::size_t>(ColumnsOf(kind).Function)], function) << kind;
  }
}

TEST(ModbusSelect, WordReadTSRowsTakeTheWordAndWholeWordsOfBits) {
  GridCells cells = Empty(kKindTS);
  cells[0] = {"3", "0001", "16"};
  // Bits 0x105..0x118: word 0x10, bits 5 + 20 = 25, raised to 32.
  AddRangeToGrid(cells, kKindTS, 0x105, 20);
  EXPECT_EQ(cells[1], (std::vector<std::string>{"3", "0010", "32"}));
  // A start on a word boundary with a multiple of 16 stays as it is.
  AddRangeToGrid(cells, kKindTS, 0x200, 48);
  EXPECT_EQ(cells[2], (std::vector<std::string>{"3", "0020", "48"}));
  // Function 1 reads bits: address and count as given.
  GridCells bits = Empty(kKindTS);
  AddRangeToGrid(bits, kKindTS, 0x105, 20);
  EXPECT_EQ(bits[0], (std::vector<std::string>{"1", "0105", "20"}));
}

TEST(ModbusSelect, FullGridTakesNothingAndAShortGridStopsAtItsEnd) {
  GridCells cells = Empty(kKindTR);
  for (auto& row : cells) row = {"6", "0001", "1"};
  const RangePlacement none = AddRangeToGrid(cells, kKindTR, 0, 10);
  EXPECT_EQ(none.FirstRow, -1);
  EXPECT_EQ(none.Rows, 0);
  EXPECT_EQ(cells[7], (std::vector<std::string>{"6", "0001", "1"}));

  GridCells last = Empty(kKindTR);
  for (int r = 0; r < 7; ++r) last[static_cast<std::size_t>(r)] = {"6", "0001", "1"};
  const RangePlacement p = AddRangeToGrid(last, kKindTR, 0x10, 500);
  EXPECT_EQ(p.FirstRow, 7);
  EXPECT_EQ(p.Rows, 1);
  EXPECT_EQ(p.Placed, 192u);
  EXPECT_EQ(last[7], (std::vector<std::string>{"6", "0010", "192"}));
}

TEST(ModbusSelect, ARowWhoseAddressWouldPassFFFFIsNotWritten) {
  GridCells cells = Empty(kKindTS);
  const RangePlacement p = AddRangeToGrid(cells, kKindTS, 0xFFF0, 300);
  EXPECT_EQ(p.Rows, 1);
  EXPECT_EQ(p.Placed, 192u);
  EXPECT_TRUE(p.AddressTooLarge);
  EXPECT_EQ(cells[0], (std::vector<std::string>{"1", "fff0", "192"}));
  EXPECT_EQ(cells[1], (std::vector<std::string>{"", "", ""}));
}

TEST(ModbusSelect, DeletingARowMovesTheRestUpAndEmptiesTheLast) {
  GridCells cells = Empty(kKindTU);
  for (int r = 0; r < 8; ++r) cells[static_cast<std::size_t>(r)] = {"5", std::to_string(r), "1"};
  DeleteGridRow(cells, 2);
  ASSERT_EQ(cells.size(), 8u);
  EXPECT_EQ(cells[1][1], "1");
  EXPECT_EQ(cells[2][1], "3");
  EXPECT_EQ(cells[6][1], "7");
  EXPECT_EQ(cells[7], (std::vector<std::string>{"", "", ""}));
  DeleteGridRow(cells, 8);  // no such row
  EXPECT_EQ(cells[6][1], "7");
}

TEST(ModbusSelect, CoverageOfRowsAndOfWordReadBits) {
  GridCells cells = Empty(kKindTS);
  cells[0] = {"1", "0010", "4"};
  cells[1] = {"3", "0002", "20"};
  cells[2] = {"1", "0100", "0"};  // count 0 covers nothing
  EXPECT_FALSE(GridCovers(cells, kKindTS, 0x0F));
  EXPECT_TRUE(GridCovers(cells, kKindTS, 0x10));
  EXPECT_TRUE(GridCovers(cells, kKindTS, 0x13));
  EXPECT_FALSE(GridCovers(cells, kKindTS, 0x14));
  EXPECT_TRUE(GridCovers(cells, kKindTS, 0x20));  // word 2, bit 0
  EXPECT_TRUE(GridCovers(cells, kKindTS, 0x33));  // bit 19
  EXPECT_FALSE(GridCovers(cells, kKindTS, 0x34));
  EXPECT_FALSE(GridCovers(cells, kKindTS, 0x100));
  // Outside ТС, function 3 reads registers: no bit numbering.
  GridCells ti = Empty(kKindTI);
  ti[0] = {"0", "3", "0002", "2"};
  EXPECT_TRUE(GridCovers(ti, kKindTI, 3));
  EXPECT_FALSE(GridCovers(ti, kKindTI, 0x20));
}

TEST(ModbusSelect, TemplateKeysAreHexWithDollarElseDecimal) {
  EXPECT_EQ(TemplateKeyNumber("$0100"), 256u);
  EXPECT_EQ(TemplateKeyNumber("256"), 256u);
  EXPECT_EQ(TemplateKeyNumber("$1000f"), 0x1000Fu);
  EXPECT_EQ(TemplateKeyNumber(" 12 "), 12u);
  EXPECT_FALSE(TemplateKeyNumber(""));
  EXPECT_FALSE(TemplateKeyNumber("$"));
  EXPECT_FALSE(TemplateKeyNumber("0x10"));
  EXPECT_FALSE(TemplateKeyNumber("12a"));
  EXPECT_FALSE(TemplateKeyNumber("$123456789"));
}

TEST(ModbusSelect, TablesShowBlankEmptyRowsAndReadBack) {
  ModbusTable ts{};
  ts[0] = {3, 0x10, 20};
  ts[1] = {1, 0xABC, 0};
  const GridCells cells = TableCells(ts);
  EXPECT_EQ(cells[0], (std::vector<std::string>{"3", "0010", "20"}));
  EXPECT_EQ(cells[1], (std::vector<std::string>{"", "", ""}));
  ModbusRow row{9, 9, 9};
  EXPECT_EQ(RowFromCells(cells[0], row), "");
  EXPECT_EQ(row, (ModbusRow{3, 0x10, 20}));
  EXPECT_EQ(RowFromCells(cells[1], row), "");
  EXPECT_EQ(row, (ModbusRow{0, 0, 0})) << "an empty cell stores 0";

  ModbusTITable ti{};
  ti[2] = {2, 4, 0xFFFF, 7};
  EXPECT_EQ(TableCells(ti)[2], (std::vector<std::string>{"2", "4", "FFFF", "7"}));
}

TEST(ModbusSelect, CellsAboveAByteAreClampedAndWrongCellsRefused) {
  ModbusRow row;
  EXPECT_EQ(RowFromCells({"999", "ab", "300"}, row), "");
  EXPECT_EQ(row, (ModbusRow{255, 0xAB, 255}));
  EXPECT_EQ(RowFromCells({"0000", "0", "00012"}, row), "");
  EXPECT_EQ(row, (ModbusRow{0, 0, 12})) << "leading zeros are no large number";

  row = ModbusRow{1, 2, 3};
  EXPECT_NE(RowFromCells({"1", "10000", "1"}, row), "");
  EXPECT_NE(RowFromCells({"1", "XY", "1"}, row), "");
  EXPECT_NE(RowFromCells({"1A", "1", "1"}, row), "");
  EXPECT_EQ(row, (ModbusRow{1, 2, 3})) << "a refused row is left as it was";

  ModbusTIRow ti;
  EXPECT_EQ(RowFromCells({"1000", "4", "0020", "2"}, ti), "");
  EXPECT_EQ(ti, (ModbusTIRow{255, 4, 0x20, 2}));
}

TEST(ModbusSelect, HexFieldsAndPassword) {
  EXPECT_EQ(HexFieldValue("ffFF"), 0xFFFF);
  EXPECT_EQ(HexFieldValue(""), 0);
  EXPECT_FALSE(HexFieldValue("10000"));
  EXPECT_FALSE(HexFieldValue("G1"));
  EXPECT_EQ(PadPassword("ab"), "ab  ");
  EXPECT_EQ(PadPassword("ПАР"), "ПАР ") << "counted in characters";
  EXPECT_EQ(PadPassword(""), "");
  EXPECT_EQ(PadPassword("abcd"), "abcd");
}

}  // namespace
}  // namespace vilk
