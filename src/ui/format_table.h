#pragma once
// A table of transmission formats: one column per format row of the item (a few bytes,
// one per line of the table), each cell either a chooser whose code is the byte or a
// fixed text. The PC and the PU port show their IEC 60870-5 formats this way.
#include <QComboBox>
#include <QGroupBox>
#include <QTableWidget>
#include <cstdint>
#include <span>
#include <vector>

#include "widgets.h"

namespace vilk::ui {

struct FormatCell {
  QString Text;                     // a fixed cell: what it shows (nothing is stored)
  std::vector<ChoiceItem> Choices;  // a chooser: its byte holds the chosen code
};

struct FormatColumn {
  QString Header;
  std::span<std::uint8_t> Bytes;  // one per line; empty: the column is shown, never stored
  std::vector<FormatCell> Cells;  // one per line from the top (missing ones stay blank)
};

class FormatTable : public QGroupBox {
  Q_OBJECT
 public:
  FormatTable(const QString& title, const QStringList& lines, std::vector<FormatColumn> columns,
              QWidget* parent);

  QTableWidget* Grid() const { return grid_; }
  // The chooser of a cell; nullptr for fixed and blank cells.
  QComboBox* Box(int line, int column) const;
  // The byte of a line as the table shows it now (a fixed cell: the stored byte).
  std::uint8_t Shown(int line, int column) const;
  // Sets a chooser to `code` without a Changed (the rules between choosers use it).
  void Show(int line, int column, int code);

  // Choosers from the bytes; a code not in a chooser's list shows its first entry.
  void Load();
  // The bytes from the choosers. A chooser that still shows what Load chose keeps its
  // byte, so that a code its list does not offer survives opening and leaving the frame.
  void Store();

 signals:
  // The user chose something.
  void Changed();

 private:
  struct Cell {
    QComboBox* Box = nullptr;
    int Loaded = -1;  // the index Load chose
  };
  Cell& At(int line, int column) {
    return cells_[static_cast<std::size_t>(column)][static_cast<std::size_t>(line)];
  }
  const Cell& At(int line, int column) const {
    return cells_[static_cast<std::size_t>(column)][static_cast<std::size_t>(line)];
  }
  bool Valid(int line, int column) const;

  QTableWidget* grid_;
  std::vector<FormatColumn> columns_;
  std::vector<std::vector<Cell>> cells_;  // [column][line]
  int lines_;
};

}  // namespace vilk::ui
