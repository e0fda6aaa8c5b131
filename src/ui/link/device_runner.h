#pragma once
// Runs a device command off the UI thread: a fresh transport and session on a worker
// thread, the user's boxes and the login dialog brought to the UI thread (the worker
// waits for the answer), the progress bar stepped from there, and the configuration
// step afterwards on the UI thread.
#include <QObject>
#include <QPointer>
#include <QProgressBar>
#include <functional>

#include "base/ini.h"
#include "link/device.h"
#include "link/link_settings.h"
#include "link/login.h"
#include "network.h"

namespace vilk::ui {

class DeviceRunner : public QObject {
  Q_OBJECT
 public:
  DeviceRunner(QWidget* window, IMessages& messages, QProgressBar* progress, IniDocument& ini);
  ~DeviceRunner() override;

  LinkSettings Settings;
  TransportOptions Options;  // ports and waits (tests use free ports)
  LoginState Login;
  KeySettings Keys;
  // Where the commands log their exchanges (none: not logged).
  LinkLog* Log = nullptr;

  bool Busy() const { return busy_; }
  // Runs `work` on a worker thread; `done` gets its result on the UI thread. Refused (false)
  // while another command runs.
  bool Run(std::function<bool(DeviceSession&)> work, std::function<void(bool)> done = {});
  // Blocks until the running command (if any) has ended (closing the window).
  void Wait();
  // The login dialog on the UI thread; true when confirmed.
  bool AskLogin();

 signals:
  void BusyChanged(bool busy);

 private:
  class CrossMessages;
  class CrossProgress;
  QPointer<QWidget> window_;
  IMessages& messages_;
  QPointer<QProgressBar> progress_;
  IniDocument& ini_;
  QThread* worker_ = nullptr;
  bool busy_ = false;
};

}  // namespace vilk::ui
