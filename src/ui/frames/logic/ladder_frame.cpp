#include "frames/logic/ladder_frame.h"

#include <QCompleter>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPdfWriter>
#include <QScrollBar>
#include <QStringListModel>
#include <QVBoxLayout>
#include <algorithm>
#include <map>
#include <unordered_set>

#include "base/format.h"
#include "link/live_values.h"
#include "model/configuration.h"
#include "ports/logic/ladder_text.h"
#include "qt_text.h"
#include "signals/params.h"
#include "signals/storage.h"
#include "widgets.h"

namespace vilk::ui {

namespace {
constexpr int kCell = LadderView::kCell;
}  // namespace

// --- The frame ---

TPortLDFrame::TPortLDFrame(TItem* item, QWidget* parent) : ItemFrame(item, parent) {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(FrameTitle(QStringLiteral("Порт дискретной логики"), this));
  auto* top = new QWidget(this);
  auto* form = new QFormLayout(top);
  form->setContentsMargins(0, 0, 0, 0);
  address_ = new QLineEdit(top);
  address_->setReadOnly(true);
  address_->setMaximumWidth(address_->fontMetrics().horizontalAdvance(QStringLiteral("00000")));
  form->addRow(QStringLiteral("Адрес порта"), address_);
  layout->addWidget(top);

  auto* tools = new QHBoxLayout;
  auto tool = [&](const QString& text, const QString& hint) {
    auto* b = new QToolButton(this);
    b->setText(text);
    b->setToolTip(hint);
    tools->addWidget(b);
    return b;
  };
  task_ = tool(QStringLiteral("Задача"), QStringLiteral("Добавить задачу"));
  contact_ = tool(QStringLiteral("Контакт"), QStringLiteral("Добавить контакт"));
  contact_->setCheckable(true);
  bridge_ = tool(QStringLiteral("Шунт"), QStringLiteral("Добавить шунт"));
  clear_ = tool(QStringLiteral("Новая схема"), QStringLiteral("Удалить все задачи"));
  simulate_ = tool(QStringLiteral("Моделирование"),
                   QStringLiteral("Проверить программу: щелчок по контакту меняет его вход"));
  simulate_->setCheckable(true);
  tools->addSpacing(12);
  signalLabel_ = new QLabel(this);
  signalLabel_->setMinimumWidth(signalLabel_->fontMetrics().horizontalAdvance("ТС_00000"));
  tools->addWidget(signalLabel_);
  signalChoice_ = new QComboBox(this);
  signalChoice_->setMinimumContentsLength(24);
  tools->addWidget(signalChoice_);
  inverse_ = new QCheckBox(QStringLiteral("Инверсия"), this);
  tools->addWidget(inverse_);
  live_ = new QCheckBox(QStringLiteral("Значения контроллера"), this);
  live_->hide();
  tools->addWidget(live_);
  liveTimer_ = new QTimer(this);
  liveTimer_->setInterval(200);
  connect(liveTimer_, &QTimer::timeout, this, &TPortLDFrame::TakeLiveValues);
  connect(live_, &QCheckBox::toggled, this, &TPortLDFrame::SetLive);
  tools->addStretch();
  layout->addLayout(tools);

  // The grid takes the width; the outputs of the simulation are listed below it.
  view_ = new LadderView(this, Port(), this);
  layout->addWidget(view_, 1);
  outputs_ = new QListWidget(this);
  outputs_->setFlow(QListView::LeftToRight);
  outputs_->setWrapping(true);
  outputs_->setResizeMode(QListView::Adjust);
  outputs_->setSpacing(4);
  outputs_->setMaximumHeight(4 * outputs_->fontMetrics().height() + 12);
  outputs_->hide();
  layout->addWidget(outputs_);

  // The signal picker of the keyboard (Enter): type-ahead over the pool's ТС names.
  signalEditor_ = new QLineEdit(view_->viewport());
  signalEditor_->hide();
  auto* completer = new QCompleter(signalEditor_);
  completer->setCaseSensitivity(Qt::CaseInsensitive);
  completer->setFilterMode(Qt::MatchContains);
  signalEditor_->setCompleter(completer);
  signalEditor_->installEventFilter(this);
  connect(signalEditor_, &QLineEdit::returnPressed, this, &TPortLDFrame::SignalTyped);
  connect(signalEditor_, &QLineEdit::editingFinished, signalEditor_, [this] {
    if (!signalEditor_->hasFocus()) signalEditor_->hide();
  });

  AskName = [this](const QString& title, const QString& current) -> std::optional<QString> {
    bool ok = false;
    const QString name = QInputDialog::getText(this, title, QStringLiteral("Введите имя задачи"),
                                               QLineEdit::Normal, current, &ok);
    if (!ok) return std::nullopt;
    return name;
  };

  connect(task_, &QToolButton::clicked, this, &TPortLDFrame::AddTask);
  connect(bridge_, &QToolButton::clicked, this, &TPortLDFrame::BridgeSelection);
  connect(clear_, &QToolButton::clicked, this, &TPortLDFrame::NewProgram);
  connect(simulate_, &QToolButton::toggled, this, &TPortLDFrame::SetSimulation);
  connect(signalChoice_, &QComboBox::activated, this, &TPortLDFrame::SignalChosen);
  connect(inverse_, &QCheckBox::clicked, this, [this](bool on) {
    if (TLD* c = SelectedContact()) {
      c->Inverse = on;
      Changed(true);
    }
  });
}

TPortLDFrame::~TPortLDFrame() {
  SetLive(false);
}

void TPortLDFrame::SetLive(bool on) {
  if (!on) {
    liveTimer_->stop();
    liveValues_.reset();  // stops its link first
    liveList_.reset();
    if (live_->isChecked()) live_->setChecked(false);
    return;
  }
  if (!sim_ || liveValues_) return;
  // One entry per input read, each once: the reader goes round them one value per tick.
  liveList_ = MakeParams(Port()->Config(), kKindTS, kRoleSelection, nullptr);
  liveList_->BaseNumber = SignalKindOf(kKindTS)->BaseNumber;
  std::unordered_set<const TParam*> seen;
  for (const auto& t : Port()->Tasks)
    if (t->Kept.empty())
      ForEachContact(*t->Line, [&](const TLD& c) {
        if (c.Signal && seen.insert(c.Signal.get()).second) liveList_->Append(c.Signal);
      });
  liveValues_ =
      std::make_unique<LiveValues>(liveList_.get(), nullptr, live_, Port()->Config().Messages());
  liveValues_->Start();
  liveTimer_->start();
}

void TPortLDFrame::TakeLiveValues() {
  if (!sim_ || !liveList_) return;
  for (const TParam* s : liveList_->Items)
    if (s) sim_->SetInput(s, s->IntValue != 0);
  Changed(false);
}

bool TPortLDFrame::eventFilter(QObject* watched, QEvent* event) {
  // Escape leaves the signal picker without a change.
  if (watched == signalEditor_ && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
    signalEditor_->hide();
    view_->setFocus();
    return true;
  }
  return ItemFrame::eventFilter(watched, event);
}

void TPortLDFrame::SetToFrame() {
  ItemFrame::SetToFrame();
  address_->setText(QString::number(Port()->Number));
  Changed(false);
}

TLD* TPortLDFrame::SelectedContact() const {
  TBaseLD* a = Port()->Anchor;
  return a && a->IsContact() && a->Selected() ? static_cast<TLD*>(a) : nullptr;
}

void TPortLDFrame::Changed(bool edited) {
  Port()->Layout();
  view_->UpdateRanges();
  view_->SetCursor(view_->CursorColumn(), view_->CursorRow());
  if (sim_) sim_->Scan();
  ShowPanel();
  FillOutputs();
  view_->viewport()->update();
  if (edited) ItemEdited();
}

void TPortLDFrame::ShowPanel() {
  const TBaseLD* a = Port()->Anchor;
  const bool contact = a && a->IsContact() && a->Selected();
  signalLabel_->setVisible(contact);
  signalChoice_->setVisible(contact);
  inverse_->setVisible(contact);
  bridge_->setEnabled(Port()->CanBridge());
  if (!contact) return;
  const auto* c = static_cast<const TLD*>(a);
  const int index = Port()->PoolIndex(*c);
  signalLabel_->setText(index >= 0 ? QStringLiteral("ТС_%1").arg(index) : QStringLiteral("ТС__"));
  FillSignalChoice();
  filling_ = true;
  signalChoice_->setCurrentIndex(index);
  inverse_->setChecked(c->Inverse);
  filling_ = false;
}

void TPortLDFrame::FillSignalChoice() {
  const TParams& pool = Port()->Storage().List(kKindTS);
  filling_ = true;
  signalChoice_->clear();
  QStringList names;
  names.reserve(pool.Count());
  for (const TParam* s : pool.Items) names << (s ? Q(s->Name()) : QString());
  signalChoice_->addItems(names);
  filling_ = false;
}

void TPortLDFrame::FillOutputs() {
  outputs_->setVisible(sim_ != nullptr);
  if (!sim_) return;
  outputs_->clear();
  for (int i = 0; i < Port()->TaskCount(); ++i) {
    const TParam* s = Port()->OutputSignal(i);
    const QString name = s ? Q(s->Name()) : Q(Port()->OutputNames[std::size_t(i)]);
    outputs_->addItem(QStringLiteral("%1 = %2").arg(name).arg(sim_->Output(i) ? 1 : 0));
  }
}

void TPortLDFrame::SignalChosen(int index) {
  TLD* c = SelectedContact();
  if (filling_ || !c) return;
  TParam* s = Port()->Storage().List(kKindTS).Count() > index && index >= 0
                  ? Port()->Storage().List(kKindTS).At(index)
                  : nullptr;
  if (s && Port()->SetSignal(*c, s)) Changed(true);
}

void TPortLDFrame::AddTask() {
  if (Port()->AddTask()) {
    view_->SetCursor(0, Port()->Tasks.back()->Row);
    Changed(true);
  }
}

void TPortLDFrame::ClickCell(int column, int row, Qt::KeyboardModifiers modifiers) {
  TPortLD* port = Port();
  if (contact_->isChecked()) {
    const int t = port->TaskAtRow(row);
    if (t < 0 || column >= port->Tasks[std::size_t(t)]->Output->Column) {
      contact_->setChecked(false);  // on or right of the output: the button is released
      view_->viewport()->update();
      return;
    }
    if (port->AddContact(column, row)) Changed(true);
    return;
  }
  TBaseLD* e = port->ElementAt(column, row);
  if (modifiers & Qt::ShiftModifier)
    port->SelectRange(column, row);
  else
    port->Select(e, (modifiers & Qt::ControlModifier) != 0);
  Changed(false);
}

void TPortLDFrame::DoubleClickCell(int column, int row) {
  TPortLD* port = Port();
  const int t = port->TaskAtRow(row);
  if (t < 0 || port->ElementAt(column, row) != port->Tasks[std::size_t(t)]->Output.get()) return;
  const TParam* s = port->OutputSignal(t);
  QString current = s ? Q(TParams::ShortName(*s)) : QString();
  QString title = QStringLiteral("Имя задачи");
  for (;;) {
    std::optional<QString> name = AskName ? AskName(title, current) : std::nullopt;
    if (!name || name->trimmed().isEmpty()) return;
    if (port->RenameOutput(t, S(name->trimmed()))) break;
    title = QStringLiteral("Имя задачи уже используется");
    current = *name;
  }
  Changed(true);
}

void TPortLDFrame::BridgeSelection() {
  if (Port()->BridgeSelection()) Changed(true);
}

void TPortLDFrame::DeleteSelection() {
  Port()->DeleteSelected();
  Changed(true);
}

void TPortLDFrame::InvertSelection() {
  Port()->ToggleInverseSelected();
  Changed(true);
}

void TPortLDFrame::DuplicateSelection() {
  Port()->DuplicateSelected();
  Changed(true);
}

void TPortLDFrame::NewProgram() {
  if (Port()->TaskCount() == 0 ||
      Port()->Config().Messages().Question("Удалить все задачи?", false) != Answer::Yes)
    return;
  Port()->ClearProgram();
  view_->SetCursor(0, 0);
  Changed(true);
}

void TPortLDFrame::InsertAtCursor() {
  if (Simulator()) return;
  if (Port()->AddContact(view_->CursorColumn(), view_->CursorRow())) Changed(true);
}

void TPortLDFrame::DeleteAtCursor() {
  if (Simulator()) return;
  TBaseLD* e = Port()->ElementAt(view_->CursorColumn(), view_->CursorRow());
  if (!e) return;
  Port()->Select(e, false);
  DeleteSelection();
}

void TPortLDFrame::InvertAtCursor() {
  if (Simulator()) return;
  TBaseLD* e = Port()->ElementAt(view_->CursorColumn(), view_->CursorRow());
  if (!e || e->ElementType() == TBaseLD::Type::Kept) return;
  Port()->Select(e, false);
  InvertSelection();
  Port()->Select(e, false);
  Changed(false);
}

void TPortLDFrame::PickSignalAtCursor() {
  if (Simulator()) return;
  TBaseLD* e = Port()->ElementAt(view_->CursorColumn(), view_->CursorRow());
  if (!e || !e->IsContact()) return;
  Port()->Select(e, false);
  Changed(false);
  QStringList names;
  for (const TParam* s : Port()->Storage().List(kKindTS).Items)
    if (s) names << Q(s->Name());
  auto* model = signalEditor_->completer();
  model->setModel(new QStringListModel(names, model));
  const auto* c = static_cast<const TLD*>(e);
  signalEditor_->setText(c->Signal ? Q(c->Signal->Name()) : QString());
  signalEditor_->selectAll();
  const int x = (view_->CursorColumn() - view_->horizontalScrollBar()->value()) * kCell;
  const int y = (view_->CursorRow() - view_->verticalScrollBar()->value()) * kCell;
  signalEditor_->setGeometry(x, y + kCell - 22, 4 * kCell, 22);
  signalEditor_->show();
  signalEditor_->setFocus();
}

void TPortLDFrame::SignalTyped() {
  TLD* c = SelectedContact();
  const QString text = signalEditor_->text().trimmed();
  if (!c || text.isEmpty()) {
    signalEditor_->hide();
    view_->setFocus();
    return;
  }
  TParam* s = Port()->Storage().FindByName(kKindTS, S(text));
  if (!s) {
    Port()->Config().Messages().Error("Нет сигнала ТС " + S(text));
    return;  // the editor stays for another try
  }
  signalEditor_->hide();
  view_->setFocus();
  if (Port()->SetSignal(*c, s)) Changed(true);
}

void TPortLDFrame::CopyAtCursor() {
  const int t = Port()->TaskAtRow(view_->CursorRow());
  if (t >= 0) clipboard_ = Port()->Tasks[std::size_t(t)]->Clone();
}

void TPortLDFrame::PasteTask() {
  if (!clipboard_ || Simulator()) return;
  if (Port()->PasteTask(*clipboard_)) {
    view_->SetCursor(0, Port()->Tasks.back()->Row);
    Changed(true);
  }
}

void TPortLDFrame::ToggleInputAt(int column, int row) {
  if (!sim_ || liveValues_) return;  // live inputs come from the controller
  TBaseLD* e = Port()->ElementAt(column, row);
  if (!e || !e->IsContact()) return;
  const TParam* s = static_cast<TLD*>(e)->Signal.get();
  if (!s) return;
  sim_->SetInput(s, !sim_->Value(s));
  Changed(false);
}

void TPortLDFrame::SetSimulation(bool on) {
  if (on) {
    Port()->Storage().ForceRebuild();
    sim_ = std::make_unique<TLadderSim>(*Port());
    sim_->TrackPower = true;
    Port()->ClearSelection();
  } else {
    SetLive(false);
    sim_.reset();
  }
  live_->setVisible(on);
  live_->setEnabled(static_cast<bool>(LiveValues::Provider()));
  if (simulate_->isChecked() != on) simulate_->setChecked(on);
  for (QWidget* w : {static_cast<QWidget*>(task_), static_cast<QWidget*>(contact_),
                     static_cast<QWidget*>(clear_)})
    w->setEnabled(!on);
  contact_->setChecked(false);
  Changed(false);
}

bool TPortLDFrame::SimulateInputs(const QString& inputs) {
  SetSimulation(true);
  for (const QString& item : inputs.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
    const qsizetype eq = item.lastIndexOf(QLatin1Char('='));
    if (eq <= 0) return false;
    const QString value = item.mid(eq + 1);
    TParam* s = Port()->Storage().FindByName(kKindTS, S(item.left(eq)));
    if (!s || (value != QLatin1String("0") && value != QLatin1String("1"))) return false;
    sim_->SetInput(s, value == QLatin1String("1"));
  }
  Changed(false);
  return true;
}

QMenu* TPortLDFrame::ElementMenu(int column, int row) {
  if (Simulator()) return nullptr;
  TBaseLD* e = Port()->ElementAt(column, row);
  if (!e) return nullptr;
  if (!e->Selected()) Port()->Select(e, false);
  Changed(false);
  auto* menu = new QMenu(this);
  menu->addAction(QStringLiteral("Удалить"), this, &TPortLDFrame::DeleteSelection);
  menu->addAction(QStringLiteral("Инверсия"), this, &TPortLDFrame::InvertSelection);
  if (e->ElementType() == TBaseLD::Type::Output)
    menu->addAction(QStringLiteral("Дублировать"), this, &TPortLDFrame::DuplicateSelection);
  return menu;
}

bool TPortLDFrame::PrintPdf(const QString& path) {
  TPortLD* port = Port();
  port->Layout();
  QPdfWriter pdf(path);
  pdf.setTitle(Q(port->Caption()));
  pdf.setPageSize(QPageSize(QPageSize::A4));
  pdf.setPageOrientation(QPageLayout::Landscape);
  pdf.setResolution(96);
  QPainter p;
  if (!p.begin(&pdf)) {
    port->Config().Messages().Error("Ошибка записи файла " + S(path));
    return false;
  }
  const QRect page = p.viewport();
  const int cols = std::max(page.width() / kCell, 1);
  const int rows = std::max((page.height() - 40) / kCell, 1);
  // Printed without the simulation's colours.
  std::unique_ptr<TLadderSim> noSim = std::move(sim_);
  bool firstPage = true;
  auto newPage = [&] {
    if (!firstPage) pdf.newPage();
    firstPage = false;
  };
  // The program, one page per block of cells.
  for (int r0 = 0; r0 < std::max(port->GridRows, 1); r0 += rows)
    for (int c0 = 0; c0 < port->GridWidth; c0 += cols) {
      newPage();
      p.resetTransform();
      p.drawText(QRect(0, 0, page.width(), 30), Qt::AlignLeft | Qt::AlignVCenter,
                 QStringLiteral("%1: столбцы %2-%3, строки %4-%5")
                     .arg(Q(port->Caption()))
                     .arg(c0)
                     .arg(std::min(c0 + cols, port->GridWidth) - 1)
                     .arg(r0)
                     .arg(std::min(r0 + rows, std::max(port->GridRows, 1)) - 1));
      p.translate(QPoint(-c0 * kCell, 40 - r0 * kCell));
      p.setClipRect(QRect(QPoint(c0, r0) * kCell, QSize(cols, rows) * kCell));
      view_->PaintCells(p, QPoint(c0, r0), QSize(std::min(cols, port->GridWidth - c0), rows));
      p.setClipping(false);
    }
  // The legend (ТС_n and names) and the cross reference (tasks reading each input).
  std::map<int, std::pair<std::string, std::vector<int>>> used;
  for (int i = 0; i < port->TaskCount(); ++i) {
    const TTaskLD& t = *port->Tasks[std::size_t(i)];
    if (!t.Kept.empty()) continue;
    ForEachContact(*t.Line, [&](const TLD& c) {
      if (!c.Signal) return;
      auto& entry = used[port->PoolIndex(c)];
      entry.first = c.Signal->Name();
      if (entry.second.empty() || entry.second.back() != i + 1) entry.second.push_back(i + 1);
    });
  }
  QStringList lines;
  lines << QStringLiteral("Сигналы и задачи, которые их читают:");
  for (const auto& [index, entry] : used) {
    QStringList tasks;
    for (int t : entry.second) tasks << QString::number(t);
    lines << QStringLiteral("%1  %2  задачи: %3")
                 .arg(index < 0 ? QStringLiteral("ТС_?") : QStringLiteral("ТС_%1").arg(index))
                 .arg(Q(entry.first))
                 .arg(tasks.join(QStringLiteral(", ")));
  }
  lines << QString() << QStringLiteral("Задачи:");
  for (int i = 0; i < port->TaskCount(); ++i)
    lines << QStringLiteral("%1. %2").arg(i + 1).arg(Q(LadderTaskText(*port, i)));
  const int lineHeight = p.fontMetrics().height() + 2;
  int y = page.height();
  for (const QString& line : lines) {
    if (y + lineHeight > page.height()) {
      newPage();
      p.resetTransform();
      y = 0;
    }
    p.drawText(QRect(0, y, page.width(), lineHeight), Qt::AlignLeft | Qt::AlignVCenter, line);
    y += lineHeight;
  }
  const bool ok = p.end();
  sim_ = std::move(noSim);
  if (!ok) port->Config().Messages().Error("Ошибка записи файла " + S(path));
  return ok;
}

}  // namespace vilk::ui
