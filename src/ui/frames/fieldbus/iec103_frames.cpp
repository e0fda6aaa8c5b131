#include "frames/fieldbus/iec103_frames.h"

#include <QDir>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <filesystem>
#include <map>

#include "base/ini.h"
#include "frames/fieldbus/name_edit.h"
#include "frames/fieldbus/select_rtu.h"
#include "model/configuration.h"
#include "ports/fieldbus/templates.h"
#include "signals/param.h"
#include "theme.h"
#include "widgets.h"

namespace vilk::ui {

namespace {

constexpr int kTableKinds[3] = {kKindTS, kKindTU, kKindTI};

int TableIndex(int signalKind) {
  for (int i = 0; i < 3; ++i)
    if (kTableKinds[i] == signalKind) return i;
  return -1;
}

// The page last shown, for the next device frame.
int& LastTab() {
  static int tab = 0;
  return tab;
}

}  // namespace

// --- the port ---

TPort103Frame::TPort103Frame(TItem* item, QWidget* parent)
    : DevicePortFrame(item, parent, &TPort103::DeviceCount) {
  auto* port = static_cast<TPort103*>(item);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(
      FrameTitle(QStringLiteral("Порт опроса устройств по протоколу MЭК 870-5-103"), this));
  auto* body = new QWidget(this);
  Form form(this, body);
  rows_->AddBoard(form);
  rows_->AddAddress(form);
  form.Spin(QStringLiteral("Время ожидания ответа, мс"), 100, 2000, port->ReplyWait)
      ->setSingleStep(100);
  // Minutes in the frame, milliseconds in the fields: 60000 minutes still fit 32 bits.
  form.SpinScaled(QStringLiteral("Период синхронизации времени, мин"), 0, 60000, port->TimeSync,
                  60000);
  form.SpinScaled(QStringLiteral("Период общего опроса, мин"), 0, 60000, port->GeneralPoll, 60000);
  rows_->AddCount(form);
  layout->addWidget(body);
  layout->addStretch();
}

// --- the device ---

TRTU103Frame::TRTU103Frame(TItem* item, QWidget* parent) : ItemFrame(item, parent) {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(FrameTitle(QStringLiteral("МЭК 870-5-103 устройство"), this));
  auto* body = new QWidget(this);
  Form form(this, body);
  TRTU103* d = Device();

  error_ = new QLabel(QStringLiteral("Уже существует"), body);
  error_->setObjectName(QStringLiteral("ErrorLabel"));
  QPalette red = error_->palette();
  red.setColor(QPalette::WindowText, ErrorText(red));
  error_->setPalette(red);
  error_->setVisible(false);
  auto* row = new QWidget(body);
  auto* h = new QHBoxLayout(row);
  h->setContentsMargins(0, 0, 0, 0);
  address_ = new ClampSpinBox(row);
  address_->setRange(1, 255);
  address_->setObjectName(QStringLiteral("Адрес в сети"));
  h->addWidget(address_);
  h->addWidget(error_);
  h->addStretch();
  form.Add(QStringLiteral("Адрес в сети"), row);
  Bind([this, d] { address_->setValue(d->Number); },
       [this, d] { d->Number = static_cast<std::uint8_t>(address_->value()); });
  // A new address renames the device and its signals at once; equal numbers are allowed
  // and only shown.
  connect(address_, &QSpinBox::valueChanged, this, [this](int v) {
    if (Loading() || v == Device()->Number) return;
    TRTU103* device = Device();
    device->Number = static_cast<std::uint8_t>(v);
    device->UpdateSignalList();
    device->UpdateCaption();
    ShowState();
    ItemEdited();
  });

  typeBox_ = new QComboBox(body);
  typeBox_->setEditable(true);
  typeBox_->setInsertPolicy(QComboBox::NoInsert);
  typeBox_->lineEdit()->setMaxLength(static_cast<int>(kMaxNameChars));
  typeBox_->setMinimumContentsLength(20);
  form.Add(QStringLiteral("Тип"), typeBox_);
  Bind([this] { FillTypeBox(); },
       [this, d] {
         const QString text = typeBox_->currentText().trimmed();
         if (!text.isEmpty()) d->SetName(S(text));
       });
  connect(typeBox_, &QComboBox::activated, this,
          [this](int index) { TypeChosen(typeBox_->itemText(index)); });
  form.Spin(QStringLiteral("Число попыток обмена"), 2, 99, d->Attempts);
  form.Text(QStringLiteral("Место установки"), d->Place, static_cast<int>(kMaxNameChars));
  layout->addWidget(body);

  auto* commands = new QHBoxLayout;
  save_ = new QPushButton(QStringLiteral("Сохранить"), this);
  delete_ = new QPushButton(QStringLiteral("Удалить"), this);
  commands->addWidget(save_);
  commands->addWidget(delete_);
  commands->addStretch();
  layout->addLayout(commands);
  connect(save_, &QPushButton::clicked, this, &TRTU103Frame::SaveTemplate);
  connect(delete_, &QPushButton::clicked, this, &TRTU103Frame::DeleteTemplate);

  tabs_ = new QTabWidget(this);
  tabs_->addTab(TableTab(0, QStringLiteral("Таблица адресации принимаемых данных")),
                QStringLiteral("ТС"));
  tabs_->addTab(TableTab(1, QStringLiteral("Таблица адресации НОМЕРОВ ИНФОРМАЦИИ общих команд")),
                QStringLiteral("ТУ"));
  tabs_->addTab(TableTab(2, QStringLiteral("Таблица адресации принимаемых данных")),
                QStringLiteral("ТИ"));
  layout->addWidget(tabs_, 1);
  tabs_->setCurrentIndex(std::clamp(LastTab(), 0, 2));
  connect(tabs_, &QTabWidget::currentChanged, this, [](int i) { LastTab() = i; });
}

QWidget* TRTU103Frame::TableTab(int index, const QString& heading) {
  const int kind = kTableKinds[index];
  auto* page = new QWidget(tabs_);
  auto* v = new QVBoxLayout(page);
  v->addWidget(new QLabel(heading, page));
  auto* h = new QHBoxLayout;
  auto* table = new TTableFrame(Iec103TableModel(kind), page);
  table->setObjectName(QStringLiteral("%1Table").arg(index));
  int width = table->verticalHeader()->sizeHint().width() + 4 +
              table->verticalScrollBar()->sizeHint().width();
  for (int c = 0; c < table->columnCount(); ++c) width += table->columnWidth(c);
  table->setMinimumWidth(width);
  table->setMaximumWidth(width + 40);
  tables_[static_cast<std::size_t>(index)] = table;
  h->addWidget(table);
  auto* side = new QVBoxLayout;
  side->addStretch();
  auto* choose = new QPushButton(QStringLiteral("Выбрать параметры"), page);
  choose_[static_cast<std::size_t>(index)] = choose;
  side->addWidget(choose, 0, Qt::AlignLeft);
  h->addLayout(side, 1);
  v->addLayout(h, 1);
  connect(choose, &QPushButton::clicked, this, [this, kind] { ChooseParameters(kind); });
  TRTU103* d = Device();
  // Shown from the device; written back by GetFromFrame, which reads every table first.
  Bind(
      [table, d, kind] {
        Iec103TableToModel(d->Table(kind), kind, table->Model());
        table->ShowModel();
      },
      [] {});
  return page;
}

void TRTU103Frame::FillTypeBox() {
  typeBox_->clear();
  for (const std::string& name : Iec103Templates().DeviceNames()) typeBox_->addItem(Q(name));
  const int i = typeBox_->findText(Q(Device()->Name()), Qt::MatchFixedString);
  typeBox_->setCurrentIndex(i);
  typeBox_->setEditText(Q(Device()->Name()));
}

TTableFrame* TRTU103Frame::Table(int signalKind) const {
  const int i = TableIndex(signalKind);
  return i < 0 ? nullptr : tables_[static_cast<std::size_t>(i)];
}

QPushButton* TRTU103Frame::ChooseButton(int signalKind) const {
  const int i = TableIndex(signalKind);
  return i < 0 ? nullptr : choose_[static_cast<std::size_t>(i)];
}

void TRTU103Frame::SetToFrame() {
  ItemFrame::SetToFrame();
  ShowState();
}

bool TRTU103Frame::GetFromFrame() {
  std::array<Iec103Table, 3> scratch;
  for (int i = 0; i < 3; ++i) {
    TTableFrame* table = tables_[static_cast<std::size_t>(i)];
    Iec103CellFault fault;
    const bool read = Iec103TableFromModel(
        table->Model(), kTableKinds[i], scratch[static_cast<std::size_t>(i)],
        [this, i, table](int row, int column, const std::string& message) {
          tabs_->setCurrentIndex(i);
          return table->AskAboutCell(row, column, message);
        },
        &fault);
    if (!read) {
      // Back to editing: the device keeps what it had, the frame shows the bad cell.
      tabs_->setCurrentIndex(i);
      table->setCurrentCell(fault.Row - 1, fault.Column - 1);
      table->setFocus();
      return false;
    }
  }
  if (!ItemFrame::GetFromFrame()) return false;
  TRTU103* d = Device();
  for (int i = 0; i < 3; ++i)
    d->Table(kTableKinds[i]) = std::move(scratch[static_cast<std::size_t>(i)]);
  d->Fresh = false;
  d->UpdateSignalList();
  ShowState();
  return true;
}

void TRTU103Frame::ShowState() {
  TRTU103* d = Device();
  error_->setVisible(d->Clashes());
  const bool hasTemplate = !Iec103Templates().FileOf(d->Name()).empty();
  for (QPushButton* b : choose_) b->setEnabled(hasTemplate);
}

// A new type is applied whether or not the device is fresh: the frame's values go in,
// then the type's template, when the library has one, fills the tables.
void TRTU103Frame::TypeChosen(const QString& name) {
  TRTU103* d = Device();
  if (Loading() || name.isEmpty() || name == Q(d->Name())) return;
  const std::string before = d->Name();
  d->Fresh = true;
  d->SetName(S(name));
  d->UpdateCaption();
  if (!GetFromFrame()) {
    d->SetName(before);
    d->UpdateCaption();
    typeBox_->setEditText(Q(before));
    return;
  }
  d->LoadTemplate();
  SetToFrame();
  ItemEdited();
}

void TRTU103Frame::SaveTemplate() {
  TemplateLibrary& library = Iec103Templates();
  TRTU103* d = Device();
  const std::string shown = S(typeBox_->currentText().trimmed());
  if (!library.FileOf(shown).empty()) library.Find(shown);
  QString name = typeBox_->currentText().trimmed();
  if (!TfEdit::Ask(this, QStringLiteral("Сохранить настройку блока как :"), name,
                   static_cast<int>(kMaxNameChars)) ||
      name.trimmed().isEmpty())
    return;
  if (!Store()) return;
  if (library.Loaded()) QDir().mkpath(Q(library.Folder()));
  if (!SaveIec103Template(library, *d, S(name), d->Config().Messages())) return;
  d->UpdateSignalList();
  SetToFrame();
  ItemEdited();
}

void TRTU103Frame::DeleteTemplate() {
  TemplateLibrary& library = Iec103Templates();
  const std::string name = S(typeBox_->currentText().trimmed());
  if (library.FileOf(name).empty()) return;
  if (!library.DeleteTemplate(name, Device()->Config().Messages())) return;
  FillTypeBox();
  ShowState();
}

void TRTU103Frame::ChooseParameters(int signalKind) {
  TTableFrame* table = Table(signalKind);
  TRTU103* d = Device();
  TemplateLibrary& library = Iec103Templates();
  const std::string file = library.FileOf(d->Name());
  if (!table || file.empty()) return;
  // The dialog reads the section as it is on disk now.
  const std::string path = (std::filesystem::path(library.Folder()) / file).string();
  IniDocument doc;
  std::string error;
  if (!doc.LoadFile(path, &error)) {
    d->Config().Messages().Error("Не удалось прочитать файл шаблона " + path + ": " + error);
    return;
  }
  const char* section = Iec103NameSection(signalKind);
  TSelectParamIEC103 dialog(this, QString::fromUtf8(section), table->Model(),
                            doc.SectionValues(section));
  if (dialog.exec() != QDialog::Accepted) return;
  table->Model() = dialog.Grid()->Model();
  table->ShowModel();
  ItemEdited();
}

// --- the parameter dialog ---

TSelectParamIEC103::TSelectParamIEC103(QWidget* parent, const QString& section,
                                       const TableModel& table, const Lines& lines)
    : QDialog(parent), lines_(lines) {
  setWindowTitle(section);
  auto* layout = new QVBoxLayout(this);
  auto* h = new QHBoxLayout;
  grid_ = new TTableFrame(table, this);
  h->addWidget(grid_, 1);
  auto* right = new QVBoxLayout;
  right->addWidget(new QLabel(QStringLiteral("Список доступных параметров"), this));
  list_ = new QListWidget(this);
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  for (const auto& [key, value] : lines_) list_->addItem(Q(key + "=" + value));
  right->addWidget(list_, 1);
  auto* hint = new QLabel(QStringLiteral("Выделите нужные параметры в списке и нажмите кнопку "
                                         "Добавить параметры в таблицу"),
                          this);
  hint->setWordWrap(true);
  right->addWidget(hint);
  h->addLayout(right, 1);
  layout->addLayout(h, 1);
  auto* buttons = new QHBoxLayout;
  add_ = new QPushButton(QStringLiteral("Добавить параметры в таблицу"), this);
  auto* accept = new QPushButton(QStringLiteral("Принять"), this);
  auto* cancel = new QPushButton(QStringLiteral("Отмена"), this);
  buttons->addWidget(add_);
  buttons->addStretch();
  buttons->addWidget(accept);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  connect(add_, &QPushButton::clicked, this, &TSelectParamIEC103::AddSelected);
  connect(accept, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  resize(760, 480);
}

void TSelectParamIEC103::AddSelected() {
  TableModel& model = grid_->Model();
  int last = -1;
  for (int r = 0; r < model.RowCount(); ++r)
    if (!model.RowEmpty(r)) last = r;
  for (int i = 0; i < list_->count(); ++i) {
    if (!list_->item(i)->isSelected()) continue;
    // The next row after the last filled one; the table grows by a row when needed.
    const int row = last + 1;
    if (row >= model.RowCount() && !model.AppendRow()) {
      QApplication::beep();
      break;
    }
    const QStringList words =
        Q(lines_[static_cast<std::size_t>(i)].first).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (int c = 0; c < model.ColumnCount(); ++c)
      model.SetCell(row, c, c < words.size() ? S(words[c]) : std::string());
    last = row;
  }
  grid_->ShowModel();
}

// --- adding devices ---

TItem* AddIec103Devices(TItem* item, int kind, QWidget* parent) {
  auto* port = dynamic_cast<TPort103*>(item);
  if (!port) return item->AddChild(kind);
  std::map<int, std::string> used;
  for (const TRTU103* d : port->Devices103()) used[d->Number] = d->Name();
  TSelectRTU dialog(parent, used, Iec103Templates().DeviceNames());
  if (dialog.exec() != QDialog::Accepted) return nullptr;
  const std::vector<TRTU103*> added = port->AddDevices(dialog.Chosen());
  return added.empty() ? nullptr : added.front();
}

}  // namespace vilk::ui
