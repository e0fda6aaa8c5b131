#include "frames/telemechanics/pc_frame.h"

#include <QVBoxLayout>

#include "controller/controller.h"
#include "model/configuration.h"
#include "ports/telemechanics/pc_export.h"
#include "signals/params.h"

namespace vilk::ui {

namespace {

const std::vector<ChoiceItem> kCounts = {{QStringLiteral("1 "), 1},
                                         {QStringLiteral("8 "), 8},
                                         {QStringLiteral("16 "), 16},
                                         {QStringLiteral("24 "), 24}};
const std::vector<ChoiceItem> kFormatA = {{QStringLiteral("Откл"), 0},
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

FormatRow& RowOf(TPC& pc, int column) {
  return column == 0 ? pc.TSFormat : column == 1 ? pc.TIFormat : pc.TIIFormat;
}

}  // namespace

TPCFrame::TPCFrame(TItem* item, QWidget* parent) : ItemFrame(item, parent) {
  auto* layout = new QVBoxLayout(this);
  tabs_ = new QTabWidget(this);
  layout->addWidget(tabs_);
  TPC* pc = Pc();

  auto* main = new QWidget(tabs_);
  auto* mainLayout = new QVBoxLayout(main);
  auto* top = new QWidget(main);
  Form form(this, top);
  form.Text(QStringLiteral("Место установки"), pc->Place, static_cast<int>(kMaxNameChars));
  form.Ip(QStringLiteral("IP адрес ПЭВМ"), pc->PcIp);
  form.Ip(QStringLiteral("IP Адрес шлюза"), pc->Gateway);
  form.Add(QString(), new QLabel(QStringLiteral("255.255.255.255 любой клиент"), top));
  form.Spin(QStringLiteral("Адрес ASDU"), 1, 65535, pc->AsduAddress);
  form.Spin(QStringLiteral("Интервал циклической выдачи ТИ, мс"), 0, 60000, pc->CyclicInterval);
  form.SpinScaled(QStringLiteral("Время ожидания подтверждения после передачи T1, с"), 0, 60000,
                  pc->T1, 1000);
  form.SpinScaled(QStringLiteral("Таймаут перед передачей подтверждения T2, с"), 0, 60000, pc->T2,
                  1000);
  form.SpinScaled(QStringLiteral("Таймаут передачи тестовых кадров T3, с"), 0, 60000, pc->T3, 1000);
  form.Spin(QStringLiteral("Максимальное число переданных без подтверждения кадров K"), 0, 50,
            pc->K);
  form.Spin(QStringLiteral("Максимальное число принятых кадров до выдачи подтверждения W"), 0, 50,
            pc->W);
  form.CheckBit(QStringLiteral("Разрешить запись файлов"), pc->Permissions, 0);
  form.CheckBit(QStringLiteral("Разрешить исполнение ТУ, ТР"), pc->Permissions, 1, true);
  form.CheckBit(QStringLiteral("Разрешить синхронизацию времени"), pc->Permissions, 2, true);
  mainLayout->addWidget(top);

  auto* bottom = new QWidget(main);
  Form table(this, bottom);
  formats_ = table.Formats(
      QStringLiteral(" Таблица задания форматов выдачи параметров "),
      {QStringLiteral("Параметров в посылке"), QStringLiteral("Спорадическая выдача"),
       QStringLiteral("Циклическая выдача"), QStringLiteral("Общий опрос (ASDU 100)"),
       QStringLiteral("Опрос групп   (ASDU 100)"), QStringLiteral("Опрос счетчиков (ASDU 101)")},
      {{QStringLiteral("ТС"),
        pc->TSFormat,
        {Chooser(kCounts), Fixed(QStringLiteral("ТС + время (30,31)")),
         Fixed(QStringLiteral("Откл")),
         Chooser({{QStringLiteral("ТС (1,3)"), 1}, {QStringLiteral("ТС + время (30,31)"), 30}}),
         Fixed(QStringLiteral("Группа 1")), Fixed(QStringLiteral("Откл"))}},
       {QStringLiteral("ТИ"),
        pc->TIFormat,
        {Chooser(kCounts), Chooser(kFormatA), Chooser(kFormatA), Chooser(kFormatA),
         Fixed(QStringLiteral("Группа 2")), Fixed(QStringLiteral("Откл"))}},
       {QStringLiteral("ТИИ"),
        pc->TIIFormat,
        {Chooser(
             {{QStringLiteral("1 "), 1}, {QStringLiteral("8 "), 8}, {QStringLiteral("16 "), 16}}),
         Fixed(QStringLiteral("Откл")), Fixed(QStringLiteral("Откл")),
         Chooser({{QStringLiteral("Откл"), 0}, {QStringLiteral("Авто (36,37)"), 36}}),
         Fixed(QStringLiteral("Группа 3")), Fixed(QStringLiteral("Счетчики (36)"))}},
       // The multi-state column is fixed and not stored.
       {QStringLiteral("МТС"), {}, {FormatCell{}, Fixed(QStringLiteral("МТС + время (33)"))}}});
  period_ = table.Value(QStringLiteral("Период обновления ТИ"), [this] { return PeriodText(); });
  xml_ = {QStringLiteral("Экспортировать список параметров в  XML"),
          QStringLiteral("Список параметров XML (*.xml);;Все файлы  (*.*)"), QStringLiteral("xml"),
          [this](const std::string& path) {
            return ExportPcXml(*Pc(), path, Item()->Config().Messages());
          }};
  ini_ = {QStringLiteral("Экспортировать список параметров в INI"),
          QStringLiteral("Список параметров INI (*.ini);;Все файлы  (*.*)"), QStringLiteral("ini"),
          [this](const std::string& path) {
            return ExportPcIni(*Pc(), path, Item()->Config().Messages());
          }};
  table.Exports({xml_, ini_});
  mainLayout->addWidget(bottom);
  mainLayout->addStretch();
  tabs_->addTab(main, QStringLiteral("Настройки"));
  connect(formats_, &FormatTable::Changed, this, &TPCFrame::FormatsChanged);

  auto* bases = new QWidget(tabs_);
  Form baseForm(this, bases);
  baseForm.Hex(QStringLiteral("Базовый адрес ТС"), 0, 65535, pc->BaseTS);
  baseForm.Hex(QStringLiteral("Базовый адрес МТС"), 0, 65535, pc->BaseMTS);
  baseForm.Hex(QStringLiteral("Базовый адрес ТУ"), 0, 65535, pc->BaseTU);
  baseForm.Hex(QStringLiteral("Базовый адрес ТИ"), 0, 65535, pc->BaseTI);
  baseForm.Hex(QStringLiteral("Базовый адрес ТИИ"), 0, 65535, pc->BaseTII);
  baseForm.Hex(QStringLiteral("Базовый адрес ТР"), 0, 65535, pc->BaseTR);
  tabs_->addTab(bases, QStringLiteral("Адреса сигналов"));
}

QComboBox* TPCFrame::FormatBox(int row, int column) const {
  return column >= 0 && column < 3 ? formats_->Box(row, column) : nullptr;
}

// The count falls back to 16 where a timed format allows no more.
void TPCFrame::FormatsChanged() {
  if (Loading()) return;
  TPC probe(Item()->Config());
  for (int c = 0; c < 3; ++c)
    for (int r = 0; r < 6; ++r)
      RowOf(probe, c)[static_cast<std::size_t>(r)] = formats_->Shown(r, c);
  probe.NormalizeFormats();
  for (int c = 0; c < 2; ++c) formats_->Show(0, c, RowOf(probe, c)[0]);
  period_->Refresh();
}

// The period as the table shows it now (the TI row not yet written back).
QString TPCFrame::PeriodText() const {
  TPC* pc = Pc();
  const FormatRow saved = pc->TIFormat;
  for (int r = 0; r < 6; ++r) pc->TIFormat[static_cast<std::size_t>(r)] = formats_->Shown(r, 1);
  const QString text = QString::fromStdString(pc->UpdatePeriodText());
  pc->TIFormat = saved;
  return text;
}

void TPCFrame::SetToFrame() {
  ItemFrame::SetToFrame();
  const ModelRecord& r = Item()->Config().Controller().Record;
  // Address bases are configurable from firmware 1.7 on.
  tabs_->setTabEnabled(1, !(r.Major == 1 && r.Minor < 7));
}

bool TPCFrame::GetFromFrame() {
  if (!ItemFrame::GetFromFrame()) return false;
  Pc()->NormalizeFormats();
  // The IP port names the link states after the PCs' places.
  if (TItem* port = Item()->Parent()) port->ChildrenChanged();
  return true;
}

}  // namespace vilk::ui
