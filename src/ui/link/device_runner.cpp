#include "link/device_runner.h"

#include <QApplication>
#include <QThread>

#include "link/password_form.h"
#include "network.h"

namespace vilk::ui {

// The boxes of a command: shown by the UI thread while the worker waits for the answer.
class DeviceRunner::CrossMessages : public IMessages {
 public:
  CrossMessages(QObject* uiObject, IMessages& target) : ui_(uiObject), target_(target) {}
  void Error(const std::string& text) override {
    OnUi([&] { target_.Error(text); });
  }
  Answer Question(const std::string& text, bool withCancel) override {
    Answer answer = Answer::Cancel;
    OnUi([&] { answer = target_.Question(text, withCancel); });
    return answer;
  }
  void Beep() override {
    OnUi([&] { target_.Beep(); });
  }
  void Info(const std::string& text) override {
    OnUi([&] { target_.Info(text); });
  }
  template <typename F>
  void OnUi(F f) {
    if (QThread::currentThread() == ui_->thread())
      f();
    else
      QMetaObject::invokeMethod(ui_, f, Qt::BlockingQueuedConnection);
  }

 private:
  QObject* ui_;
  IMessages& target_;
};

// The progress bar, stepped from the worker through queued calls.
class DeviceRunner::CrossProgress : public IProgress {
 public:
  explicit CrossProgress(QProgressBar* bar) : bar_(bar) {}
  void SetMaximum(int maximum) override {
    Post([maximum](QProgressBar* b) {
      b->setRange(0, maximum);
      b->show();
    });
  }
  void SetPosition(int position) override {
    Post([position](QProgressBar* b) { b->setValue(position); });
  }
  void Step() override {
    Post([](QProgressBar* b) { b->setValue(b->value() + 1); });
  }
  void Done() override {
    Post([](QProgressBar* b) {
      b->setRange(0, 0);
      b->hide();
    });
  }

 private:
  template <typename F>
  void Post(F f) {
    QProgressBar* bar = bar_;
    if (bar)
      QMetaObject::invokeMethod(
          bar, [bar, f] { f(bar); }, Qt::QueuedConnection);
  }
  QPointer<QProgressBar> bar_;
};

DeviceRunner::DeviceRunner(QWidget* window, IMessages& messages, QProgressBar* progress,
                           IniDocument& ini)
    : QObject(window), window_(window), messages_(messages), progress_(progress), ini_(ini) {
  Keys.Load(ini_);
}

DeviceRunner::~DeviceRunner() {
  Wait();
}

void DeviceRunner::Wait() {
  while (worker_ && !worker_->isFinished()) QApplication::processEvents(QEventLoop::AllEvents, 50);
}

bool DeviceRunner::AskLogin() {
  return TPasswordForm::Ask(window_, Login, Keys, ini_);
}

bool DeviceRunner::Run(std::function<bool(DeviceSession&)> work, std::function<void(bool)> done) {
  if (busy_) return false;
  busy_ = true;
  emit BusyChanged(true);
  auto result = std::make_shared<bool>(false);
  // The worker works on a snapshot of the settings, never on the dialog's values.
  const LinkSettings settings = Settings;
  const TransportOptions options = Options;
  worker_ = QThread::create([this, settings, options, work, result] {
    CrossMessages messages(this, messages_);
    CrossProgress progress(progress_);
    ArpStep arp(settings.DestIP);
    std::unique_ptr<Transport> transport = MakeTransport(settings, options);
    if (!transport) {
      messages.Error("Ошибка при инициализации порта");
      return;
    }
    DeviceSession session(*transport, settings, messages, Login);
    session.SetProgress(&progress);
    session.SetNetworkSteps(&arp);
    if (Log) {
      Log->BeginSession(std::string());
      session.SetLog(Log);
    }
    session.SetLoginPrompt([this, &messages] {
      bool ok = false;
      messages.OnUi([&] { ok = AskLogin(); });
      return ok;
    });
    *result = work(session);
    progress.Done();
  });
  connect(worker_, &QThread::finished, this, [this, result, done] {
    worker_->deleteLater();
    worker_ = nullptr;
    busy_ = false;
    emit BusyChanged(false);
    if (done) done(*result);
  });
  worker_->start();
  return true;
}

}  // namespace vilk::ui
