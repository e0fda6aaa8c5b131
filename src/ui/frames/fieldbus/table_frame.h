#pragma once
// The table editor (TTableFrame): a grid over a TableModel. Keys are tested as they are
// typed (a refused key beeps), Enter fills the selected block from the current row, the
// arrows grow the table at its end, and the popup menu inserts, copies and deletes rows
// and reads and writes the table as tab-separated text.
#include <QMenu>
#include <QTableWidget>
#include <functional>

#include "ports/fieldbus/table.h"

namespace vilk::ui {

class TTableFrame : public QTableWidget {
  Q_OBJECT
 public:
  TTableFrame(TableModel model, QWidget* parent);

  TableModel& Model() { return model_; }
  const TableModel& Model() const { return model_; }
  // Shows the model again after the owner changed it.
  void ShowModel();

  // The popup menu's commands.
  void InsertEmptyRow();
  void InsertCopyRow();
  void DeleteRow();
  bool ReadTextFile();
  bool SaveTextFile();
  QMenu* PopupMenu() const { return menu_; }

  // Asked about a bad cell when the owner reads the table: the grid's current cell is on
  // it; true means Ignore (the cell reads as 0), false Cancel. The default shows the box.
  bool AskAboutCell(int row, int column, const std::string& message);
  std::function<bool(const QString& message)> CellBox;
  // The file dialogs and error box; tests replace them.
  std::function<QString(bool save, const QString& suggested)> ChooseFile;
  std::function<void(const QString& message)> ShowError;
  // The folder of the last text file opened or saved, shared by every table editor.
  static QString& LastFolder();
  // Where the text files go first: "Data" under the home folder.
  static void SetDataFolder(const QString& folder);

  // Tests the text a key would give cell (row, col); true when the key may go in.
  bool KeyAllowed(int row, int col, const QString& text) const;

 signals:
  void Edited();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  friend class TableCellFilter;
  void CellChanged(QTableWidgetItem* item);
  void FillBlock();
  void ShowRow(int row);
  void Changed();

  TableModel model_;
  QMenu* menu_;
  bool showing_ = false;
};

}  // namespace vilk::ui
