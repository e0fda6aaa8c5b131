#pragma once
// One polling table of a Modbus device as an eight-row grid of texts. Typed characters
// are upper-cased; the address column takes hex digits (at most 4), the others decimal
// digits (at most 3, above 255 taken as 255 when the cell is left).
#include <QStyledItemDelegate>
#include <QTableWidget>

#include "ports/fieldbus/modbus_select.h"

namespace vilk::ui {

class ModbusGrid : public QTableWidget {
  Q_OBJECT
 public:
  // ТС, ТУ, ТИ or ТР (the signal kind).
  ModbusGrid(int signalKind, QWidget* parent);

  int SignalKind() const { return kind_; }
  GridCells Cells() const;
  void SetCells(const GridCells& cells);
  // The text of a cell ("" when it holds none).
  QString Text(int row, int column) const;
  void SetText(int row, int column, const QString& text);

  // The column headers of a table kind: " Функция", "  Адрес, hex", ...
  static QStringList Headers(int signalKind);

 signals:
  void Edited();

 private:
  int kind_;
};

// The cell editors with the grid's input rules.
class ModbusCellDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  ModbusCellDelegate(int addressColumn, QObject* parent)
      : QStyledItemDelegate(parent), addressColumn_(addressColumn) {}
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override;
  void setModelData(QWidget* editor, QAbstractItemModel* model,
                    const QModelIndex& index) const override;

 private:
  int addressColumn_;
};

}  // namespace vilk::ui
