#include "signals/editor_ti.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "base/format.h"
#include "base/ini.h"
#include "base/text.h"
#include "controller/controller.h"
#include "controller/proc.h"
#include "model/configuration.h"
#include "qt_text.h"
#include "signals/list_edit.h"
#include "widgets.h"

namespace vilk::ui {

namespace {

std::map<std::string, QStringList>& Presets() {
  static std::map<std::string, QStringList> presets;
  return presets;
}

const char* const kPresetKeys[] = {"Минимум квантов", "Максимум квантов", "Нижний предел",
                                   "Верхний предел"};

QComboBox* PresetBox(QWidget* parent, const char* key) {
  auto* box = new QComboBox(parent);
  box->setEditable(true);
  box->addItems(Presets()[key]);
  box->setCurrentText(QStringLiteral("0"));
  return box;
}

QString Number(double v) {
  return Q(Format("%.6g", v));
}

}  // namespace

void TEditorTI::LoadPresets(const IniDocument& ini) {
  static bool loaded = false;
  if (loaded) return;
  loaded = true;
  for (const char* key : kPresetKeys) {
    QStringList values;
    for (const QString& v :
         Q(ini.ReadString("EditorTI", key)).split(QLatin1Char(';'), Qt::SkipEmptyParts))
      values << v.trimmed();
    Presets()[key] = values;
  }
}

TEditorTI::TEditorTI(QWidget* parent, TParams& list, int row)
    : QDialog(parent), list_(list), row_(row) {
  const TParam& s = *list.At(row);
  setWindowTitle(Q(Truncate("Настройка параметра ТИ  " + s.Name(), 88)));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  gain_ = new QLineEdit(Number(s.Gain), this);
  offset_ = new QLineEdit(Number(s.Offset), this);
  group_ = new QComboBox(this);
  group_->setEditable(true);
  group_->addItem(QString());
  if (const TProc* proc = list.Config().Controller().Proc())
    for (const SporadicGroup& g : proc->Groups) group_->addItem(Q(g.Name));
  group_->setCurrentText(Q(s.Group));
  group_->lineEdit()->setMaxLength(static_cast<int>(kMaxNameChars));
  form->addRow(QStringLiteral("Множитель"), gain_);
  form->addRow(QStringLiteral("Смещение"), offset_);
  form->addRow(QStringLiteral("Группа ТИ"), group_);
  layout->addLayout(form);

  auto* calc = new QGroupBox(QStringLiteral(" Вычислитель множителя и смещения "), this);
  auto* calcForm = new QFormLayout(calc);
  min_ = PresetBox(calc, kPresetKeys[0]);
  max_ = PresetBox(calc, kPresetKeys[1]);
  low_ = PresetBox(calc, kPresetKeys[2]);
  hi_ = PresetBox(calc, kPresetKeys[3]);
  calcForm->addRow(QStringLiteral("Минимум квантов"), min_);
  calcForm->addRow(QStringLiteral("Максимум квантов"), max_);
  calcForm->addRow(QStringLiteral("Нижний предел"), low_);
  calcForm->addRow(QStringLiteral("Верхний предел"), hi_);
  auto* setup = new QPushButton(QStringLiteral("Установить"), calc);
  calcForm->addRow(setup);
  layout->addWidget(calc);

  auto* templates = new QHBoxLayout;
  auto* saveTemplate = new QPushButton(QStringLiteral("Сохранить ТИ в шаблон"), this);
  getTemplate_ = new QPushButton(QStringLiteral("Заполнить ТИ из шаблона"), this);
  getTemplate_->setEnabled(SharedTITemplate().Set);
  templates->addWidget(saveTemplate);
  templates->addWidget(getTemplate_);
  layout->addLayout(templates);
  auto* goGroups = new QPushButton(QStringLiteral("Перейти в настройку групп"), this);
  layout->addWidget(goGroups);

  AddAcceptRow(this, layout, QStringLiteral("Принять"), QStringLiteral("Отмена"),
               [this] { return Accept(); });

  gain_->installEventFilter(this);
  offset_->installEventFilter(this);
  connect(setup, &QPushButton::clicked, this, &TEditorTI::Setup);
  connect(saveTemplate, &QPushButton::clicked, this, &TEditorTI::SaveTemplate);
  connect(getTemplate_, &QPushButton::clicked, this, &TEditorTI::FillTemplate);
  connect(goGroups, &QPushButton::clicked, this, [this] {
    reject();
    if (TProc* proc = list_.Config().Controller().Proc()) list_.Config().RequestSelect(proc);
  });
}

bool TEditorTI::Edit(QWidget* parent, TParams& list, int row) {
  if (row < 0 || row >= list.Count() || !list.At(row)) return false;
  TEditorTI dialog(parent, list, row);
  return dialog.exec() == QDialog::Accepted;
}

bool TEditorTI::CheckNumber(QLineEdit* edit) {
  if (ParseNumber(S(edit->text()))) return true;
  list_.Config().Messages().Error("Ошибка значения!");
  edit->setFocus();
  return false;
}

bool TEditorTI::eventFilter(QObject* object, QEvent* event) {
  // A field holding no number cannot be left.
  if (event->type() == QEvent::FocusOut && (object == gain_ || object == offset_) && isVisible()) {
    auto* edit = static_cast<QLineEdit*>(object);
    if (!ParseNumber(S(edit->text()))) {
      QMetaObject::invokeMethod(
          this, [this, edit] { CheckNumber(edit); }, Qt::QueuedConnection);
    }
  }
  return QDialog::eventFilter(object, event);
}

void TEditorTI::Setup() {
  const GainOffset r = ComputeGainOffset(S(min_->currentText()), S(max_->currentText()),
                                         S(low_->currentText()), S(hi_->currentText()));
  if (!r.Error.empty()) {
    list_.Config().Messages().Error(r.Error);
    return;
  }
  gain_->setText(Q(r.Gain));
  offset_->setText(Q(r.Offset));
}

void TEditorTI::SaveTemplate() {
  TITemplate& t = SharedTITemplate();
  const auto gain = ParseNumber(S(gain_->text()));
  const auto offset = ParseNumber(S(offset_->text()));
  if (!gain || !offset) {
    CheckNumber(gain ? offset_ : gain_);
    return;
  }
  t.Set = true;
  t.Gain = static_cast<float>(*gain);
  t.Offset = static_cast<float>(*offset);
  t.Group = Truncate(S(group_->currentText()), kMaxNameChars);
  getTemplate_->setEnabled(true);
}

void TEditorTI::FillTemplate() {
  const TITemplate& t = SharedTITemplate();
  if (!t.Set) return;
  gain_->setText(Number(t.Gain));
  offset_->setText(Number(t.Offset));
  group_->setCurrentText(Q(t.Group));
}

bool TEditorTI::Accept() {
  if (!CheckNumber(gain_) || !CheckNumber(offset_)) return false;
  TParam& s = *list_.At(row_);
  s.Gain = static_cast<float>(*ParseNumber(S(gain_->text())));
  s.Offset = static_cast<float>(*ParseNumber(S(offset_->text())));
  s.SetGroup(S(group_->currentText()));
  s.ValueFormat = 4;
  return true;
}

}  // namespace vilk::ui
