#include "frames/telemechanics/kp_frames.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QStyle>
#include <QVBoxLayout>

#include "model/configuration.h"
#include "signals/params.h"
#include "signals/storage.h"
#include "theme.h"

namespace vilk::ui {

namespace {

QLabel* Legend(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setWordWrap(true);
  return label;
}

}  // namespace

// --- ports ---

TPortKPFrame::TPortKPFrame(TItem* item, QWidget* parent)
    : DevicePortFrame(item, parent, &TCountedPort::DeviceCount) {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(FrameTitle(QStringLiteral("Порт опроса КП"), this));
  auto* body = new QWidget(this);
  Form form(this, body);
  // "Настроить" shows the serial settings of the board the port runs on.
  rows_->AddBoard(form);
  rows_->AddAddress(form);
  rows_->AddCount(form);
  layout->addWidget(body);
  layout->addStretch();
}

TPortRTU104Frame::TPortRTU104Frame(TItem* item, QWidget* parent)
    : DevicePortFrame(item, parent, &TCountedPort::DeviceCount) {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(FrameTitle(QStringLiteral("Порт опроса по МЭК 870-5-104"), this));
  auto* body = new QWidget(this);
  Form form(this, body);
  rows_->AddAddress(form);
  // The controller has one network: the box shows it and cannot be changed.
  Form link = form.Group(QStringLiteral("Порт связи"));
  auto* network = new QCheckBox(QStringLiteral("Сеть 1"), link.Container());
  network->setChecked(true);
  network->setEnabled(false);
  link.Layout()->addRow(network);
  rows_->AddCount(form);
  layout->addWidget(body);
  layout->addStretch();
}

// --- devices with a count table ---

TCountedDeviceFrame::TCountedDeviceFrame(TItem* item, QWidget* parent) : ItemFrame(item, parent) {}

QLabel* TCountedDeviceFrame::MakeErrorLabel(QWidget* parent) {
  error_ = new QLabel(QStringLiteral("Уже существует"), parent);
  error_->setObjectName(QStringLiteral("ErrorLabel"));
  QPalette red = error_->palette();
  red.setColor(QPalette::WindowText, ErrorText(red));
  error_->setPalette(red);
  error_->setVisible(false);
  return error_;
}

CountTable* TCountedDeviceFrame::AddCountTable(QWidget* parent) {
  counts_ = new CountTable(parent);
  counts_->setObjectName(QStringLiteral("CountTable"));
  connect(counts_, &CountTable::CountsCommitted, this, &TCountedDeviceFrame::ApplyTableCounts);
  return counts_;
}

void TCountedDeviceFrame::AddBases(Form& form) {
  TCountedDevice* d = Device();
  form.Hex(QStringLiteral("Базовый адрес ТС"), 0, 65535, d->BaseTS);
  form.Hex(QStringLiteral("Базовый адрес МТС"), 0, 65535, d->BaseMTS);
  form.Hex(QStringLiteral("Базовый адрес ТУ"), 0, 65535, d->BaseTU);
  form.Hex(QStringLiteral("Базовый адрес ТИ"), 0, 65535, d->BaseTI);
  form.Hex(QStringLiteral("Базовый адрес ТИИ"), 0, 65535, d->BaseTII);
  form.Hex(QStringLiteral("Базовый адрес ТР"), 0, 65535, d->BaseTR);
}

void TCountedDeviceFrame::ApplyTableCounts() {
  if (Loading()) return;
  const SignalCounts wanted = counts_->Counts();
  if (wanted == Device()->CurrentCounts()) return;
  if (!Device()->ApplyCounts(wanted)) {
    counts_->SetCounts(Device()->CurrentCounts());
    return;
  }
  ListsChanged();
}

void TCountedDeviceFrame::ListsChanged() {
  Device()->Storage().RebuildPool();
  counts_->SetCounts(Device()->CurrentCounts());
  ShowState();
  ItemEdited();
}

void TCountedDeviceFrame::SetToFrame() {
  ItemFrame::SetToFrame();
  if (counts_) counts_->SetCounts(Device()->CurrentCounts());
  ShowState();
}

bool TCountedDeviceFrame::GetFromFrame() {
  // A count still being typed is committed first, as leaving the cell would.
  if (counts_) counts_->CommitOpen();
  TCountedDevice* d = Device();
  const std::string place = d->Place;
  if (!ItemFrame::GetFromFrame()) return false;
  // The link state is named after the place.
  if (d->Place != place)
    if (auto* port = dynamic_cast<TPort*>(d->Parent())) port->UpdateSignalList();
  return true;
}

// --- the group table ---

GroupTable::GroupTable(QWidget* parent) : QTableWidget(25, 10, parent) {
  QStringList columns, rows;
  for (int c = 0; c < 10; ++c) columns << QString::number(c);
  for (int r = 0; r < 25; ++r) rows << QStringLiteral("%1..").arg(r * 10);
  setHorizontalHeaderLabels(columns);
  setVerticalHeaderLabels(rows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  horizontalHeader()->setDefaultSectionSize(
      fontMetrics().horizontalAdvance(QStringLiteral("ТИИ_36")) + 10);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  for (int r = 0; r < 25; ++r)
    for (int c = 0; c < 10; ++c) {
      auto* cell = new QTableWidgetItem;
      cell->setTextAlignment(Qt::AlignCenter);
      // Group 0 is never used.
      cell->setFlags(GroupAt(r, c) == 0 || GroupAt(r, c) >= kKPGroups
                         ? Qt::NoItemFlags
                         : Qt::ItemIsEnabled | Qt::ItemIsSelectable);
      setItem(r, c, cell);
    }
  setContextMenuPolicy(Qt::CustomContextMenu);
  connect(this, &QWidget::customContextMenuRequested, this, &GroupTable::MenuAt);
  setMinimumHeight(verticalHeader()->defaultSectionSize() * 6);
  // All ten columns in view; the rows scroll.
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setMinimumWidth(verticalHeader()->sizeHint().width() + horizontalHeader()->length() +
                  2 * frameWidth() + style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 2);
}

void GroupTable::Show(const std::array<std::uint8_t, kKPGroups>& types) {
  for (int r = 0; r < 25; ++r)
    for (int c = 0; c < 10; ++c) {
      const int g = GroupAt(r, c);
      const int type = g < kKPGroups ? types[static_cast<std::size_t>(g)] : 0;
      // A code this build does not know is shown as its number.
      const char* text = GroupTypeText(type);
      item(r, c)->setText(g == 0  ? QString()
                          : *text ? QString::fromUtf8(text)
                          : type  ? QString::number(type)
                                  : QString());
    }
}

std::vector<int> GroupTable::SelectedGroups() const {
  std::vector<int> groups;
  for (const QTableWidgetItem* cell : selectedItems()) {
    const int g = GroupAt(cell->row(), cell->column());
    if (g > 0 && g < kKPGroups) groups.push_back(g);
  }
  return groups;
}

void GroupTable::MenuAt(const QPoint& pos) {
  QMenu menu(this);
  for (int type = 0; type < kGroupTypeCount; ++type)
    menu.addAction(QString::fromUtf8(GroupTypeMenuText(type)))->setData(type);
  menu.addSeparator();
  menu.addAction(QStringLiteral("Отмена"))->setData(-1);
  QAction* chosen = menu.exec(viewport()->mapToGlobal(pos));
  if (chosen && chosen->data().toInt() >= 0) emit TypeChosen(chosen->data().toInt());
}

// --- the station ---

TKPFrame::TKPFrame(TItem* item, QWidget* parent) : TCountedDeviceFrame(item, parent) {
  TKP* d = Station();
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(FrameTitle(QStringLiteral("Контролируемый пункт"), this));
  auto* columns = new QHBoxLayout;
  layout->addLayout(columns);

  auto* left = new QWidget(this);
  auto* leftLayout = new QVBoxLayout(left);
  leftLayout->setContentsMargins(0, 0, 0, 0);
  auto* top = new QWidget(left);
  Form form(this, top);
  form.Layout()->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
  form.Text(QStringLiteral("Место установки"), d->Place, static_cast<int>(kMaxNameChars));
  auto* addressRow = new QWidget(top);
  auto* h = new QHBoxLayout(addressRow);
  h->setContentsMargins(0, 0, 0, 0);
  address_ = new ClampSpinBox(addressRow);
  address_->setRange(1, 255);
  address_->setObjectName(QStringLiteral("Адрес пункта"));
  h->addWidget(address_);
  h->addWidget(MakeErrorLabel(addressRow));
  h->addStretch();
  form.Add(QStringLiteral("Адрес пункта"), addressRow);
  Bind([this, d] { address_->setValue(d->Number); }, [] {});
  // A new address renames the station and its signals at once (the user's names keep
  // their own part); equal addresses are allowed and only shown.
  connect(address_, &QSpinBox::valueChanged, this, [this](int v) {
    if (Loading() || v == Station()->Number) return;
    Station()->Number = static_cast<std::uint8_t>(v);
    Station()->UpdateSignalList();
    ListsChanged();
  });
  protocol_ = form.Choice(QStringLiteral("Протокол связи"),
                          {{QStringLiteral("Сириус"), kProtocolSirius},
                           {QStringLiteral("Виконт"), kProtocolVikont},
                           {QStringLiteral("МЭК 870-5-101"), kProtocolIec101}},
                          d->Protocol);
  connect(protocol_, &QComboBox::activated, this, &TKPFrame::ProtocolChosen);
  form.Spin(QStringLiteral("Число попыток обмена с КП"), 2, 99, d->Attempts);
  form.Spin(QStringLiteral("Время ожидания ответа, мс"), 1, 65500, d->ReplyWait);
  form.SpinScaled(QStringLiteral("Период контрольного опроса, мин"), 0, 60000, d->CheckPeriod,
                  60000);
  leftLayout->addWidget(top);
  leftLayout->addStretch();
  columns->addWidget(left);

  // Beside the settings, the count table; below both, the panel of the protocol.
  auto* right = new QWidget(this);
  auto* rightLayout = new QVBoxLayout(right);
  rightLayout->setContentsMargins(0, 0, 0, 0);
  rightLayout->addWidget(Legend(QStringLiteral("Таблица количества считываемых сигналов"), right));
  CountTable* counts = AddCountTable(right);
  counts->setMaximumWidth(300);
  rightLayout->addWidget(counts);
  rightLayout->addWidget(
      Legend(QStringLiteral("* - не править для протоколов Сириус и Виконт"), right));
  rightLayout->addWidget(
      Legend(QStringLiteral("настройка в таблице задания типов групп ТИ"), right));
  rightLayout->addStretch();
  columns->addWidget(right, 1);

  sirius_ = new QGroupBox(QStringLiteral("Сириус или Виконт "), this);
  auto* siriusLayout = new QVBoxLayout(sirius_);
  auto* siriusTop = new QWidget(sirius_);
  Form siriusForm(this, siriusTop);
  siriusForm.Layout()->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
  siriusForm.Spin(QStringLiteral("Время ожидания квитанции ТУ, ТР, мс"), 1, 65500, d->ReceiptWait);
  siriusForm.Spin(QStringLiteral("Адрес логического канала массивов"), 1, 255, d->ArrayChannel);
  siriusLayout->addWidget(siriusTop);
  siriusLayout->addWidget(Legend(QStringLiteral("Таблица задания типов групп ТИ"), sirius_));
  groups_ = new GroupTable(sirius_);
  groups_->setObjectName(QStringLiteral("GroupTable"));
  siriusLayout->addWidget(groups_, 0, Qt::AlignLeft);
  connect(groups_, &GroupTable::TypeChosen, this, &TKPFrame::SetSelectedGroups);
  layout->addWidget(sirius_);

  iec_ = new QGroupBox(QStringLiteral("МЭК 870-5-101 "), this);
  auto* iecColumns = new QHBoxLayout(iec_);
  auto* iecLeft = new QWidget(iec_);
  auto* iecRight = new QWidget(iec_);
  iecColumns->addWidget(iecLeft);
  iecColumns->addWidget(iecRight);
  iecColumns->addStretch();
  Form iecForm(this, iecLeft);
  iecForm.Layout()->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
  // The record keeps one byte: the editor offers what it holds.
  asdu_ = iecForm.Spin(QStringLiteral("Адрес ASDU"), 1, 255, d->Asdu);
  iecForm.SpinScaled(QStringLiteral("Период установки времени, мин"), 0, 24, d->ClockPeriod, 60000);
  iecForm.SpinScaled(QStringLiteral("Период опроса группы 1, мин"), 0, 60000, d->Group1Period,
                     60000);
  iecForm.SpinScaled(QStringLiteral("Период опроса группы 2, мин"), 0, 60000, d->Group2Period,
                     60000);
  iecForm.SpinScaled(QStringLiteral("Период опроса группы 3, мин"), 0, 60000, d->Group3Period,
                     60000);
  iecForm.Spin(QStringLiteral("Длина адреса канального уровня"), 1, 2, d->LinkAddressLength);
  iecForm.Spin(QStringLiteral("Длина адреса ASDU"), 1, 2, d->AsduAddressLength);
  iecForm.Value(QStringLiteral("Длина причины передачи"), [] { return QStringLiteral("1"); });
  iecForm.Value(QStringLiteral("Длина адреса объекта информации"),
                [] { return QStringLiteral("2"); });
  Form baseForm(this, iecRight);
  baseForm.Layout()->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
  AddBases(baseForm);
  layout->addWidget(iec_);
  layout->addStretch();
}

void TKPFrame::SetToFrame() {
  TCountedDeviceFrame::SetToFrame();
  groups_->Show(Station()->GroupTypes);
}

void TKPFrame::ShowState() {
  TKP* d = Station();
  ErrorLabel()->setVisible(d->Clashes());
  const bool table = d->UsesGroupTable();
  sirius_->setVisible(table);
  iec_->setVisible(!table);
  Counts()->SetFixed(kKindTI, table);
  Counts()->SetFixed(kKindTII, table);
}

void TKPFrame::ProtocolChosen(int index) {
  if (Loading() || index < 0) return;
  const auto code = static_cast<std::uint8_t>(protocol_->itemData(index).toInt());
  TKP* d = Station();
  if (code == d->Protocol) return;
  const std::uint8_t old = d->Protocol;
  d->Protocol = code;
  // Under Сириус and Виконт the group table decides the measurements: the new counts must
  // fit the pool like typed ones.
  if (const std::string refusal = d->CheckCounts(d->EffectiveCounts()); !refusal.empty()) {
    d->Protocol = old;
    d->Config().Messages().Error(refusal);
    SetToFrame();
    return;
  }
  d->UpdateSignalList();
  ListsChanged();
}

void TKPFrame::SetSelectedGroups(int type) {
  if (!Station()->SetGroupTypes(groups_->SelectedGroups(), static_cast<std::uint8_t>(type))) return;
  groups_->Show(Station()->GroupTypes);
  ListsChanged();
}

}  // namespace vilk::ui
