#include "link/link_log_dock.h"

#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "base/files.h"
#include "qt_text.h"

namespace vilk::ui {

LinkLogDock::LinkLogDock(LinkLog& log, IMessages& messages, QWidget* parent)
    : QDockWidget(QStringLiteral("Журнал обмена"), parent), log_(log), messages_(messages) {
  setObjectName(QStringLiteral("LinkLogDock"));
  auto* body = new QWidget(this);
  auto* layout = new QVBoxLayout(body);
  layout->setContentsMargins(4, 4, 4, 4);
  view_ = new QPlainTextEdit(body);
  view_->setReadOnly(true);
  view_->setLineWrapMode(QPlainTextEdit::NoWrap);
  view_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  // Two lines an exchange: the view keeps as many exchanges as the log does.
  view_->setMaximumBlockCount(static_cast<int>(2 * LinkLog::kDefaultCapacity));
  layout->addWidget(view_, 1);
  auto* row = new QHBoxLayout;
  counters_ = new QLabel(Q(FormatCounters({})), body);
  counters_->setWordWrap(true);
  row->addWidget(counters_, 1);
  auto* save = new QPushButton(QStringLiteral("Сохранить..."), body);
  auto* clear = new QPushButton(QStringLiteral("Очистить"), body);
  row->addWidget(save);
  row->addWidget(clear);
  layout->addLayout(row);
  setWidget(body);

  ChooseFile = [this] {
    return QFileDialog::getSaveFileName(this, QStringLiteral("Сохранить журнал обмена"), QString(),
                                        QStringLiteral("Текст (*.txt *.log);;Все файлы (*)"));
  };
  connect(save, &QPushButton::clicked, this, [this] { SaveAs(); });
  connect(clear, &QPushButton::clicked, this, [this] {
    log_.Clear();
    view_->clear();
    counters_->setText(Q(FormatCounters({})));
  });
  // The worker thread writes the log; the view catches up five times a second while shown.
  timer_ = new QTimer(this);
  timer_->setInterval(200);
  connect(timer_, &QTimer::timeout, this, [this] { Refresh(); });
  connect(this, &QDockWidget::visibilityChanged, this, [this](bool shown) {
    if (shown) {
      Refresh();
      timer_->start();
    } else {
      timer_->stop();
    }
  });
}

void LinkLogDock::Refresh() {
  const std::vector<LinkExchange> fresh = log_.Since(seen_);
  if (!fresh.empty()) {
    QString text;
    for (const LinkExchange& e : fresh) text += Q(FormatExchange(e));
    text.chop(1);  // appendPlainText adds the line break itself
    view_->appendPlainText(text);
    seen_ = fresh.back().Sequence;
  }
  counters_->setText(Q(FormatCounters(log_.Counters())));
}

bool LinkLogDock::SaveAs() {
  const QString path = ChooseFile();
  if (path.isEmpty()) return false;
  const std::string text = log_.Text();
  std::string error;
  if (WriteFileAtomic(S(path), text.data(), text.size(), &error)) return true;
  messages_.Error("Ошибка записи файла " + S(path) + ": " + error);
  return false;
}

}  // namespace vilk::ui
