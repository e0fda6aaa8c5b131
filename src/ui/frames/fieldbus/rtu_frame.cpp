#include "frames/fieldbus/rtu_frame.h"

#include <QDir>
#include <QHBoxLayout>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>
#include <filesystem>
#include <memory>

#include "base/format.h"
#include "base/ini.h"
#include "frames/fieldbus/name_edit.h"
#include "frames/fieldbus/select_param.h"
#include "model/configuration.h"
#include "ports/fieldbus/modbus_select.h"
#include "ports/fieldbus/modbus_template.h"
#include "ports/fieldbus/templates.h"
#include "signals/param.h"
#include "signals/storage.h"
#include "theme.h"

namespace vilk::ui {

namespace {

constexpr int kTableKinds[4] = {kKindTS, kKindTU, kKindTI, kKindTR};

int TableIndex(int signalKind) {
  for (int i = 0; i < 4; ++i)
    if (kTableKinds[i] == signalKind) return i;
  return -1;
}

const char* TableName(int signalKind) {
  switch (signalKind) {
    case kKindTS:
      return "ТС";
    case kKindTU:
      return "ТУ";
    case kKindTI:
      return "ТИ";
    default:
      return "ТР";
  }
}

// The pattern of "В шаблон": one device for the whole process, outside every
// configuration, never saved.
struct Pattern {
  RecordingMessages Messages;
  Configuration Config{Messages};
  TRTU Device{Config};
  bool Filled = false;
};
Pattern& ThePattern() {
  static Pattern pattern;
  return pattern;
}

// The page last shown, per frame kind (RTU, TCP), for the next device frame.
int& LastTab(bool tcp) {
  static int tabs[2] = {0, 0};
  return tabs[tcp ? 1 : 0];
}

QLabel* Legend(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setWordWrap(true);
  return label;
}

// The section of the device type's template file as it is on disk now.
bool ReadTemplateSection(const std::string& typeName, const char* section, IMessages& messages,
                         TSelectParam::Lines& lines) {
  TemplateLibrary& library = ModbusTemplates();
  const std::string file = library.FileOf(typeName);
  if (file.empty()) return false;
  const std::string path = (std::filesystem::path(library.Folder()) / file).string();
  IniDocument doc;
  std::string error;
  if (!doc.LoadFile(path, &error)) {
    messages.Error("Не удалось прочитать файл шаблона " + path + ": " + error);
    return false;
  }
  lines = doc.SectionValues(section);
  return true;
}

}  // namespace

bool TRTUFrame::HasPattern() {
  return ThePattern().Filled;
}

TRTUFrame::TRTUFrame(TItem* item, QWidget* parent, bool tcp) : ItemFrame(item, parent), tcp_(tcp) {
  auto* layout = new QVBoxLayout(this);
  auto* title = new QLabel(
      tcp ? QStringLiteral("Устройство MODBUS-TCP") : QStringLiteral("Устройство MODBUS-RTU"),
      this);
  QFont f = title->font();
  f.setBold(true);
  title->setFont(f);
  layout->addWidget(title);

  auto* body = new QWidget(this);
  BuildTop(body);
  layout->addWidget(body);

  auto* commands = new QHBoxLayout;
  save_ = new QPushButton(QStringLiteral("Сохранить"), this);
  delete_ = new QPushButton(QStringLiteral("Удалить"), this);
  toPattern_ = new QPushButton(QStringLiteral("В шаблон"), this);
  fromPattern_ = new QPushButton(QStringLiteral("Настроить по шаблону"), this);
  for (QPushButton* b : {save_, delete_, toPattern_, fromPattern_}) commands->addWidget(b);
  commands->addStretch();
  layout->addLayout(commands);
  connect(save_, &QPushButton::clicked, this, &TRTUFrame::SaveTemplate);
  connect(delete_, &QPushButton::clicked, this, &TRTUFrame::DeleteTemplate);
  connect(toPattern_, &QPushButton::clicked, this, &TRTUFrame::ToPattern);
  connect(fromPattern_, &QPushButton::clicked, this, &TRTUFrame::FromPattern);

  tabs_ = new QTabWidget(this);
  TRTU* d = Device();
  tabs_->addTab(TableTab(kKindTS, {QStringLiteral("1, 2 - чтение бит"),
                                   QStringLiteral("3, 4 - чтение слов, количество бит кратно 16")}),
                QStringLiteral("ТС"));
  tabs_->addTab(
      TableTab(kKindTU, {QStringLiteral("5 - запись 1 бита"), QStringLiteral("6 - запись 1 слова"),
                         QStringLiteral("16 - запись слов, количество слов =  1")}),
      QStringLiteral("ТУ"));
  tabs_->addTab(
      TableTab(kKindTI, {QStringLiteral("3, 4 - чтение слов"), QString(),
                         QStringLiteral("0 - Знаковое целое, 2 байта."),
                         QStringLiteral("1 - Знаковое целое, 4 байта. Младшее слово первым"),
                         QStringLiteral("2 - Дробное, 4 байта. Младшее слово первым"),
                         QStringLiteral("3 - Дробное, 4 байта. Старшее слово первым"),
                         QStringLiteral("4 - Знаковое целое, 4 байта. Старшее слово первым"),
                         QStringLiteral("5 - Беззнаковое целое, 2 байта."),
                         QStringLiteral("6 - Беззнаковое целое, 4 байта. Младшее слово первым"),
                         QStringLiteral("7 - Беззнаковое целое, 4 байта. Старшее слово первым")}),
      QStringLiteral("ТИ"));
  tabs_->addTab(TableTab(kKindTR, {QStringLiteral("6 - запись 1 слова"),
                                   QStringLiteral("16 - запись слов, количество слов =  1")}),
                QStringLiteral("ТР"));
  tabs_->addTab(TimeTab(), QStringLiteral("Время"));
  if (!tcp_) tabs_->addTab(LogTab(), QStringLiteral("Журналы"));
  BindGrid(grids_[0], d->TS, QStringLiteral("ТС"));
  BindGrid(grids_[1], d->TU, QStringLiteral("ТУ"));
  BindGrid(grids_[2], d->TI, QStringLiteral("ТИ"));
  BindGrid(grids_[3], d->TR, QStringLiteral("ТР"));
  layout->addWidget(tabs_);
  layout->addStretch();
  tabs_->setCurrentIndex(std::min(LastTab(tcp_), tabs_->count() - 1));
  connect(tabs_, &QTabWidget::currentChanged, this, [this](int i) { LastTab(tcp_) = i; });
}

void TRTUFrame::BuildTop(QWidget* body) {
  Form form(this, body);
  TRTU* d = Device();
  error_ = new QLabel(QStringLiteral("Уже существует"), body);
  error_->setObjectName(QStringLiteral("ErrorLabel"));
  QPalette red = error_->palette();
  red.setColor(QPalette::WindowText, ErrorText(red));
  error_->setPalette(red);
  error_->setVisible(false);
  if (!tcp_) {
    auto* row = new QWidget(body);
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    address_ = new ClampSpinBox(row);
    address_->setRange(1, 255);
    h->addWidget(address_);
    h->addWidget(error_);
    h->addStretch();
    form.Add(QStringLiteral("Адрес в сети"), row);
    address_->setObjectName(QStringLiteral("Адрес в сети"));
    Bind([this, d] { address_->setValue(d->Number); },
         [this, d] { d->Number = static_cast<std::uint8_t>(address_->value()); });
    // A new address renames the device and its signals at once; equal numbers are allowed
    // and only shown.
    connect(address_, &QSpinBox::valueChanged, this, [this](int v) {
      if (Loading() || v == Device()->Number) return;
      TRTU* device = Device();
      device->Number = static_cast<std::uint8_t>(v);
      device->UpdateSignalList();
      device->UpdateCaption();
      ShowState();
      ItemEdited();
    });
  } else {
    address_ = form.Spin(QStringLiteral("Адрес RTU"), 0, 255, d->UnitAddress);
    IpEdit* ip = form.Ip(
        QStringLiteral("IP адрес"), [d] { return d->IpAddress; },
        [d](std::uint32_t v) {
          d->IpAddress = v;
          d->Number = static_cast<std::uint8_t>(v & 0xFF);
        });
    form.Add(QString(), error_);
    // The last octet is the device number: caption and names follow it at once.
    connect(ip->Octet(3), &QSpinBox::valueChanged, this, [this, ip] {
      if (Loading()) return;
      static_cast<TRTUTCP*>(Device())->SetIp(ip->Value());
      ShowState();
      ItemEdited();
    });
  }

  typeBox_ = new QComboBox(body);
  typeBox_->setEditable(true);
  typeBox_->setInsertPolicy(QComboBox::NoInsert);
  typeBox_->lineEdit()->setMaxLength(static_cast<int>(kMaxNameChars));
  typeBox_->setMinimumContentsLength(20);
  form.Add(QStringLiteral("Тип устройства"), typeBox_);
  Bind([this] { FillTypeBox(); },
       [this, d] {
         const QString text = typeBox_->currentText().trimmed();
         if (!text.isEmpty()) d->SetName(S(text));
       });
  connect(typeBox_, &QComboBox::activated, this,
          [this](int index) { TypeChosen(typeBox_->itemText(index)); });
  form.Spin(QStringLiteral("Число попыток обмена"), 2, 99, d->Attempts);
  form.Text(QStringLiteral("Место установки"), d->Place, static_cast<int>(kMaxNameChars));
}

void TRTUFrame::FillTypeBox() {
  typeBox_->clear();
  for (const std::string& name : ModbusTemplates().DeviceNames()) typeBox_->addItem(Q(name));
  const int i = typeBox_->findText(Q(Device()->Name()), Qt::MatchFixedString);
  typeBox_->setCurrentIndex(i);
  typeBox_->setEditText(Q(Device()->Name()));
}

QWidget* TRTUFrame::TableTab(int signalKind, const QStringList& legends) {
  auto* page = new QWidget(tabs_);
  auto* h = new QHBoxLayout(page);
  const int index = TableIndex(signalKind);
  auto* grid = new ModbusGrid(signalKind, page);
  grid->setObjectName(QStringLiteral("%1Grid").arg(QString::fromUtf8(TableName(signalKind))));
  grids_[static_cast<std::size_t>(index)] = grid;
  h->addWidget(grid, 0, Qt::AlignTop);
  auto* side = new QVBoxLayout;
  for (const QString& legend : legends) side->addWidget(Legend(legend, page));
  if (signalKind == kKindTU) {
    auto* box = new QWidget(page);
    Form form(this, box);
    TRTU* d = Device();
    password_ = new QLineEdit(box);
    password_->setMaxLength(4);
    password_->setMaximumWidth(password_->fontMetrics().horizontalAdvance(QStringLiteral("WWWW")) +
                               16);
    form.Add(QStringLiteral("Пароль ТУ"), password_);
    // The field holds what was loaded unless the user typed: a longer stored password is
    // kept, a typed one shorter than 4 is padded with spaces.
    auto loaded = std::make_shared<QString>();
    Bind(
        [this, d, loaded] {
          password_->setText(Q(d->TUPassword));
          *loaded = password_->text();
        },
        [this, d, loaded] {
          if (password_->text() == *loaded) return;
          d->TUPassword = PadPassword(S(password_->text()));
          *loaded = password_->text();
        });
    form.Add(QString(),
             Legend(QStringLiteral("функция 16 - запись слов, количество слов =  2"), box));
    HexEdit(form, QStringLiteral("Адрес, hex"), d->TUPasswordAddress);
    form.Spin(QStringLiteral("Автоотключение канала, мс"), 0, 60000, d->TUAutoOff);
    side->addWidget(box);
  }
  side->addStretch();
  auto* choose = new QPushButton(QStringLiteral("Выбрать параметры"), page);
  choose_[static_cast<std::size_t>(index)] = choose;
  connect(choose, &QPushButton::clicked, this,
          [this, signalKind] { ChooseParameters(signalKind); });
  side->addWidget(choose, 0, Qt::AlignLeft);
  h->addLayout(side, 1);
  return page;
}

QWidget* TRTUFrame::TimeTab() {
  auto* page = new QWidget(tabs_);
  Form form(this, page);
  TRTU* d = Device();
  HexEdit(form, QStringLiteral("Адрес, hex"), d->TimeAddress);
  form.Text(QStringLiteral("Строка параметров"), d->TimeString, static_cast<int>(kMaxNameChars));
  form.Add(QString(), Legend(QStringLiteral("16 - запись слов"), page));
  return page;
}

QWidget* TRTUFrame::LogTab() {
  auto* page = new QWidget(tabs_);
  auto* v = new QVBoxLayout(page);
  auto* top = new QWidget(page);
  Form topForm(this, top);
  topForm.Check(QStringLiteral("Использовать мульти ТС"), Device()->MultiTS);
  v->addWidget(top);
  auto* logs = new QHBoxLayout;
  for (int i = 0; i < 2; ++i) {
    auto* box = new QGroupBox(
        i == 0 ? QStringLiteral("Журнал Системы") : QStringLiteral("Журнал Аварий"), page);
    Form form(this, box);
    AddLog(form, i == 0 ? Device()->EventLog : Device()->AlarmLog, i);
    logs->addWidget(box);
  }
  v->addLayout(logs);
  v->addStretch();
  return page;
}

void TRTUFrame::AddLog(Form& form, ModbusLog& log, int index) {
  HexEdit(form, QStringLiteral("Адрес начала журнала, hex"), log.StartAddress);
  HexEdit(form, QStringLiteral("Адрес выбора записи, hex"), log.SelectAddress);
  form.Spin(QStringLiteral("Интервал записей, слов"), 0, 255, log.RecordInterval);
  form.Spin(QStringLiteral("Количество записей"), 0, 65535, log.RecordCount);
  form.Text(QStringLiteral("Строка записи"), log.RecordString, static_cast<int>(kMaxNameChars));
  eventCounts_[static_cast<std::size_t>(index)] =
      form.Value(QStringLiteral("Выбрано параметров"),
                 [&log] { return QString::number(log.Selected.size()); });
  auto* choose = new QPushButton(QStringLiteral("Выбрать параметры"), form.Container());
  events_[static_cast<std::size_t>(index)] = choose;
  form.Add(QString(), choose);
  connect(choose, &QPushButton::clicked, this, [this, index] { ChooseEvents(index); });
}

QLineEdit* TRTUFrame::HexEdit(Form& form, const QString& label, std::uint16_t& field) {
  auto* edit = new QLineEdit(form.Container());
  edit->setValidator(new QRegularExpressionValidator(
      QRegularExpression(QStringLiteral("[0-9A-Fa-f]{0,4}")), edit));
  edit->setMaxLength(4);
  edit->setMaximumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("WWWW")) + 16);
  form.Add(label, edit);
  auto loaded = std::make_shared<QString>();
  Bind(
      [edit, &field, loaded] {
        edit->setText(Q(Format("%4.4X", field)));
        *loaded = edit->text();
      },
      [edit, &field, loaded] {
        if (edit->text() == *loaded) return;
        // The validator lets nothing else through than up to four hex digits.
        if (const auto v = HexFieldValue(S(edit->text()))) field = *v;
        *loaded = edit->text();
      });
  return edit;
}

// A row whose cells still read as they were shown keeps its stored values (a blank row
// may hold a function and address with count 0); an edited row is read from its cells.
template <typename Table>
void TRTUFrame::BindGrid(ModbusGrid* grid, Table& table, const QString& name) {
  auto loaded = std::make_shared<GridCells>();
  Bind(
      [grid, &table, loaded] {
        *loaded = TableCells(table);
        grid->SetCells(*loaded);
      },
      [grid, &table, loaded] {
        const GridCells now = grid->Cells();
        for (std::size_t r = 0; r < table.size() && r < now.size(); ++r)
          if (r >= loaded->size() || now[r] != (*loaded)[r]) RowFromCells(now[r], table[r]);
        *loaded = now;
      },
      [this, grid, name] {
        const GridCells now = grid->Cells();
        for (std::size_t r = 0; r < now.size(); ++r) {
          typename Table::value_type scratch{};
          if (const std::string why = RowFromCells(now[r], scratch); !why.empty()) {
            Item()->Config().Messages().Error(
                Format("Таблица %s, строка %d: %s", S(name), static_cast<int>(r + 1), why));
            return false;
          }
        }
        return true;
      });
}

ModbusGrid* TRTUFrame::Grid(int signalKind) const {
  const int i = TableIndex(signalKind);
  return i < 0 ? nullptr : grids_[static_cast<std::size_t>(i)];
}

QPushButton* TRTUFrame::ChooseButton(int signalKind) const {
  const int i = TableIndex(signalKind);
  return i < 0 ? nullptr : choose_[static_cast<std::size_t>(i)];
}

void TRTUFrame::SetToFrame() {
  ItemFrame::SetToFrame();
  ShowState();
}

bool TRTUFrame::GetFromFrame() {
  if (!ItemFrame::GetFromFrame()) return false;
  TRTU* d = Device();
  d->UpdateSignalList();
  d->Fresh = false;
  ShowState();
  return true;
}

void TRTUFrame::ShowState() {
  TRTU* d = Device();
  error_->setVisible(d->Clashes());
  const bool hasTemplate = !ModbusTemplates().FileOf(d->Name()).empty();
  for (QPushButton* b : choose_) b->setEnabled(hasTemplate);
  for (QPushButton* b : events_)
    if (b) b->setEnabled(hasTemplate);
  for (ValueLabel* count : eventCounts_)
    if (count) count->Refresh();
  fromPattern_->setEnabled(HasPattern());
}

// A new type starts the device afresh: its lists are built anew and its template, when
// the library has one, fills the tables.
void TRTUFrame::TypeChosen(const QString& name) {
  TRTU* d = Device();
  if (Loading() || name.isEmpty() || name == Q(d->Name())) return;
  const bool wasFresh = d->Fresh;
  d->Fresh = true;
  if (!GetFromFrame()) {
    d->Fresh = wasFresh;
    typeBox_->setEditText(Q(d->Name()));
    return;
  }
  d->LoadTemplate();
  SetToFrame();
  ItemEdited();
}

void TRTUFrame::SaveTemplate() {
  TemplateLibrary& library = ModbusTemplates();
  TRTU* d = Device();
  IMessages& messages = d->Config().Messages();
  // A new file starts as a copy of the template of the type shown.
  const std::string shown = S(typeBox_->currentText().trimmed());
  if (!library.FileOf(shown).empty()) library.Find(shown);
  QString name = typeBox_->currentText().trimmed();
  if (!TfEdit::Ask(this, QStringLiteral("Сохранить настройку блока как :"), name,
                   static_cast<int>(kMaxNameChars)) ||
      name.trimmed().isEmpty())
    return;
  if (!Store()) return;
  if (library.Loaded()) QDir().mkpath(Q(library.Folder()));
  if (!SaveModbusTemplate(library, *d, S(name), messages)) return;
  d->UpdateSignalList();
  SetToFrame();
  ItemEdited();
}

void TRTUFrame::DeleteTemplate() {
  TemplateLibrary& library = ModbusTemplates();
  const std::string name = S(typeBox_->currentText().trimmed());
  if (library.FileOf(name).empty()) return;
  if (!DeleteModbusTemplate(library, name, Device()->Config().Messages())) return;
  // Devices of that type keep their type name and settings.
  FillTypeBox();
  ShowState();
}

void TRTUFrame::ToPattern() {
  if (!Store()) return;
  Pattern& pattern = ThePattern();
  pattern.Device.CopyPatternFrom(*Device());
  pattern.Filled = true;
  fromPattern_->setEnabled(true);
}

void TRTUFrame::FromPattern() {
  if (!HasPattern() || !Store()) return;
  TRTU* d = Device();
  d->CopyPatternFrom(ThePattern().Device);
  d->Fresh = false;
  d->UpdateSignalList();
  SetToFrame();
  ItemEdited();
}

void TRTUFrame::ChooseParameters(int signalKind) {
  ModbusGrid* grid = Grid(signalKind);
  TRTU* d = Device();
  IMessages& messages = d->Config().Messages();
  TSelectParam::Lines lines;
  if (!grid || !ReadTemplateSection(d->Name(), ModbusNameSection(signalKind), messages, lines))
    return;
  const std::string prefix = Format("%s.%d_%s.", d->ListPrefix, d->Number, d->Name());
  TSelectParam dialog(this, signalKind, QString::fromUtf8(ModbusNameSection(signalKind)),
                      grid->Cells(), lines, prefix, messages);
  if (dialog.exec() != QDialog::Accepted) return;
  grid->SetCells(dialog.Cells());
  if (Store()) SetToFrame();
}

void TRTUFrame::ChooseEvents(int log) {
  TRTU* d = Device();
  IMessages& messages = d->Config().Messages();
  TSelectParam::Lines lines;
  const char* section = log == 0 ? "Список Событий" : "Список Аварий";
  if (!ReadTemplateSection(d->Name(), section, messages, lines) || !Store()) return;
  ModbusLog& target = log == 0 ? d->EventLog : d->AlarmLog;
  TSelectLogParam dialog(this, lines, target.Selected, messages);
  if (dialog.exec() != QDialog::Accepted) return;
  target.Selected = dialog.Selected();
  d->UpdateSignalList();
  SetToFrame();
  ItemEdited();
}

}  // namespace vilk::ui
