#include "help_pages.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSpinBox>
#include <map>

#include "widgets.h"

namespace vilk::ui {

namespace {

// What a kind is for, by class name; kinds without a line get their menu caption only.
const std::map<std::string, const char*>& Purposes() {
  static const std::map<std::string, const char*> purposes{
      {"TController",
       "Модель контроллера и её платы. Модель задаёт число плат COM, дискретных входов и "
       "набор портов, разрешённых версией ПО."},
      {"TProc", "Процессорная плата: на ней живут порты контроллера."},
      {"TDI", "Плата дискретных входов (узел сигнализации) и её сигналы ТС."},
      {"TRS232",
       "Плата последовательного порта COM (RS-232 или RS-485): к ней привязывается один порт "
       "опроса."},
      {"TPortIP",
       "Сетевые настройки контроллера: адреса двух сетевых интерфейсов, шлюзы, параметры GSM; "
       "к порту IP подключаются диспетчерские пункты (ПЭВМ)."},
      {"TPC",
       "Диспетчерский пункт (ПЭВМ) протокола МЭК 60870-5-104: адрес, таймауты и выборка "
       "сигналов, которые он получает."},
      {"TPortPU", "Порт связи с пультом управления и выборка сигналов, которые пульт получает."},
      {"TPortMODBUS", "Порт опроса устройств Modbus RTU по линии RS-485/RS-232."},
      {"TPortRTUTCP", "Порт опроса устройств Modbus TCP по сети."},
      {"TRTU", "Устройство Modbus RTU: адрес, шаблон и таблицы регистров."},
      {"TRTUTCP", "Устройство Modbus TCP: адрес, шаблон и таблицы регистров."},
      {"TPortKP", "Порт опроса контролируемых пунктов (КП) по последовательной линии."},
      {"TKP", "Контролируемый пункт: адрес, число сигналов и группы опроса."},
      {"TPort103", "Порт опроса устройств релейной защиты по МЭК 60870-5-103."},
      {"TRTU103", "Устройство МЭК 60870-5-103: адрес, тип и таблицы адресов ТС, ТУ, ТИ."},
      {"TPortRTU104", "Порт опроса устройств по МЭК 60870-5-104 (контроллер как клиент)."},
      {"TRTU104", "Устройство МЭК 60870-5-104: адрес, таймауты и число сигналов."},
      {"TPortCC301", "Порт опроса счётчиков электроэнергии СС-301."},
      {"TPortCE303", "Порт опроса счётчиков электроэнергии СЕ-303."},
      {"TPortCE318", "Порт опроса счётчиков электроэнергии СЕ-318."},
      {"TCC301", "Счётчик СС-301: адрес и снимаемые величины."},
      {"TCE303", "Счётчик СЕ-303: адрес и снимаемые величины."},
      {"TCE318", "Счётчик СЕ-318: адрес и снимаемые величины."},
      {"TPortDoro", "Порт модулей ввода-вывода DORO."},
      {"TMDS24",
       "Модуль дискретных сигналов RIV-24 на порту DORO: адрес, опрос и режим работы, "
       "от которого зависит число его сигналов."},
      {"TMRK12", "Модуль релейной коммутации DED-12 на порту DORO: адрес, опрос и режим работы."},
      {"TMDK24", "Модуль дискретной коммутации ZUZ-24 на порту DORO: адрес, опрос и режим работы."},
      {"TPortAuto", "Порт автоматики: программа автоматики контроллера и её сигналы."},
      {"TPortGPS", "Порт точного времени: источник синхронизации часов контроллера."},
      {"TPortLD", "Порт дискретной логики: релейно-контактная программа над сигналами ТС и ТУ."},
      {"TPortTS2",
       "Порт двухпозиционных ТС: пары сигналов пула, образующие один логический сигнал."},
      {"TPortTU2", "Порт двухканальных ТУ: пары команд пула, образующие одну логическую команду."},
      {"TPortSNMP", "Порт опроса сетевых устройств по SNMP."},
      {"TSNMP", "Устройство SNMP: адрес, сообщество и опрашиваемые объекты MIB."},
      {"TParamsTS", "Список сигналов ТС (телесигнализация): номер, имя, инверсия, группа."},
      {"TParamsTU", "Список сигналов ТУ (телеуправление): номер, имя, блокировка."},
      {"TParamsTI", "Список сигналов ТИ (телеизмерения): номер, имя, масштаб и смещение."},
      {"TParamsTII", "Список сигналов ТИИ (интегральные измерения, счётчики)."},
      {"TParamsTR", "Список сигналов ТР (телерегулирование)."},
      {"TParamsMTS", "Список сигналов МТС (многопозиционная телесигнализация)."},
  };
  return purposes;
}

QString Escape(const QString& s) {
  return s.toHtmlEscaped();
}

// "Таймаут, мс" -> "мс": a short tail after the last comma is the unit.
QString UnitOf(const QString& label) {
  static const QRegularExpression tail(QStringLiteral(",\\s*([^,]{1,8})$"));
  const QRegularExpressionMatch m = tail.match(label.trimmed());
  if (!m.hasMatch()) return {};
  const QString unit = m.captured(1).trimmed();
  // Only words that measure something; "адрес 1" is no unit.
  static const QRegularExpression measure(
      QStringLiteral("^(мс|с|сек|мин|ч|бит/с|бод|байт|%|В|А|кВт|Гц|шт)\\.?$"));
  return measure.match(unit).hasMatch() ? unit : QString();
}

struct Row {
  QString Label, Input, Range, Unit, Hint;
};

Row Describe(const QString& label, QWidget* field) {
  Row r;
  r.Label = label;
  r.Unit = UnitOf(label);
  r.Hint = field->toolTip();
  if (auto* hex = qobject_cast<HexSpinEdit*>(field)) {
    const QSpinBox* s = hex->Spin();
    r.Input = QStringLiteral("число (также в шестнадцатеричном виде)");
    r.Range = QStringLiteral("от %1 до %2 (0x%3 .. 0x%4)")
                  .arg(s->minimum())
                  .arg(s->maximum())
                  .arg(QString::number(s->minimum(), 16).toUpper(),
                       QString::number(s->maximum(), 16).toUpper());
  } else if (qobject_cast<IpEdit*>(field)) {
    r.Input = QStringLiteral("IPv4-адрес");
    r.Range = QStringLiteral("четыре числа от 0 до 255");
  } else if (auto* spin = qobject_cast<QSpinBox*>(field)) {
    r.Input = QStringLiteral("число");
    r.Range = QStringLiteral("от %1 до %2").arg(spin->minimum()).arg(spin->maximum());
    if (!spin->suffix().trimmed().isEmpty()) r.Unit = spin->suffix().trimmed();
  } else if (auto* box = qobject_cast<QComboBox*>(field)) {
    r.Input = QStringLiteral("выбор из списка");
    QStringList items;
    for (int i = 0; i < box->count() && i < 16; ++i) items << box->itemText(i);
    if (box->count() > 16) items << QStringLiteral("… (всего %1)").arg(box->count());
    r.Range = items.join(QStringLiteral("; "));
  } else if (auto* edit = qobject_cast<QLineEdit*>(field)) {
    r.Input = QStringLiteral("текст");
    if (edit->maxLength() < 32767)
      r.Range = QStringLiteral("до %1 символов").arg(edit->maxLength());
  } else if (auto* check = qobject_cast<QCheckBox*>(field)) {
    r.Input = QStringLiteral("флажок");
    r.Range = QStringLiteral("да / нет");
    if (r.Label.isEmpty()) r.Label = check->text();
  } else if (qobject_cast<QLabel*>(field)) {
    r.Input = QStringLiteral("показ (не изменяется)");
  } else {
    return {};
  }
  return r;
}

void CollectRows(const QWidget& frame, std::vector<Row>& rows) {
  for (QFormLayout* form : frame.findChildren<QFormLayout*>()) {
    for (int i = 0; i < form->rowCount(); ++i) {
      QLayoutItem* labelItem = form->itemAt(i, QFormLayout::LabelRole);
      QLayoutItem* fieldItem = form->itemAt(i, QFormLayout::FieldRole);
      if (!fieldItem) fieldItem = form->itemAt(i, QFormLayout::SpanningRole);
      QWidget* field = fieldItem ? fieldItem->widget() : nullptr;
      if (!field) continue;
      QString label;
      if (labelItem && labelItem->widget())
        if (auto* l = qobject_cast<QLabel*>(labelItem->widget())) label = l->text();
      label.remove(QLatin1Char('&'));
      if (label.endsWith(QLatin1Char(':'))) label.chop(1);
      Row r = Describe(label.trimmed(), field);
      if (!r.Input.isEmpty() && !r.Label.isEmpty()) rows.push_back(r);
    }
  }
}

}  // namespace

QString KindPurpose(const std::string& className) {
  const auto it = Purposes().find(className);
  return it == Purposes().end() ? QString() : QString::fromUtf8(it->second);
}

int HelpContextOf(KindKey key) {
  return 100000 + (key.Parent + 3) * 256 + key.Code;
}

QString ShortcutsSection() {
  static const char* const keys[][2] = {
      {"F1", "справка по открытой настройке"},
      {"F2, Ctrl+S", "сохранить в файл"},
      {"Ctrl+Shift+S", "сохранить как"},
      {"F3, Ctrl+O", "открыть файл конфигурации"},
      {"F4, Ctrl+N", "создать конфигурацию по умолчанию"},
      {"F5", "записать конфигурацию в контроллер"},
      {"F6", "прочитать конфигурацию из контроллера"},
      {"F7", "записать программу контроллера"},
      {"Ctrl+Z", "отменить последнее изменение"},
      {"Ctrl+Y, Ctrl+Shift+Z", "повторить отменённое"},
      {"Ctrl+F", "поиск по дереву и именам сигналов"},
      {"Ctrl+C, Ctrl+V", "копировать и вставить узел дерева"},
      {"Delete", "удалить выбранный узел дерева"},
      {"Insert", "добавить узел (порт, устройство) к выбранному"},
      {"Ctrl+Q, Alt+X", "выход"},
      {"Esc", "закрыть открытое окно (кроме главного)"},
  };
  QString html = QStringLiteral("<h3>Клавиши</h3><table border=\"0\" cellpadding=\"2\">");
  for (const auto& k : keys)
    html += QStringLiteral("<tr><td><b>%1</b></td><td>%2</td></tr>")
                .arg(QString::fromUtf8(k[0]), QString::fromUtf8(k[1]));
  return html + QStringLiteral("</table>");
}

QString FrameHelpPage(int context, const QWidget& frame, const QString& caption) {
  const KindRow* kind = nullptr;
  for (const KindRow& row : KindTable())
    if (HelpContextOf(row.Key()) == context) kind = &row;
  QString title = caption;
  // The add command names the kind ("Добавить Порт опроса КП" -> "Порт опроса КП").
  if (kind && *kind->MenuCaption) {
    title = QString::fromUtf8(kind->MenuCaption);
    if (title.startsWith(QStringLiteral("Добавить "))) title = title.mid(9);
    if (title == QStringLiteral("устройство")) title = caption;
  }
  QString html = QStringLiteral("<html><body><h2>%1</h2>").arg(Escape(title));
  // The controller is the root, not a row of the table.
  const std::string className = kind ? kind->ClassName
                                : context == HelpContextOf({kRootParent, kControllerCode})
                                    ? "TController"
                                    : "";
  const auto it = Purposes().find(className);
  if (it != Purposes().end())
    html += QStringLiteral("<p>%1</p>").arg(QString::fromUtf8(it->second));
  if (!caption.isEmpty() && caption != title)
    html += QStringLiteral("<p>Открыт узел «%1».</p>").arg(Escape(caption));

  std::vector<Row> rows;
  CollectRows(frame, rows);
  if (rows.empty()) {
    html += QStringLiteral("<p>У этой настройки нет полей ввода.</p>");
  } else {
    html += QStringLiteral(
        "<h3>Поля</h3><table border=\"1\" cellspacing=\"0\" cellpadding=\"3\">"
        "<tr><th>Поле</th><th>Ввод</th><th>Значения</th><th>Единица</th><th>Пояснение</th></tr>");
    for (const Row& r : rows)
      html += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td>%4</td><td>%5</td></tr>")
                  .arg(Escape(r.Label), Escape(r.Input), Escape(r.Range), Escape(r.Unit),
                       Escape(r.Hint));
    html += QStringLiteral("</table>");
  }
  html += QStringLiteral(
      "<p>Изменения поля записываются в конфигурацию при переходе к другому узлу или при "
      "сохранении; значение вне допустимого диапазона не принимается, настройка остаётся "
      "открытой и сообщает, что не так.</p>");
  return html + ShortcutsSection() + QStringLiteral("</body></html>");
}

}  // namespace vilk::ui
