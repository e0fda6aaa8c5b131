#pragma once
// Live values of a signal list: a link kept open on a thread of its own, one value read
// per 100 ms tick, row after row; the result turns the "Значение" box green or red.
#include <QCheckBox>
#include <QObject>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <functional>
#include <memory>

#include "link/device.h"
#include "network.h"
#include "signals/params.h"

namespace vilk::ui {

class SignalTableView;

// What the live link needs from the window: the link settings and the login.
struct LiveLinkSetup {
  LinkSettings Settings;
  TransportOptions Options;
  LoginState* Login = nullptr;
};

class LiveLinkWorker : public QObject {
  Q_OBJECT
 public:
  explicit LiveLinkWorker(LiveLinkSetup setup);
  ~LiveLinkWorker() override;
  void Open();
  void Read(quint16 address);
  void Close();

 signals:
  void Opened(bool ok);
  void Value(quint16 address, bool ok, qint32 value);

 private:
  LiveLinkSetup setup_;
  SilentMessages quiet_;  // a failed read shows red, not a box per tick
  LoginState login_;
  std::unique_ptr<Transport> transport_;
  std::unique_ptr<DeviceSession> session_;
};

class LiveValues : public QObject {
  Q_OBJECT
 public:
  // Where the window's link settings come from (set by the main window).
  static std::function<bool(LiveLinkSetup&)>& Provider();

  LiveValues(TParams* list, SignalTableView* view, QCheckBox* box, IMessages& messages);
  ~LiveValues() override;
  void Start();
  void Stop();
  bool Running() const { return timer_.isActive(); }

 private:
  void Tick();
  void Arrived(quint16 address, bool ok, qint32 value);

  TParams* list_;
  QPointer<SignalTableView> view_;
  QPointer<QCheckBox> box_;
  IMessages& messages_;
  QTimer timer_;
  QThread* thread_ = nullptr;
  LiveLinkWorker* worker_ = nullptr;
  int row_ = 0;
  int pendingRow_ = -1;
};

}  // namespace vilk::ui
