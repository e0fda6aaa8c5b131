#include "frames/fieldbus/select_param.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <algorithm>

#include "base/text.h"
#include "qt_text.h"
#include "theme.h"
#include "widgets.h"

namespace vilk::ui {

namespace {

constexpr int kAddressRole = Qt::UserRole;
// A list line longer than this after the device's prefix makes a name beyond 64
// characters: the line carries its key and "=" besides the name.
constexpr std::size_t kLongLine = 70;

QListWidgetItem* LineItem(const std::pair<std::string, std::string>& line) {
  auto* item = new QListWidgetItem(Q(line.first + "=" + line.second));
  const auto number = TemplateKeyNumber(line.first);
  item->setData(kAddressRole, number ? static_cast<qlonglong>(*number) : -1LL);
  return item;
}

void DarkSelection(QListWidget* list) {
  QPalette p = list->palette();
  p.setColor(QPalette::Highlight, QColor(0x00, 0x00, 0x80));
  p.setColor(QPalette::HighlightedText, Qt::white);
  list->setPalette(p);
}

}  // namespace

TSelectParam::TSelectParam(QWidget* parent, int signalKind, const QString& section,
                           const GridCells& cells, const Lines& lines, const std::string& prefix,
                           IMessages& messages)
    : QDialog(parent), kind_(signalKind), prefix_(prefix), messages_(messages) {
  setWindowTitle(section);
  auto* layout = new QVBoxLayout(this);
  auto* body = new QGridLayout;
  body->addWidget(new QLabel(QStringLiteral("Таблица читаемых параметров"), this), 0, 0, 1, 2);
  body->addWidget(new QLabel(QStringLiteral("Список доступных параметров"), this), 0, 2);

  grid_ = new ModbusGrid(signalKind, this);
  grid_->SetCells(cells);
  // One delete button beside each row.
  auto* buttons = new QVBoxLayout;
  buttons->setSpacing(0);
  buttons->setContentsMargins(0, grid_->horizontalHeader()->sizeHint().height() + 1, 0, 0);
  for (int r = 0; r < kModbusRows; ++r) {
    auto* b = new QPushButton(QStringLiteral("X"), this);
    b->setToolTip(QStringLiteral("Удалить строку %1").arg(r + 1));
    b->setFixedSize(grid_->verticalHeader()->defaultSectionSize() + 4,
                    grid_->verticalHeader()->defaultSectionSize());
    connect(b, &QPushButton::clicked, this, [this, r] { DeleteRow(r); });
    buttons->addWidget(b);
    rows_.push_back(b);
  }
  buttons->addStretch();
  body->addLayout(buttons, 1, 0, Qt::AlignTop);
  body->addWidget(grid_, 1, 1, Qt::AlignTop);

  list_ = new QListWidget(this);
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_->setMinimumWidth(list_->fontMetrics().horizontalAdvance(QLatin1Char('W')) * 24);
  DarkSelection(list_);
  for (const auto& line : lines) list_->addItem(LineItem(line));
  list_->viewport()->installEventFilter(this);
  body->addWidget(list_, 1, 2, 2, 1);
  body->setColumnStretch(2, 1);
  layout->addLayout(body, 1);

  auto* hint = new QLabel(
      QStringLiteral("Удерживая клавишу Shift выделите нужный диапазон адресов параметров в "
                     "списке и нажмите кнопку Добавить параметры в таблицу"),
      this);
  hint->setWordWrap(true);
  layout->addWidget(hint);
  add_ = new QPushButton(QStringLiteral("Добавить параметры в таблицу"), this);
  auto* addRow = new QHBoxLayout;
  addRow->addWidget(add_);
  addRow->addStretch();
  layout->addLayout(addRow);
  connect(add_, &QPushButton::clicked, this, &TSelectParam::AddSelected);
  AddAcceptRow(this, layout, QStringLiteral("Принять"), QStringLiteral("Отмена"));
  connect(grid_, &ModbusGrid::Edited, this, &TSelectParam::Recolor);
  Recolor();
  resize(sizeHint().width() + 100, 480);
}

// A control-click keeps an item only beside another selected one: the selection stays
// one block.
bool TSelectParam::eventFilter(QObject* watched, QEvent* event) {
  if (watched == list_->viewport() && event->type() == QEvent::MouseButtonRelease) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->modifiers() & Qt::ControlModifier)
      if (QListWidgetItem* item = list_->itemAt(mouse->position().toPoint());
          item && item->isSelected()) {
        const int row = list_->row(item);
        const auto selected = [this](int r) {
          return r >= 0 && r < list_->count() && list_->item(r)->isSelected();
        };
        if (!selected(row - 1) && !selected(row + 1)) item->setSelected(false);
      }
  }
  return QDialog::eventFilter(watched, event);
}

void TSelectParam::AddSelected() {
  int first = -1;
  for (int i = 0; i < list_->count() && first < 0; ++i)
    if (list_->item(i)->isSelected()) first = i;
  if (first < 0) return;
  int last = first;
  while (last + 1 < list_->count() && list_->item(last + 1)->isSelected()) ++last;
  const qlonglong start = list_->item(first)->data(kAddressRole).toLongLong();
  const qlonglong end = list_->item(last)->data(kAddressRole).toLongLong();
  if (start < 0 || end < start) {
    messages_.Error("Ключи выделенных строк списка не задают диапазон адресов.");
    return;
  }
  GridCells cells = grid_->Cells();
  const RangePlacement placed = AddRangeToGrid(cells, kind_, static_cast<std::uint32_t>(start),
                                               static_cast<std::uint32_t>(end - start + 1));
  if (placed.FirstRow < 0) return;  // no row is free
  grid_->SetCells(cells);
  Recolor();
  if (placed.AddressTooLarge)
    messages_.Error("Адрес строки таблицы не может быть больше FFFF: добавлены не все параметры.");
}

void TSelectParam::DeleteRow(int row) {
  GridCells cells = grid_->Cells();
  DeleteGridRow(cells, row);
  grid_->SetCells(cells);
  Recolor();
}

// Grey: a row reads it already; red: its name would be too long for a signal.
void TSelectParam::Recolor() {
  const GridCells cells = grid_->Cells();
  for (int i = 0; i < list_->count(); ++i) {
    QListWidgetItem* item = list_->item(i);
    const qlonglong address = item->data(kAddressRole).toLongLong();
    QColor color = palette().color(QPalette::Text);
    if (CharCount(prefix_ + S(item->text())) > kLongLine)
      color = ErrorText(palette());
    else if (address >= 0 && GridCovers(cells, kind_, static_cast<std::uint32_t>(address)))
      color = GreyedText(palette());
    item->setForeground(color);
  }
}

TSelectLogParam::TSelectLogParam(QWidget* parent, const TSelectParam::Lines& lines,
                                 const std::vector<std::uint16_t>& selected, IMessages& messages)
    : QDialog(parent), messages_(messages) {
  setWindowTitle(QStringLiteral("Выбор событий журнала"));
  auto* layout = new QVBoxLayout(this);
  list_ = new QListWidget(this);
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  DarkSelection(list_);
  for (const auto& line : lines) {
    QListWidgetItem* item = LineItem(line);
    const auto number = TemplateKeyNumber(line.first);
    // Only decimal event numbers of 16 bits can be chosen.
    if (line.first.empty() || line.first[0] == '$' || !number || *number > 0xFFFF) {
      item->setFlags(item->flags() & ~(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled));
      item->setData(kAddressRole, -1LL);
    } else {
      item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
      const bool ticked = std::find(selected.begin(), selected.end(),
                                    static_cast<std::uint16_t>(*number)) != selected.end();
      item->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
    }
    list_->addItem(item);
  }
  layout->addWidget(list_, 1);
  auto* row = new QHBoxLayout;
  tick_ = new QPushButton(QStringLiteral("Выбрать"), this);
  clear_ = new QPushButton(QStringLiteral("Стереть"), this);
  row->addWidget(tick_);
  row->addWidget(clear_);
  row->addStretch();
  layout->addLayout(row);
  connect(tick_, &QPushButton::clicked, this, [this] { Mark(Qt::Checked); });
  connect(clear_, &QPushButton::clicked, this, [this] { Mark(Qt::Unchecked); });
  AddAcceptRow(this, layout, QStringLiteral("Принять"), QStringLiteral("Отмена"), [this] {
    if (Selected().size() <= static_cast<std::size_t>(kMaxLogEvents)) return true;
    messages_.Error("В журнале можно выбрать не более " + std::to_string(kMaxLogEvents) +
                    " событий.");
    return false;
  });
  resize(420, 480);
}

void TSelectLogParam::Mark(Qt::CheckState state) {
  for (QListWidgetItem* item : list_->selectedItems())
    if (item->flags() & Qt::ItemIsUserCheckable) item->setCheckState(state);
  list_->clearSelection();
}

std::vector<std::uint16_t> TSelectLogParam::Selected() const {
  std::vector<std::uint16_t> numbers;
  for (int i = 0; i < list_->count(); ++i) {
    const QListWidgetItem* item = list_->item(i);
    if ((item->flags() & Qt::ItemIsUserCheckable) && item->checkState() == Qt::Checked)
      numbers.push_back(static_cast<std::uint16_t>(item->data(kAddressRole).toLongLong()));
  }
  return numbers;
}

}  // namespace vilk::ui
