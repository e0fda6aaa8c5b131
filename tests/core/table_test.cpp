// The table editor's model: cells to record bytes and back for every kind (exactly the
// field's width), the typing rules, the row commands and block fill, and the tab-separated
// text files with empty cells, long lines and hostile content.
#include "ports/fieldbus/table.h"

#include <gtest/gtest.h>

#include <array>

#include "base/text.h"
#include "file_faults.h"

namespace vilk {
namespace {

using Bytes = std::vector<std::uint8_t>;

TableColumn Col(CellKind kind, int min, int max, int list = 0) {
  return {"C",
          100,
          kind,
          static_cast<std::uint16_t>(min),
          static_cast<std::uint16_t>(max),
          static_cast<std::uint8_t>(list)};
}

// Parses `text` into a 12-byte buffer of 0xAA and returns the buffer: what lies beyond the
// field's width shows whether the parse wrote past it.
Bytes Parse(const TableColumn& c, const std::string& text, CellStatus* status = nullptr) {
  Bytes buffer(12, 0xAA);
  const CellStatus s = CellToField(c, text, buffer.data());
  if (status) *status = s;
  return buffer;
}

Bytes Guarded(Bytes field) {
  field.resize(12, 0xAA);
  return field;
}

TEST(TableCellTest, NumbersReadIntoTheirOwnWidth) {
  CellStatus s;
  EXPECT_EQ(Parse(Col(CellKind::U8, 0, 255), "255", &s), Guarded({0xFF}));
  EXPECT_TRUE(s.Ok());
  EXPECT_EQ(Parse(Col(CellKind::U8, 0, 255), "", &s), Guarded({0x00}));
  EXPECT_TRUE(s.Ok());
  // Out of range stores 0 and names the range; not a number says so.
  EXPECT_EQ(Parse(Col(CellKind::U8, 0, 255), "256", &s), Guarded({0x00}));
  EXPECT_EQ(s.Error, CellError::OutOfRange);
  EXPECT_EQ(s.Max, 255);
  Parse(Col(CellKind::U8, 1, 32), "0", &s);
  EXPECT_EQ(s.Error, CellError::OutOfRange);
  EXPECT_EQ(s.Min, 1);
  EXPECT_EQ(s.Max, 32);
  Parse(Col(CellKind::U8, 0, 255), "1a", &s);
  EXPECT_EQ(s.Error, CellError::NotNumber);
  Parse(Col(CellKind::U8, 0, 255), "99999999999999999999", &s);
  EXPECT_EQ(s.Error, CellError::OutOfRange);
  EXPECT_EQ(Parse(Col(CellKind::U16, 0, 65535), "4660"), Guarded({0x34, 0x12}));
  EXPECT_EQ(Parse(Col(CellKind::Driver, 0, 255), "7"), Guarded({7}));
}

TEST(TableCellTest, RealsTakeFourBytesAndShowWithoutTrailingZeros) {
  CellStatus s;
  // 1.5f = 0x3FC00000; the four bytes after it stay as they were.
  EXPECT_EQ(Parse(Col(CellKind::Real, 0, 0), "1.5", &s), Guarded({0x00, 0x00, 0xC0, 0x3F}));
  EXPECT_TRUE(s.Ok());
  // A comma reads as the decimal separator; -2.25f = 0xC0100000.
  EXPECT_EQ(Parse(Col(CellKind::Real, 0, 0), "-2,25"), Guarded({0x00, 0x00, 0x10, 0xC0}));
  Parse(Col(CellKind::Real, 0, 0), "1.2.3", &s);
  EXPECT_EQ(s.Error, CellError::NotNumber);
  Parse(Col(CellKind::Real, 0, 0), "-", &s);
  EXPECT_EQ(s.Error, CellError::NotNumber);

  const Bytes a{0x00, 0x00, 0xC0, 0x3F}, b{0xCD, 0xCC, 0xCC, 0x3D}, c{0x00, 0x00, 0x00, 0x00},
      d{0x00, 0x00, 0x10, 0xC0};
  const TableColumn real = Col(CellKind::Real, 0, 0);
  EXPECT_EQ(FieldToCell(real, a.data()), "1.5");
  EXPECT_EQ(FieldToCell(real, b.data()), "0.1");  // 0.100000001... to 8 decimals
  EXPECT_EQ(FieldToCell(real, c.data()), "0");
  EXPECT_EQ(FieldToCell(real, d.data()), "-2.25");
}

TEST(TableCellTest, ListsHoldNoMoreNumbersThanTheirLength) {
  const TableColumn list = Col(CellKind::List, 0, 200, 4);
  CellStatus s;
  EXPECT_EQ(Parse(list, " 3  7 0 9", &s), Guarded({3, 7, 0, 9}));
  EXPECT_TRUE(s.Ok());
  // A fifth number is refused and nothing past the four bytes is touched.
  EXPECT_EQ(Parse(list, "1 2 3 4 5", &s), Guarded({0, 0, 0, 0}));
  EXPECT_EQ(s.Error, CellError::TooMany);
  EXPECT_EQ(s.Max, 4);
  EXPECT_EQ(Parse(list, "1 201", &s), Guarded({0, 0, 0, 0}));
  EXPECT_EQ(s.Error, CellError::OutOfRange);
  const Bytes field{3, 0, 7, 0};
  EXPECT_EQ(FieldToCell(list, field.data()), "3 7");
}

TEST(TableCellTest, BitSetsAreNumbersOneToSixteen) {
  const TableColumn bits = Col(CellKind::Bits, 0, 16);
  CellStatus s;
  EXPECT_EQ(Parse(bits, "1 16 3", &s), Guarded({0x05, 0x80}));
  EXPECT_TRUE(s.Ok());
  EXPECT_EQ(Parse(bits, "2 17", &s), Guarded({0, 0}));
  EXPECT_EQ(s.Error, CellError::OutOfRange);
  EXPECT_EQ(s.Min, 1);
  EXPECT_EQ(s.Max, 16);
  Parse(bits, "0", &s);
  EXPECT_EQ(s.Error, CellError::OutOfRange);
  const Bytes field{0x05, 0x80};
  EXPECT_EQ(FieldToCell(bits, field.data()), "1 3 16");
}

TEST(TableCellTest, TextIsCutAtItsCapacity) {
  const TableColumn text = Col(CellKind::Text, 0, 0, 8);
  EXPECT_EQ(FieldWidth(text), 9u);
  CellStatus s;
  // Length byte, cp1251 characters, zeros up to the capacity; nothing beyond.
  EXPECT_EQ(Parse(text, "Ток", &s), Guarded({3, 0xD2, 0xEE, 0xEA, 0, 0, 0, 0, 0}));
  EXPECT_TRUE(s.Ok());
  EXPECT_EQ(Parse(text, "123456789", &s), Guarded({0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(s.Error, CellError::TooLong);
  const Bytes field{2, 'a', 'b', 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(FieldToCell(text, field.data()), "ab");
  // Without a length the capacity is 255 characters.
  EXPECT_EQ(FieldWidth(Col(CellKind::Text, 0, 0)), 256u);
}

TEST(TableCellTest, ErrorMessagesNameTheCellAndTheReason) {
  EXPECT_EQ(CellErrorText(3, 2, "1x", {CellError::NotNumber}),
            "Ячейка таблицы (строка 3, колонка 2)\rсодержит недопустимое значение: \"1x\"\r"
            "которое невозможно преобразовать в число.\r");
  EXPECT_EQ(CellErrorText(1, 3, "0", {CellError::OutOfRange, 1, 32}),
            "Ячейка таблицы (строка 1, колонка 3)\rсодержит недопустимое значение: \"0\"\r"
            "Допустимый диапазон значений: 1..32.\r");
  EXPECT_EQ(std::string(CellErrorActions()),
            "Дальнейшие действия:\rCancel - возврат к редактированию (рекомендуется);\r"
            "Ignore - обнулить данную ячейку и продолжить (на свой страх и риск).");
}

TEST(TableTypingTest, KeysAreTestedAgainstTheColumn) {
  const TableColumn byte = Col(CellKind::U8, 0, 255);
  EXPECT_TRUE(AcceptsChar(byte, U'7'));
  EXPECT_FALSE(AcceptsChar(byte, U'-'));
  EXPECT_FALSE(AcceptsChar(byte, U' '));
  // "256" is refused at the third key; "25" is fine.
  EXPECT_TRUE(TypingAllows(byte, "25"));
  EXPECT_FALSE(TypingAllows(byte, "256"));
  EXPECT_TRUE(TypingAllows(byte, ""));
  // The minimum is not a typing rule: 0 goes in, reading it reports the range.
  EXPECT_TRUE(TypingAllows(Col(CellKind::U8, 1, 32), "0"));
  EXPECT_FALSE(TypingAllows(Col(CellKind::U8, 1, 32), "33"));

  const TableColumn real = Col(CellKind::Real, 0, 0);
  for (char32_t ch : {U'-', U'.', U',', U'0'}) EXPECT_TRUE(AcceptsChar(real, ch));
  EXPECT_FALSE(AcceptsChar(real, U'e'));

  const TableColumn list = Col(CellKind::List, 0, 100, 3);
  EXPECT_TRUE(AcceptsChar(list, U' '));
  EXPECT_TRUE(TypingAllows(list, "1 2 100"));
  EXPECT_FALSE(TypingAllows(list, "1 2 3 4"));
  EXPECT_FALSE(TypingAllows(list, "101"));
  EXPECT_FALSE(TypingAllows(Col(CellKind::Bits, 0, 16), "1 17"));

  const TableColumn text = Col(CellKind::Text, 0, 0, 4);
  EXPECT_TRUE(AcceptsChar(text, U'Ж'));
  EXPECT_TRUE(TypingAllows(text, "ЖЖЖЖ"));  // four characters, eight bytes
  EXPECT_FALSE(TypingAllows(text, "ЖЖЖЖЖ"));
  EXPECT_FALSE(TypingAllows(text, "a\tb"));
  // Read-only columns take nothing.
  EXPECT_FALSE(AcceptsChar(Col(CellKind::Derived, 0, 0), U'1'));
  EXPECT_FALSE(Selectable(Col(CellKind::Owner, 0, 0)));
}

TableModel TwoColumns(int maxRows = 255) {
  return TableModel({Col(CellKind::U8, 0, 255), Col(CellKind::U8, 0, 255)}, maxRows);
}

std::vector<std::string> Rows(const TableModel& m) {
  std::vector<std::string> rows;
  for (int r = 0; r < m.RowCount(); ++r) {
    std::string row;
    for (int c = 0; c < m.ColumnCount(); ++c) row += (c ? "|" : "") + m.Cell(r, c);
    rows.push_back(row);
  }
  return rows;
}

TEST(TableRowsTest, InsertCopyDeleteAndTheCap) {
  TableModel m = TwoColumns(4);
  m.Reset({{"1", "2"}, {"3", "4"}});
  ASSERT_TRUE(m.InsertEmptyRow(1));
  EXPECT_EQ(Rows(m), (std::vector<std::string>{"1|2", "|", "3|4"}));
  ASSERT_TRUE(m.InsertCopyRow(2));
  EXPECT_EQ(Rows(m), (std::vector<std::string>{"1|2", "|", "3|4", "3|4"}));
  // At the most rows nothing is inserted or appended.
  EXPECT_FALSE(m.InsertEmptyRow(0));
  EXPECT_FALSE(m.AppendRow());
  EXPECT_EQ(m.RowCount(), 4);
  // Deleting the last row only empties it; another row goes.
  m.DeleteRow(3);
  EXPECT_EQ(Rows(m), (std::vector<std::string>{"1|2", "|", "3|4", "|"}));
  m.DeleteRow(1);
  EXPECT_EQ(Rows(m), (std::vector<std::string>{"1|2", "3|4", "|"}));
  EXPECT_TRUE(m.RowEmpty(2));
  EXPECT_FALSE(m.RowEmpty(1));
  // Out of range rows are ignored, never read past.
  m.DeleteRow(7);
  m.SetCell(9, 0, "5");
  EXPECT_EQ(m.Cell(9, 0), "");
  EXPECT_EQ(m.RowCount(), 3);
}

TEST(TableRowsTest, EnterFillsTheBlockFromTheCurrentRow) {
  TableModel m = TableModel(
      {Col(CellKind::U8, 0, 255), Col(CellKind::U8, 0, 255), Col(CellKind::U8, 0, 255)}, 255);
  m.Reset({{"0", "0", "0"}, {}, {"7", "8", "9"}, {}, {"5"}, {}, {}});
  // Rows 3 to 6 of columns 1 and 2 (grid numbering) with the caret on row 3.
  m.BlockFill(2, 2, 5, 0, 1);
  EXPECT_EQ(Rows(m),
            (std::vector<std::string>{"0|0|0", "||", "7|8|9", "7|8|", "7|8|", "7|8|", "||"}));
}

TEST(TableRowsTest, DerivedAndOwnerColumnsFollowTheirRow) {
  TableModel m(
      {Col(CellKind::Driver, 0, 255), Col(CellKind::Derived, 0, 0), Col(CellKind::Owner, 0, 0)},
      10);
  m.DerivedBase = 100;
  m.OwnerText = [](int row, int) {
    std::string text = "r";
    text += std::to_string(row + 1);
    return text;
  };
  m.Reset({{"2"}, {""}});
  EXPECT_EQ(Rows(m), (std::vector<std::string>{"2|108|r1", "||r2"}));
  m.SetCell(1, 0, "1");
  m.SetCell(1, 1, "999");  // read-only: refused
  EXPECT_EQ(Rows(m), (std::vector<std::string>{"2|108|r1", "1|100|r2"}));
  m.InsertEmptyRow(0);
  EXPECT_EQ(Rows(m), (std::vector<std::string>{"||r1", "2|108|r2", "1|100|r3"}));
  EXPECT_TRUE(m.RowEmpty(0));
}

TEST(TableTextTest, EveryCellEndsWithATabAndEmptyCellsKeepTheirColumn) {
  TableModel m = TwoColumns();
  m.Reset({{"1", "2"}, {}});
  EXPECT_EQ(m.ExportText(), "1\t2\t\r\n\t\t\r\n");

  TableModel back = TwoColumns();
  std::string error;
  ASSERT_TRUE(back.ImportText(m.ExportText(), &error)) << error;
  EXPECT_EQ(Rows(back), (std::vector<std::string>{"1|2", "|"}));

  // An empty first cell does not move the second one left; LF alone ends a line too.
  ASSERT_TRUE(back.ImportText("\t5\t\n7\n\n", &error)) << error;
  EXPECT_EQ(Rows(back), (std::vector<std::string>{"|5", "7|", "|"}));
  // An empty file is one empty row.
  ASSERT_TRUE(back.ImportText("", &error));
  EXPECT_EQ(Rows(back), (std::vector<std::string>{"|"}));
}

TEST(TableTextTest, LongLinesAndCyrillicTextReadWhole) {
  TableModel m({Col(CellKind::U8, 0, 255), Col(CellKind::Text, 0, 0)}, 255);
  const std::string longText(300, 'x');
  m.Reset({{"1", longText}, {"2", "Ток фазы А"}});
  const std::string file = m.ExportText();
  // cp1251 in the file: "Ток" is D2 EE EA.
  EXPECT_NE(file.find("\xD2\xEE\xEA"), std::string::npos);
  TableModel back({Col(CellKind::U8, 0, 255), Col(CellKind::Text, 0, 0, 0)}, 255);
  std::string error;
  // 300 characters do not fit a 255-character text column: refused, naming the place.
  EXPECT_FALSE(back.ImportText(file, &error));
  EXPECT_EQ(error, "Строка 1 файла, колонка 2: недопустимое значение \"" + longText + "\".");
  TableModel wide({Col(CellKind::U8, 0, 255), Col(CellKind::Text, 0, 0, 255)}, 255);
  m.Reset({{"1", std::string(255, 'y')}, {"2", "Ток фазы А"}});
  ASSERT_TRUE(wide.ImportText(m.ExportText(), &error)) << error;
  EXPECT_EQ(wide.Cell(0, 1), std::string(255, 'y'));
  EXPECT_EQ(wide.Cell(1, 1), "Ток фазы А");
}

TEST(TableTextTest, HostileFilesAreRefusedAndLeaveTheTableAsItWas) {
  TableModel m = TwoColumns(3);
  m.Reset({{"9", "9"}});
  std::string error;
  EXPECT_FALSE(m.ImportText("1\t2\t3\t\r\n", &error));
  EXPECT_EQ(error, "Строка 1 файла: значений больше, чем колонок в таблице (2).");
  EXPECT_FALSE(m.ImportText("1\t2\t\r\n1\t256\t\r\n", &error));
  EXPECT_EQ(error, "Строка 2 файла, колонка 2: недопустимое значение \"256\".");
  EXPECT_FALSE(m.ImportText("1\t\r\n a\t\r\n", &error));
  EXPECT_EQ(error, "Строка 2 файла, колонка 1: недопустимое значение \" a\".");
  EXPECT_FALSE(m.ImportText(std::string_view("1\0\t", 3), &error));
  // Four lines with values for a table of three.
  EXPECT_FALSE(m.ImportText("1\t\r\n2\t\r\n3\t\r\n4\t\r\n", &error));
  EXPECT_EQ(error, "В файле 4 строк таблицы, таблица вмещает не более 3.");
  EXPECT_EQ(Rows(m), (std::vector<std::string>{"9|9"}));
  // Empty lines after the last value are no loss.
  ASSERT_TRUE(m.ImportText("1\t\r\n2\t\r\n3\t\r\n\t\t\r\n\r\n", &error)) << error;
  EXPECT_EQ(Rows(m), (std::vector<std::string>{"1|", "2|", "3|"}));
}

TEST(TableTextTest, FilesRoundTripAndFailuresSayWhy) {
  test::ScratchFolder folder;
  TableModel m = TwoColumns();
  m.Reset({{"10", ""}, {"", "20"}});
  std::string error;
  ASSERT_TRUE(m.ExportFile(folder / "t.txt", &error)) << error;
  EXPECT_EQ(test::ReadAll(folder / "t.txt"),
            (Bytes{'1', '0', '\t', '\t', '\r', '\n', '\t', '2', '0', '\t', '\r', '\n'}));
  TableModel back = TwoColumns();
  ASSERT_TRUE(back.ImportFile(folder / "t.txt", &error)) << error;
  EXPECT_EQ(Rows(back), Rows(m));
  EXPECT_FALSE(back.ImportFile(folder / "missing.txt", &error));
  EXPECT_NE(error.find("missing.txt"), std::string::npos) << error;
  test::WriteAll(folder / "bad.txt", {'x', '\t'});
  EXPECT_FALSE(back.ImportFile(folder / "bad.txt", &error));
  EXPECT_EQ(error, "Файл " + (folder / "bad.txt") +
                       ": Строка 1 файла, колонка 1: недопустимое значение \"x\".");
  EXPECT_EQ(Rows(back), Rows(m));
}

}  // namespace
}  // namespace vilk
