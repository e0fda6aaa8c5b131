#include "frames/fieldbus/table_frame.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QStyledItemDelegate>

#include "ports/fieldbus/templates.h"
#include "qt_text.h"

namespace vilk::ui {

namespace {

QString& DataFolder() {
  static QString folder;
  return folder;
}

// "Data" under the home folder unless set otherwise.
QString FirstFolder() {
  if (!DataFolder().isEmpty()) return DataFolder();
  return TemplateHome().empty() ? QString()
                                : QDir(Q(TemplateHome())).filePath(QStringLiteral("Data"));
}

QString BoxText(const std::string& text) {
  return Q(text).replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

}  // namespace

// Tests every key in a cell editor before it lands; Enter commits and fills the block.
class TableCellFilter : public QStyledItemDelegate {
 public:
  explicit TableCellFilter(TTableFrame* frame) : QStyledItemDelegate(frame), frame_(frame) {}

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    editor->setProperty("row", index.row());
    editor->setProperty("col", index.column());
    return editor;
  }

  // What gets past the keys (a paste, say) is tested once more before it is kept.
  void setModelData(QWidget* editor, QAbstractItemModel* model,
                    const QModelIndex& index) const override {
    auto* edit = qobject_cast<QLineEdit*>(editor);
    if (edit && !frame_->KeyAllowed(index.row(), index.column(), edit->text())) {
      QApplication::beep();
      return;
    }
    QStyledItemDelegate::setModelData(editor, model, index);
  }

 protected:
  bool eventFilter(QObject* object, QEvent* event) override {
    auto* edit = qobject_cast<QLineEdit*>(object);
    if (!edit || event->type() != QEvent::KeyPress)
      return QStyledItemDelegate::eventFilter(object, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const int row = edit->property("row").toInt(), col = edit->property("col").toInt();
    QString text = edit->text();
    int from = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
    int length = edit->hasSelectedText() ? static_cast<int>(edit->selectedText().size()) : 0;
    switch (key->key()) {
      case Qt::Key_Return:
      case Qt::Key_Enter:
        // The cell is kept now (not on the next turn of the event loop), so that the block
        // is filled from what was just typed.
        emit commitData(edit);
        emit closeEditor(edit, QAbstractItemDelegate::NoHint);
        frame_->FillBlock();
        return true;
      case Qt::Key_Backspace:
        if (!length) {
          if (from == 0) return QStyledItemDelegate::eventFilter(object, event);
          --from;
          length = 1;
        }
        text.remove(from, length);
        break;
      case Qt::Key_Delete:
        if (!length) {
          if (from >= text.size()) return QStyledItemDelegate::eventFilter(object, event);
          length = 1;
        }
        text.remove(from, length);
        break;
      default: {
        // Tab, Escape and shortcuts are the view's and the line's business.
        const QString typed = key->text();
        if (typed.isEmpty() || typed.front().unicode() < 0x20 || typed.front().unicode() == 0x7F ||
            (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
          return QStyledItemDelegate::eventFilter(object, event);
        const TableColumn& column = frame_->Model().Column(col);
        for (const QChar c : typed)
          if (!AcceptsChar(column, c.unicode())) {
            QApplication::beep();
            return true;
          }
        text.replace(from, length, typed);
        break;
      }
    }
    if (!frame_->KeyAllowed(row, col, text)) {
      QApplication::beep();
      return true;
    }
    return QStyledItemDelegate::eventFilter(object, event);
  }

 private:
  TTableFrame* frame_;
};

TTableFrame::TTableFrame(TableModel model, QWidget* parent)
    : QTableWidget(parent), model_(std::move(model)) {
  setItemDelegate(new TableCellFilter(this));
  setSelectionMode(QAbstractItemView::ContiguousSelection);
  setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked |
                  QAbstractItemView::EditKeyPressed);
  setColumnCount(model_.ColumnCount());
  QStringList captions;
  for (int c = 0; c < model_.ColumnCount(); ++c) {
    captions << QStringLiteral(" ") + Q(model_.Column(c).Caption);
    setColumnWidth(c, model_.Column(c).Width);
  }
  setHorizontalHeaderLabels(captions);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

  menu_ = new QMenu(this);
  connect(menu_->addAction(QStringLiteral("Вставить  пустую строку")), &QAction::triggered, this,
          &TTableFrame::InsertEmptyRow);
  connect(menu_->addAction(QStringLiteral("Вставить копию строки")), &QAction::triggered, this,
          &TTableFrame::InsertCopyRow);
  connect(menu_->addAction(QStringLiteral("Удалить строку")), &QAction::triggered, this,
          &TTableFrame::DeleteRow);
  menu_->addSeparator();
  connect(menu_->addAction(QStringLiteral("Читать таблицу из текстового файла")),
          &QAction::triggered, this, &TTableFrame::ReadTextFile);
  connect(menu_->addAction(QStringLiteral("Сохранить таблицу в текстовом файле")),
          &QAction::triggered, this, &TTableFrame::SaveTextFile);

  connect(this, &QTableWidget::itemChanged, this, &TTableFrame::CellChanged);
  ShowModel();
}

QString& TTableFrame::LastFolder() {
  static QString folder;
  return folder;
}

void TTableFrame::SetDataFolder(const QString& folder) {
  DataFolder() = folder;
}

void TTableFrame::ShowRow(int row) {
  for (int c = 0; c < model_.ColumnCount(); ++c) {
    QTableWidgetItem* cell = item(row, c);
    if (!cell) {
      cell = new QTableWidgetItem;
      if (!Selectable(model_.Column(c))) {
        cell->setFlags(Qt::ItemIsEnabled);
        cell->setBackground(palette().button());
      }
      setItem(row, c, cell);
    }
    cell->setText(Q(model_.Cell(row, c)));
  }
}

void TTableFrame::ShowModel() {
  showing_ = true;
  setUpdatesEnabled(false);
  setRowCount(model_.RowCount());
  for (int r = 0; r < model_.RowCount(); ++r) ShowRow(r);
  setUpdatesEnabled(true);
  showing_ = false;
}

void TTableFrame::Changed() {
  ShowModel();
  emit Edited();
}

void TTableFrame::CellChanged(QTableWidgetItem* cell) {
  if (showing_ || !cell) return;
  model_.SetCell(cell->row(), cell->column(), S(cell->text()));
  showing_ = true;
  ShowRow(cell->row());
  showing_ = false;
  emit Edited();
}

bool TTableFrame::KeyAllowed(int, int col, const QString& text) const {
  if (col < 0 || col >= model_.ColumnCount()) return false;
  return TypingAllows(model_.Column(col), S(text));
}

void TTableFrame::FillBlock() {
  const QList<QTableWidgetSelectionRange> ranges = selectedRanges();
  const int source = currentRow();
  if (ranges.isEmpty() || source < 0) return;
  const QTableWidgetSelectionRange& r = ranges.front();
  model_.BlockFill(source, r.topRow(), r.bottomRow(), r.leftColumn(), r.rightColumn());
  Changed();
}

void TTableFrame::InsertEmptyRow() {
  const int row = std::max(currentRow(), 0);
  if (!model_.InsertEmptyRow(row)) {
    QApplication::beep();
    return;
  }
  Changed();
  setCurrentCell(row, std::max(currentColumn(), 0));
}

void TTableFrame::InsertCopyRow() {
  const int row = std::max(currentRow(), 0);
  if (!model_.InsertCopyRow(row)) {
    QApplication::beep();
    return;
  }
  Changed();
  setCurrentCell(row, std::max(currentColumn(), 0));
}

void TTableFrame::DeleteRow() {
  const int row = currentRow();
  if (row < 0) return;
  const int col = std::max(currentColumn(), 0);
  model_.DeleteRow(row);
  Changed();
  setCurrentCell(std::min(row, model_.RowCount() - 1), col);
}

bool TTableFrame::ReadTextFile() {
  QString folder = LastFolder().isEmpty() ? FirstFolder() : LastFolder();
  const QString path = ChooseFile ? ChooseFile(false, folder)
                                  : QFileDialog::getOpenFileName(
                                        this, QString(), folder,
                                        QStringLiteral("Текстовые файлы (*.txt);;Все файлы (*)"));
  if (path.isEmpty()) return false;
  LastFolder() = QFileInfo(path).absolutePath();
  std::string error;
  if (!model_.ImportFile(S(path), &error)) {
    if (ShowError)
      ShowError(Q(error));
    else
      QMessageBox::critical(this, QApplication::applicationName() + QStringLiteral(" - Ошибка"),
                            Q(error));
    return false;
  }
  Changed();
  return true;
}

bool TTableFrame::SaveTextFile() {
  QString folder = LastFolder();
  if (folder.isEmpty()) {
    folder = FirstFolder();
    if (!folder.isEmpty()) QDir().mkpath(folder);
  }
  const QString name =
      QDate::currentDate().toString(QStringLiteral("_yyyy_MM_dd")) + QStringLiteral(".txt");
  const QString suggested = folder.isEmpty() ? name : QDir(folder).filePath(name);
  const QString path = ChooseFile ? ChooseFile(true, suggested)
                                  : QFileDialog::getSaveFileName(
                                        this, QString(), suggested,
                                        QStringLiteral("Текстовые файлы (*.txt);;Все файлы (*)"));
  if (path.isEmpty()) return false;
  LastFolder() = QFileInfo(path).absolutePath();
  std::string error;
  if (!model_.ExportFile(S(path), &error)) {
    const QString text = QStringLiteral("Не удалось записать файл ") + path + ": " + Q(error);
    if (ShowError)
      ShowError(text);
    else
      QMessageBox::critical(this, QApplication::applicationName() + QStringLiteral(" - Ошибка"),
                            text);
    return false;
  }
  return true;
}

bool TTableFrame::AskAboutCell(int row, int column, const std::string& message) {
  setCurrentCell(row - 1, column - 1);
  scrollToItem(item(row - 1, column - 1));
  const QString text = BoxText(message) + BoxText(CellErrorActions());
  if (CellBox) return CellBox(text);
  QMessageBox box(QMessageBox::Critical,
                  QApplication::applicationName() + QStringLiteral(" - Ошибка"), text,
                  QMessageBox::Cancel | QMessageBox::Ignore, this);
  box.setDefaultButton(QMessageBox::Cancel);
  QApplication::beep();
  return box.exec() == QMessageBox::Ignore;
}

void TTableFrame::keyPressEvent(QKeyEvent* event) {
  const int row = currentRow(), col = currentColumn();
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (state() != EditingState) {
        FillBlock();
        return;
      }
      break;
    case Qt::Key_Down:
      if (row == model_.RowCount() - 1 && event->modifiers() == Qt::NoModifier) {
        if (!model_.AppendRow()) {
          QApplication::beep();
          return;
        }
        Changed();
        setCurrentCell(row + 1, std::max(col, 0));
        return;
      }
      break;
    case Qt::Key_Right:
      if (col == model_.ColumnCount() - 1 && event->modifiers() == Qt::NoModifier) {
        if (row == model_.RowCount() - 1) {
          if (!model_.AppendRow()) {
            QApplication::beep();
            return;
          }
          Changed();
        }
        setCurrentCell(row + 1, 0);
        return;
      }
      break;
    default:
      break;
  }
  QTableWidget::keyPressEvent(event);
}

void TTableFrame::contextMenuEvent(QContextMenuEvent* event) {
  menu_->exec(event->globalPos());
}

}  // namespace vilk::ui
