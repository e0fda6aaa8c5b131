#include "frames/telemechanics/pu_frame.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "controller/controller.h"
#include "model/configuration.h"
#include "signals/params.h"

namespace vilk::ui {

namespace {

const std::vector<ChoiceItem> kFormatTI = {{QStringLiteral("Откл"), 0},
                                           {QStringLiteral("Авто (11,13,15)"), 11},
                                           {QStringLiteral("Авто + время (35,36,37)"), 35},
                                           {QStringLiteral("Float (13)"), 13},
                                           {QStringLiteral("Float + время (36)"), 36}};

FormatCell Fixed(const QString& text) {
  return {text, {}};
}
FormatCell Chooser(std::vector<ChoiceItem> choices) {
  return {QString(), std::move(choices)};
}

// Firmware before 1.7 knows IEC-101 only and fixed addresses.
bool OldFirmware(const TItem& item) {
  const ModelRecord& r = item.Config().Controller().Record;
  return r.Major == 1 && r.Minor < 7;
}

}  // namespace

TPUFrame::TPUFrame(TItem* item, QWidget* parent) : ItemFrame(item, parent) {
  auto* layout = new QVBoxLayout(this);
  tabs_ = new QTabWidget(this);
  layout->addWidget(tabs_);
  TPortPU* pu = Port();

  auto* main = new QWidget(tabs_);
  auto* mainLayout = new QVBoxLayout(main);
  auto* top = new QWidget(main);
  Form form(this, top);
  form.Text(QStringLiteral("Место установки ПУ"), pu->Place, static_cast<int>(kMaxNameChars));
  rows_ = new PortRows(this);
  rows_->AddBoard(form);
  rows_->AddAddress(form);
  protocol_ = form.Choice(QStringLiteral("Протокол"),
                          {{QString(), TPortPU::kNoProtocol},
                           {QStringLiteral("MODBUS-RTU"), TPortPU::kModbusRTU},
                           {QStringLiteral("МЭК 870-5-101"), TPortPU::kIec101}},
                          pu->ProtocolCode);
  ini_ = {QStringLiteral("Экспортировать список параметров в INI"),
          QStringLiteral("Список параметров (*.ini);;Все файлы  (*.*)"), QStringLiteral("ini"),
          [this](const std::string& path) { return Port()->ExportIni(path); }};
  form.Exports({ini_});
  auto* takeRow = new QWidget(top);
  auto* takeLayout = new QHBoxLayout(takeRow);
  takeLayout->setContentsMargins(0, 0, 0, 0);
  take_ = new QPushButton(QStringLiteral("Взять все сигналы из пула"), takeRow);
  takeLayout->addWidget(take_);
  takeLayout->addStretch();
  form.Layout()->addRow(takeRow);
  connect(take_, &QPushButton::clicked, this, [this] { TakeFromStorage(); });
  mainLayout->addWidget(top);
  mainLayout->addStretch();
  tabs_->addTab(main, QStringLiteral("Настройки"));
  connect(protocol_, &QComboBox::currentIndexChanged, this, [this] {
    if (!Loading()) ProtocolShown();
  });

  auto* iec = new QWidget(tabs_);
  auto* iecLayout = new QVBoxLayout(iec);
  auto* iecTop = new QWidget(iec);
  Form iecForm(this, iecTop);
  iecForm.Spin(QStringLiteral(" Адрес КП "), 1, 255, pu->LinkAddress);
  // The field is one byte: the editor offers what it holds.
  asdu_ = iecForm.Spin(QStringLiteral("Адрес ASDU"), 1, 255, pu->AsduAddress);
  iecForm.CheckBit(QStringLiteral("Разрешить исполнение ТУ, ТР"), pu->Options, 1, true);
  iecForm.CheckBit(QStringLiteral("Разрешить синхронизацию времени"), pu->Options, 2, true);
  iecLayout->addWidget(iecTop);
  auto* bottom = new QWidget(iec);
  Form table(this, bottom);
  formats_ = table.Formats(
      QStringLiteral(" Таблица задания форматов выдачи параметров "),
      {QStringLiteral("Параметров в посылке"), QStringLiteral("Спорадическая выдача"),
       QStringLiteral("Циклическая выдача"), QStringLiteral("Общий опрос"),
       QStringLiteral("Опрос групп"), QStringLiteral("Опрос счетчиков")},
      {{QStringLiteral("ТС"),
        pu->TSFormat,
        {Chooser(
             {{QStringLiteral("1 "), 1}, {QStringLiteral("8 "), 8}, {QStringLiteral("16 "), 16}}),
         Fixed(QStringLiteral("ТС + время (30,31)")), Fixed(QStringLiteral("Откл")),
         Chooser({{QStringLiteral("ТС (1,3)"), 1}, {QStringLiteral("ТС + время (30,31)"), 30}}),
         Fixed(QStringLiteral("Группа 1")), Fixed(QStringLiteral("Откл"))}},
       {QStringLiteral("ТИ"),
        pu->TIFormat,
        {Chooser({{QStringLiteral("1 "), 1},
                  {QStringLiteral("8 "), 8},
                  {QStringLiteral("16 "), 16},
                  {QStringLiteral("24 "), 24}}),
         Chooser(kFormatTI), Chooser(kFormatTI), Chooser(kFormatTI),
         Fixed(QStringLiteral("Группа 2")), Fixed(QStringLiteral("Откл"))}},
       {QStringLiteral("ТИИ"),
        pu->TIIFormat,
        {Chooser({{QStringLiteral("1 "), 1}, {QStringLiteral("4 "), 4}, {QStringLiteral("8 "), 8}}),
         Fixed(QStringLiteral("Откл")), Fixed(QStringLiteral("Откл")),
         Chooser({{QStringLiteral("Откл"), 0}, {QStringLiteral("Авто (36,37)"), 36}}),
         Fixed(QStringLiteral("Группа 3")), Fixed(QStringLiteral("Счетчики (36)"))}}});
  period_ = table.Value(QStringLiteral("Период обновления ТИ"), [this] { return PeriodText(); });
  iecLayout->addWidget(bottom);
  iecLayout->addStretch();
  tabs_->addTab(iec, QStringLiteral(" Параметры протокола МЭК 870-5-101 "));
  connect(formats_, &FormatTable::Changed, this, &TPUFrame::FormatsChanged);

  auto* bases = new QWidget(tabs_);
  Form baseForm(this, bases);
  const std::pair<int, const char*> kBases[] = {{kKindTS, "ТС"},   {kKindTI, "ТИ"},
                                                {kKindTII, "ТИИ"}, {kKindTU, "ТУ"},
                                                {kKindTR, "ТР"},   {kKindMTS, "МТС"}};
  for (const auto& [kind, caption] : kBases) {
    std::uint16_t& field = kind == kKindTS    ? pu->BaseTS
                           : kind == kKindTI  ? pu->BaseTI
                           : kind == kKindTII ? pu->BaseTII
                           : kind == kKindTU  ? pu->BaseTU
                           : kind == kKindTR  ? pu->BaseTR
                                              : pu->BaseMTS;
    bases_[kind] = baseForm.Hex(QStringLiteral("Базовый адрес %1").arg(QString::fromUtf8(caption)),
                                0, 65535, field);
  }
  tabs_->addTab(bases, QStringLiteral("Адреса сигналов"));
}

// The selections become the whole pool (ТС, ТУ, ТИ, ТР), laid out for the protocol shown.
bool TPUFrame::TakeFromStorage() {
  if (!Store()) return false;
  Port()->TakeFromStorage();
  ItemEdited();
  period_->Refresh();
  return true;
}

HexSpinEdit* TPUFrame::BaseEdit(int kind) const {
  return kind >= 1 && kind <= 6 ? bases_[kind] : nullptr;
}

int TPUFrame::ShownProtocol() const {
  return protocol_->currentIndex() >= 0 ? protocol_->currentData().toInt() : -1;
}

// The IEC-101 tab for IEC-101 only, the address tab for both protocols; ТИИ and МТС have
// addresses under IEC-101 only.
void TPUFrame::ProtocolShown() {
  const int protocol = ShownProtocol();
  const bool iec = protocol == TPortPU::kIec101;
  tabs_->setTabVisible(kIecTab, iec);
  tabs_->setTabVisible(kAddressTab, iec || protocol == TPortPU::kModbusRTU);
  bases_[kKindTII]->setEnabled(iec);
  bases_[kKindMTS]->setEnabled(iec);
}

// A timed ТИ format allows at most 16 per telegram: a larger count is replaced.
void TPUFrame::FormatsChanged() {
  if (Loading()) return;
  FormatRow ti{};
  for (int r = 0; r < 6; ++r) ti[static_cast<std::size_t>(r)] = formats_->Shown(r, 1);
  TPortPU::LimitTimedTI(ti);
  formats_->Show(0, 1, ti[0]);
  period_->Refresh();
}

// The period as the table shows it now (the ТИ row not yet written back).
QString TPUFrame::PeriodText() const {
  TPortPU* pu = Port();
  const FormatRow saved = pu->TIFormat;
  for (int r = 0; r < 6; ++r) pu->TIFormat[static_cast<std::size_t>(r)] = formats_->Shown(r, 1);
  const QString text = QString::fromStdString(pu->UpdatePeriodText());
  pu->TIFormat = saved;
  return text;
}

void TPUFrame::SetToFrame() {
  ItemFrame::SetToFrame();
  rows_->Refresh();
  const bool old = OldFirmware(*Item());
  if (old) protocol_->setCurrentIndex(protocol_->findData(TPortPU::kIec101));
  protocol_->setEnabled(!old);
  ProtocolShown();
  tabs_->setTabEnabled(kAddressTab, !old);
}

bool TPUFrame::GetFromFrame() {
  if (!ItemFrame::GetFromFrame()) return false;
  Port()->NormalizeFormats();
  return true;
}

}  // namespace vilk::ui
