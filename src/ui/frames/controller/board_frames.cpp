#include "board_frames.h"

#include <QHeaderView>
#include <QRegularExpressionValidator>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <cmath>

#include "base/format.h"
#include "controller/models.h"
#include "model/configuration.h"

namespace vilk::ui {

namespace {

constexpr int kGroupColumns = 5;

// Number cells take digits and one decimal separator ("," or "."), nothing else.
class NumberDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto* edit = qobject_cast<QLineEdit*>(editor); edit && index.column() > 0)
      edit->setValidator(new QRegularExpressionValidator(
          QRegularExpression(QStringLiteral("\\d*[,.]?\\d*")), edit));
    if (auto* edit = qobject_cast<QLineEdit*>(editor); edit && index.column() == 0)
      edit->setMaxLength(static_cast<int>(kMaxNameChars));
    return editor;
  }
};

QString GroupNumber(float v) {
  return v > 0 ? Q(Format("%.6g", v)) : QString();
}

// A number cell: empty is 0; "," and "." both separate the decimals. False when the text
// is no number a float can hold (a lone separator, too many digits).
bool ParseNumber(QString text, float& value) {
  if (text.isEmpty()) {
    value = 0;
    return true;
  }
  text.replace(QLatin1Char(','), QLatin1Char('.'));
  bool ok = false;
  value = text.toFloat(&ok);
  return ok && std::isfinite(value);
}

float& GroupField(SporadicGroup& g, int column) {
  switch (column) {
    case 1:
      return g.AbsAperture;
    case 2:
      return g.RelAperture;
    case 3:
      return g.Lower;
    default:
      return g.Upper;
  }
}

}  // namespace

TProcFrame::TProcFrame(TItem* item, QWidget* parent) : ItemFrame(item, parent) {
  auto* layout = new QVBoxLayout(this);
  auto* top = new QWidget(this);
  Form form(this, top);
  form.Text(QStringLiteral("Место установки"), Proc()->Place, static_cast<int>(kMaxNameChars));
  layout->addWidget(top);

  auto* box = new QGroupBox(QStringLiteral("Таблица настройки спорадических Групп ТИ"), this);
  auto* boxLayout = new QVBoxLayout(box);
  groups_ = new QTableWidget(kMaxSporadicGroups, kGroupColumns, box);
  groups_->setHorizontalHeaderLabels(
      {QStringLiteral("Наименование Группы"), QStringLiteral("Абсолютная апертура"),
       QStringLiteral("Относительная апертура, %"), QStringLiteral("Нижний порог"),
       QStringLiteral("Верхний порог")});
  groups_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  groups_->horizontalHeader()->setMinimumSectionSize(60);
  groups_->setItemDelegate(new NumberDelegate(groups_));
  groups_->verticalHeader()->setDefaultSectionSize(groups_->fontMetrics().height() + 6);
  boxLayout->addWidget(groups_);
  layout->addWidget(box, 1);
  Bind([this] { LoadGroups(); }, [this] { StoreGroups(); }, [this] { return CheckGroups(); });

  auto* flagsBox = new QWidget(this);
  Form flags = Form(this, flagsBox).Group(QStringLiteral(" Требовать пароль для  "));
  const char* captions[] = {"чтения файлов Конфигуратором", "записи файлов Конфигуратором",
                            "чтения данных Диагностикой", "записи данных Диагностикой"};
  for (int i = 0; i < 4; ++i)
    flags.Check(QString::fromUtf8(captions[i]), Proc()->PasswordFlags[static_cast<std::size_t>(i)]);
  layout->addWidget(flagsBox);
}

QString TProcFrame::Cell(int row, int column) const {
  const QTableWidgetItem* it = groups_->item(row, column);
  return it ? it->text().trimmed() : QString();
}

void TProcFrame::LoadGroups() {
  const QSignalBlocker block(groups_);
  groups_->clearContents();
  const auto& groups = Proc()->Groups;
  rows_.assign(static_cast<std::size_t>(groups_->rowCount()), SporadicGroup{});
  for (int r = 0; r < static_cast<int>(groups.size()) && r < groups_->rowCount(); ++r) {
    SporadicGroup& g = rows_[static_cast<std::size_t>(r)];
    g = groups[static_cast<std::size_t>(r)];
    groups_->setItem(r, 0, new QTableWidgetItem(Q(g.Name)));
    for (int c = 1; c < kGroupColumns; ++c)
      groups_->setItem(r, c, new QTableWidgetItem(GroupNumber(GroupField(g, c))));
  }
  shown_ = Texts();
}

QStringList TProcFrame::Texts() const {
  QStringList texts;
  for (int r = 0; r < groups_->rowCount(); ++r)
    for (int c = 0; c < kGroupColumns; ++c) texts << Cell(r, c);
  return texts;
}

// Rows without a name are dropped, so only named rows need numbers that read.
bool TProcFrame::CheckGroups() {
  for (int r = 0; r < groups_->rowCount(); ++r) {
    if (Cell(r, 0).isEmpty()) continue;
    for (int c = 1; c < kGroupColumns; ++c) {
      float value = 0;
      if (ParseNumber(Cell(r, c), value)) continue;
      groups_->setCurrentCell(r, c);
      Item()->Config().Messages().Error(
          Format("Ячейка таблицы (строка %d, колонка %d)\rсодержит недопустимое значение: "
                 "\"%s\"\rкоторое невозможно преобразовать в число.",
                 r + 1, c + 1, S(Cell(r, c))));
      return false;
    }
  }
  return true;
}

// A cell that still shows what was loaded keeps its value exactly: the table shows six
// significant digits, and merely opening the frame must not round the apertures.
void TProcFrame::StoreGroups() {
  const QStringList texts = Texts();
  if (texts == shown_) return;
  std::vector<SporadicGroup> groups;
  for (int r = 0; r < groups_->rowCount(); ++r) {
    SporadicGroup& row = rows_[static_cast<std::size_t>(r)];
    auto unchanged = [&](int c) {
      const qsizetype i = static_cast<qsizetype>(r) * kGroupColumns + c;
      return texts[i] == shown_[i];
    };
    if (!unchanged(0)) row.Name = Truncate(S(Cell(r, 0)), kMaxNameChars);
    for (int c = 1; c < kGroupColumns; ++c)
      if (!unchanged(c)) ParseNumber(Cell(r, c), GroupField(row, c));
    if (!Cell(r, 0).isEmpty()) groups.push_back(row);
  }
  Proc()->Groups = std::move(groups);
  shown_ = texts;
}

TRS232Frame::TRS232Frame(TItem* item, QWidget* parent) : ItemFrame(item, parent) {
  auto* layout = new QVBoxLayout(this);
  auto* body = new QWidget(this);
  Form form(this, body);
  TRS232* b = Board();
  form.Value(QStringLiteral("Номер COM порта"),
             [b] { return Q(Format("%d.%d", (b->Number - 32) / 16, b->Number % 16)); });
  std::vector<ChoiceItem> speeds;
  for (int s : {115200, 57600, 38400, 19200, 9600, 4800, 2400, 1200, 600})
    speeds.push_back({QString::number(s), s});
  speed_ = form.Choice(QStringLiteral("Скорость"), speeds, b->Speed);
  parity_ = form.Choice(QStringLiteral("Чётность"),
                        {{QStringLiteral("НЕТ"), 0},
                         {QStringLiteral("НЕЧЕТ"), 1},
                         {QStringLiteral("ЧЁТ"), 2},
                         {QStringLiteral("МАРКЕР"), 3},
                         {QStringLiteral("ПРОБЕЛ"), 4}},
                        b->Parity);
  iface_ =
      form.Choice(QStringLiteral("Интерфейс RS-232 / RS-485"),
                  {{QStringLiteral("RS-232"), 0}, {QStringLiteral("RS-485"), 1}}, b->Interface);
  iface_->setEnabled(false);  // the model's board list decides the interface
  stop_ = form.Choice(QStringLiteral("Стоповых бит"),
                      {{QStringLiteral("1"), 0}, {QStringLiteral("2"), 1}}, b->StopBits);
  gap_ = form.Spin(QStringLiteral("Выдержка приёма, мс"), 2, 255, b->ReceiveGap);
  startUp_ = form.Spin(QStringLiteral("Длительность разгона, мс"), 0, 99, b->StartUp);
  switchOff_ = form.Spin(QStringLiteral("Задержка выключения, мс"), 0, 99, b->SwitchOff);
  tcpPort_ = form.Spin(QStringLiteral("Порт ТСР"), 0, 65535, b->TcpPort);

  auto* usedRow = new QWidget(body);
  auto* usedLayout = new QHBoxLayout(usedRow);
  usedLayout->setContentsMargins(0, 0, 0, 0);
  used_ = new QLabel(usedRow);
  go_ = new QPushButton(QStringLiteral("Настроить"), usedRow);
  usedLayout->addWidget(used_);
  usedLayout->addWidget(go_);
  usedLayout->addStretch();
  form.Add(QStringLiteral("Задействован"), usedRow);
  layout->addWidget(body);
  layout->addStretch();

  connect(go_, &QPushButton::clicked, this, [this] { Board()->GoToLinked(); });
  for (QComboBox* box : {speed_, parity_, stop_})
    connect(box, &QComboBox::currentIndexChanged, this, &TRS232Frame::SerialChanged);
}

void TRS232Frame::SetToFrame() {
  ItemFrame::SetToFrame();
  used_->setText(Board()->LinkedPort ? Q(Board()->LinkedPort->Caption()) : QStringLiteral("Нет"));
  go_->setEnabled(Board()->LinkedPort != nullptr);
  UpdateEnabling();
}

void TRS232Frame::UpdateEnabling() {
  const bool rs485 = iface_->currentData().toInt() == 1;
  startUp_->setEnabled(rs485);
  switchOff_->setEnabled(rs485);
  tcpPort_->setEnabled(rs485);
}

// New speed, parity or stop bits: the start-up time and the receive gap follow.
void TRS232Frame::SerialChanged() {
  if (Loading()) return;
  const SerialTiming t = SerialTimingDefaults(
      speed_->currentData().toInt(), parity_->currentData().toInt(), stop_->currentData().toInt());
  startUp_->setValue(std::min(t.StartUp, startUp_->maximum()));
  gap_->setValue(std::min(t.ReceiveGap, gap_->maximum()));
}

TDIFrame::TDIFrame(TItem* item, QWidget* parent) : ItemFrame(item, parent) {
  auto* layout = new QVBoxLayout(this);
  auto* body = new QWidget(this);
  Form form(this, body);
  form.Choice(QStringLiteral("Время антидребезга, мс"),
              {{QStringLiteral("40"), 40},
               {QStringLiteral("120"), 120},
               {QStringLiteral("400"), 400},
               {QStringLiteral("1200"), 1200}},
              static_cast<TDI*>(item)->Debounce);
  layout->addWidget(body);
  layout->addStretch();
}

}  // namespace vilk::ui
