#include "frames/modules/pairing_frame.h"

#include <QDragEnterEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMimeData>
#include <QVBoxLayout>

#include "model/configuration.h"
#include "signals/signal_table.h"
#include "signals/storage.h"

namespace vilk::ui {

namespace {
const char kSignalsMime[] = "application/x-vilk-signals";
}  // namespace

SignalDropField::SignalDropField(int kind, QWidget* parent) : QLineEdit(parent), kind_(kind) {
  setReadOnly(true);
  setAcceptDrops(true);
  setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("8_Порт.8_DED-12.Пр12")));
}

bool SignalDropField::Accepts(const SignalTableView* source) const {
  return source && source->List()->ListRole == kRolePool && source->List()->SignalKind == kind_;
}

bool SignalDropField::DropFrom(const SignalTableView* source) {
  if (!Accepts(source)) return false;
  for (TParam* s : source->List()->Items)
    if (s && s->Selected) {
      emit Dropped(s);
      return true;
    }
  return false;
}

void SignalDropField::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasFormat(QString::fromLatin1(kSignalsMime)) &&
      Accepts(qobject_cast<SignalTableView*>(event->source())))
    event->acceptProposedAction();
  else
    event->ignore();
}

void SignalDropField::dragMoveEvent(QDragMoveEvent* event) {
  if (Accepts(qobject_cast<SignalTableView*>(event->source())))
    event->acceptProposedAction();
  else
    event->ignore();
}

void SignalDropField::dropEvent(QDropEvent* event) {
  auto* source = qobject_cast<SignalTableView*>(event->source());
  if (!Accepts(source)) return;
  event->acceptProposedAction();
  DropFrom(source);
}

void SignalDropField::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace) {
    emit Cleared();
    return;
  }
  QLineEdit::keyPressEvent(event);
}

TPairPortFrame::TPairPortFrame(TItem* item, QWidget* parent) : ItemFrame(item, parent) {
  TPairPort* port = Port();
  const bool ts = port->SignalKind == kKindTS;
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(FrameTitle(ts ? QStringLiteral("Порт двухпозиционных телесигналов")
                                  : QStringLiteral("Порт двухканальных телеуправлений"),
                               this));
  auto* top = new QWidget(this);
  Form form(this, top);
  rows_ = new PortRows(this);
  rows_->SetRenumber([this](std::uint8_t number) {
    Port()->Number = number;
    Port()->UpdateSignalList();
    FillList();
  });
  rows_->AddAddress(form);
  auto* countRow = new QWidget(top);
  auto* h = new QHBoxLayout(countRow);
  h->setContentsMargins(0, 0, 0, 0);
  count_ = new ClampSpinBox(countRow);
  count_->setRange(0, kMaxPairs);
  set_ = new QPushButton(QStringLiteral("Установить"), countRow);
  h->addWidget(count_);
  h->addWidget(set_);
  h->addStretch();
  form.Add(ts ? QStringLiteral("Количество ТС") : QStringLiteral("Количество ТУ"), countRow);
  connect(set_, &QPushButton::clicked, this, &TPairPortFrame::ApplyCount);
  layout->addWidget(top);

  auto* columns = new QHBoxLayout;
  auto* listBox = new QGroupBox(QStringLiteral("Список сигналов"), this);
  auto* lv = new QVBoxLayout(listBox);
  list_ = new QListWidget(listBox);
  list_->setMaximumWidth(
      list_->fontMetrics().horizontalAdvance(QStringLiteral("Разъединитель Q10")));
  delete_ = new QPushButton(QStringLiteral("Удалить сигнал"), listBox);
  lv->addWidget(list_);
  lv->addWidget(delete_);
  columns->addWidget(listBox);
  connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (!filling_) SelectPair(row);
  });
  connect(delete_, &QPushButton::clicked, this, &TPairPortFrame::DeleteCurrent);

  auto* settingsBox = new QGroupBox(QStringLiteral("Настройка сигнала"), this);
  settings_ = settingsBox;
  auto* sv = new QVBoxLayout(settingsBox);
  keptLabel_ =
      new QLabel(QStringLiteral("Запись новой версии: сохраняется без изменений"), settingsBox);
  keptLabel_->hide();
  sv->addWidget(keptLabel_);
  auto channel = [&](bool on) {
    const QString caption =
        ts ? (on ? QStringLiteral("ТС состояния Включено")
                 : QStringLiteral("ТС состояния Отключено"))
           : (on ? QStringLiteral("ТУ команды Включить") : QStringLiteral("ТУ команды Отключить"));
    auto* box = new QGroupBox(caption, settingsBox);
    auto* bv = new QVBoxLayout(box);
    auto* field = new SignalDropField(port->SignalKind, box);
    field->setObjectName(caption);
    bv->addWidget(field);
    connect(field, &SignalDropField::Dropped, this,
            [this, on](TParam* signal) { ChannelDropped(on, signal); });
    connect(field, &SignalDropField::Cleared, this, [this, on] { ChannelDropped(on, nullptr); });
    if (ts) {
      auto* invert = new QCheckBox(QStringLiteral("Инвертировать ТС"), box);
      bv->addWidget(invert);
      (on ? onInvert_ : offInvert_) = invert;
    } else {
      auto* row = new QWidget(box);
      auto* rh = new QHBoxLayout(row);
      rh->setContentsMargins(0, 0, 0, 0);
      rh->addWidget(new QLabel(QStringLiteral(" Команда ТУ "), row));
      auto* command = new QComboBox(row);
      command->addItem(QStringLiteral("Отключить"), 0);
      command->addItem(QStringLiteral("Включить"), 1);
      rh->addWidget(command);
      rh->addStretch();
      bv->addWidget(row);
      (on ? onCommand_ : offCommand_) = command;
    }
    sv->addWidget(box);
    return field;
  };
  off_ = channel(false);
  on_ = channel(true);
  if (ts) {
    auto* row = new QWidget(settingsBox);
    Form timeForm(this, row);
    timeForm.Layout()->setRowWrapPolicy(QFormLayout::WrapAllRows);  // the frame is narrow here
    transition_ = new ClampSpinBox(row);
    transition_->setRange(0, 65535);
    timeForm.Add(QStringLiteral("Время  переходого состояния, мс"), transition_);
    sv->addWidget(row);
  }
  sv->addStretch();
  columns->addWidget(settingsBox, 1);
  layout->addLayout(columns, 1);
}

void TPairPortFrame::SetToFrame() {
  ItemFrame::SetToFrame();
  count_->setValue(Port()->PairCount());
  FillList();
}

bool TPairPortFrame::GetFromFrame() {
  if (!ItemFrame::GetFromFrame()) return false;
  StorePair();
  return true;
}

void TPairPortFrame::FillList() {
  TPairPort* port = Port();
  filling_ = true;
  list_->clear();
  for (int i = 0; i < port->PairCount(); ++i) list_->addItem(Q(port->PairName(i)));
  filling_ = false;
  if (current_ >= port->PairCount()) current_ = port->PairCount() - 1;
  if (current_ < 0 && port->PairCount() > 0) current_ = 0;
  filling_ = true;
  list_->setCurrentRow(current_);
  filling_ = false;
  ShowPair();
}

void TPairPortFrame::SelectPair(int row) {
  StorePair();
  current_ = row >= 0 && row < Port()->PairCount() ? row : -1;
  if (list_->currentRow() != current_) {
    filling_ = true;
    list_->setCurrentRow(current_);
    filling_ = false;
  }
  ShowPair();
}

// The widgets write a setting back only when they show something else than the record
// gave them, so a flag value other than 0 or 1 read from a file survives a visit.
void TPairPortFrame::StorePair() {
  TPairPort* port = Port();
  if (current_ < 0 || current_ >= port->PairCount()) return;
  TPair& pair = port->Pairs[static_cast<std::size_t>(current_)];
  if (!pair.Kept.empty()) return;
  const std::uint8_t offBefore = pair.OffFlag, onBefore = pair.OnFlag;
  const std::uint16_t timeBefore = pair.TransitionTime;
  auto storeFlag = [](std::uint8_t& flag, QCheckBox* invert, QComboBox* command) {
    if (invert && invert->isChecked() != (flag != 0)) flag = invert->isChecked() ? 1 : 0;
    if (command && command->currentIndex() >= 0 &&
        command->currentIndex() != command->property("shown").toInt())
      flag = static_cast<std::uint8_t>(command->currentData().toInt());
  };
  storeFlag(pair.OffFlag, offInvert_, offCommand_);
  storeFlag(pair.OnFlag, onInvert_, onCommand_);
  if (transition_) pair.TransitionTime = static_cast<std::uint16_t>(transition_->value());
  if (pair.OffFlag != offBefore || pair.OnFlag != onBefore || pair.TransitionTime != timeBefore)
    ItemEdited();
}

void TPairPortFrame::ShowChannel(SignalDropField* field, const SignalRef& ref) {
  QPalette palette = field->palette();
  palette.setColor(QPalette::Text, palette.color(QPalette::Active, QPalette::WindowText));
  if (!ref) {
    field->setText(QString());
  } else if (Port()->Unresolved(ref)) {
    // Held, but its device is gone: shown grey until it is replaced or cleared.
    field->setText(Q(ref->Name()) + QStringLiteral("  (нет в списке сигналов)"));
    palette.setColor(QPalette::Text, palette.color(QPalette::Disabled, QPalette::Text));
  } else {
    field->setText(Q(ref->Name()));
  }
  field->setPalette(palette);
}

void TPairPortFrame::ShowPair() {
  TPairPort* port = Port();
  const bool any = current_ >= 0 && current_ < port->PairCount();
  const TPair* pair = any ? &port->Pairs[static_cast<std::size_t>(current_)] : nullptr;
  const bool kept = pair && !pair->Kept.empty();
  settings_->setEnabled(any && !kept);
  keptLabel_->setVisible(kept);
  delete_->setEnabled(any);
  ShowChannel(off_, pair ? pair->Off : SignalRef());
  ShowChannel(on_, pair ? pair->On : SignalRef());
  auto showFlag = [](std::uint8_t flag, QCheckBox* invert, QComboBox* command) {
    if (invert) invert->setChecked(flag != 0);
    if (command) {
      const int index = command->findData(static_cast<int>(flag));
      command->setCurrentIndex(index);
      command->setProperty("shown", index);
    }
  };
  showFlag(pair ? pair->OffFlag : 0, offInvert_, offCommand_);
  showFlag(pair ? pair->OnFlag : 0, onInvert_, onCommand_);
  if (transition_) transition_->setValue(pair ? pair->TransitionTime : 500);
}

void TPairPortFrame::ChannelDropped(bool on, TParam* signal) {
  if (current_ < 0) return;
  StorePair();
  if (Port()->SetChannel(current_, on, signal)) ItemEdited();
  ShowPair();
}

void TPairPortFrame::ApplyCount() {
  StorePair();
  Port()->SetCount(count_->value());
  count_->setValue(Port()->PairCount());
  ItemEdited();
  FillList();
}

void TPairPortFrame::DeleteCurrent() {
  TPairPort* port = Port();
  if (current_ < 0 || current_ >= port->PairCount()) return;
  StorePair();
  const std::string name = port->PairName(current_);
  if (port->Config().Messages().Question("Удалить сигнал " + name + " ?", false) != Answer::Yes)
    return;
  port->RemovePair(current_);
  count_->setValue(port->PairCount());
  ItemEdited();
  FillList();
}

}  // namespace vilk::ui
