#include "link/live_values.h"

#include <cstring>

#include "signals/signal_table.h"
#include "signals/storage.h"
#include "theme.h"

namespace vilk::ui {

LiveLinkWorker::LiveLinkWorker(LiveLinkSetup setup) : setup_(std::move(setup)) {
  if (setup_.Login) login_ = *setup_.Login;
}

LiveLinkWorker::~LiveLinkWorker() {
  Close();
}

void LiveLinkWorker::Open() {
  transport_ = MakeTransport(setup_.Settings, setup_.Options);
  if (!transport_) {
    emit Opened(false);
    return;
  }
  session_ = std::make_unique<DeviceSession>(*transport_, setup_.Settings, quiet_, login_);
  ArpStep arp(setup_.Settings.DestIP);
  session_->SetNetworkSteps(&arp);
  const bool ok = session_->OpenLink();
  session_->SetNetworkSteps(nullptr);
  emit Opened(ok);
}

void LiveLinkWorker::Read(quint16 address) {
  std::int32_t value = 0;
  const bool ok =
      session_ && transport_->IsOpen() && session_->Protocol().ReadValue(address, value);
  emit Value(address, ok, value);
}

void LiveLinkWorker::Close() {
  if (session_) session_->CloseLink();
  session_.reset();
  transport_.reset();
}

std::function<bool(LiveLinkSetup&)>& LiveValues::Provider() {
  static std::function<bool(LiveLinkSetup&)> provider;
  return provider;
}

LiveValues::LiveValues(TParams* list, SignalTableView* view, QCheckBox* box, IMessages& messages)
    : QObject(view), list_(list), view_(view), box_(box), messages_(messages) {
  timer_.setInterval(100);
  connect(&timer_, &QTimer::timeout, this, &LiveValues::Tick);
}

LiveValues::~LiveValues() {
  Stop();
}

void LiveValues::Start() {
  LiveLinkSetup setup;
  if (!Provider() || !Provider()(setup)) return;
  thread_ = new QThread;
  worker_ = new LiveLinkWorker(setup);
  worker_->moveToThread(thread_);
  connect(thread_, &QThread::finished, worker_, &QObject::deleteLater);
  connect(worker_, &LiveLinkWorker::Opened, this, [this](bool ok) {
    if (!ok) messages_.Error("Ошибка при инициализации порта");
  });
  connect(worker_, &LiveLinkWorker::Value, this, &LiveValues::Arrived);
  thread_->start();
  QMetaObject::invokeMethod(worker_, &LiveLinkWorker::Open, Qt::QueuedConnection);
  row_ = 0;
  pendingRow_ = -1;
  if (box_) {
    QFont f = box_->font();
    f.setBold(true);
    box_->setFont(f);
  }
  timer_.start();
}

void LiveValues::Stop() {
  timer_.stop();
  if (thread_) {
    QMetaObject::invokeMethod(worker_, &LiveLinkWorker::Close, Qt::QueuedConnection);
    thread_->quit();
    thread_->wait();
    delete thread_;
    thread_ = nullptr;
    worker_ = nullptr;
  }
  if (box_) {
    QFont f = box_->font();
    f.setBold(false);
    box_->setFont(f);
    box_->setPalette(QPalette());  // back to the theme's own
  }
}

void LiveValues::Tick() {
  if (pendingRow_ >= 0 || !worker_ || list_->Count() == 0) return;
  if (row_ >= list_->Count()) {
    row_ = 0;
    if (view_) view_->Refresh();  // the whole table once per round
  }
  const int row = row_++;
  const TParam* s = list_->At(row);
  const int index = s ? list_->Storage().IndexOf(list_->SignalKind, s) : -1;
  if (index < 0) return;
  pendingRow_ = row;
  const auto address = static_cast<quint16>(list_->BaseNumber + index);
  QMetaObject::invokeMethod(
      worker_, [w = worker_, address] { w->Read(address); }, Qt::QueuedConnection);
}

void LiveValues::Arrived(quint16, bool ok, qint32 value) {
  const int row = pendingRow_;
  pendingRow_ = -1;
  if (box_) {
    QPalette p = box_->palette();
    p.setColor(QPalette::WindowText, ok ? GoodText(p) : ErrorText(p));
    box_->setPalette(p);
  }
  if (!ok || row < 0 || row >= list_->Count() || !list_->At(row)) return;
  TParam* s = list_->At(row);
  if (s->Kind == kKindTI || s->Kind == kKindTII)
    std::memcpy(&s->FloatValue, &value, sizeof value);
  else
    s->IntValue = value;
  if (view_) {
    const QModelIndex cell =
        view_->Model()->index(row, view_->Model()->ColumnOf(SignalColumn::Name));
    emit view_->Model()->dataChanged(cell, cell);
  }
}

}  // namespace vilk::ui
