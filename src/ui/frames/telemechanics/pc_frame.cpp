#include "frames/telemechanics/pc_frame.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QVBoxLayout>

#include "base/format.h"
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
  BuildFormatTable(main);
  auto* periodRow = new QHBoxLayout;
  periodRow->addWidget(new QLabel(QStringLiteral("Период обновления ТИ"), main));
  period_ = new QLabel(main);
  periodRow->addWidget(period_);
  periodRow->addStretch();
  mainLayout->addLayout(periodRow);
  auto* exports = new QHBoxLayout;
  auto* xml = new QPushButton(QStringLiteral("Экспортировать список параметров в  XML"), main);
  auto* ini = new QPushButton(QStringLiteral("Экспортировать список параметров в INI"), main);
  exports->addWidget(xml);
  exports->addWidget(ini);
  exports->addStretch();
  mainLayout->addLayout(exports);
  mainLayout->addStretch();
  tabs_->addTab(main, QStringLiteral("Настройки"));

  auto* bases = new QWidget(tabs_);
  Form baseForm(this, bases);
  auto base = [&](const QString& label, std::uint16_t& field) {
    auto* row = new QWidget(bases);
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    auto* spin = new ClampSpinBox(row);
    spin->setRange(0, 65535);
    auto* hex = new QLabel(row);
    h->addWidget(spin);
    h->addWidget(hex);
    h->addStretch();
    baseForm.Add(label, row);
    auto echo = [spin, hex] {
      hex->setText(QStringLiteral("0x") + QString::fromStdString(Format("%4.4x", spin->value())));
    };
    Bind(
        [spin, &field, echo] {
          spin->setValue(field);
          echo();
        },
        [spin, &field] { field = static_cast<std::uint16_t>(spin->value()); });
    connect(spin, &QSpinBox::valueChanged, this, [this, echo] {
      echo();
      MarkModified();
    });
  };
  base(QStringLiteral("Базовый адрес ТС"), pc->BaseTS);
  base(QStringLiteral("Базовый адрес МТС"), pc->BaseMTS);
  base(QStringLiteral("Базовый адрес ТУ"), pc->BaseTU);
  base(QStringLiteral("Базовый адрес ТИ"), pc->BaseTI);
  base(QStringLiteral("Базовый адрес ТИИ"), pc->BaseTII);
  base(QStringLiteral("Базовый адрес ТР"), pc->BaseTR);
  tabs_->addTab(bases, QStringLiteral("Адреса сигналов"));

  ChooseFile = [this](const QString& filter, const QString& suggested) {
    return QFileDialog::getSaveFileName(this, QString(), suggested, filter);
  };
  connect(xml, &QPushButton::clicked, this, &TPCFrame::ExportXml);
  connect(ini, &QPushButton::clicked, this, &TPCFrame::ExportIni);
}

void TPCFrame::BuildFormatTable(QWidget* parent) {
  auto* box = new QGroupBox(QStringLiteral(" Таблица задания форматов выдачи параметров "), parent);
  auto* l = new QVBoxLayout(box);
  formats_ = new QTableWidget(6, 4, box);
  formats_->setHorizontalHeaderLabels(
      {QStringLiteral("ТС"), QStringLiteral("ТИ"), QStringLiteral("ТИИ"), QStringLiteral("МТС")});
  formats_->setVerticalHeaderLabels(
      {QStringLiteral("Параметров в посылке"), QStringLiteral("Спорадическая выдача"),
       QStringLiteral("Циклическая выдача"), QStringLiteral("Общий опрос (ASDU 100)"),
       QStringLiteral("Опрос групп   (ASDU 100)"), QStringLiteral("Опрос счетчиков (ASDU 101)")});
  formats_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  formats_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  formats_->setSelectionMode(QAbstractItemView::NoSelection);
  auto fixed = [this](int row, int column, const QString& text) {
    formats_->setItem(row, column, new QTableWidgetItem(text));
  };
  auto chooser = [this](int row, int column, const std::vector<ChoiceItem>& items) {
    auto* c = new QComboBox(formats_);
    for (const ChoiceItem& i : items) c->addItem(i.Text, i.Code);
    formats_->setCellWidget(row, column, c);
    boxes_[row][column] = c;
    connect(c, &QComboBox::currentIndexChanged, this, &TPCFrame::FormatsChanged);
  };
  chooser(0, 0, kCounts);
  fixed(1, 0, QStringLiteral("ТС + время (30,31)"));
  fixed(2, 0, QStringLiteral("Откл"));
  chooser(3, 0, {{QStringLiteral("ТС (1,3)"), 1}, {QStringLiteral("ТС + время (30,31)"), 30}});
  fixed(4, 0, QStringLiteral("Группа 1"));
  fixed(5, 0, QStringLiteral("Откл"));
  chooser(0, 1, kCounts);
  chooser(1, 1, kFormatA);
  chooser(2, 1, kFormatA);
  chooser(3, 1, kFormatA);
  fixed(4, 1, QStringLiteral("Группа 2"));
  fixed(5, 1, QStringLiteral("Откл"));
  chooser(0, 2,
          {{QStringLiteral("1 "), 1}, {QStringLiteral("8 "), 8}, {QStringLiteral("16 "), 16}});
  fixed(1, 2, QStringLiteral("Откл"));
  fixed(2, 2, QStringLiteral("Откл"));
  chooser(3, 2, {{QStringLiteral("Откл"), 0}, {QStringLiteral("Авто (36,37)"), 36}});
  fixed(4, 2, QStringLiteral("Группа 3"));
  fixed(5, 2, QStringLiteral("Счетчики (36)"));
  fixed(1, 3, QStringLiteral("МТС + время (33)"));
  formats_->resizeRowsToContents();
  formats_->setMinimumHeight(formats_->horizontalHeader()->height() + 6 * formats_->rowHeight(0) +
                             4);
  l->addWidget(formats_);
  parent->layout()->addWidget(box);

  // Each chooser holds the stored code of its byte.
  Bind(
      [this] {
        TPC* pc = Pc();
        for (int r = 0; r < 6; ++r)
          for (int c = 0; c < 3; ++c)
            if (QComboBox* b = boxes_[r][c]) {
              const QSignalBlocker block(b);
              const int i = b->findData(RowOf(*pc, c)[static_cast<std::size_t>(r)]);
              b->setCurrentIndex(i < 0 ? 0 : i);
            }
      },
      [this] {
        TPC* pc = Pc();
        for (int r = 0; r < 6; ++r)
          for (int c = 0; c < 3; ++c)
            if (QComboBox* b = boxes_[r][c])
              RowOf(*pc, c)[static_cast<std::size_t>(r)] =
                  static_cast<std::uint8_t>(b->currentData().toInt());
      });
}

QComboBox* TPCFrame::FormatBox(int row, int column) const {
  return row >= 0 && row < 6 && column >= 0 && column < 3 ? boxes_[row][column] : nullptr;
}

// The count falls back to 16 where a timed format allows no more.
void TPCFrame::FormatsChanged() {
  if (Loading()) return;
  TPC probe(Item()->Config());
  for (int r = 0; r < 6; ++r)
    for (int c = 0; c < 3; ++c)
      if (QComboBox* b = boxes_[r][c])
        RowOf(probe, c)[static_cast<std::size_t>(r)] =
            static_cast<std::uint8_t>(b->currentData().toInt());
  probe.NormalizeFormats();
  for (int c = 0; c < 2; ++c) {
    QComboBox* count = boxes_[0][c];
    const int want = RowOf(probe, c)[0];
    if (count->currentData().toInt() != want) {
      const QSignalBlocker block(count);
      count->setCurrentIndex(count->findData(want));
    }
  }
  RefreshPeriod();
  MarkModified();
}

void TPCFrame::RefreshPeriod() {
  TPC* pc = Pc();
  const FormatRow saved = pc->TIFormat;
  const std::uint16_t interval = pc->CyclicInterval;
  for (int r = 0; r < 6; ++r)
    if (QComboBox* b = boxes_[r][1])
      pc->TIFormat[static_cast<std::size_t>(r)] =
          static_cast<std::uint8_t>(b->currentData().toInt());
  period_->setText(QString::fromStdString(pc->UpdatePeriodText()));
  pc->TIFormat = saved;
  pc->CyclicInterval = interval;
}

void TPCFrame::SetToFrame() {
  ItemFrame::SetToFrame();
  const ModelRecord& r = Item()->Config().Controller().Record;
  // Address bases are configurable from firmware 1.7 on.
  tabs_->setTabEnabled(1, !(r.Major == 1 && r.Minor < 7));
  RefreshPeriod();
}

void TPCFrame::GetFromFrame() {
  ItemFrame::GetFromFrame();
  Pc()->NormalizeFormats();
  // The IP port names the link states after the PCs' places.
  if (TItem* port = Item()->Parent()) port->ChildrenChanged();
}

bool TPCFrame::ExportXml() {
  GetFromFrame();
  QString suggested = exportFile_.isEmpty()
                          ? QString()
                          : QFileInfo(exportFile_).path() + "/" +
                                QFileInfo(exportFile_).completeBaseName() + ".xml";
  const QString path =
      ChooseFile(QStringLiteral("Список параметров XML (*.xml);;Все файлы  (*.*)"), suggested);
  if (path.isEmpty()) return false;
  exportFile_ = path;
  return ExportPcXml(*Pc(), path.toStdString(), Item()->Config().Messages());
}

bool TPCFrame::ExportIni() {
  GetFromFrame();
  QString suggested = exportFile_.isEmpty()
                          ? QString()
                          : QFileInfo(exportFile_).path() + "/" +
                                QFileInfo(exportFile_).completeBaseName() + ".ini";
  const QString path =
      ChooseFile(QStringLiteral("Список параметров INI (*.ini);;Все файлы  (*.*)"), suggested);
  if (path.isEmpty()) return false;
  exportFile_ = path;
  return ExportPcIni(*Pc(), path.toStdString(), Item()->Config().Messages());
}

}  // namespace vilk::ui
