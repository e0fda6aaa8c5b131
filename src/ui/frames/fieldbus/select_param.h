#pragma once
// The parameter dialog (TSelectParam) of a device's table tab: a copy of the tab's grid
// beside the template's list of the table's signals. A contiguous range picked in the
// list fills the grid's rows ("Добавить параметры в таблицу"); "Принять" hands the grid
// back to the tab.
#include <QDialog>
#include <QListWidget>
#include <QPushButton>
#include <string>
#include <utility>
#include <vector>

#include "base/messages.h"
#include "frames/fieldbus/modbus_grid.h"

namespace vilk::ui {

class TSelectParam : public QDialog {
  Q_OBJECT
 public:
  using Lines = std::vector<std::pair<std::string, std::string>>;

  // `section`: "Список ТС" ... (the caption); `lines`: that section of the template file;
  // `prefix`: the device's signal prefix with its dot ("%s.%d_%s.").
  TSelectParam(QWidget* parent, int signalKind, const QString& section, const GridCells& cells,
               const Lines& lines, const std::string& prefix, IMessages& messages);

  ModbusGrid* Grid() const { return grid_; }
  QListWidget* List() const { return list_; }
  QPushButton* AddButton() const { return add_; }
  QPushButton* RowButton(int row) const { return rows_[static_cast<std::size_t>(row)]; }
  GridCells Cells() const { return grid_->Cells(); }

  // "Добавить параметры в таблицу": the selected block of the list into the grid.
  void AddSelected();
  void DeleteRow(int row);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Recolor();

  int kind_;
  std::string prefix_;
  IMessages& messages_;
  ModbusGrid* grid_;
  QListWidget* list_;
  QPushButton* add_;
  std::vector<QPushButton*> rows_;
};

// The log event dialog (TSelectLogParam): the events of the template's "Список Событий"
// or "Список Аварий" as a check list, the log's selected ones ticked.
class TSelectLogParam : public QDialog {
  Q_OBJECT
 public:
  TSelectLogParam(QWidget* parent, const TSelectParam::Lines& lines,
                  const std::vector<std::uint16_t>& selected, IMessages& messages);

  QListWidget* List() const { return list_; }
  QPushButton* TickButton() const { return tick_; }
  QPushButton* ClearButton() const { return clear_; }
  // The numbers of the ticked events, in list order.
  std::vector<std::uint16_t> Selected() const;

 private:
  void Mark(Qt::CheckState state);
  QListWidget* list_;
  QPushButton* tick_;
  QPushButton* clear_;
  IMessages& messages_;
};

}  // namespace vilk::ui
